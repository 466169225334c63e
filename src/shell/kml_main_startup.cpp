// Start-up, shut-down, the tab rule and the help page.
#include "base/known_systems.h"
#include "base/regular_file.h"
#include "conversion/seismic_choices.h"
#include "readers/rtf_reader.h"
#include "settings/remembered_file.h"
#include "shell/desktop.h"
#include "shell/info_view.h"
#include "shell/kml_main.h"
#include "shell/library_text.h"
#include "shell/rtf_document.h"
#include "shell/tab_control.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTextDocument>

#include <cstring>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace {

const QString kManual = QStringLiteral("Manual/KML_Help.rtf");

// Where a first start looks for a seismic file. Elsewhere than on Windows the
// sample line that comes with the program is the default, so that a new
// user's first start reads a real file.
QString defaultSeismicFile(const KML_Main& window)
{
#ifdef _WIN32
    (void)window;
    return QStringLiteral("c:\\tervalo\\segy\\aire.su");
#else
    return window.sampleFile(QStringLiteral("aire.su"));
#endif
}

// Appends the entries to a combo list, keeping the box's text.
template <class Entries>
void fillList(QComboBox* combo, const Entries& entries)
{
    QStringList list;
    for (const std::string_view entry : entries)
        list << QString::fromLatin1(entry.data(), qsizetype(entry.size()));
    appendComboEntries(combo, list);
}

void fillList(QComboBox* combo, std::initializer_list<std::string_view> entries)
{
    fillList<std::initializer_list<std::string_view>>(combo, entries);
}

// The captions of a table of choices, in its order.
template <class Choice, std::size_t N>
std::vector<std::string_view> captions(const Choice (&choices)[N])
{
    std::vector<std::string_view> shown;
    for (const Choice& choice : choices)
        shown.push_back(choice.caption);
    return shown;
}

// Loads a document file into the rich-text view, replacing what it showed:
// RTF through the RTF reader, any other file as plain text. On failure the
// view is left as it was and the message names the file.
marovin::Status loadDocument(InfoView* view, const QString& path)
{
    const std::string shown = libraryPath(QDir::toNativeSeparators(path));
    marovin::Result<marovin::RegularFile, marovin::OpenError> opened = marovin::open_regular_file(libraryPath(path));
    if (!opened) {
        const marovin::OpenError& why = opened.failure();
        if (why.names_nothing())
            return marovin::fail("the file " + shown + " is missing");
        if (why.kind == marovin::OpenError::Kind::Folder || why.kind == marovin::OpenError::Kind::NotRegular)
            return marovin::fail(shown + " is not a file");
        return marovin::fail("the file " + shown + " cannot be read: " + std::strerror(why.system_error));
    }
    QFile file;
    if (!file.open(opened->descriptor.release(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return marovin::fail("the file " + shown + " cannot be read: " + file.errorString().toStdString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return marovin::fail("the file " + shown + " cannot be read: " + file.errorString().toStdString());
    const std::string_view content(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (marovin::rtf::looks_like_rtf(content)) {
        view->showDocument(buildTextDocument(marovin::rtf::parse(content)));
    } else {
        auto document = std::make_unique<QTextDocument>();
        document->setPlainText(QString::fromUtf8(bytes));
        view->showDocument(std::move(document));
    }
    return marovin::ok();
}

} // namespace

QString KML_Main::sampleFile(const QString& name) const
{
    const QString samples = programFile(QStringLiteral("samples"));
    const QString own = samples + QLatin1Char('/') + name;
    if (program_.isBesideExecutable(samples) && QFileInfo(samples).isWritable())
        return own;
    // The user's copy: files already there are the user's and stay as they
    // are; a copy that cannot be made leaves the program's own file, which
    // can still be read.
    if (!QDir().mkpath(user_.sampleCopy))
        return own;
    for (const QFileInfo& file : QDir(samples).entryInfoList(QDir::Files)) {
        const QString copy = user_.sampleCopy + QLatin1Char('/') + file.fileName();
        if (!QFileInfo::exists(copy) && QFile::copy(file.filePath(), copy))
            QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    const QString copy = user_.sampleCopy + QLatin1Char('/') + name;
    return QFileInfo::exists(copy) ? copy : own;
}

// Start-up goes on past a step that fails, and says nothing of it: a
// manual that cannot be loaded leaves the box empty, an INI file that
// cannot be read gives the default seismic file, a seismic file whose
// headers cannot be read leaves tab 3 as it was (its line says why).
void KML_Main::Form_Load()
{
    fillList(Combo1, {"Number,X,Y,Z", "Number,X,Y", "X,Y,Z", "X,Y", "SPS"});
    fillList(Combo2, marovin::kTextRoadSystems);
    fillList(Combo3, {"Station", "CDP", "CMP", "Geophone", "Shot Point", ""});
    fillList(Combo7, captions(marovin::kLabelChoices));
    fillList(Combo4, {"1", "2", "5", "10", "25"});
    fillList(Combo8, {"1", "2", "5", "10", "25"});
    fillList(Combo5, captions(marovin::kPairChoices));
    fillList(Combo6, marovin::kSeismicRoadSystems);

    (void)loadDocument(RichTextBox1, programFile(kManual));

    const Desktop::Answer road =
        desktop().message(this, QStringLiteral("Extract coordinates from seismic file (YES) or XY textfile (NO)"),
                          kTitle, Desktop::Icon::None, Desktop::Buttons::YesNo);
    if (road == Desktop::Answer::Yes) {
        Input_Mode = QStringLiteral("SEGY");
        SSTab1->setCurrentIndex(3);
    } else {
        Input_Mode = QStringLiteral("TEXT_XY");
        SSTab1->setCurrentIndex(0);
    }

    // A stored value is used as it is (an empty one stays empty), only cut
    // to the companion's buffer; the default is not a stored value and is
    // whole. A file that cannot be read holds no stored value.
    const marovin::Result<std::optional<std::string>> stored =
        marovin::read_remembered_seismic_file(libraryPath(iniPath()));
    if (stored && *stored) {
        rememberedText_ = fromLibrary(**stored).left(static_cast<qsizetype>(marovin::kRememberedPathCharacters));
        Text4->setText(*rememberedText_);
    } else {
        Text4->setText(defaultSeismicFile(*this));
    }

    // In both roads. In the text mode lecture_SU leaves Text7 alone (see
    // there).
    (void)lecture_SU();
}

void KML_Main::Form_Unload()
{
    // The file is shared: an entry the user did not change stays as stored,
    // byte for byte (a path in another 8-bit code page, or one longer than
    // Text4 was given). A new path is stored as the file system names it.
    if (rememberedText_ && Text4->text() == *rememberedText_)
        return;
    // Failures are ignored: the program ends all the same, and the INI
    // writer never leaves a half-written file behind.
    QDir().mkpath(QFileInfo(iniPath()).absolutePath());
    (void)marovin::write_remembered_seismic_file(libraryPath(iniPath()), libraryPath(Text4->text()));
}

void KML_Main::SSTab1_Click(int /*previousTab*/)
{
    // The road not chosen at start-up stays closed; selecting it (by a click
    // or by an operation) brings back the chosen road's tab.
    const int tab = SSTab1->currentIndex();
    if (tab == 0 && Input_Mode == QLatin1String("SEGY"))
        SSTab1->setCurrentIndex(3);
    else if (tab == 3 && Input_Mode == QLatin1String("TEXT_XY"))
        SSTab1->setCurrentIndex(0);
}

void KML_Main::Command6_Click()
{
    const marovin::Status loaded = loadDocument(RichTextBox1, programFile(kManual));
    if (!loaded) {
        desktop().message(
            this, QStringLiteral("The manual cannot be shown. ") + fromLibrary(loaded.error(), Shown::AsSentence),
            kTitle, Desktop::Icon::Warning, Desktop::Buttons::Ok);
        return;
    }
    SSTab1->setCurrentIndex(2);
}

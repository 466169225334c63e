// The window: its panels and controllers, and its own handlers (start-up,
// shut-down, the tab rule, the help page).
#include "shell/kml_main.h"

#include "settings/remembered_file.h"
#include "shell/data_panel.h"
#include "shell/desktop.h"
#include "shell/form_controls.h"
#include "shell/information_panel.h"
#include "shell/library_text.h"
#include "shell/long_run.h"
#include "shell/message_title.h"
#include "shell/seismic_panel.h"
#include "shell/seismic_road.h"
#include "shell/tab_control.h"
#include "shell/text_road.h"
#include "shell/window_parts.h"
#include "shell/xy_input_panel.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTabBar>

#include <string>

// The icons are compiled into the static shell library, whose resource
// initialiser the linker would otherwise drop.
static void initShellResources() { Q_INIT_RESOURCE(marovin); }

KML_Main::KML_Main(Desktop& desktop, QString programDir, UserFolders user, marovin::Converter& converter,
                   QWidget* parent)
    : QWidget(parent), desktop_(desktop), program_(std::move(programDir)), user_(std::move(user))
{
    initShellResources();
    setWindowTitle(QStringLiteral("Marovin Version 1.3"));
    setFixedSize(twipsToPixels(formWidth), twipsToPixels(formHeight));

    SSTab1 = new TabControl(this);
    SSTab1->tabBar()->setFont(controlFont(false, largePointSize));
    SSTab1->setGeometry(pixelRect(tabControlPlace));
    for (const char* caption : tabCaptions)
        SSTab1->addTab(QString::fromLatin1(caption));
    SSTab1->setCurrentIndex(0);
    // The panels in the order of their tabs: the controls are made in the
    // order of the form's table.
    xyInput_ = std::make_unique<XyInputPanel>(SSTab1->page(0));
    data_ = std::make_unique<DataPanel>(SSTab1->page(1));
    information_ = std::make_unique<InformationPanel>(SSTab1->page(2));
    seismic_ = std::make_unique<SeismicPanel>(SSTab1->page(3));

    runs_ = std::make_unique<LongRun>(desktop_, *this);
    parts_ = std::make_unique<WindowParts>(WindowParts{*this, desktop_, program_, *SSTab1, *xyInput_, *data_,
                                                       *information_, *seismic_, state_, CmDialog1, converter, *runs_});
    seismicRoad_ = std::make_unique<SeismicRoad>(*parts_);
    textRoad_ = std::make_unique<TextRoad>(*parts_);
    connectHandlers();
}

KML_Main::~KML_Main() = default;

void KML_Main::connectHandlers()
{
    connect(SSTab1, &TabControl::tabChanged, this, &KML_Main::SSTab1_Click);
    TextRoad& text = *textRoad_;
    xyInput_->connect(this, {[&text] { text.Command1_Click(); }, [&text] { text.Command2_Click(); },
                             [this] { Command6_Click(); }, [&text] { text.Command9_Click(); },
                             [&text] { text.Command10_Click(); }, [&text] { text.Command11_Click(); },
                             [this] { Combo2_Change(); }});
    SeismicRoad& seismic = *seismicRoad_;
    seismic_->connect(this, {[&seismic] { seismic.Command7_Click(); }, [&seismic] { seismic.Command8_Click(); },
                             [&seismic] { seismic.Command3_Click(); }, [&seismic] { seismic.Command4_Click(); }});
    information_->connect(this, [this] { Command6_Click(); });
}

void KML_Main::closeEvent(QCloseEvent* event)
{
    // A run under way is cancelled first: it leaves nothing behind, and its
    // handler then changes nothing.
    runs_->cancel();
    Form_Unload();
    event->accept();
}

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
    xyInput_->fillLists();
    seismic_->fillLists();
    (void)information_->showManual(programFile(kManual));

    const Desktop::Answer road =
        desktop_.message(this, QStringLiteral("Extract coordinates from seismic file (YES) or XY textfile (NO)"),
                         kTitle, Desktop::Icon::None, Desktop::Buttons::YesNo);
    state_.mode = road == Desktop::Answer::Yes ? Input_Mode::SEGY : Input_Mode::TEXT_XY;
    SSTab1->setCurrentIndex(road == Desktop::Answer::Yes ? 3 : 0);

    // A stored value is used as it is (an empty one stays empty), only cut
    // to the companion's buffer; the default is not a stored value and is
    // whole. A file that cannot be read holds no stored value.
    const marovin::Result<std::optional<std::string>> stored =
        marovin::read_remembered_seismic_file(libraryPath(user_.iniPath));
    if (stored && *stored) {
        rememberedText_ = fromLibrary(**stored).left(static_cast<qsizetype>(marovin::kRememberedPathCharacters));
        seismic_->setSeismicPath(*rememberedText_);
    } else {
        seismic_->setSeismicPath(defaultSeismicFile(*this));
    }
    // In both roads. In the text mode lecture_SU leaves Text7 alone (see
    // there).
    (void)seismicRoad_->lecture_SU();
}

void KML_Main::Form_Unload()
{
    // The file is shared: an entry the user did not change stays as stored,
    // byte for byte (a path in another 8-bit code page, or one longer than
    // Text4 was given). A new path is stored as the file system names it.
    const QString path = seismic_->seismicPath();
    if (rememberedText_ && path == *rememberedText_)
        return;
    // Failures are ignored: the program ends all the same, and the INI
    // writer never leaves a half-written file behind.
    QDir().mkpath(QFileInfo(user_.iniPath).absolutePath());
    (void)marovin::write_remembered_seismic_file(libraryPath(user_.iniPath), libraryPath(path));
}

void KML_Main::SSTab1_Click(int /*previousTab*/)
{
    // The road not chosen at start-up stays closed; selecting it (by a click
    // or by an operation) brings back the chosen road's tab.
    const int tab = SSTab1->currentIndex();
    if (tab == 0 && state_.mode == Input_Mode::SEGY)
        SSTab1->setCurrentIndex(3);
    else if (tab == 3 && state_.mode == Input_Mode::TEXT_XY)
        SSTab1->setCurrentIndex(0);
}

void KML_Main::Transform_System() {}

void KML_Main::Combo2_Change() { Transform_System(); }

void KML_Main::Command6_Click()
{
    const marovin::Status loaded = information_->showManual(programFile(kManual));
    if (!loaded) {
        desktop_.message(
            this, QStringLiteral("The manual cannot be shown. ") + fromLibrary(loaded.error(), Shown::AsSentence),
            kTitle, Desktop::Icon::Warning, Desktop::Buttons::Ok);
        return;
    }
    SSTab1->setCurrentIndex(2);
}
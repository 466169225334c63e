// Seismic file selection and header read.
#include "shell/kml_main.h"

#include "base/file_names.h"
#include "conversion/named_system.h"
#include "readers/seismic_header.h"
#include "shell/desktop.h"
#include "shell/info_view.h"
#include "shell/library_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <memory>
#include <optional>

namespace {

// What the "Information" tab shows after a header read: the found-line, then
// the textual headers as the file holds them.
QString headerText(const QString& foundLine, const marovin::SeismicFile& file)
{
    QString text = foundLine + QStringLiteral("\n\n");
    if (file.su())
        return text + QStringLiteral("An SU file has no textual header.\n");
    for (const std::string& line : file.textual_header())
        text += QString::fromUtf8(line.data(), qsizetype(line.size())) + QLatin1Char('\n');
    return text;
}

} // namespace

marovin::Status KML_Main::lecture_SU()
{
    // Everything is worked out before any control changes, so that a failure
    // leaves tab 3 and the header state wholly those of the previous file.
    // The extraction, though, is disarmed until a read succeeds: Text4 now
    // names a file whose headers were not read.
    // The tab's line says why, also at start-up where nothing else does.
    const QString shownPath = Text4->text();
    const std::string path = libraryPath(shownPath);
    const auto disarm = [this, &shownPath](const std::string& why) {
        Command8->setEnabled(false);
        setBackColour(Command8, StepColour::Light3D);
        QString cause = fromLibrary(why);
        if (!shownPath.isEmpty())
            cause.replace(shownPath, QFileInfo(shownPath).fileName());
        showSeismicLine(QStringLiteral("Not read: ") + cause);
        return marovin::fail(why);
    };
    marovin::Result<std::string> kmlName = marovin::seismic_kml_name(path);
    if (!kmlName)
        return disarm(kmlName.error());
    marovin::Result<marovin::SeismicFile> read = marovin::SeismicFile::open(path);
    if (!read)
        return disarm(read.error());
    const auto file = std::make_shared<const marovin::SeismicFile>(std::move(read).value());
    const std::optional<marovin::NamedSystem> named = marovin::textual_header_system(*file);

    Header = file;
    Header_File = shownPath;
    Text8->setText(fromLibrary(*kmlName));
    // "Swap bytes" shows the byte order found: checked for big-endian words.
    Check1->setChecked(!file->layout().little_endian);
    if (!file->su()) {
        Option1->setChecked(true);
        Option2->setChecked(false);
    }
    // In text mode this read only happens at start-up for the remembered
    // seismic file; Text7 is then the text road's scalar and keeps what the
    // user's XY points need, the "Information" tab keeps the manual, and
    // Command1 stays red as the text road's first step.
    const bool seismicRoad = Input_Mode != QLatin1String("TEXT_XY");
    if (seismicRoad)
        Text7->setText(QString::number(file->scalar()));
    Text5->setText(QString::number(file->layout().samples));
    Text6->setText(QString::number(file->traces()));
    // The system the file names is proposed; the user may choose another.
    QString reminder = QStringLiteral("Remember to select the original geodesic system");
    headerLine_ = fromLibrary(file->found_line());
    if (named) {
        Combo6->setEditText(fromLibrary(named->definition));
        headerLine_ += QStringLiteral(", ") + fromLibrary(marovin::textual_header_system_text(*named));
        reminder += QStringLiteral(": the textual header names %1 (%2), which is now chosen")
                        .arg(fromLibrary(named->definition), fromLibrary(named->name));
    }
    showSeismicLine(headerLine_);
    if (seismicRoad)
        RichTextBox1->setPlainText(headerText(headerLine_, *file));

    if (seismicRoad)
        setBackColour(Command1, StepColour::LightGrey);
    Command8->setEnabled(true);
    setBackColour(Command8, StepColour::Red);

    desktop_.message(this, reminder, kTitle, Desktop::Icon::Information, Desktop::Buttons::Ok);
    return marovin::ok();
}

void KML_Main::Command7_Click()
{
    // Open where the current seismic file lies; without one, in the home
    // folder (the fixed seismic folder on Windows).
#ifdef _WIN32
    CmDialog1.InitDir = QStringLiteral("c:\\tervalo\\segy");
#else
    CmDialog1.InitDir = QDir::homePath();
#endif
    const QString current = Text4->text();
    const QFileInfo currentInfo(current);
    if (!current.isEmpty() && currentInfo.isAbsolute() && QFileInfo(currentInfo.absolutePath()).isDir())
        CmDialog1.InitDir = currentInfo.absolutePath();
    CmDialog1.CancelError = false;
    CmDialog1.DialogTitle = QStringLiteral("Seismic file");
    CmDialog1.Filter = QStringLiteral("Seismic File |*.SGY|Seismic Unix|*.SU|All files|*.*|");
    CmDialog1.FileName = QStringLiteral("*.SGY");

    const std::optional<QString> chosen = showDialog(FileDialog::Open);
    if (!chosen)
        return;
    Text4->setText(*chosen);
    const marovin::Status read = lecture_SU();
    if (!read) {
        desktop_.message(
            this,
            QStringLiteral("Cannot read the seismic file.\n\n%1").arg(fromLibrary(read.error(), Shown::AsSentence)),
            kTitle, Desktop::Icon::Warning, Desktop::Buttons::Ok);
    }
}

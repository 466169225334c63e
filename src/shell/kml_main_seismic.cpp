// Seismic file selection and header read.
#include "shell/kml_main.h"

#include "base/file_names.h"
#include "readers/seismic_header.h"
#include "shell/desktop.h"
#include "shell/library_text.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

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
    marovin::Result<marovin::SeismicRead> read = marovin::read_seismic_file(path);
    if (!read)
        return disarm(read.error());
    const bool segy = !marovin::is_su_path(path);

    Header = read->header;
    Header_File = shownPath;
    Text8->setText(fromLibrary(*kmlName));
    // "Swap bytes" shows the byte order found: checked for big-endian words.
    Check1->setChecked(!marovin::little_endian_words(Header, !segy));
    if (segy) {
        Option1->setChecked(true);
        Option2->setChecked(false);
    }
    // In text mode this read only happens at start-up for the remembered
    // seismic file; Text7 is then the text road's scalar and keeps what the
    // user's XY points need, and Command1 stays red as the text road's first
    // step.
    const bool seismicRoad = Input_Mode != QLatin1String("TEXT_XY");
    if (seismicRoad)
        Text7->setText(QString::number(Header.Coord_Scalar));
    Text5->setText(QString::number(Header.Nb_Samples32));
    Text6->setText(QString::number(Header.Nb_Traces));
    showSeismicLine(fromLibrary(marovin::findings_line(Header, read->findings)));

    if (seismicRoad)
        setBackColour(Command1, StepColour::LightGrey);
    Command8->setEnabled(true);
    setBackColour(Command8, StepColour::Red);

    desktop_.message(this, QStringLiteral("Remember to select the original geodesic system"), kTitle,
                     Desktop::Icon::Information, Desktop::Buttons::Ok);
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

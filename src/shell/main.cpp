// Program entry: answer --help and --version, or create the window, run
// Form_Load, show it and handle events.
#include "shell/kml_main.h"
#include "shell/program_converter.h"
#include "shell/program_folder.h"
#include "shell/qt_desktop.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QIcon>
#include <QStyleFactory>

#include <cstdio>

namespace {

void describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Turns the coordinates of seismic survey points (SEG-Y or SU trace headers, or an XY text "
                       "file) into a KML document and opens it in an earth viewer."));
    parser.addHelpOption();
    parser.addVersionOption();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setApplicationName(QStringLiteral("marovin"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MAROVIN_VERSION));

    // --help and --version are answered before the window system is reached,
    // so that they work without a display.
    {
        QCoreApplication console(argc, argv);
        QCommandLineParser parser;
        describe(parser);
        (void)parser.parse(console.arguments());
        if (parser.isSet(QStringLiteral("help")))
            parser.showHelp(0);
        if (parser.isSet(QStringLiteral("help-all")))
            parser.process(console); // shows Qt's options as well, and exits
        if (parser.isSet(QStringLiteral("version")))
            parser.showVersion();
    }

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("marovin"));
    // The window's own options were taken by QApplication; anything else is
    // an error, told before any window opens.
    QCommandLineParser parser;
    describe(parser);
    parser.process(app);
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "marovin: unexpected argument \"%s\"; see marovin --help\n",
                     qPrintable(parser.positionalArguments().front()));
        return 1;
    }

    // One look on every desktop; the step buttons paint their colours
    // whatever the style.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("marovin"), QIcon(QStringLiteral(":/icons/globe.png"))));
    QtDesktop desktop;
    const QString programDir = QApplication::applicationDirPath();
    const UserFolders user = standardUserFolders();
    // The window converts through the converter program, in a job folder of
    // its own that goes with it.
    ProgramConverter converter(desktop, ProgramFolder(programDir).converter(), user.jobRoot);
    KML_Main window(desktop, programDir, user, converter);
    window.Form_Load();
    window.show();
    return app.exec();
}

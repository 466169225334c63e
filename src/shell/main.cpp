// Program entry: create the window, run Form_Load, show it, handle events.
#include "shell/kml_main.h"
#include "shell/qt_desktop.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QStyleFactory>

namespace {

// Tervalo.ini is shared with the companion seismic-processing product. On
// Linux it lives in the user's configuration folder.
QString iniFilePath()
{
    QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder))
        folder = QDir::homePath() + QStringLiteral("/.config");
    QDir().mkpath(folder);
    return folder + QStringLiteral("/Tervalo.ini");
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // One look on every desktop; the step buttons paint their colours
    // whatever the style.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QtDesktop desktop;
    KML_Main window(desktop, QApplication::applicationDirPath(), iniFilePath());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/globe.png")));
    window.Form_Load();
    window.show();
    return app.exec();
}

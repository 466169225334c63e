// Program entry: create the window, run Form_Load, show it, handle events.
#include "shell/kml_main.h"
#include "shell/qt_desktop.h"

#include <QApplication>
#include <QDir>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QtDesktop desktop;
    const QString iniPath = QDir::homePath() + QStringLiteral("/.config/Tervalo.ini");
    KML_Main window(desktop, QApplication::applicationDirPath(), iniPath);
    window.Form_Load();
    window.show();
    return app.exec();
}

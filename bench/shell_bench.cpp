// Times the two large views of the window: a KML file of a million
// placemarks shown in the "Information" viewer, and a million points filled
// into the grid cell by cell, as the conversion runs fill it.
#include "shell/flex_grid.h"
#include "shell/info_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <string>

namespace {

constexpr int Points = 1'000'000;

// Every point labelled, as with a label frequency of 1: the largest document.
bool writeKml(const QString& path, qint64* bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                       "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\r\n<Document>\r\n"
                       "<Style id=\"pushpin\">\r\n<IconStyle>\r\n<scale>0.2</scale>\r\n<Icon>\r\n"
                       "<href>http://maps.google.com/mapfiles/kml/pushpin/ylw-pushpin.png</href>\r\n"
                       "</Icon>\r\n</IconStyle>\r\n</Style>\r\n";
    for (int i = 1; i <= Points; ++i) {
        text += "<Placemark>\r\n<name>Station " + std::to_string(i) +
                "</name>\r\n<description>Seismic line 1</description>\r\n<styleUrl>#pushpin</styleUrl>\r\n"
                "<Point>\r\n<coordinates>" +
                std::to_string(6.0 + i * 1e-6) + "12345," + std::to_string(45.0 + i * 1e-6) +
                "54321</coordinates>\r\n</Point>\r\n</Placemark>\r\n";
        if (text.size() > (1 << 22)) {
            if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
                return false;
            text.clear();
        }
    }
    text += "</Document>\r\n</kml>\r\n";
    if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
        return false;
    *bytes = file.size();
    return file.flush();
}

double ms(const QElapsedTimer& timer) { return static_cast<double>(timer.nsecsElapsed()) / 1e6; }

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("million.kml"));
    qint64 bytes = 0;
    if (!folder.isValid() || !writeKml(path, &bytes)) {
        std::fprintf(stderr, "could not write the sample KML file in %s\n", qPrintable(folder.path()));
        return 1;
    }

    InfoView view;
    view.resize(385, 273);
    view.show();
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    if (const marovin::Status loaded = view.loadPlainTextFile(path); !loaded) {
        std::fprintf(stderr, "%s\n", loaded.error().c_str());
        return 1;
    }
    view.repaint();
    const double shown = ms(timer);
    timer.restart();
    view.scrollToEnd();
    view.repaint();
    const double atEnd = ms(timer);
    std::printf("viewer: %d placemarks, %.1f MB, %lld lines: in view in %.0f ms, scrolled to the end in %.1f ms\n",
                Points, static_cast<double>(bytes) / 1e6, static_cast<long long>(view.lineCount()), shown, atEnd);

    // The cost of making the texts alone, to tell it from the grid's own.
    timer.restart();
    std::size_t made = 0;
    for (int r = 1; r <= Points; ++r) {
        made += (" " + std::to_string(r)).size();
        made += std::to_string(6.0 + r * 1e-6).size();
        made += std::to_string(45.0 + r * 1e-6).size();
    }
    const double texts = ms(timer);

    FlexGrid grid;
    grid.resize(321, 313);
    grid.show();
    QApplication::processEvents();
    timer.restart();
    grid.setCols(3);
    grid.setRows(Points + 1);
    const double sized = ms(timer);
    grid.setTextMatrix(0, 1, "X");
    grid.setTextMatrix(0, 2, "Y");
    for (int r = 1; r <= Points; ++r) {
        grid.setTextMatrix(r, 0, " " + std::to_string(r));
        grid.setTextMatrix(r, 1, std::to_string(6.0 + r * 1e-6));
        grid.setTextMatrix(r, 2, std::to_string(45.0 + r * 1e-6));
    }
    const double written = ms(timer);
    QApplication::processEvents();
    grid.repaint();
    const double filled = ms(timer);
    timer.restart();
    grid.scrollToBottom();
    grid.repaint();
    const double gridEnd = ms(timer);
    std::printf("grid: %d rows x 3 columns filled cell by cell and shown in %.0f ms (sized after %.0f ms, "
                "written after %.0f ms; making the %zu characters of text alone takes %.0f ms), scrolled to the end in "
                "%.1f ms\n",
                Points + 1, filled, sized, written, made, texts, gridEnd);
    return 0;
}

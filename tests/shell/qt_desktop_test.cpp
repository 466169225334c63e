#include "qt_print.h"
#include "shell/qt_desktop.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(QtDesktop, PipeFiltersBecomeAnyCaseNameFilters)
{
    const struct {
        const char* pipe;
        QStringList expected;
    } cases[] = {
        {"Seismic File |*.SGY|Seismic Unix|*.SU|All files|*.*|",
         {"Seismic File (*.[sS][gG][yY])", "Seismic Unix (*.[sS][uU])", "All files (*)"}},
        {"Topo File |*.XYZ|All files|*.*|", {"Topo File (*.[xX][yY][zZ])", "All files (*)"}},
        {"KML file|*.kml", {"KML file (*.[kK][mM][lL])"}},
        {"Text|*.TXT;*.XY|", {"Text (*.[tT][xX][tT] *.[xX][yY])"}},
        {"Lines|line?_1.*|", {"Lines ([lL][iI][nN][eE]?_1.*)"}},
        {"", {}},
        {"Only a description", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qtNameFilters(QString::fromLatin1(c.pipe)), c.expected) << c.pipe;
}

TEST(QtDesktop, ConvertedPatternsMatchNamesInAnyCase)
{
    const QStringList filters = qtNameFilters(QStringLiteral("Seismic File |*.SGY|All files|*.*|"));
    ASSERT_EQ(filters.size(), 2);
    const QString seismic = filters[0].section(QLatin1Char('('), 1).chopped(1);
    const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(seismic));
    const struct {
        const char* name;
        bool matches;
    } cases[] = {{"LINE1.SGY", true}, {"line1.sgy", true}, {"Line1.SgY", true}, {"line1.segy", false},
                 {"line1.sgy.bak", false}, {"line1.su", false}};
    for (const auto& c : cases)
        EXPECT_EQ(re.match(QString::fromLatin1(c.name)).hasMatch(), c.matches) << c.name;

    const QRegularExpression all(QRegularExpression::wildcardToRegularExpression(QStringLiteral("*")));
    EXPECT_TRUE(all.match(QStringLiteral("README")).hasMatch()) << "*.* also lists names without a dot";
}

TEST(QtDesktop, OpeningAPathThatNamesNoFileFailsWithoutLaunching)
{
    QTemporaryDir folder;
    QtDesktop desktop;
    EXPECT_FALSE(desktop.openDocument(folder.filePath(QStringLiteral("missing.kml")), folder.path()));
    EXPECT_FALSE(desktop.openDocument(folder.path(), folder.path())) << "a folder is not a document";
    EXPECT_FALSE(desktop.openDocument(QString(), folder.path()));
}

} // namespace

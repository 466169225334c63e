// The window as built, before Form_Load: every control's kind, text, place,
// font and initial state, and the step colours.
#include "qt_print.h"
#include "shell/flex_grid.h"
#include "shell/info_view.h"
#include "shell/tab_control.h"
#include "window_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>

namespace {

enum class Kind { Button, Text, Label, Combo, Option, Check };

struct ControlRow {
    const char* name;
    Kind kind;
    int tab;
    const char* text; // caption or default text
    const char* toolTip;
    bool enabled;
    bool bold;
    int left, top, width, height; // twips from the tab control's top-left
};

// Exactly as the window must show them, blanks included.
const ControlRow controlRows[] = {
    {"Command1", Kind::Button, 0, "XY Text  File selection", "", true, false, 480, 600, 2055, 375},
    {"Text1", Kind::Text, 0, "", "", true, false, 2760, 600, 3255, 375},
    {"Label2", Kind::Label, 0, "File type", "", true, false, 1320, 1080, 1215, 255},
    {"Combo1", Kind::Combo, 0, "X,Y,Z", "", true, false, 2760, 1080, 3255, 315},
    {"Label1", Kind::Label, 0, "Geographical type", "", true, false, 960, 1560, 1575, 255},
    {"Combo2", Kind::Combo, 0, "UTM32", "", true, false, 2760, 1560, 3255, 315},
    {"Command2", Kind::Button, 0, "KML File name", "", false, false, 240, 2040, 2295, 375},
    {"Text2", Kind::Text, 0, "", "", true, false, 2760, 2040, 3255, 375},
    {"Label3", Kind::Label, 0, "Point label", "Legend of points displayed on Map", true, false, 1440, 2640, 1095, 255},
    {"Combo3", Kind::Combo, 0, "Station", "", true, false, 2760, 2640, 3255, 315},
    {"Command6", Kind::Button, 0, "HELP", "", true, false, 240, 2760, 855, 615},
    {"Label4", Kind::Label, 0, "Line label", "", true, false, 1200, 3120, 1335, 360},
    {"Text3", Kind::Text, 0, "Seismic line 1", "Label of points with number", true, false, 2760, 3120, 3255, 405},
    {"Label5", Kind::Label, 0, "Label frequency", "", true, false, 360, 3720, 1575, 375},
    {"Combo4", Kind::Combo, 0, "5", "", true, false, 2760, 3720, 3255, 315},
    {"Command9", Kind::Button, 0, "Conversion", "", false, true, 240, 4560, 1575, 855},
    {"Command10", Kind::Button, 0, "Write KML file", "", false, true, 1920, 4560, 1575, 855},
    {"Command11", Kind::Button, 0, "Display GOOGLE EARTH", "", false, true, 3600, 4560, 2415, 855},
    {"Command7", Kind::Button, 3, "SEGY or SU file", "", true, false, 360, 600, 1815, 375},
    {"Text4", Kind::Text, 3, "", "", true, false, 2400, 600, 3015, 375},
    {"Label14", Kind::Label, 3, "KML output file", "", true, false, 480, 1080, 1575, 375},
    {"Text8", Kind::Text, 3, "", "KML file name", true, false, 2400, 1080, 3015, 375},
    {"Label6", Kind::Label, 3, "Header word for XY", "", true, false, 480, 1560, 1815, 375},
    {"Combo5", Kind::Combo, 3, "X,Y receiver coordinate", "", true, false, 2400, 1560, 3015, 315},
    {"Label8", Kind::Label, 3, "Scalar for coordinates", "", true, false, 480, 2040, 1695, 255},
    {"Option1", Kind::Option, 3, "Decimal", "", true, false, 2400, 2040, 975, 255},
    {"Option2", Kind::Option, 3, "Log", "", true, false, 3480, 2040, 735, 255},
    {"Text7", Kind::Text, 3, "1", "Scale", true, false, 4560, 2040, 855, 285},
    {"Check1", Kind::Check, 3, "Swap bytes", "", true, false, 2400, 2400, 1215, 255},
    {"Label12", Kind::Label, 3, "Trace number", "", true, false, 3960, 2400, 1575, 255},
    {"Label9", Kind::Label, 3, "Nb of samples/trace ", "", true, false, 600, 2760, 1695, 330},
    {"Text5", Kind::Text, 3, "1000", "", true, false, 2400, 2760, 1215, 375},
    {"Text6", Kind::Text, 3, "Trace number", "", false, false, 3840, 2760, 1575, 375},
    {"Label11", Kind::Label, 3, "Point label", "", true, false, 720, 3240, 1455, 255},
    {"Combo7", Kind::Combo, 3, "CDP", "", true, false, 2400, 3240, 3015, 315},
    {"Label7", Kind::Label, 3, "Geodesic system  in seismic file header", "", true, false, 360, 3600, 1695, 375},
    {"Combo6", Kind::Combo, 3, "UTM32", "", true, false, 2400, 3720, 3015, 315},
    {"Label13", Kind::Label, 3, "Label frequency", "", true, false, 360, 4200, 1575, 375},
    {"Combo8", Kind::Combo, 3, "5", "", true, false, 2400, 4200, 735, 315},
    {"Label10", Kind::Label, 3, "Conversion using Dravolen DLL", "", true, false, 3240, 4200, 2655, 375},
    {"Command8", Kind::Button, 3, "Extract XY and convert to Deg Dec", "", false, false, 240, 4680, 1695, 855},
    {"Command3", Kind::Button, 3, "Write KML file", "", false, true, 2160, 4680, 1575, 855},
    {"Command4", Kind::Button, 3, "GOOGLE EARTH", "", false, true, 3960, 4680, 2055, 855},
};

QWidget* control(KML_Main& w, const QString& name)
{
    const std::map<QString, QWidget*> byName = {
        {"Command1", w.Command1}, {"Command2", w.Command2}, {"Command3", w.Command3}, {"Command4", w.Command4},
        {"Command6", w.Command6}, {"Command7", w.Command7}, {"Command8", w.Command8}, {"Command9", w.Command9},
        {"Command10", w.Command10}, {"Command11", w.Command11},
        {"Combo1", w.Combo1}, {"Combo2", w.Combo2}, {"Combo3", w.Combo3}, {"Combo4", w.Combo4},
        {"Combo5", w.Combo5}, {"Combo6", w.Combo6}, {"Combo7", w.Combo7}, {"Combo8", w.Combo8},
        {"Text1", w.Text1}, {"Text2", w.Text2}, {"Text3", w.Text3}, {"Text4", w.Text4},
        {"Text5", w.Text5}, {"Text6", w.Text6}, {"Text7", w.Text7}, {"Text8", w.Text8},
        {"Label1", w.Label1}, {"Label2", w.Label2}, {"Label3", w.Label3}, {"Label4", w.Label4},
        {"Label5", w.Label5}, {"Label6", w.Label6}, {"Label7", w.Label7}, {"Label8", w.Label8},
        {"Label9", w.Label9}, {"Label10", w.Label10}, {"Label11", w.Label11}, {"Label12", w.Label12},
        {"Label13", w.Label13}, {"Label14", w.Label14},
        {"Option1", w.Option1}, {"Option2", w.Option2}, {"Check1", w.Check1},
    };
    const auto it = byName.find(name);
    return it == byName.end() ? nullptr : it->second;
}

QString shownText(QWidget* widget, Kind kind)
{
    switch (kind) {
    case Kind::Button: return static_cast<QPushButton*>(widget)->text();
    case Kind::Text: return static_cast<QLineEdit*>(widget)->text();
    case Kind::Label: return static_cast<QLabel*>(widget)->text();
    case Kind::Combo: return static_cast<QComboBox*>(widget)->currentText();
    case Kind::Option: return static_cast<QRadioButton*>(widget)->text();
    case Kind::Check: return static_cast<QCheckBox*>(widget)->text();
    }
    return {};
}

bool hasKind(QWidget* widget, Kind kind)
{
    switch (kind) {
    case Kind::Button: return qobject_cast<QPushButton*>(widget);
    case Kind::Text: return qobject_cast<QLineEdit*>(widget);
    case Kind::Label: return qobject_cast<QLabel*>(widget);
    case Kind::Combo: return qobject_cast<QComboBox*>(widget);
    case Kind::Option: return qobject_cast<QRadioButton*>(widget);
    case Kind::Check: return qobject_cast<QCheckBox*>(widget);
    }
    return false;
}

QRect pixels(int left, int top, int width, int height) { return {left / 15, top / 15, width / 15, height / 15}; }

TEST_F(WindowTest, EveryControlHasItsKindTextTooltipStateFontAndPlace)
{
    KML_Main& w = window();
    for (const ControlRow& expected : controlRows) {
        SCOPED_TRACE(expected.name);
        QWidget* widget = control(w, QString::fromLatin1(expected.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(hasKind(widget, expected.kind));
        EXPECT_EQ(shownText(widget, expected.kind), QString::fromLatin1(expected.text));
        EXPECT_EQ(widget->toolTip(), QString::fromLatin1(expected.toolTip));
        EXPECT_EQ(widget->isEnabled(), expected.enabled);
        EXPECT_EQ(widget->parentWidget(), w.SSTab1->page(expected.tab));
        EXPECT_EQ(widget->geometry(), pixels(expected.left, expected.top, expected.width, expected.height));
        EXPECT_EQ(widget->font().pointSizeF(), 8.25);
        EXPECT_EQ(widget->font().bold(), expected.bold);
        if (expected.kind == Kind::Combo) {
            auto* combo = static_cast<QComboBox*>(widget);
            EXPECT_TRUE(combo->isEditable());
            EXPECT_EQ(combo->completer(), nullptr) << "typed values must stay as typed";
            EXPECT_EQ(combo->count(), 0) << "lists are filled at start-up, not by the constructor";
        }
    }
}

TEST_F(WindowTest, WindowTabsGridAndViewerHaveTheirPlacesAndFonts)
{
    KML_Main& w = window();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Marovin Version 1.3"));
    EXPECT_EQ(w.size(), QSize(6450 / 15, 6030 / 15));
    EXPECT_EQ(w.SSTab1->geometry(), pixels(120, 120, 6255, 5775));
    ASSERT_EQ(w.SSTab1->count(), 4);
    const char* captions[] = {"XY File input", "Data File", "Information", "XY from SEGY/SU Header"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(w.SSTab1->tabText(i), QString::fromLatin1(captions[i]));
        EXPECT_EQ(w.SSTab1->page(i)->geometry(), QRect(QPoint(0, 0), w.SSTab1->size()))
            << "pages cover the tab row too, so places count from the control's corner";
    }
    // All four tabs in one row across the control, no scroll buttons.
    w.show();
    for (int i = 0; i < 4; ++i) {
        const QRect tab = w.SSTab1->tabBar()->tabRect(i);
        EXPECT_GE(tab.left(), 0);
        EXPECT_LE(tab.right(), w.SSTab1->width());
        EXPECT_EQ(tab.top(), 0);
    }
    EXPECT_LT(w.SSTab1->tabBar()->height(), 480 / 15) << "the tab row ends above the first control";
    EXPECT_EQ(w.SSTab1->tabBar()->font().pointSizeF(), 9.75);
    EXPECT_FALSE(w.SSTab1->tabBar()->font().bold());
    EXPECT_EQ(w.SSTab1->currentIndex(), 0);

    EXPECT_EQ(w.VSFlexGrid1->parentWidget(), w.SSTab1->page(1));
    EXPECT_EQ(w.VSFlexGrid1->geometry(), pixels(480, 480, 4815, 4695));
    EXPECT_EQ(w.VSFlexGrid1->font().pointSizeF(), 8.25);
    EXPECT_EQ(w.RichTextBox1->parentWidget(), w.SSTab1->page(2));
    EXPECT_EQ(w.RichTextBox1->geometry(), pixels(240, 480, 5775, 4095));
    EXPECT_EQ(w.RichTextBox1->font().pointSizeF(), 9.75);

    EXPECT_TRUE(w.Option1->isChecked());
    EXPECT_FALSE(w.Option2->isChecked());
    EXPECT_TRUE(w.Check1->isChecked());

    // The globe, 34 x 33, on the two earth-viewer buttons only.
    for (QPushButton* button : {w.Command11, w.Command4}) {
        EXPECT_FALSE(button->icon().isNull());
        EXPECT_EQ(button->iconSize(), QSize(34, 33));
        EXPECT_EQ(button->icon().availableSizes().value(0), QSize(34, 33));
    }
    for (QPushButton* button : {w.Command1, w.Command2, w.Command3, w.Command6, w.Command7, w.Command8, w.Command9,
                                w.Command10})
        EXPECT_TRUE(button->icon().isNull());
}

TEST_F(WindowTest, OneLineCaptionsFitTheirPlaces)
{
    KML_Main& w = window();
    for (QLabel* label : {w.Label1, w.Label2, w.Label3, w.Label4, w.Label5, w.Label6, w.Label8, w.Label9, w.Label10,
                          w.Label11, w.Label12, w.Label13, w.Label14})
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
            << label->text().toStdString();
    for (QAbstractButton* box : std::initializer_list<QAbstractButton*>{w.Option1, w.Option2, w.Check1})
        EXPECT_LE(box->sizeHint().width(), box->width() + 2) << box->text().toStdString();
}

// The colour a button shows on its face, away from its caption and bevel.
QColor faceColour(QPushButton* button) { return button->grab().toImage().pixelColor(2, button->height() / 2); }

TEST_F(WindowTest, StepButtonsStartWithTheirColoursAndShowWhateverTheyAreGiven)
{
    KML_Main& w = window();
    const QColor face = QApplication::palette().color(QPalette::Button);
    const QColor light = QApplication::palette().color(QPalette::Light);
    const struct {
        QPushButton* button;
        QColor colour;
    } initial[] = {
        {w.Command1, QColor(0xFF, 0, 0)}, {w.Command7, QColor(0xFF, 0, 0)}, {w.Command8, light},
        {w.Command3, light},  {w.Command4, light}, {w.Command9, face}, {w.Command10, face}, {w.Command11, face},
    };
    for (const auto& c : initial) {
        SCOPED_TRACE(c.button->text().toStdString());
        EXPECT_EQ(KML_Main::backColour(c.button), c.colour);
        EXPECT_EQ(faceColour(c.button), c.colour);
    }

    EXPECT_EQ(stepColourValue(StepColour::Red), QColor(0xFF, 0x00, 0x00));
    EXPECT_EQ(stepColourValue(StepColour::LightGrey), QColor(0xE0, 0xE0, 0xE0));
    EXPECT_EQ(stepColourValue(StepColour::ButtonFace), face);
    EXPECT_EQ(stepColourValue(StepColour::Light3D), light);

    // Every change shows, enabled or not.
    for (StepColour colour : {StepColour::LightGrey, StepColour::Red, StepColour::ButtonFace, StepColour::Light3D}) {
        for (QPushButton* button : {w.Command1, w.Command8, w.Command11}) {
            KML_Main::setBackColour(button, colour);
            EXPECT_EQ(KML_Main::backColour(button), stepColourValue(colour));
            EXPECT_EQ(faceColour(button), stepColourValue(colour));
        }
    }
}

TEST_F(WindowTest, FillingComboListsKeepsTheDefaultTexts)
{
    KML_Main& w = window();
    const QStringList systems2 = {"WGS84", "ED50", "UTM30", "UTM31", "UTM32", "UTM30E", "UTM31E", "UTM32E", "SWISS",
                                  "NTF", "LT93", "LT72", "LT1", "LT2", "LT3", "LT4", "L93"};
    const QStringList systems6 = {"WGS84", "ED50", "NTF", "LT1", "LT2", "LT3", "LT4", "LT93", "UTM30E",
                                  "UTM31E", "UTM32E", "UTM30", "UTM31", "UTM32", "SWISS", "LT72", "BD72"};
    const struct {
        QComboBox* combo;
        QStringList entries;
        const char* text;
        int entryOfText;
    } cases[] = {
        {w.Combo1, {"Number,X,Y,Z", "Number,X,Y", "X,Y,Z", "X,Y", "SPS"}, "X,Y,Z", 2},
        {w.Combo2, systems2, "UTM32", 4},
        {w.Combo3, {"Station", "CDP", "CMP", "Geophone", "Shot Point", ""}, "Station", 0},
        {w.Combo4, {"1", "2", "5", "10", "25"}, "5", 2},
        {w.Combo5, {"X,Y source coordinate", "X,Y receiver coordinate"}, "X,Y receiver coordinate", 1},
        {w.Combo6, systems6, "UTM32", 13},
        {w.Combo7, {".", "FFID", "CDP", "Trace", "Shot Point", ""}, "CDP", 2},
        {w.Combo8, {"1", "2", "5", "10", "25"}, "5", 2},
    };
    int textChanges = 0;
    for (const auto& c : cases)
        QObject::connect(c.combo, &QComboBox::editTextChanged, [&] { ++textChanges; });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        appendComboEntries(c.combo, c.entries);
        EXPECT_EQ(c.combo->currentText(), QString::fromLatin1(c.text));
        EXPECT_EQ(c.combo->currentIndex(), c.entryOfText);
        ASSERT_EQ(c.combo->count(), c.entries.size());
        for (int i = 0; i < c.entries.size(); ++i)
            EXPECT_EQ(c.combo->itemText(i), c.entries[i]);
    }
    EXPECT_EQ(textChanges, 0) << "filling the lists is not an edit";

    // A text that is not in the list survives a later append too.
    w.Combo2->setEditText(QStringLiteral("MyGrid"));
    appendComboEntries(w.Combo2, {QStringLiteral("EXTRA")});
    EXPECT_EQ(w.Combo2->currentText(), QStringLiteral("MyGrid"));
    EXPECT_EQ(w.Combo2->currentIndex(), -1);

    // Picking the empty last entry leaves the box empty; picking another
    // shows it.
    w.Combo3->setCurrentIndex(5);
    EXPECT_EQ(w.Combo3->currentText(), QString());
    w.Combo7->setCurrentIndex(3);
    EXPECT_EQ(w.Combo7->currentText(), QStringLiteral("Trace"));
}

} // namespace

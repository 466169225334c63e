// The window as built, before Form_Load: every control the form's table
// names, made with its kind on its tab, in its place, fitting its caption;
// the window and tab control; the step colours. A few published values are
// checked through the controls themselves, so that a wrong row of the table
// is caught too.
#include "qt_support.h"
#include "shell/flex_grid.h"
#include "shell/form_layout.h"
#include "shell/info_view.h"
#include "shell/step_button.h"
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

#include <functional>

namespace {

using Kind = FormControl::Kind;
using Look = FormControl::Look;

QWidget* ofKind(QWidget* widget, Kind kind)
{
    switch (kind) {
    case Kind::Button: return qobject_cast<QPushButton*>(widget);
    case Kind::Text: return qobject_cast<QLineEdit*>(widget);
    case Kind::Label: return qobject_cast<QLabel*>(widget);
    case Kind::Combo: return qobject_cast<QComboBox*>(widget);
    case Kind::Option: return qobject_cast<QRadioButton*>(widget);
    case Kind::Check: return qobject_cast<QCheckBox*>(widget);
    case Kind::Grid: return qobject_cast<FlexGrid*>(widget);
    case Kind::Viewer: return qobject_cast<InfoView*>(widget);
    }
    return nullptr;
}

// The caption, or the text a text or combo box shows.
QString shownText(QWidget* widget)
{
    return widget->property(qobject_cast<QComboBox*>(widget) ? "currentText" : "text").toString();
}

// At 96 dots per inch 15 twips make a pixel; every place of the form is a
// whole number of pixels.
QRect pixels(Twips t)
{
    EXPECT_EQ(t.left % 15 + t.top % 15 + t.width % 15 + t.height % 15, 0);
    return {t.left / 15, t.top / 15, t.width / 15, t.height / 15};
}

// The colour a button shows on its face, away from its caption and bevel.
QColor faceColour(QPushButton* button) { return button->grab().toImage().pixelColor(2, button->height() / 2); }

TEST_F(WindowTest, EveryControlOfTheFormIsMadeOnItsTabInItsPlaceAndFitsItsCaption)
{
    KML_Main& w = window();
    for (const FormControl& row : formControls) {
        SCOPED_TRACE(row.name);
        const QList<QWidget*> named = w.findChildren<QWidget*>(QString::fromLatin1(row.name));
        ASSERT_EQ(named.size(), 1);
        QWidget* widget = ofKind(named[0], row.kind);
        ASSERT_NE(widget, nullptr) << "not of its kind";
        EXPECT_EQ(widget->parentWidget(), form().tabs().page(row.tab));
        EXPECT_EQ(widget->geometry(), pixels(row.place));
        EXPECT_TRUE(QRect(QPoint(0, 0), form().tabs().size()).contains(widget->geometry())) << "outside the tab";
        for (const FormControl& other : formControls)
            EXPECT_FALSE(&other != &row && other.tab == row.tab && pixels(other.place).intersects(widget->geometry()))
                << "overlaps " << other.name;
        EXPECT_EQ(shownText(widget), QString::fromLatin1(row.text));
        EXPECT_EQ(widget->toolTip(), QString::fromLatin1(row.toolTip));
        EXPECT_EQ(widget->isEnabled(), !(row.look & Look::Disabled));
        EXPECT_EQ(widget->font().pointSizeF(), row.kind == Kind::Viewer ? 9.75 : 8.25);
        EXPECT_EQ(widget->font().bold(), bool(row.look & Look::Bold));

        if (auto* box = qobject_cast<QAbstractButton*>(widget); box && row.kind != Kind::Button) {
            EXPECT_EQ(box->isChecked(), bool(row.look & Look::Checked));
            EXPECT_LE(box->sizeHint().width(), box->width() + 2) << "caption cut";
        }
        if (auto* label = qobject_cast<QLabel*>(widget); label && !label->wordWrap()) {
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width()) << "caption cut";
        }
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            EXPECT_TRUE(combo->isEditable());
            EXPECT_EQ(combo->completer(), nullptr) << "typed values must stay as typed";
            EXPECT_EQ(combo->count(), 0) << "lists are filled at start-up, not by the constructor";
        }
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            // The globe, 34 x 33, beside the earth-viewer captions only.
            EXPECT_EQ(!button->icon().isNull(), bool(row.look & Look::Globe));
            if (row.look & Look::Globe) {
                EXPECT_EQ(button->iconSize(), QSize(34, 33));
                EXPECT_EQ(button->icon().availableSizes().value(0), QSize(34, 33));
            }
            // A step colour shows on the face, in the coloured-button look.
            EXPECT_EQ(dynamic_cast<StepButton*>(button) != nullptr, row.step.has_value());
            if (row.step) {
                EXPECT_EQ(backColour(button), stepColourValue(*row.step));
                EXPECT_EQ(faceColour(button), stepColourValue(*row.step));
            }
        }
    }
}

TEST_F(WindowTest, ControlsKeepThePublishedNamesTextsAndPlaces)
{
    const struct {
        const char* name;
        int tab;
        const char* text;
        Twips place;
    } published[] = {
        {"Command1", 0, "XY Text  File selection", {480, 600, 2055, 375}},
        {"Combo1", 0, "X,Y,Z", {2760, 1080, 3255, 315}},
        {"Text3", 0, "Seismic line 1", {2760, 3120, 3255, 405}},
        {"Command11", 0, "Display GOOGLE EARTH", {3600, 4560, 2415, 855}},
        {"VSFlexGrid1", 1, "", {480, 480, 4815, 4695}},
        {"RichTextBox1", 2, "", {240, 480, 5775, 4095}},
        {"Text7", 3, "1", {4560, 2040, 855, 285}},
        {"Label9", 3, "Nb of samples/trace ", {600, 2760, 1695, 330}},
        {"Label7", 3, "Geodesic system  in seismic file header", {360, 3600, 1695, 375}},
        {"Combo6", 3, "UTM32", {2400, 3720, 3015, 315}},
        {"Command8", 3, "Extract XY and convert to Deg Dec", {240, 4680, 1695, 855}},
        {"Label15", 3, "", {240, 5550, 5775, 195}},
    };
    for (const auto& p : published) {
        SCOPED_TRACE(p.name);
        const QWidget* control = window().findChild<QWidget*>(QString::fromLatin1(p.name));
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->parentWidget(), form().tabs().page(p.tab));
        EXPECT_EQ(shownText(const_cast<QWidget*>(control)), QString::fromLatin1(p.text));
        EXPECT_EQ(control->geometry(), pixels(p.place));
    }
}

// The form names of the controls for which `is` holds, sorted.
QStringList controlsWhere(KML_Main& w, const std::function<bool(QWidget*)>& is)
{
    QStringList names;
    for (const FormControl& row : formControls)
        if (QWidget* control = w.findChild<QWidget*>(QString::fromLatin1(row.name)); control && is(control))
            names << control->objectName();
    names.sort();
    return names;
}

TEST_F(WindowTest, ControlsStartWithThePublishedStatesAndLooks)
{
    KML_Main& w = window();
    const auto button = [](QWidget* c) { return qobject_cast<QPushButton*>(c); };
    const auto backColourIs = [&](QColor colour) {
        return [=](QWidget* c) { return button(c) && backColour(button(c)) == colour; };
    };
    const struct {
        const char* what;
        std::function<bool(QWidget*)> is;
        QStringList names;
    } looks[] = {
        // Each road starts at its first step; HELP is the only other button
        // that works before.
        {"enabled buttons",
         [&](QWidget* c) { return button(c) && c->isEnabled(); },
         {"Command1", "Command6", "Command7"}},
        {"red", backColourIs(QColor(0xFF, 0, 0)), {"Command1", "Command7"}},
        {"3-D light",
         backColourIs(QApplication::palette().color(QPalette::Light)),
         {"Command3", "Command4", "Command8"}},
        {"coloured look",
         [](QWidget* c) { return dynamic_cast<StepButton*>(c) != nullptr; },
         {"Command1", "Command10", "Command11", "Command3", "Command4", "Command7", "Command8", "Command9"}},
        {"bold",
         [](QWidget* c) { return c->font().bold(); },
         {"Command10", "Command11", "Command3", "Command4", "Command9"}},
        {"globe", [&](QWidget* c) { return button(c) && !button(c)->icon().isNull(); }, {"Command11", "Command4"}},
        {"disabled others", [&](QWidget* c) { return !button(c) && !c->isEnabled(); }, {"Text6"}},
        {"checked",
         [](QWidget* c) {
             auto* b = qobject_cast<QAbstractButton*>(c);
             return b && b->isChecked();
         },
         {"Check1", "Option1"}},
        {"tooltip",
         [](QWidget* c) { return !c->toolTip().isEmpty(); },
         {"Combo5", "Combo7", "Label3", "Text3", "Text7", "Text8"}},
    };
    for (const auto& look : looks)
        EXPECT_EQ(controlsWhere(w, look.is), look.names) << look.what;
    EXPECT_EQ(form().text("Text7").toolTip(), QStringLiteral("Scale"));
}

TEST_F(WindowTest, WindowAndTabControlHaveTheirFixedPlaces)
{
    KML_Main& w = window();
    TabControl& tabs = form().tabs();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Marovin Version 1.3"));
    EXPECT_EQ(w.size(), QSize(430, 402)) << "6450 x 6030 twips";
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    EXPECT_EQ(tabs.geometry(), QRect(8, 8, 417, 385)) << "120, 120, 6255, 5775 twips";
    ASSERT_EQ(tabs.count(), 4);
    const char* captions[] = {"XY File input", "Data File", "Information", "XY from SEGY/SU Header"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(tabs.tabText(i), QString::fromLatin1(captions[i]));
        EXPECT_EQ(tabs.page(i)->geometry(), QRect(QPoint(0, 0), tabs.size()))
            << "pages cover the tab row too, so places count from the control's corner";
    }
    // All four tabs in one row across the control, no scroll buttons.
    w.show();
    for (int i = 0; i < 4; ++i) {
        const QRect tab = tabs.tabBar()->tabRect(i);
        EXPECT_GE(tab.left(), 0);
        EXPECT_LE(tab.right(), tabs.width());
        EXPECT_EQ(tab.top(), 0);
    }
    EXPECT_LT(tabs.tabBar()->height(), 480 / 15) << "the tab row ends above the first control";
    EXPECT_EQ(tabs.tabBar()->font().pointSizeF(), 9.75);
    EXPECT_FALSE(tabs.tabBar()->font().bold());
    EXPECT_EQ(tabs.currentIndex(), 0);
}

TEST_F(WindowTest, StepButtonsShowWhateverColourTheyAreGiven)
{
    const FormDriver& f = form();
    EXPECT_EQ(stepColourValue(StepColour::Red), QColor(0xFF, 0x00, 0x00));
    EXPECT_EQ(stepColourValue(StepColour::LightGrey), QColor(0xE0, 0xE0, 0xE0));
    EXPECT_EQ(stepColourValue(StepColour::ButtonFace), QApplication::palette().color(QPalette::Button));
    EXPECT_EQ(stepColourValue(StepColour::Light3D), QApplication::palette().color(QPalette::Light));

    // Every change shows, enabled or not.
    for (StepColour colour : {StepColour::LightGrey, StepColour::Red, StepColour::ButtonFace, StepColour::Light3D}) {
        for (QPushButton* button : {&f.button("Command1"), &f.button("Command8"), &f.button("Command11")}) {
            setBackColour(button, colour);
            EXPECT_EQ(backColour(button), stepColourValue(colour));
            EXPECT_EQ(faceColour(button), stepColourValue(colour));
        }
    }
}

} // namespace

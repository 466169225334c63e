#pragma once
// The window's controls found by their form names, as tests drive them: a
// test reads and sets the controls a user sees, and clicks the buttons a
// user can click, never the panels' members.

#include "shell/flex_grid.h"
#include "shell/form_controls.h"
#include "shell/info_view.h"
#include "shell/kml_main.h"
#include "shell/tab_control.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

// The window's controls by their form names, as a user finds them.
class FormDriver {
public:
    explicit FormDriver(KML_Main& window) : window_(window) {}

    QPushButton& button(const char* name) const { return find<QPushButton>(name); }
    QLineEdit& text(const char* name) const { return find<QLineEdit>(name); }
    QComboBox& combo(const char* name) const { return find<QComboBox>(name); }
    QLabel& label(const char* name) const { return find<QLabel>(name); }
    QAbstractButton& box(const char* name) const { return find<QAbstractButton>(name); } // Option1, Check1
    FlexGrid& grid() const { return find<FlexGrid>("VSFlexGrid1"); }
    InfoView& info() const { return find<InfoView>("RichTextBox1"); }
    TabControl& tabs() const { return *window_.findChild<TabControl*>(); }
    int tab() const { return tabs().currentIndex(); }

    // Clicks a button as a user does: a disabled one does nothing, and the
    // test says so.
    void click(const char* name) const
    {
        QPushButton& b = button(name);
        EXPECT_TRUE(b.isEnabled()) << name << " is disabled";
        b.click();
    }
    // Whether a step button is enabled and shows that colour.
    bool isStep(const char* name, StepColour colour) const
    {
        return button(name).isEnabled() && backColour(&button(name)) == stepColourValue(colour);
    }
    std::string cell(int row, int column) const { return grid().textMatrix(row, column); }

private:
    template <class Control>
    Control& find(const char* name) const
    {
        auto* control = window_.findChild<Control*>(QLatin1String(name));
        if (!control)
            throw std::runtime_error(std::string("no control ") + name);
        return *control;
    }

    KML_Main& window_;
};

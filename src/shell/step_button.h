#pragma once
// A push button in the coloured-button look of the step buttons: its whole
// face is filled with the palette's Button colour (the step colour) under a
// raised bevel, whatever the application style, so that red and grey steps
// show on every desktop. The caption wraps over as many lines as the button
// is high, beside the icon when there is one.

#include <QPushButton>

class StepButton : public QPushButton {
public:
    explicit StepButton(const QString& caption, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

#pragma once
// A push button in the coloured-button look of the step buttons: its whole
// face is filled with the palette's Button colour (the step colour) under a
// raised bevel, whatever the application style, so that red and grey steps
// show on every desktop. The caption wraps over as many lines as the button
// is high, beside the icon when there is one.

#include <QColor>
#include <QPushButton>

// The contrast ratio of two colours as the web accessibility guidelines
// define it: from 1 (the same) to 21 (black and white).
double contrastRatio(const QColor& a, const QColor& b);

// The caption colour for a face: the palette's button text where it reads
// well on that face (a contrast ratio of 4.5 or more), else black or white,
// whichever contrasts more. A dark desktop theme gives light button text,
// which would vanish on the red and light grey steps.
QColor captionColour(const QColor& face, const QColor& buttonText);

class StepButton : public QPushButton {
public:
    explicit StepButton(const QString& caption, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

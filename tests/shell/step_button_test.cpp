// Step captions stay readable on every step colour, under a light or a dark
// desktop theme.
#include "qt_print.h"
#include "window_fixture.h"

#include "shell/step_button.h"

#include <QApplication>
#include <QImage>
#include <QPalette>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace {

double luminance(const QColor& c)
{
    const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST(StepButton, CaptionColourKeepsTheThemesTextWhereItReadsElseTakesBlackOrWhite)
{
    const QColor red(255, 0, 0), grey(224, 224, 224), darkFace(53, 53, 53), lightFace(239, 239, 239);
    const QColor white(Qt::white), black(Qt::black), paleText(220, 220, 220);
    const struct {
        const char* what;
        QColor face, text, expected;
    } cases[] = {
        {"light theme on red", red, black, black},
        {"dark theme on red", red, white, black},
        {"dark theme on light grey", grey, paleText, black},
        {"light theme on light grey", grey, black, black},
        {"dark theme on its own face", darkFace, paleText, paleText},
        {"light theme on its own face", lightFace, black, black},
        {"dark text on a dark face", darkFace, QColor(60, 60, 60), white},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QColor chosen = captionColour(c.face, c.text);
        EXPECT_EQ(chosen, c.expected);
        EXPECT_GE(contrast(chosen, c.face), 4.5);
    }
}

// The caption pixel that stands out most from the face, inside the bevel.
QColor strongestInk(QPushButton* button, const QColor& face)
{
    const QImage image = button->grab().toImage();
    QColor best = face;
    for (int y = 5; y < image.height() - 5; ++y)
        for (int x = 5; x < image.width() - 5; ++x)
            if (contrast(image.pixelColor(x, y), face) > contrast(best, face))
                best = image.pixelColor(x, y);
    return best;
}

TEST_F(WindowTest, StepCaptionsReadOnEveryStepColourUnderADarkTheme)
{
    const QPalette saved = QApplication::palette();
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(53, 53, 53));
    dark.setColor(QPalette::Button, QColor(53, 53, 53));
    dark.setColor(QPalette::Light, QColor(90, 90, 90));
    dark.setColor(QPalette::Dark, QColor(35, 35, 35));
    dark.setColor(QPalette::ButtonText, QColor(240, 240, 240));
    dark.setColor(QPalette::WindowText, QColor(240, 240, 240));
    QApplication::setPalette(dark);

    KML_Main& w = window();
    for (StepColour colour : {StepColour::Red, StepColour::LightGrey, StepColour::ButtonFace, StepColour::Light3D}) {
        for (QPushButton* button : {w.Command1, w.Command9}) {
            SCOPED_TRACE(button->text().toStdString() + " on " + stepColourValue(colour).name().toStdString());
            button->setEnabled(true);
            KML_Main::setBackColour(button, colour);
            EXPECT_GE(contrast(strongestInk(button, stepColourValue(colour)), stepColourValue(colour)), 4.5);
        }
    }
    QApplication::setPalette(saved);
}

} // namespace

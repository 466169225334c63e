// Step captions stay readable on every step colour, under a light or a dark
// desktop theme.
#include "qt_support.h"
#include "window_fixture.h"

#include "shell/step_button.h"

#include <QApplication>
#include <QImage>
#include <QPalette>
#include <QPushButton>

namespace {

TEST(StepButton, ContrastRatiosAreThoseOfTheAccessibilityGuidelines)
{
    const struct {
        QColor a, b;
        double ratio;
    } cases[] = {
        {Qt::white, Qt::black, 21.0},
        {QColor(255, 0, 0), Qt::black, 5.252},
        {QColor(255, 0, 0), Qt::white, 3.998},
        {QColor(224, 224, 224), Qt::black, 15.908},
        {QColor(119, 119, 119), Qt::white, 4.478},
        {QColor(53, 53, 53), QColor(53, 53, 53), 1.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.a.name().toStdString() + " on " + c.b.name().toStdString());
        EXPECT_NEAR(contrastRatio(c.a, c.b), c.ratio, 0.001);
        EXPECT_DOUBLE_EQ(contrastRatio(c.a, c.b), contrastRatio(c.b, c.a));
    }
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
        EXPECT_GE(contrastRatio(chosen, c.face), 4.5);
    }
}

// The caption pixel that stands out most from the face, inside the bevel.
QColor strongestInk(QPushButton* button, const QColor& face)
{
    const QImage image = button->grab().toImage();
    QColor best = face;
    for (int y = 5; y < image.height() - 5; ++y)
        for (int x = 5; x < image.width() - 5; ++x)
            if (contrastRatio(image.pixelColor(x, y), face) > contrastRatio(best, face))
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

    for (StepColour colour : {StepColour::Red, StepColour::LightGrey, StepColour::ButtonFace, StepColour::Light3D}) {
        for (QPushButton* button : {&form().button("Command1"), &form().button("Command9")}) {
            SCOPED_TRACE(button->text().toStdString() + " on " + stepColourValue(colour).name().toStdString());
            button->setEnabled(true);
            setBackColour(button, colour);
            EXPECT_GE(contrastRatio(strongestInk(button, stepColourValue(colour)), stepColourValue(colour)), 4.5);
        }
    }
    QApplication::setPalette(saved);
}

} // namespace

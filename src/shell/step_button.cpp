#include "shell/step_button.h"

#include <QPainter>
#include <QStyleOptionFocusRect>
#include <qdrawutil.h>

#include <algorithm>
#include <cmath>

namespace {

// Relative luminance of an sRGB colour.
double luminance(const QColor& colour)
{
    const auto channel = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}

} // namespace

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor captionColour(const QColor& face, const QColor& buttonText)
{
    if (contrastRatio(face, buttonText) >= 4.5)
        return buttonText;
    const QColor black(Qt::black), white(Qt::white);
    return contrastRatio(face, black) >= contrastRatio(face, white) ? black : white;
}

StepButton::StepButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {}

void StepButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette& pal = palette();
    const bool sunken = isDown() || isChecked();
    const QBrush face(pal.color(QPalette::Button));
    qDrawWinButton(&painter, rect(), pal, sunken, &face);

    QRect content = rect().adjusted(4, 3, -4, -3);
    if (sunken)
        content.translate(1, 1);

    // Icon beside the caption, the pair centred on the face.
    const int gap = 4;
    QPixmap pixmap;
    if (!icon().isNull())
        pixmap = icon().pixmap(iconSize(), devicePixelRatio(), isEnabled() ? QIcon::Normal : QIcon::Disabled);
    const int iconWidth = pixmap.isNull() ? 0 : iconSize().width();
    const int textSpace = std::max(0, content.width() - (iconWidth ? iconWidth + gap : 0));
    const int flags = Qt::AlignCenter | Qt::TextWordWrap;
    const QRect textBounds = fontMetrics().boundingRect(QRect(0, 0, textSpace, content.height()), flags, text());
    const int textWidth = std::min(textSpace, textBounds.width());
    const int total = iconWidth ? iconWidth + gap + textWidth : textWidth;
    int x = content.left() + (content.width() - total) / 2;
    if (!pixmap.isNull()) {
        const int y = content.top() + (content.height() - iconSize().height()) / 2;
        painter.drawPixmap(QRect(QPoint(x, y), iconSize()), pixmap);
        x += iconWidth + gap;
    }
    const QRect textRect(x, content.top(), textWidth, content.height());
    if (isEnabled()) {
        painter.setPen(captionColour(face.color(), pal.color(QPalette::Active, QPalette::ButtonText)));
        painter.drawText(textRect, flags, text());
    } else {
        // Engraved caption of a disabled button: light copy below right,
        // dark copy on top.
        painter.setPen(pal.color(QPalette::Active, QPalette::Light));
        painter.drawText(textRect.translated(1, 1), flags, text());
        painter.setPen(pal.color(QPalette::Active, QPalette::Dark));
        painter.drawText(textRect, flags, text());
    }

    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(3, 3, -3, -3);
        option.backgroundColor = face.color();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

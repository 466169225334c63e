#include "shell/form_controls.h"

#include "shell/flex_grid.h"
#include "shell/info_view.h"
#include "shell/step_button.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>

#include <algorithm>

namespace {

using Kind = FormControl::Kind;
using Look = FormControl::Look;

void setGlobeIcon(QPushButton* button)
{
    button->setIcon(QIcon(QStringLiteral(":/icons/globe.png")));
    button->setIconSize(QSize(34, 33));
}

QWidget* makeButton(const FormControl& row, const QString& text, QWidget* page)
{
    // Step buttons (every button whose colour changes as the work proceeds)
    // are drawn in the coloured-button look; the others keep the style's own
    // look.
    QPushButton* button = row.step ? new StepButton(text, page) : new QPushButton(text, page);
    if (row.step)
        setBackColour(button, *row.step);
    if (row.look & Look::Globe)
        setGlobeIcon(button);
    return button;
}

QWidget* makeLabel(const FormControl& row, const QString& text, QWidget* page)
{
    auto* label = new QLabel(text, page);
    label->setAlignment(((row.look & Look::LeftAligned) ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
    label->setWordWrap(row.look & Look::Wrapped);
    return label;
}

QWidget* makeCombo(const QString& text, QWidget* page)
{
    auto* combo = new QComboBox(page);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    // No inline completion: a typed value stays exactly as typed.
    combo->setCompleter(nullptr);
    combo->setEditText(text);
    return combo;
}

QWidget* makeWidget(const FormControl& row, const QString& text, QWidget* page)
{
    switch (row.kind) {
    case Kind::Button: return makeButton(row, text, page);
    case Kind::Text: return new QLineEdit(text, page);
    case Kind::Label: return makeLabel(row, text, page);
    case Kind::Combo: return makeCombo(text, page);
    case Kind::Option:
    case Kind::Check: {
        QAbstractButton* box = row.kind == Kind::Option ? static_cast<QAbstractButton*>(new QRadioButton(text, page))
                                                        : new QCheckBox(text, page);
        box->setChecked(row.look & Look::Checked);
        return box;
    }
    case Kind::Grid: return new FlexGrid(page);
    case Kind::Viewer: return new InfoView(page);
    }
    return nullptr;
}

// Makes the control of one row of the form on its tab's page.
QWidget* makeControl(const FormControl& row, QWidget* page)
{
    const QString text = QString::fromLatin1(row.text);
    QWidget* widget = makeWidget(row, text, page);
    widget->setObjectName(QLatin1String(row.name));
    widget->setGeometry(pixelRect(row.place));
    widget->setFont(controlFont(row.look & Look::Bold, row.kind == Kind::Viewer ? largePointSize : controlPointSize));
    widget->setEnabled(!(row.look & Look::Disabled));
    widget->setToolTip(QString::fromLatin1(row.toolTip));

    if (row.kind == Kind::Label && !(row.look & Look::Wrapped)) {
        fitCaption(widget, text);
    } else if (row.kind == Kind::Option || row.kind == Kind::Check) {
        const int indent = widget->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widget) +
                           widget->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, widget);
        fitCaption(widget, text, indent);
    }
    return widget;
}

} // namespace

QFont controlFont(bool bold, double pointSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Nimbus Sans"),
                      QStringLiteral("Helvetica"), QStringLiteral("FreeSans"), QStringLiteral("Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

void fitCaption(QWidget* widget, const QString& text, int indent)
{
    const int room = widget->width() - indent;
    const int needed = widget->fontMetrics().horizontalAdvance(text);
    if (needed <= room || room <= 0)
        return;
    QFont font = widget->font();
    font.setStretch(std::max(70, 100 * room / needed));
    widget->setFont(font);
}

QColor stepColourValue(StepColour colour)
{
    switch (colour) {
    case StepColour::Red: return QColor(255, 0, 0);
    case StepColour::LightGrey: return QColor(224, 224, 224);
    case StepColour::ButtonFace: return QApplication::palette().color(QPalette::Button);
    case StepColour::Light3D: return QApplication::palette().color(QPalette::Light);
    }
    return {};
}

void setBackColour(QPushButton* button, StepColour colour)
{
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, stepColourValue(colour));
    button->setPalette(palette);
}

QColor backColour(const QPushButton* button) { return button->palette().color(QPalette::Button); }

void appendComboEntries(QComboBox* combo, const QStringList& entries)
{
    // Appending to an empty editable combo selects the first entry and so
    // replaces the edit text; put the text back (and select its entry when
    // the list has it) without telling the change handlers.
    const QSignalBlocker block(combo);
    const QString text = combo->currentText();
    combo->addItems(entries);
    combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
    combo->setEditText(text);
}

QStringList listEntries(std::span<const std::string_view> names)
{
    QStringList entries;
    for (const std::string_view name : names)
        entries << QString::fromLatin1(name.data(), qsizetype(name.size()));
    return entries;
}

FormTab::FormTab(int tab, QWidget* page)
{
    for (const FormControl& row : formControls)
        if (row.tab == tab)
            controls_.insert(QLatin1String(row.name), makeControl(row, page));
}

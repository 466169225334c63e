#include "shell/kml_main.h"

#include "shell/desktop.h"
#include "shell/flex_grid.h"
#include "shell/info_view.h"
#include "shell/step_button.h"
#include "shell/tab_control.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTemporaryDir>

#include <algorithm>
#include <type_traits>

// The icons are compiled into the static shell library, whose resource
// initialiser the linker would otherwise drop.
static void initShellResources() { Q_INIT_RESOURCE(marovin); }

namespace {

using Kind = FormControl::Kind;
using Look = FormControl::Look;

// The captions were sized for a narrow sans-serif face; prefer the faces
// with those metrics where the desktop has them.
QFont controlFont(bool bold = false, double pointSize = controlPointSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Nimbus Sans"),
                      QStringLiteral("Helvetica"), QStringLiteral("FreeSans"), QStringLiteral("Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

// Where the desktop only has a wide face, a one-line caption may not fit its
// place: narrow that control's font just enough rather than clip the text.
void fitCaption(QWidget* widget, const QString& text, int indent = 0)
{
    const int room = widget->width() - indent;
    const int needed = widget->fontMetrics().horizontalAdvance(text);
    if (needed <= room || room <= 0)
        return;
    QFont font = widget->font();
    font.setStretch(std::max(70, 100 * room / needed));
    widget->setFont(font);
}

void setGlobeIcon(QPushButton* button)
{
    button->setIcon(QIcon(QStringLiteral(":/icons/globe.png")));
    button->setIconSize(QSize(34, 33));
}

// Makes the control of one row of the form on its tab's page.
QWidget* makeControl(const FormControl& row, QWidget* page)
{
    const QString text = QString::fromLatin1(row.text);
    QWidget* widget = nullptr;
    double pointSize = controlPointSize;
    switch (row.kind) {
    case Kind::Button: {
        // Step buttons (every button whose colour changes as the work
        // proceeds) are drawn in the coloured-button look; the others keep
        // the style's own look.
        QPushButton* button = row.step ? new StepButton(text, page) : new QPushButton(text, page);
        if (row.step)
            KML_Main::setBackColour(button, *row.step);
        if (row.look & Look::Globe)
            setGlobeIcon(button);
        widget = button;
        break;
    }
    case Kind::Text: widget = new QLineEdit(text, page); break;
    case Kind::Label: {
        auto* label = new QLabel(text, page);
        label->setAlignment(((row.look & Look::LeftAligned) ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
        label->setWordWrap(row.look & Look::Wrapped);
        widget = label;
        break;
    }
    case Kind::Combo: {
        auto* combo = new QComboBox(page);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        // No inline completion: a typed value stays exactly as typed.
        combo->setCompleter(nullptr);
        combo->setEditText(text);
        widget = combo;
        break;
    }
    case Kind::Option:
    case Kind::Check: {
        QAbstractButton* box = row.kind == Kind::Option ? static_cast<QAbstractButton*>(new QRadioButton(text, page))
                                                        : new QCheckBox(text, page);
        box->setChecked(row.look & Look::Checked);
        widget = box;
        break;
    }
    case Kind::Grid: widget = new FlexGrid(page); break;
    case Kind::Viewer:
        widget = new InfoView(page);
        pointSize = largePointSize;
        break;
    }
    widget->setObjectName(QLatin1String(row.name));
    widget->setGeometry(pixelRect(row.place));
    widget->setFont(controlFont(row.look & Look::Bold, pointSize));
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

void KML_Main::setBackColour(QPushButton* button, StepColour colour)
{
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, stepColourValue(colour));
    button->setPalette(palette);
}

QColor KML_Main::backColour(const QPushButton* button) { return button->palette().color(QPalette::Button); }

KML_Main::KML_Main(Desktop& desktop, QString programDir, UserFolders user, QWidget* parent)
    : QWidget(parent), desktop_(desktop), program_(std::move(programDir)), user_(std::move(user))
{
    initShellResources();
    setWindowTitle(QStringLiteral("Marovin Version 1.3"));
    setFixedSize(twipsToPixels(formWidth), twipsToPixels(formHeight));

    SSTab1 = new TabControl(this);
    SSTab1->tabBar()->setFont(controlFont(false, largePointSize));
    SSTab1->setGeometry(pixelRect(tabControlPlace));
    for (const char* caption : tabCaptions)
        SSTab1->addTab(QString::fromLatin1(caption));
    SSTab1->setCurrentIndex(0);

    QHash<QString, QWidget*> controls;
    for (const FormControl& row : formControls)
        controls.insert(QLatin1String(row.name), makeControl(row, SSTab1->page(row.tab)));
    // Each control member takes the control of its form name.
    const auto take = [&controls](auto*& member, const char* name) {
        member = dynamic_cast<std::remove_reference_t<decltype(*member)>*>(controls.value(QLatin1String(name)));
    };
#define MAROVIN_TAKE(control) take(control, #control)
    MAROVIN_TAKE(Command1);
    MAROVIN_TAKE(Command2);
    MAROVIN_TAKE(Command3);
    MAROVIN_TAKE(Command4);
    MAROVIN_TAKE(Command6);
    MAROVIN_TAKE(Command7);
    MAROVIN_TAKE(Command8);
    MAROVIN_TAKE(Command9);
    MAROVIN_TAKE(Command10);
    MAROVIN_TAKE(Command11);
    MAROVIN_TAKE(Combo1);
    MAROVIN_TAKE(Combo2);
    MAROVIN_TAKE(Combo3);
    MAROVIN_TAKE(Combo4);
    MAROVIN_TAKE(Combo5);
    MAROVIN_TAKE(Combo6);
    MAROVIN_TAKE(Combo7);
    MAROVIN_TAKE(Combo8);
    MAROVIN_TAKE(Text1);
    MAROVIN_TAKE(Text2);
    MAROVIN_TAKE(Text3);
    MAROVIN_TAKE(Text4);
    MAROVIN_TAKE(Text5);
    MAROVIN_TAKE(Text6);
    MAROVIN_TAKE(Text7);
    MAROVIN_TAKE(Text8);
    MAROVIN_TAKE(Label1);
    MAROVIN_TAKE(Label2);
    MAROVIN_TAKE(Label3);
    MAROVIN_TAKE(Label4);
    MAROVIN_TAKE(Label5);
    MAROVIN_TAKE(Label6);
    MAROVIN_TAKE(Label7);
    MAROVIN_TAKE(Label8);
    MAROVIN_TAKE(Label9);
    MAROVIN_TAKE(Label10);
    MAROVIN_TAKE(Label11);
    MAROVIN_TAKE(Label12);
    MAROVIN_TAKE(Label13);
    MAROVIN_TAKE(Label14);
    MAROVIN_TAKE(Label15);
    MAROVIN_TAKE(Option1);
    MAROVIN_TAKE(Option2);
    MAROVIN_TAKE(Check1);
    MAROVIN_TAKE(VSFlexGrid1);
    MAROVIN_TAKE(RichTextBox1);
#undef MAROVIN_TAKE

    connectHandlers();
}

KML_Main::~KML_Main() = default;

void KML_Main::showPointTable()
{
    // The grid keeps no texts of its own (a source drops them all before
    // the size changes): a run that replaces Point_Table shows it again
    // after.
    VSFlexGrid1->setCellSource([this](int row, int column) { return marovin::grid_text(Point_Table, row, column); });
    VSFlexGrid1->setCols(3);
    VSFlexGrid1->setRows(Nb_Points() + 1);
}

void KML_Main::showSeismicLine(const QString& text)
{
    Label15->setFont(controlFont());
    Label15->setText(text);
    Label15->setToolTip(text);
    fitCaption(Label15, text);
    QFont font = Label15->font();
    while (Label15->fontMetrics().horizontalAdvance(text) > Label15->width() && font.pointSizeF() > 6.5) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
        Label15->setFont(font);
    }
}

void KML_Main::connectHandlers()
{
    connect(SSTab1, &TabControl::tabChanged, this, &KML_Main::SSTab1_Click);
    connect(Combo2, &QComboBox::editTextChanged, this, [this] { Combo2_Change(); });
    connect(Command1, &QPushButton::clicked, this, &KML_Main::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &KML_Main::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &KML_Main::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &KML_Main::Command4_Click);
    connect(Command6, &QPushButton::clicked, this, &KML_Main::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &KML_Main::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &KML_Main::Command8_Click);
    connect(Command9, &QPushButton::clicked, this, &KML_Main::Command9_Click);
    connect(Command10, &QPushButton::clicked, this, &KML_Main::Command10_Click);
    connect(Command11, &QPushButton::clicked, this, &KML_Main::Command11_Click);
}

void KML_Main::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

std::optional<QString> KML_Main::showDialog(FileDialog dialog)
{
    const Desktop::FileRequest request{CmDialog1.DialogTitle, CmDialog1.Filter, CmDialog1.InitDir, CmDialog1.FileName};
    std::optional<QString> chosen =
        dialog == FileDialog::Open ? desktop_.openFileName(this, request) : desktop_.saveFileName(this, request);
    if (chosen)
        CmDialog1.FileName = *chosen;
    return chosen;
}

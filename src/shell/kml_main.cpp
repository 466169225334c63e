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
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTemporaryDir>

#include <algorithm>

// The icons are compiled into the static shell library, whose resource
// initialiser the linker would otherwise drop.
static void initShellResources() { Q_INIT_RESOURCE(marovin); }

namespace {

// The layout is given in twips; at 96 dots per inch 15 twips make a pixel.
int px(int twips) { return (twips + 7) / 15; }

void place(QWidget* widget, int left, int top, int width, int height)
{
    widget->setGeometry(px(left), px(top), px(width), px(height));
}

// The captions were sized for a narrow sans-serif face; prefer the faces
// with those metrics where the desktop has them.
QFont controlFont(bool bold = false)
{
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Nimbus Sans"),
                      QStringLiteral("Helvetica"), QStringLiteral("FreeSans"), QStringLiteral("Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    font.setBold(bold);
    return font;
}

enum class Look { Standard, Coloured };

// Step buttons (every button whose colour changes as the work proceeds) are
// drawn in the coloured-button look; the others keep the style's own look.
QPushButton* makeButton(QWidget* page, const QString& caption, int l, int t, int w, int h, bool enabled,
                        Look look, bool bold = false)
{
    QPushButton* button =
        look == Look::Coloured ? new StepButton(caption, page) : new QPushButton(caption, page);
    place(button, l, t, w, h);
    button->setFont(controlFont(bold));
    button->setEnabled(enabled);
    return button;
}

QLineEdit* makeText(QWidget* page, const QString& text, int l, int t, int w, int h)
{
    auto* edit = new QLineEdit(text, page);
    place(edit, l, t, w, h);
    edit->setFont(controlFont());
    return edit;
}

// Captions stand right-aligned beside their field; other texts read from the
// left.
QLabel* makeLabel(QWidget* page, const QString& caption, int l, int t, int w, int h,
                  Qt::Alignment alignment = Qt::AlignRight | Qt::AlignVCenter)
{
    auto* label = new QLabel(caption, page);
    place(label, l, t, w, h);
    label->setFont(controlFont());
    label->setAlignment(alignment);
    return label;
}

QComboBox* makeCombo(QWidget* page, const QString& text, int l, int t, int w, int h)
{
    auto* combo = new QComboBox(page);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    // No inline completion: a typed value stays exactly as typed.
    combo->setCompleter(nullptr);
    combo->setEditText(text);
    place(combo, l, t, w, h);
    combo->setFont(controlFont());
    return combo;
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
    setFixedSize(px(6450), px(6030));

    SSTab1 = new TabControl(this);
    QFont tabFont = controlFont();
    tabFont.setPointSizeF(9.75);
    SSTab1->tabBar()->setFont(tabFont);
    place(SSTab1, 120, 120, 6255, 5775);
    buildTab0(SSTab1->addTab(QStringLiteral("XY File input")));
    buildTab1(SSTab1->addTab(QStringLiteral("Data File")));
    buildTab2(SSTab1->addTab(QStringLiteral("Information")));
    buildTab3(SSTab1->addTab(QStringLiteral("XY from SEGY/SU Header")));
    SSTab1->setCurrentIndex(0);

    for (QLabel* label : {Label1, Label2, Label3, Label4, Label5, Label6, Label8, Label9, Label10, Label11, Label12,
                          Label13, Label14})
        fitCaption(label, label->text());
    for (QAbstractButton* box : std::initializer_list<QAbstractButton*>{Option1, Option2, Check1}) {
        const int indent = box->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box) +
                           box->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, box);
        fitCaption(box, box->text(), indent);
    }

    connectHandlers();
}

KML_Main::~KML_Main() = default;

void KML_Main::buildTab0(QWidget* p)
{
    Command1 = makeButton(p, QStringLiteral("XY Text  File selection"), 480, 600, 2055, 375, true, Look::Coloured);
    Text1 = makeText(p, {}, 2760, 600, 3255, 375);
    Label2 = makeLabel(p, QStringLiteral("File type"), 1320, 1080, 1215, 255);
    Combo1 = makeCombo(p, QStringLiteral("X,Y,Z"), 2760, 1080, 3255, 315);
    Label1 = makeLabel(p, QStringLiteral("Geographical type"), 960, 1560, 1575, 255);
    Combo2 = makeCombo(p, QStringLiteral("UTM32"), 2760, 1560, 3255, 315);
    Command2 = makeButton(p, QStringLiteral("KML File name"), 240, 2040, 2295, 375, false, Look::Standard);
    Text2 = makeText(p, {}, 2760, 2040, 3255, 375);
    Label3 = makeLabel(p, QStringLiteral("Point label"), 1440, 2640, 1095, 255);
    Label3->setToolTip(QStringLiteral("Legend of points displayed on Map"));
    Combo3 = makeCombo(p, QStringLiteral("Station"), 2760, 2640, 3255, 315);
    Command6 = makeButton(p, QStringLiteral("HELP"), 240, 2760, 855, 615, true, Look::Standard);
    Label4 = makeLabel(p, QStringLiteral("Line label"), 1200, 3120, 1335, 360);
    Text3 = makeText(p, QStringLiteral("Seismic line 1"), 2760, 3120, 3255, 405);
    Text3->setToolTip(QStringLiteral("Label of points with number"));
    Label5 = makeLabel(p, QStringLiteral("Label frequency"), 360, 3720, 1575, 375);
    Combo4 = makeCombo(p, QStringLiteral("5"), 2760, 3720, 3255, 315);
    Command9 = makeButton(p, QStringLiteral("Conversion"), 240, 4560, 1575, 855, false, Look::Coloured, true);
    Command10 = makeButton(p, QStringLiteral("Write KML file"), 1920, 4560, 1575, 855, false, Look::Coloured, true);
    Command11 = makeButton(p, QStringLiteral("Display GOOGLE EARTH"), 3600, 4560, 2415, 855, false, Look::Coloured,
                           true);
    setGlobeIcon(Command11);

    setBackColour(Command1, StepColour::Red);
    setBackColour(Command9, StepColour::ButtonFace);
    setBackColour(Command10, StepColour::ButtonFace);
    setBackColour(Command11, StepColour::ButtonFace);
}

void KML_Main::buildTab1(QWidget* p)
{
    VSFlexGrid1 = new FlexGrid(p);
    place(VSFlexGrid1, 480, 480, 4815, 4695);
    VSFlexGrid1->setFont(controlFont());
}

void KML_Main::showPointTable()
{
    // The grid keeps no texts of its own (a source drops them all before
    // the size changes): a run that replaces Point_Table shows it again
    // after.
    VSFlexGrid1->setCellSource(
        [this](int row, int column) { return marovin::grid_text(Point_Table, row, column); });
    VSFlexGrid1->setCols(3);
    VSFlexGrid1->setRows(Nb_Points() + 1);
}

void KML_Main::buildTab2(QWidget* p)
{
    RichTextBox1 = new InfoView(p);
    place(RichTextBox1, 240, 480, 5775, 4095);
    QFont font = controlFont();
    font.setPointSizeF(9.75);
    RichTextBox1->setFont(font);
}

void KML_Main::buildTab3(QWidget* p)
{
    Command7 = makeButton(p, QStringLiteral("SEGY or SU file"), 360, 600, 1815, 375, true, Look::Coloured);
    Text4 = makeText(p, {}, 2400, 600, 3015, 375);
    Label14 = makeLabel(p, QStringLiteral("KML output file"), 480, 1080, 1575, 375);
    Text8 = makeText(p, {}, 2400, 1080, 3015, 375);
    Text8->setToolTip(QStringLiteral("KML file name"));
    Label6 = makeLabel(p, QStringLiteral("Header word for XY"), 480, 1560, 1815, 375);
    Combo5 = makeCombo(p, QStringLiteral("X,Y receiver coordinate"), 2400, 1560, 3015, 315);
    Label8 = makeLabel(p, QStringLiteral("Scalar for coordinates"), 480, 2040, 1695, 255);
    Option1 = new QRadioButton(QStringLiteral("Decimal"), p);
    place(Option1, 2400, 2040, 975, 255);
    Option1->setFont(controlFont());
    Option1->setChecked(true);
    Option2 = new QRadioButton(QStringLiteral("Log"), p);
    place(Option2, 3480, 2040, 735, 255);
    Option2->setFont(controlFont());
    Text7 = makeText(p, QStringLiteral("1"), 4560, 2040, 855, 285);
    Text7->setToolTip(QStringLiteral("Scale"));
    Check1 = new QCheckBox(QStringLiteral("Swap bytes"), p);
    place(Check1, 2400, 2400, 1215, 255);
    Check1->setFont(controlFont());
    Check1->setChecked(true);
    Label12 = makeLabel(p, QStringLiteral("Trace number"), 3960, 2400, 1575, 255, Qt::AlignLeft | Qt::AlignVCenter);
    Label9 = makeLabel(p, QStringLiteral("Nb of samples/trace "), 600, 2760, 1695, 330);
    Text5 = makeText(p, QStringLiteral("1000"), 2400, 2760, 1215, 375);
    Text6 = makeText(p, QStringLiteral("Trace number"), 3840, 2760, 1575, 375);
    Text6->setEnabled(false);
    Label11 = makeLabel(p, QStringLiteral("Point label"), 720, 3240, 1455, 255);
    Combo7 = makeCombo(p, QStringLiteral("CDP"), 2400, 3240, 3015, 315);
    Label7 = makeLabel(p, QStringLiteral("Geodesic system  in seismic file header"), 360, 3600, 1695, 375);
    Label7->setWordWrap(true);
    Combo6 = makeCombo(p, QStringLiteral("UTM32"), 2400, 3720, 3015, 315);
    Label13 = makeLabel(p, QStringLiteral("Label frequency"), 360, 4200, 1575, 375);
    Combo8 = makeCombo(p, QStringLiteral("5"), 2400, 4200, 735, 315);
    Label10 = makeLabel(p, QStringLiteral("Conversion using Dravolen DLL"), 3240, 4200, 2655, 375,
                        Qt::AlignLeft | Qt::AlignVCenter);
    Command8 = makeButton(p, QStringLiteral("Extract XY and convert to Deg Dec"), 240, 4680, 1695, 855, false,
                          Look::Coloured);
    Command3 = makeButton(p, QStringLiteral("Write KML file"), 2160, 4680, 1575, 855, false, Look::Coloured, true);
    Command4 = makeButton(p, QStringLiteral("GOOGLE EARTH"), 3960, 4680, 2055, 855, false, Look::Coloured, true);
    setGlobeIcon(Command4);
    // Below the buttons, across the tab: the one free row of tab 3.
    Label15 = makeLabel(p, {}, 240, 5550, 5775, 195, Qt::AlignLeft | Qt::AlignVCenter);

    setBackColour(Command7, StepColour::Red);
    setBackColour(Command8, StepColour::Light3D);
    setBackColour(Command3, StepColour::Light3D);
    setBackColour(Command4, StepColour::Light3D);
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
    const Desktop::FileRequest request{CmDialog1.DialogTitle, CmDialog1.Filter, CmDialog1.InitDir,
                                       CmDialog1.FileName};
    std::optional<QString> chosen = dialog == FileDialog::Open ? desktop_.openFileName(this, request)
                                                               : desktop_.saveFileName(this, request);
    if (chosen)
        CmDialog1.FileName = *chosen;
    return chosen;
}

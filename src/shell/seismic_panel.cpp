#include "shell/seismic_panel.h"

#include "base/known_systems.h"
#include "conversion/seismic_choices.h"
#include "shell/form_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <string_view>

namespace {

// The captions of a table of choices, in its order.
template <class Choice, std::size_t N>
QStringList captions(const Choice (&choices)[N])
{
    QStringList shown;
    for (const Choice& choice : choices)
        shown << QString::fromLatin1(choice.caption.data(), qsizetype(choice.caption.size()));
    return shown;
}

} // namespace

SeismicPanel::SeismicPanel(QWidget* page)
{
    const FormTab tab(3, page);
    Command7 = tab.take<QPushButton>("Command7");
    Command8 = tab.take<QPushButton>("Command8");
    Command3 = tab.take<QPushButton>("Command3");
    Command4 = tab.take<QPushButton>("Command4");
    Text4 = tab.take<QLineEdit>("Text4");
    Text5 = tab.take<QLineEdit>("Text5");
    Text6 = tab.take<QLineEdit>("Text6");
    Text7 = tab.take<QLineEdit>("Text7");
    Text8 = tab.take<QLineEdit>("Text8");
    Combo5 = tab.take<QComboBox>("Combo5");
    Combo6 = tab.take<QComboBox>("Combo6");
    Combo7 = tab.take<QComboBox>("Combo7");
    Combo8 = tab.take<QComboBox>("Combo8");
    Option1 = tab.take<QRadioButton>("Option1");
    Option2 = tab.take<QRadioButton>("Option2");
    Check1 = tab.take<QCheckBox>("Check1");
    Label15 = tab.take<QLabel>("Label15");
}

void SeismicPanel::connect(QObject* context, const Handlers& h)
{
    QObject::connect(Command7, &QPushButton::clicked, context, h.Command7_Click);
    QObject::connect(Command8, &QPushButton::clicked, context, h.Command8_Click);
    QObject::connect(Command3, &QPushButton::clicked, context, h.Command3_Click);
    QObject::connect(Command4, &QPushButton::clicked, context, h.Command4_Click);
}

void SeismicPanel::fillLists()
{
    appendComboEntries(Combo7, captions(marovin::kLabelChoices));
    appendComboEntries(Combo8, {"1", "2", "5", "10", "25"});
    appendComboEntries(Combo5, captions(marovin::kPairChoices));
    appendComboEntries(Combo6, listEntries(marovin::kSeismicRoadSystems));
}

QString SeismicPanel::seismicPath() const { return Text4->text(); }
void SeismicPanel::setSeismicPath(const QString& path) { Text4->setText(path); }

SeismicChoices SeismicPanel::choices() const
{
    return {Combo5->currentText(), Combo7->currentText(), Combo6->currentText(), Text7->text()};
}

QString SeismicPanel::scalar() const { return Text7->text(); }

void SeismicPanel::showHeader(const HeaderShown& header)
{
    Text8->setText(header.kmlName);
    Check1->setChecked(header.bigEndian);
    if (header.segy) {
        Option1->setChecked(true);
        Option2->setChecked(false);
    }
    if (header.scalar)
        Text7->setText(*header.scalar);
    Text5->setText(header.samples);
    Text6->setText(header.traces);
    if (header.system)
        Combo6->setEditText(*header.system);
}

void SeismicPanel::showLine(const QString& text)
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

void SeismicPanel::armExtraction()
{
    Command8->setEnabled(true);
    setBackColour(Command8, StepColour::Red);
}

void SeismicPanel::disarmExtraction()
{
    Command8->setEnabled(false);
    setBackColour(Command8, StepColour::Light3D);
}

void SeismicPanel::extracted()
{
    Command3->setEnabled(true);
    setBackColour(Command8, StepColour::LightGrey);
    setBackColour(Command3, StepColour::Red);
}

void SeismicPanel::textRoadConverted() { setBackColour(Command8, StepColour::LightGrey); }

QString SeismicPanel::kmlPath() const { return Text8->text(); }
void SeismicPanel::setKmlPath(const QString& path) { Text8->setText(path); }
QString SeismicPanel::labelFrequency() const { return Combo8->currentText(); }
void SeismicPanel::writing()
{
    beforeWriting_ = Command3->palette();
    setBackColour(Command3, StepColour::LightGrey);
}

void SeismicPanel::writeCancelled() { Command3->setPalette(beforeWriting_); }
void SeismicPanel::writeFailed() { setBackColour(Command3, StepColour::Red); }

void SeismicPanel::written()
{
    Command4->setEnabled(true);
    setBackColour(Command3, StepColour::ButtonFace);
    setBackColour(Command4, StepColour::Red);
}

void SeismicPanel::viewerOpened() { setBackColour(Command4, StepColour::ButtonFace); }

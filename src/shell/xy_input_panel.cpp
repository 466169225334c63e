#include "shell/xy_input_panel.h"

#include "base/known_systems.h"
#include "shell/form_controls.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <string_view>

XyInputPanel::XyInputPanel(QWidget* page)
{
    const FormTab tab(0, page);
    Command1 = tab.take<QPushButton>("Command1");
    Command2 = tab.take<QPushButton>("Command2");
    Command6 = tab.take<QPushButton>("Command6");
    Command9 = tab.take<QPushButton>("Command9");
    Command10 = tab.take<QPushButton>("Command10");
    Command11 = tab.take<QPushButton>("Command11");
    Text1 = tab.take<QLineEdit>("Text1");
    Text2 = tab.take<QLineEdit>("Text2");
    Text3 = tab.take<QLineEdit>("Text3");
    Combo1 = tab.take<QComboBox>("Combo1");
    Combo2 = tab.take<QComboBox>("Combo2");
    Combo3 = tab.take<QComboBox>("Combo3");
    Combo4 = tab.take<QComboBox>("Combo4");
}

void XyInputPanel::connect(QObject* context, const Handlers& h)
{
    QObject::connect(Command1, &QPushButton::clicked, context, h.Command1_Click);
    QObject::connect(Command2, &QPushButton::clicked, context, h.Command2_Click);
    QObject::connect(Command6, &QPushButton::clicked, context, h.Command6_Click);
    QObject::connect(Command9, &QPushButton::clicked, context, h.Command9_Click);
    QObject::connect(Command10, &QPushButton::clicked, context, h.Command10_Click);
    QObject::connect(Command11, &QPushButton::clicked, context, h.Command11_Click);
    QObject::connect(Combo2, &QComboBox::editTextChanged, context, h.Combo2_Change);
}

void XyInputPanel::fillLists()
{
    appendComboEntries(Combo1, {"Number,X,Y,Z", "Number,X,Y", "X,Y,Z", "X,Y", "SPS"});
    appendComboEntries(Combo2, listEntries(marovin::kTextRoadSystems));
    appendComboEntries(Combo3, {"Station", "CDP", "CMP", "Geophone", "Shot Point", ""});
    appendComboEntries(Combo4, {"1", "2", "5", "10", "25"});
}

QString XyInputPanel::xyPath() const { return Text1->text(); }
void XyInputPanel::setXyPath(const QString& path) { Text1->setText(path); }
QString XyInputPanel::layoutName() const { return Combo1->currentText(); }
void XyInputPanel::setLayoutName(const QString& name) { Combo1->setEditText(name); }
QString XyInputPanel::system() const { return Combo2->currentText(); }
void XyInputPanel::setSystem(const QString& system) { Combo2->setEditText(system); }
PlacemarkWords XyInputPanel::placemarkWords() const { return {Combo3->currentText(), Text3->text()}; }
void XyInputPanel::setLabelKind(const QString& kind) { Combo3->setEditText(kind); }

void XyInputPanel::xyFileTaken()
{
    Command2->setEnabled(true);
    setBackColour(Command1, StepColour::ButtonFace);
    Command9->setEnabled(true);
    setBackColour(Command9, StepColour::Red);
}

void XyInputPanel::seismicFileRead() { setBackColour(Command1, StepColour::LightGrey); }

void XyInputPanel::converted()
{
    setBackColour(Command1, StepColour::LightGrey);
    Command2->setEnabled(true);
    Command9->setEnabled(true);
    setBackColour(Command9, StepColour::LightGrey);
    Command10->setEnabled(true);
    setBackColour(Command10, StepColour::Red);
}

QString XyInputPanel::kmlPath() const { return Text2->text(); }
void XyInputPanel::setKmlPath(const QString& path) { Text2->setText(path); }
QString XyInputPanel::labelFrequency() const { return Combo4->currentText(); }
void XyInputPanel::writing()
{
    beforeWriting_ = Command10->palette();
    setBackColour(Command10, StepColour::LightGrey);
}

void XyInputPanel::writeCancelled() { Command10->setPalette(beforeWriting_); }
void XyInputPanel::writeFailed() { setBackColour(Command10, StepColour::Red); }

void XyInputPanel::written()
{
    setBackColour(Command10, StepColour::ButtonFace);
    Command10->setEnabled(true);
    Command11->setEnabled(true);
    setBackColour(Command11, StepColour::Red);
}

void XyInputPanel::viewerOpened()
{
    setBackColour(Command10, StepColour::ButtonFace);
    setBackColour(Command11, StepColour::ButtonFace);
}

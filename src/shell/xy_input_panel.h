#pragma once
// Tab 0, "XY File input": the text road's controls, and the label prefix
// and description that the KML names take on both roads.

#include "shell/writer_tab.h"

#include <QPalette>
#include <QString>

#include <functional>

class QComboBox;
class QLineEdit;
class QObject;
class QPushButton;
class QWidget;

// The words of every labelled placemark: "<name>CDP 2050</name>" and its
// description.
struct PlacemarkWords {
    QString prefix;      // Combo3
    QString description; // Text3
};

class XyInputPanel final : public WriterTab {
public:
    // Makes the tab's controls on its page.
    explicit XyInputPanel(QWidget* page);

    struct Handlers {
        std::function<void()> Command1_Click, Command2_Click, Command6_Click, Command9_Click, Command10_Click,
            Command11_Click, Combo2_Change;
    };
    void connect(QObject* context, const Handlers& handlers);

    // Fills the lists of File type, Geographical type, Point label and Label
    // frequency, keeping the texts the boxes show.
    void fillLists();

    QString xyPath() const; // Text1
    void setXyPath(const QString& path);
    QString layoutName() const; // Combo1
    void setLayoutName(const QString& name);
    QString system() const; // Combo2
    void setSystem(const QString& system);
    PlacemarkWords placemarkWords() const;
    // The seismic road names the points by the word it numbered them with.
    void setLabelKind(const QString& kind);

    // An XY file was taken: naming its KML file and converting it are the
    // next steps.
    void xyFileTaken();
    // The seismic road took over from the text road's first step.
    void seismicFileRead();
    // The text road's points were converted: writing them is the next step.
    void converted();

    QString kmlPath() const override; // Text2
    void setKmlPath(const QString& path) override;
    QString labelFrequency() const override; // Combo4
    void writing() override;
    void writeFailed() override;
    void writeCancelled() override;
    void written() override;
    void viewerOpened() override;

private:
    QPalette beforeWriting_; // the writer button's colours before a run
    QPushButton *Command1, *Command2, *Command6, *Command9, *Command10, *Command11;
    QLineEdit *Text1, *Text2, *Text3;
    QComboBox *Combo1, *Combo2, *Combo3, *Combo4;
};

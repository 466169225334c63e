#pragma once
// Tab 3, "XY from SEGY/SU Header": the seismic road's controls, the headers
// of the file read last, and the line under the buttons that says what was
// found there.

#include "shell/writer_tab.h"

#include <QPalette>
#include <QString>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QObject;
class QPushButton;
class QRadioButton;
class QWidget;

// What the extraction reads of each trace, as the boxes say it.
struct SeismicChoices {
    QString pair;   // Combo5, "X,Y receiver coordinate" or "X,Y at bytes 201,205"
    QString label;  // Combo7, "CDP" or "Word at byte 5"
    QString system; // Combo6
    QString scalar; // Text7
};

// What a header read shows on the tab.
struct HeaderShown {
    QString kmlName;
    bool bigEndian = true; // "Swap bytes"
    bool segy = true;      // SEG-Y selects "Decimal"; SU leaves the options as they are
    std::optional<QString> scalar;
    QString samples;
    QString traces;
    std::optional<QString> system; // the system the file names, when it names one
};

class SeismicPanel final : public WriterTab {
public:
    // Makes the tab's controls on its page.
    explicit SeismicPanel(QWidget* page);

    struct Handlers {
        std::function<void()> Command7_Click, Command8_Click, Command3_Click, Command4_Click;
    };
    void connect(QObject* context, const Handlers& handlers);

    // Fills the lists of Point label, Label frequency, Header word for XY and
    // the geodesic system, keeping the texts the boxes show.
    void fillLists();

    QString seismicPath() const; // Text4
    void setSeismicPath(const QString& path);
    SeismicChoices choices() const;
    // The coordinate scalar, which the text road divides by as well.
    QString scalar() const;

    void showHeader(const HeaderShown& header);
    // Puts `text` on the line under the buttons, in a font narrowed or made
    // smaller until it fits the line's width.
    void showLine(const QString& text);

    // The extraction is the next step, or waits for a file whose headers
    // can be read.
    void armExtraction();
    void disarmExtraction();
    // The points were extracted and converted: writing them is the next step.
    void extracted();
    // The text road converted its points.
    void textRoadConverted();

    QString kmlPath() const override; // Text8
    void setKmlPath(const QString& path) override;
    QString labelFrequency() const override; // Combo8
    void writing() override;
    void writeFailed() override;
    void writeCancelled() override;
    void written() override;
    void viewerOpened() override;

private:
    QPalette beforeWriting_; // the writer button's colours before a run
    QPushButton *Command7, *Command8, *Command3, *Command4;
    QLineEdit *Text4, *Text5, *Text6, *Text7, *Text8;
    QComboBox *Combo5, *Combo6, *Combo7, *Combo8;
    QRadioButton *Option1, *Option2;
    QCheckBox* Check1;
    QLabel* Label15;
};

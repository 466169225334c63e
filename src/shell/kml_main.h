#pragma once
// KML_Main: the program's only window. Controls keep their form names
// (Command8, Text7, ...) and are public so that tests can read and drive
// them. Each handler reads its controls, calls the library, and writes its
// controls back; every modal or outside interaction goes through Desktop.

#include "conversion/point_table.h"
#include "conversion/text_file_system.h"
#include "readers/seismic_header.h"
#include "readers/xy_text.h"
#include "base/result.h"
#include "shell/form_layout.h"
#include "shell/program_folder.h"

#include <QColor>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace marovin {
struct Degrees;
struct ExchangeError;
struct RoadPoints;
} // namespace marovin

class Desktop;
class FlexGrid;
class InfoView;
class TabControl;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTemporaryDir;

// The colour a button shows for a step colour (see form_layout.h).
QColor stepColourValue(StepColour colour);

// Appends entries to a combo list and keeps the text the box shows (an
// editable combo would otherwise take the first entry as its text).
void appendComboEntries(QComboBox* combo, const QStringList& entries);

// The title of the window's message boxes.
inline const QString kTitle = QStringLiteral("Marovin");

// The settings of the common file dialog, kept between uses like the
// original control's properties.
struct CommonDialog {
    QString InitDir;
    QString DialogTitle;
    QString Filter;   // "Topo File |*.XYZ|All files|*.*|"
    QString FileName; // preset name before showing; chosen path after
    bool CancelError = false;
};

class KML_Main : public QWidget {
    Q_OBJECT
public:
    // `programDir` is the folder of the executable, from which the manual,
    // the converter and the sample line are found (see ProgramFolder);
    // `user` the user's own folders. Tests pass their own.
    KML_Main(Desktop& desktop, QString programDir, UserFolders user, QWidget* parent = nullptr);
    ~KML_Main() override;

    // Handlers, named by control and event.
    void Form_Load();
    void Form_Unload();
    void SSTab1_Click(int previousTab);
    void Combo2_Change();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void Command10_Click();
    void Command11_Click();

    // Shared methods. lecture_SU reports why it stopped, for Command7_Click;
    // start-up ignores the failure.
    //
    // Transform_System and Combo2_Change write nothing: a job file is open
    // only inside a conversion run, never while the user can edit Combo2,
    // and each run writes its own header block naming the system.
    void Transform_System();
    marovin::Status lecture_SU();

    // Step colours of the buttons.
    static void setBackColour(QPushButton* button, StepColour colour);
    static QColor backColour(const QPushButton* button);

    // Converter exchange shared by both conversion runs: removes any earlier
    // result, runs the program's converter on the job file with the busy
    // pointer shown, and shows "Conversion done !" only when it ended with
    // success and wrote its result. Otherwise it tells the user what went
    // wrong and returns false.
    // Public so that tests can run the exchange on its own.
    bool launchConverter();

    // The window's own folder for the converter's job and result files,
    // made under the user's job folder at the first conversion and removed
    // with the window, so that two windows never share a job. False, after
    // telling the user why, when it cannot be made.
    bool makeJobFolder();
    // A file of that folder: jobFile("File.cvd"); empty before it is made.
    QString jobFile(const QString& name) const;

    // Files that come with the program: programFile("Manual/KML_Help.rtf").
    QString programDir() const { return program_.dir(); }
    QString programFile(const QString& relativePath) const { return program_.file(relativePath); }
    QString converterPath() const { return program_.converter(); }
    // A file of the sample line, in a folder where a KML file can be written
    // beside it: the program's own copy when it sits writable beside the
    // executable (a build tree), else the user's copy, made on first use.
    QString sampleFile(const QString& name) const;
    QString iniPath() const { return user_.iniPath; }
    Desktop& desktop() { return desktop_; }

    // Controls, by form name.
    TabControl* SSTab1 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr, *Command4 = nullptr, *Command6 = nullptr,
                *Command7 = nullptr, *Command8 = nullptr, *Command9 = nullptr, *Command10 = nullptr,
                *Command11 = nullptr;
    QComboBox *Combo1 = nullptr, *Combo2 = nullptr, *Combo3 = nullptr, *Combo4 = nullptr, *Combo5 = nullptr,
              *Combo6 = nullptr, *Combo7 = nullptr, *Combo8 = nullptr;
    QLineEdit *Text1 = nullptr, *Text2 = nullptr, *Text3 = nullptr, *Text4 = nullptr, *Text5 = nullptr,
              *Text6 = nullptr, *Text7 = nullptr, *Text8 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr,
           *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr, *Label9 = nullptr, *Label10 = nullptr,
           *Label11 = nullptr, *Label12 = nullptr, *Label13 = nullptr, *Label14 = nullptr;
    // Tab 3's line under the buttons: what the last header read found, or
    // why the file could not be read.
    QLabel* Label15 = nullptr;
    QRadioButton *Option1 = nullptr, *Option2 = nullptr;
    QCheckBox* Check1 = nullptr;
    FlexGrid* VSFlexGrid1 = nullptr;
    InfoView* RichTextBox1 = nullptr;
    CommonDialog CmDialog1;

    // Module-level state.
    QString Input_Mode;              // "SEGY" or "TEXT_XY", set once by Form_Load
    marovin::PointTable Point_Table; // the points of the last conversion run
    std::int32_t Nb_Points() const { return Point_Table.size(); }
    // The seismic header state: the file whose headers lecture_SU read last,
    // held open with its layout (samples, scalar, first trace, count), so
    // that the extraction reads the file the tab shows; none before a read
    // has succeeded.
    std::shared_ptr<const marovin::SeismicFile> Header;
    // The text of Text4 that Header (and what tab 3 shows) was read from;
    // empty before a read has succeeded. Extraction runs only on that file.
    QString Header_File;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Puts `text` on tab 3's line, in a font narrowed or made smaller until
    // it fits the line's width.
    void showSeismicLine(const QString& text);
    // Tab 3's line as the last header read left it: what it found.
    QString headerLine_;
    void connectHandlers();
    // Makes the grid show Point_Table under its heading row, each text made
    // when the grid shows it.
    void showPointTable();
    // Shows an XY file's normalised text on the "Information" tab, under
    // what the file says of itself, and keeps it as the text Command9
    // converts. Gives the system the file names.
    marovin::TextFileSystem showXyText(const QString& path, const marovin::XyText& text);
    // Whether `text` of the file in `path` is what the tab was given last.
    bool isXyTextShown(const QString& path, const marovin::XyText& text) const;

    // Converts the points through the converter in the job folder (made
    // before), with a job of `jobHeader`; the converter runs through
    // launchConverter(), which tells the user why it failed.
    marovin::Result<marovin::Degrees, marovin::ExchangeError> convertPoints(marovin::RoadPoints& points,
                                                                            std::string jobHeader);

    // Shows CmDialog1 as an open or save dialog; on a choice FileName holds
    // the chosen path. Nothing is returned on cancel.
    enum class FileDialog { Open, Save };
    std::optional<QString> showDialog(FileDialog dialog);

    Desktop& desktop_;
    ProgramFolder program_;
    UserFolders user_;
    std::unique_ptr<QTemporaryDir> jobFolder_;
    // What start-up showed in Text4 from the remembered setting; nothing when
    // there was none and the default was shown. Closing writes the setting
    // back only when Text4 shows something else, so that a stored value is
    // never re-encoded or cut.
    std::optional<QString> rememberedText_;
    // The XY file as the "Information" tab was last given it: its path (as
    // in Text1), its normalised text (one buffer, shared with the viewer)
    // and its blank lines. Command9 converts nothing else.
    QString xyShownPath_;
    QByteArray xyShownText_;
    std::vector<std::int64_t> xyShownLeftOut_;
};

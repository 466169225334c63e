#pragma once
// KML_Main: the program's only window. It makes the tab control and a panel
// for each of its tabs (the panels hold the controls, by their form names),
// holds the road state, and gives each handler to the panel or road
// controller it belongs to. Start-up, shut-down, the tab rule and the help
// page are the window's own. Every modal or outside interaction goes
// through Desktop.

#include "shell/common_dialog.h"
#include "shell/program_folder.h"
#include "shell/road_state.h"

#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

namespace marovin {
class Converter;
}
class DataPanel;
class Desktop;
class InformationPanel;
class LongRun;
class SeismicPanel;
class SeismicRoad;
class TabControl;
class TextRoad;
class XyInputPanel;
struct WindowParts;

class KML_Main : public QWidget {
    Q_OBJECT
public:
    // `programDir` is the folder of the executable, from which the manual
    // and the sample line are found (see ProgramFolder); `user` the user's
    // own folders; `converter` turns the roads' points into degrees (the
    // application gives the converter program, ProgramConverter). Tests pass
    // their own.
    KML_Main(Desktop& desktop, QString programDir, UserFolders user, marovin::Converter& converter,
             QWidget* parent = nullptr);
    ~KML_Main() override;

    // Handlers of the window itself, named by control and event.
    void Form_Load();
    void Form_Unload();
    void SSTab1_Click(int previousTab);
    void Combo2_Change();
    void Command6_Click();
    // Writes nothing: a job file is open only inside a conversion run,
    // never while the user can edit Combo2, and each run writes its own
    // header block naming the system.
    void Transform_System();

    // What the handlers left between them: the road chosen, the header read,
    // the points converted.
    const RoadState& roadState() const { return state_; }
    // Files that come with the program: programFile("Manual/KML_Help.rtf").
    QString programFile(const QString& relativePath) const { return program_.file(relativePath); }
    // A file of the sample line, in a folder where a KML file can be written
    // beside it: the program's own copy when it sits writable beside the
    // executable (a build tree), else the user's copy, made on first use.
    QString sampleFile(const QString& name) const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void connectHandlers();

    Desktop& desktop_;
    ProgramFolder program_;
    UserFolders user_;
    TabControl* SSTab1;
    std::unique_ptr<XyInputPanel> xyInput_;
    std::unique_ptr<DataPanel> data_;
    std::unique_ptr<InformationPanel> information_;
    std::unique_ptr<SeismicPanel> seismic_;
    RoadState state_;
    CommonDialog CmDialog1;
    std::unique_ptr<LongRun> runs_;
    std::unique_ptr<WindowParts> parts_;
    std::unique_ptr<SeismicRoad> seismicRoad_;
    std::unique_ptr<TextRoad> textRoad_;
    // What start-up showed in Text4 from the remembered setting; nothing when
    // there was none and the default was shown. Closing writes the setting
    // back only when Text4 shows something else, so that a stored value is
    // never re-encoded or cut.
    std::optional<QString> rememberedText_;
};

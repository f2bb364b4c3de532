// The main frame: MDI area, menu 102 with its accelerators, the menu groups and timer,
// the record buffer, the frame commands, the auto-run decision, the end of a run and the
// shutdown order.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <map>
#include <memory>
#include <string>

#include "app/check_result.h"
#include "app/dialogs.h"
#include "app/macro_editor.h"
#include "app/settings.h"
#include "lang/tables.h"
#include "platform/profile.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPlainTextEdit;
class QTimer;

namespace orv {
class Desktop;
class Clock;
class Executor;
}  // namespace orv

namespace orv::app {

class GuiRunHost;
class GuiCompileHost;

struct StartOptions {
    std::string startDir;  // the current directory at start (UTF-8 path)
    QString macroPath;     // first command-line argument, empty if none
    QString exitFlag;      // second command-line argument, empty if none
    bool haveExitFlag = false;
};

class MainFrame : public QMainWindow {
    Q_OBJECT
  public:
    MainFrame(const StartOptions& opts, Desktop& desktop, Clock& clock);
    ~MainFrame() override;

    // Frame creation steps after the window exists (settings, toolbox, auto-run decision).
    // Returns false when the program must end (invalid exit flag).
    bool startUp();

    // Commands by id (menu, accelerator, tests).
    void command(int id);
    QAction* action(int id) const;
    void setEnabled(int id, bool on);
    void setFileWindowGroup(bool on);
    void setEditRunGroup(bool on);

    Settings& settings() { return settings_; }
    ProfileFile& ini() { return ini_; }
    Tables& tables() { return tables_; }
    Executor& executor() { return *executor_; }
    QMdiArea* mdi() const { return mdi_; }
    QPlainTextEdit* recordBuffer() const { return recordBuffer_; }
    int openEditors() const { return openEditors_; }
    CheckResultWindow* checkResult() const { return checkResult_; }
    RunningDialog* runningDialog() const { return runDialog_; }
    const std::string& startDir() const { return startDir_; }
    std::string logPath() const;

    MacroEditor* activeEditor() const;
    QMdiSubWindow* activeChild() const;
    // Opens a macro editor in mode 0 new, 1 open, 2 auto-run, 3 from the record buffer.
    MacroEditor* openEditor(int mode);
    CheckResultWindow* openCheckResult();
    // Compile (owner, editor, run kind).
    void compileEditor(MacroEditor* editor, int kind);
    // UM_GOTOLINE from the check-result window.
    void gotoLine(const QString& macroName, int line1);

    // Called by editors.
    void editorCreated(MacroEditor* e);
    void editorDestroyed(MacroEditor* e);
    void editorActivated(MacroEditor* e);
    void checkResultDestroyed();
    void checkResultActivated();

    // Run notifications (UI thread).
    void onRunStart();
    void onRunDialogClose();
    void onRunEnd(int autoRun, int running);
    void stopButton();
    bool runActive() const;
    MacroEditor* runningEditor() const { return runEditor_; }

    // The auto-run macro path in memory (EXEMCRO or the command-line macro).
    const std::string& autoRunPath() const { return settings_.exeMacro; }

  protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;

  private:
    void buildMenus();
    QAction* addCommand(QMenu* menu, int id, const char* text, int fkey = 0);
    void rebuildWindowList();
    void menuTimer();
    void autoRunDecision(bool& ok);
    void shutdown();
    void rememberFramePos();
    void startRun(MacroEditor* editor, int mode);
    void find();
    void replace();

    StartOptions opts_;
    std::string startDir_;
    ProfileFile ini_;
    Settings settings_;
    Tables tables_;
    Desktop& desktop_;
    Clock& clock_;
    std::unique_ptr<GuiRunHost> runHost_;
    std::unique_ptr<GuiCompileHost> compileHost_;
    std::unique_ptr<Executor> executor_;

    QMdiArea* mdi_ = nullptr;
    QPlainTextEdit* recordBuffer_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QTimer* timer_ = nullptr;
    std::map<int, QAction*> actions_;
    QList<QAction*> windowListActions_;
    int openEditors_ = 0;
    QPointer<CheckResultWindow> checkResult_;
    QPointer<RunningDialog> runDialog_;
    QPointer<MacroEditor> runEditor_;
    QPointer<FindDialog> findDialog_;
    QRect frameRect_;
    bool shutDown_ = false;
    bool stoppedByButton_ = false;

    // Command-line override of the auto-run settings.
    bool override_ = false;
    std::string savedAutoRunPath_;
    int savedAutoExe_ = 0;
    int savedAutoFin_ = 0;
    bool autoFinSaved_ = false;
};

}  // namespace orv::app

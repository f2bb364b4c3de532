// The main frame (class Orvane_Class): the MDI area with the toolbox, menu 102 with its
// function keys, the per-second menu timer, and the wiring of the controllers that hold the
// program's state: the editors, compiling and running, the debugger and recording. Which
// command is enabled is decided in one place (menu_rules.h) from the state the frame gathers
// from them. Windows and controllers talk to the frame only through signals.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>

#include "app/frame/app_core.h"
#include "app/frame/menu_rules.h"
#include "app/frame/run_controller.h"
#include "app/tools/toolbox.h"
#include "platform/hotkeys.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;

namespace orv::app {

class DebugController;
class EditorController;
class HookBridge;
class HotkeyController;
class RecoveryController;
class MacroEditor;
class RecordController;

class MainFrame : public QMainWindow {
    Q_OBJECT
  public:
    // `hotkeys`: where the hotkeys that start macros are grabbed (none: no hotkeys).
    MainFrame(const StartOptions& opts, Desktop& desktop, Clock& clock,
              std::unique_ptr<HotkeySource> hotkeys = nullptr);
    ~MainFrame() override;

    // Frame creation steps after the window exists (settings, toolbox, auto-run decision).
    // Returns false when the program must end (invalid exit flag).
    bool startUp();

    // Runs the command of a menu id whether or not its item is enabled (posted requests,
    // tests); an id without a command does nothing.
    void command(int id);
    QAction* action(int id) const;
    QMdiArea* mdi() const { return mdi_; }
    AppCore& core() { return core_; }
    EditorController& editors() { return *editors_; }
    RunController& runs() { return *runs_; }
    DebugController& debugger() { return *debug_; }
    RecordController& recorder() { return *record_; }
    HotkeyController& hotkeys() { return *hotkeys_; }
    ToolboxWindow* toolbox() const { return toolbox_; }
    RecoveryController& recovery() { return *recovery_; }
    // Files handed over (orvane --open, a drop): each opens in an editor, none runs; the frame
    // comes to the front.
    void openFiles(const QStringList& paths);

  protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    // Files dropped on the frame open as ファイル(F) > 開く opens them.
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void moveEvent(QMoveEvent* e) override;

  private:
    struct Command {
        QAction* action = nullptr;
        std::function<void()> run;
    };

    // The controllers and their signals.
    void createControllers();
    void wireControllers();
    // Menu 102 (frame_menu.cpp).
    void buildFileEditMenus();
    void buildToolsMenu();
    void buildViewHelpMenus();
    QAction* addCommand(QMenu* menu, int id, const char* text, std::function<void()> run,
                        int fkey = 0);
    void menuTimer();
    // Every rule of menu_rules.h applied to the state as it is now.
    void updateActions();
    FrameState frameState() const;
    void childActivated(QMdiSubWindow* w);

    // Commands the frame itself carries out.
    void showToolbox();
    void closeAll();
    void closeActive();
    void autoClick();
    void systemSettings();
    void openRecorded(const QString& text);
    // A hotkey's macro runs as F4 would run it; during a run, a pause or a recording the
    // hotkey starts nothing and the platform beeps.
    void runFromHotkey(const QString& path);
    void reportSettingsFailure();
    void shutdown();
    void rememberFramePos();

    AppCore core_;
    HookBridge* hook_ = nullptr;
    QMdiArea* mdi_ = nullptr;
    QTimer* timer_ = nullptr;
    std::map<int, Command> commands_;
    RunController* runs_ = nullptr;
    EditorController* editors_ = nullptr;
    DebugController* debug_ = nullptr;
    RecordController* record_ = nullptr;
    HotkeyController* hotkeys_ = nullptr;
    RecoveryController* recovery_ = nullptr;
    QPointer<ToolboxWindow> toolbox_;
    bool clipboard_ = false;  // the clipboard held data at the last tick of the menu timer
    bool shutDown_ = false;
};

}  // namespace orv::app

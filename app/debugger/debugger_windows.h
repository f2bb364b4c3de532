// The debugger's two MDI children. The breakpoints window (class Orv_Break) shows the
// breakpoint list of the debug session, loads it from brksvfl.dbk when it opens and writes it
// back when it closes, marks the item a debug run stopped at, and refuses to close while a
// debug run executes. The variables window (class Orv_Val) shows the variables view of a
// paused debug run. Both keep their placement in Orvane.ini.
#pragma once

#include <QMdiSubWindow>
#include <functional>
#include <string>

#include "app/settings.h"

class QTreeWidget;

namespace orv {
class ProfileFile;
}
namespace orv::debugger {
class DebugSession;
}

namespace orv::app {

// Where a window's placement lives: the rectangle in memory (where the window is placed when
// it opens) and its four keys (left, top, width, height) in section SYSTEM, written when it
// closes.
struct Placement {
    WindowRect& rect;
    ProfileFile& ini;
    const char* keys[4];
    void save(const QWidget* w) const;
};

class BreakpointsWindow : public QMdiSubWindow {
    Q_OBJECT
  public:
    // Loads `filePath` (CP932 path bytes as the OS takes them) into the session's list (in
    // place of what it held); closing writes it back and leaves it in the list.
    // `debugRunning` tells whether a debug run executes (closing is refused then).
    BreakpointsWindow(debugger::DebugSession& session, std::string filePath, Placement placement,
                      std::function<bool()> debugRunning, QWidget* dialogOwner);
    ~BreakpointsWindow() override;

    QTreeWidget* list() const { return list_; }
    // Toggles the breakpoint of 1-based line `line1` of the macro titled `title` whose text on
    // that line is `lineText` (both CP932); a refused line is told with a message.
    void toggle(const std::string& title, int line1, const std::string& lineText);
    // Deletes the selected item (context menu "削除", 40036).
    void deleteSelected();
    // Shows the list's hot item (the session's) marked and selected, or no mark and no
    // selection.
    void showHot();
    // Lays the columns out: "Line" takes 20 % of the width.
    void layoutColumns();

  signals:
    // The list changed (loaded, toggled, deleted).
    void listChanged();

  protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

  private:
    void refill();
    void finish();

    debugger::DebugSession& session_;
    std::string path_;
    Placement placement_;
    std::function<bool()> debugRunning_;
    QWidget* dialogOwner_;
    QTreeWidget* list_;
    bool finished_ = false;
};

class VariablesWindow : public QMdiSubWindow {
    Q_OBJECT
  public:
    VariablesWindow(debugger::DebugSession& session, Placement placement);
    ~VariablesWindow() override;

    QTreeWidget* list() const { return list_; }
    // Shows the session's variables view (after it was filled or refreshed).
    void refresh();

  protected:
    void resizeEvent(QResizeEvent* e) override;

  private:
    debugger::DebugSession& session_;
    Placement placement_;
    QTreeWidget* list_;
};

}  // namespace orv::app

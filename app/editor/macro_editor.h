// A macro editor window (class Orv_Macro): an MDI child whose client area is one edit control
// (MacroEdit: colours, gutter, marks), with the macro file's load and save rules. It knows nothing
// of the frame: what it needs comes in at creation, the run state through EditorRunQuery, and what
// it asks for goes out as signals.
#pragma once

#include <QMdiSubWindow>
#include <string>

#include "app/editor/macro_edit.h"

namespace orv::app {

class MacroEditor;

// How an editor is opened (the modes of MainFrame::openEditor).
enum EditorMode : int {
    EDITOR_NEW = 0,
    EDITOR_OPEN = 1,      // through the file chooser
    EDITOR_AUTORUN = 2,   // the auto-run macro file
    EDITOR_RECORDED = 3,  // the text of the record buffer
    EDITOR_PATH = 4,      // a file named by its path (a hotkey, --open, a drop, recent files)
};

struct EditorStart {
    int mode = EDITOR_NEW;
    // EDITOR_AUTORUN, EDITOR_PATH: the macro file's path; EDITOR_RECORDED: the record
    // buffer's text.
    QString source;
};

// The run state an editor asks about before it closes.
class EditorRunQuery {
  public:
    enum class Use {
        None,      // no run uses this editor
        Running,   // a run or a paused debug run reads it: closing is refused
        Stepping,  // a paused step run reads it: closing stops debugging after a question
    };
    virtual Use runUse(const MacroEditor* editor) const = 0;

  protected:
    ~EditorRunQuery() = default;
};

class MacroEditor : public QMdiSubWindow {
    Q_OBJECT
  public:
    // Creates an empty editor titled "`number` New Macro". Message boxes and file choosers
    // are owned by `dialogOwner`.
    MacroEditor(QWidget* dialogOwner, const EditorRunQuery& runs, int number);
    // Fills the editor as its mode says (choose and load a file, load the auto-run macro, take
    // the recorded text); false when that failed (the caller destroys the editor).
    bool start(const EditorStart& start);

    MacroEdit* edit() const { return edit_; }
    // The macro text as CP932 bytes; `lossy` tells whether a character became '?'.
    std::string textBytes(bool* lossy = nullptr) const;
    void setTextBytes(const std::string& bytes);
    bool modified() const;
    void setModified(bool m);
    bool neverSaved() const;

    // Loads a file (size rule, up to the first zero byte); false with the size message shown.
    bool loadFile(const QString& path);
    // Plain save (asNew false) or save with a new name. False when nothing was saved.
    bool save(bool asNew);
    // Selects a 0-based line with its line break and scrolls it into view.
    void showLine(int line0);
    void gotoLine(int line1) { showLine(line1 - 1); }
    void caretToEnd();
    // Asks whether a modified text is saved (Yes saves, No discards, Cancel keeps the window);
    // true when the window may close.
    bool mayCloseModified();

    // The gutter and its marks (see MacroEdit). Line numbers follow EditorSettings.
    void setLineNumbersVisible(bool on) { edit_->setLineNumbersVisible(on); }
    void setErrorMarks(const ErrorMarks& marks) { edit_->setErrorMarks(marks); }
    ErrorMarks errorMarks() const { return edit_->errorMarks(); }
    void setRunningLine(int line0) { edit_->setRunningLine(line0); }
    void setBreakpointLines(const QSet<int>& lines1) { edit_->setBreakpointLines(lines1); }
    // While a macro's rows execute no editor takes typed input (keys a macro types must never
    // change a text); the text stays selectable and copyable.
    void setLockedWhileRunning(bool on);

  signals:
    // Closing this editor during a paused step run was confirmed: debugging must stop first.
    void stopDebugRequested();
    // The gutter was clicked beside the 1-based line `line1` (a breakpoint toggle).
    void gutterClicked(int line1);
    // The editor's file was loaded or saved (its absolute path).
    void fileUsed(const QString& path);

  protected:
    void closeEvent(QCloseEvent* e) override;

  private:
    bool fill(const EditorStart& start);
    // The close questions in their order; false when the window stays open.
    bool mayCloseDuringRun();
    // Shows why the text cannot be saved when a character has no CP932 form; false when every
    // character can be stored.
    bool refuseUnencodable();

    QWidget* dialogOwner_;
    const EditorRunQuery& runs_;
    MacroEdit* edit_;
    bool crlf_ = true;  // the file's lines end in CR LF (else LF)
};

}  // namespace orv::app

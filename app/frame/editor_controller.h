// The macro editors in the MDI area: opening them in their modes with their numbered titles
// (from a path, from a recovered text), their count, the active one and the last activated
// one, saving, the edit commands, find and replace with the texts they keep until the program
// ends, the recent files, going to a line, and whether the editors take typed input. The
// editors ask the run state through an EditorRunQuery.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include "app/editor/macro_editor.h"
#include "app/frame/recent_files.h"

class QMdiArea;

namespace orv::app {

class FindDialog;

class EditorController : public QObject {
    Q_OBJECT
  public:
    EditorController(QMdiArea* mdi, QWidget* dialogOwner, const EditorRunQuery& runs,
                     ProfileFile& ini);

    // Opens an editor in an EditorMode (`source`: the auto-run macro's path, or the recorded
    // text); null when its set-up failed (a cancelled open, a file too big).
    MacroEditor* open(int mode, const QString& source = {});
    // The editor of the file at `path` (its title is the file's absolute path), brought into
    // view, or a new editor on that file; null when it cannot be opened (the message was
    // shown).
    MacroEditor* openPath(const QString& path);
    // A new editor holding a recovered text (CP932 bytes), modified, titled `title` (a file's
    // path) or, when it is empty, with a new numbered title.
    MacroEditor* openRecovered(const QString& title, const std::string& bytes);
    // The recent files (newest first), and one of them opened; a file that no longer exists
    // is said and leaves the list.
    RecentFiles& recent() { return recent_; }
    void openRecent(const QString& path);
    // Open editors (an editor whose set-up failed still counted until it went).
    int count() const { return count_; }
    MacroEditor* active() const;
    // The last activated editor that still exists: the target of F5 and the toolbox.
    MacroEditor* last() const { return last_; }
    QList<MacroEditor*> all() const;
    // MDI activation of an editor.
    void activated(MacroEditor* e);

    // 40005 and 40006 on the active editor.
    void save(bool asNew);
    enum class Edit { Cut, Copy, Paste, SelectAll };
    // 40008 to 40011 on the active editor ("検索文書が選択されていません" with no active window).
    void edit(Edit op);
    // 40012 (find) and 40013 (find and replace) on the active editor.
    void find(bool withReplace);
    // Asks about each modified editor in turn; false when the user cancelled.
    bool confirmClose();
    // UM_GOTOLINE: the editor titled `title` shows its 1-based line `line1`.
    void gotoLine(const QString& title, int line1);
    // While a macro's rows execute no editor takes typed input.
    void lockWhileRunning(bool on);
    // New editors cascade from (0, y): just below the toolbox (71 with its first height).
    void setFirstTop(int y) { firstTop_ = y; }
    // Shutdown: the editors go without counting down.
    void shutdown();

  signals:
    // An editor opened, went, was renamed, or its modified flag changed.
    void changed();
    // A new editor is open (after its set-up).
    void opened(MacroEditor* editor);
    // Closing an editor during a paused step run was confirmed: debugging must stop first.
    void stopDebugRequested();
    // The gutter of `editor` was clicked beside its 1-based line `line1`.
    void gutterClicked(MacroEditor* editor, int line1);

  private:
    MacroEditor* editTarget();
    void connectEditor(MacroEditor* e);
    void editorDestroyed(MacroEditor* e);

    QMdiArea* mdi_;
    QWidget* owner_;
    const EditorRunQuery& runs_;
    int count_ = 0;
    int firstTop_ = 71;
    bool locked_ = false;
    bool shutDown_ = false;
    MacroEditor* last_ = nullptr;  // forgotten when it is destroyed
    QPointer<FindDialog> find_;
    RecentFiles recent_;
    // The find dialog's texts, kept between its openings.
    struct {
        QString what, with;
        bool matchCase = false;
    } findMemory_;
};

}  // namespace orv::app

// Crash recovery: while an editor is modified its text is written, when it changed, every 30
// seconds to $XDG_STATE_HOME/orvane/recovery/ (mode 0600, atomically, with the editor's title
// and the time); saving, discarding or closing the editor removes its file, and a clean exit
// removes them all. Files left by a program that ended otherwise are offered at the next
// start. Nothing is lost silently: a file that cannot be read or written is said once.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <map>
#include <string>

class QWidget;

namespace orv::app {

class EditorController;
class MacroEditor;

// One recovery file as read back.
struct RecoveredText {
    QString file;   // its path
    QString title;  // the editor's title when it was written ("1 New Macro" or a path)
    QString time;
    std::string bytes;  // the text, CP932 with CR LF lines, as a save would write it
};

class RecoveryController : public QObject {
    Q_OBJECT
  public:
    // `dir` empty: $XDG_STATE_HOME/orvane/recovery (~/.local/state/orvane/recovery).
    RecoveryController(EditorController& editors, QWidget* frame, QString dir = {});

    static QString defaultFolder();
    const QString& folder() const { return dir_; }
    // At start: the texts a program that did not end cleanly left are offered ("復元しますか？");
    // Yes opens each in an editor, No removes them. With `ask` false (an automatic run is
    // about to start) they stay for the next start.
    void offerLeftovers(bool ask);
    // The texts in the folder that no running program owns.
    QList<RecoveredText> leftovers();
    // Writes every modified editor whose text changed since it was last written (the timer's
    // tick; tests call it directly).
    void writeChanged();
    // A clean exit: every file of this program goes.
    void removeAll();

  private:
    struct Entry {
        QString file;
        std::size_t written = 0;  // hash of the text last written
    };
    void track(MacroEditor* e);
    void forget(MacroEditor* e);
    bool write(MacroEditor* e, Entry& entry);
    void sayOnce(const QString& text);
    QString newFileName();

    EditorController& editors_;
    QWidget* frame_;
    QString dir_;
    QTimer timer_;
    std::map<MacroEditor*, Entry> entries_;
    int serial_ = 0;
    bool said_ = false;
};

}  // namespace orv::app

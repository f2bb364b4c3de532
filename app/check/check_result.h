// The check-result window (class Orv_CmpChk): shows comp.his and jumps from an error line to
// the macro line, which it asks for with a signal.
#pragma once

#include <QMdiSubWindow>
#include <QPlainTextEdit>

namespace orv::app {

class CheckResultWindow : public QMdiSubWindow {
    Q_OBJECT
  public:
    // A new window with the log loaded; null when the log could not be loaded (the message
    // was shown). Message boxes are owned by `dialogOwner`.
    static CheckResultWindow* create(QWidget* dialogOwner);

    QPlainTextEdit* edit() const { return edit_; }
    // UM_RELOADLOG: loads comp.his from the current directory; false (with the size message)
    // when it is larger than 65,535 bytes.
    bool reload();
    // Double-click or UM_GOTOLINE: the error line under the caret is selected and its macro
    // line asked for (gotoLineRequested).
    void jumpToError();
    const QString& macroName() const { return macroName_; }

  signals:
    // The editor titled `macroName` should show its 1-based line `line1`.
    void gotoLineRequested(const QString& macroName, int line1);

  protected:
    bool eventFilter(QObject* o, QEvent* e) override;

  private:
    explicit CheckResultWindow(QWidget* dialogOwner);

    QWidget* dialogOwner_;
    QPlainTextEdit* edit_;
    QString macroName_;
};

// Reads the 1-based macro line and the macro name for the log line `index` of `lines`;
// false when that line is not an error line.
bool errorLineTarget(const QStringList& lines, int index, int& line1, QString& macroName);
// The macro name of a "Compile-Start <name> hh:mm:ss " line; false for any other line.
bool compileStartName(const QString& line, QString& macroName);
// The message of an error line: what follows "Line Error(nnn) ".
QString errorLineMessage(const QString& line);

}  // namespace orv::app

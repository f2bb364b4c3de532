// The check-result window (class Orv_CmpChk): shows comp.his and jumps from an error line to
// the macro line.
#pragma once

#include <QMdiSubWindow>
#include <QPlainTextEdit>

namespace orv::app {

class MainFrame;

class CheckResultWindow : public QMdiSubWindow {
    Q_OBJECT
  public:
    CheckResultWindow(MainFrame* frame, bool& ok);
    ~CheckResultWindow() override;

    QPlainTextEdit* edit() const { return edit_; }
    // UM_RELOADLOG: loads comp.his from the current directory; false (with the size message)
    // when it is larger than 65,535 bytes.
    bool reload();
    // Double-click or UM_GOTOLINE: the error line under the caret leads to its macro line.
    void jumpToError();
    const QString& macroName() const { return macroName_; }

  protected:
    bool eventFilter(QObject* o, QEvent* e) override;

  private:
    MainFrame* frame_;
    QPlainTextEdit* edit_;
    QString macroName_;
};

// Reads the 1-based macro line and the macro name for the log line `index` of `lines`;
// false when that line is not an error line.
bool errorLineTarget(const QStringList& lines, int index, int& line1, QString& macroName);

}  // namespace orv::app

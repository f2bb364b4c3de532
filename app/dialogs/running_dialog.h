// The running dialog (117): the macro's name, its state and the stop button. A stop is asked
// for with a signal; the end of the run closes the dialog. It never takes the keyboard focus:
// keys a macro types go to the user's window, and Enter cannot press its stop button.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace orv::app {

class RunningDialog : public QDialog {
    Q_OBJECT
  public:
    // Owned by and centred on `owner`; with `noOwner` (the owner minimises during the run) a
    // top-most window at the bottom right of the screen instead.
    RunningDialog(QWidget* owner, const QString& macroName, bool noOwner);
    QPushButton* stopButton() const { return stop_; }
    QLabel* state() const { return state_; }
    const QString& macroName() const { return name_; }
    // The stop button (or UM_RUNABORT): disables itself and asks for the stop once.
    void stop();

  signals:
    void stopRequested();

  protected:
    void reject() override;  // Esc and the close box do nothing here
    void moveEvent(QMoveEvent* e) override;

  private:
    void place(QWidget* owner);
    void placeBottomRight();

    bool noOwner_;
    bool placedWithFrame_ = false;  // placed once the window manager's frame was known
    QString name_;
    QPushButton* stop_;
    QLabel* state_;
};

}  // namespace orv::app

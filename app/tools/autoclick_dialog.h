// The auto-click dialog (123, "簡易自動クリック"): five slot rows over the auto-click model of
// tools/autoclick.h. The dialog shows the model's state, forwards its buttons, timers and the
// picked points to it, and carries the model's timers (one per slot, the blink timer and the
// pick window). Modal; "閉じる" is its only way out.
#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "tools/autoclick.h"

class QCheckBox;
class QGridLayout;
class QVBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace orv {
class ProfileFile;
}

namespace orv::app {

// The point-picking hook as the dialog needs it (the program's hook bridge).
class PickHook {
  public:
    virtual bool pickBusy() = 0;
    virtual void startPick(int tag) = 0;
    virtual void endPick() = 0;

  protected:
    ~PickHook() = default;
};

class AutoClickDialog : public QDialog, private tools::AutoClickHost {
    Q_OBJECT
  public:
    // `frame` is minimised while a point is picked.
    AutoClickDialog(QWidget* frame, tools::AutoClickSettings& settings, Desktop& desktop,
                    PickHook& hook, ProfileFile& ini);

    tools::AutoClicker& model() { return model_; }
    // A point-picking message (1033..1038) the frame forwards while the dialog is open.
    void picked(unsigned message, int tag, int lparam);
    // Shows the model's state.
    void sync();

  protected:
    void reject() override;                // Esc and the close box do nothing
    void changeEvent(QEvent* e) override;  // a minimised dialog comes back at once

  private:
    struct Row {
        QCheckBox* check;
        QPushButton* set;
        QLabel* x;
        QLabel* y;
        QLineEdit* seconds;
        QPushButton* run;
        QLabel* kind;
        QLabel* status;
        QTimer* timer;
    };
    void buildRow(int slot, QGridLayout* grid);
    void buildButtons(QVBoxLayout* lay);
    void closeDialog();
    void unminimize();
    void act(const std::function<void()>& f);

    // AutoClickHost.
    void startTimer(int slot, int periodMs) override;
    void stopTimer(int slot) override;
    bool pickHookBusy() override { return hook_.pickBusy(); }
    void startPickHook(int tag) override { hook_.startPick(tag); }
    void endPickHook() override { hook_.endPick(); }
    void startPickWindow(int ms) override;
    void minimizeFrame() override;
    void restoreFrame() override;
    void message(const std::string& utf8) override;

    QWidget* frame_;
    PickHook& hook_;
    ProfileFile& ini_;
    tools::AutoClicker model_;
    std::array<Row, tools::kSlots> rows_{};
    QCheckBox* save_ = nullptr;
    QPushButton* runAll_ = nullptr;
    QPushButton* stopAll_ = nullptr;
    QPushButton* close_ = nullptr;
    QTimer* blink_ = nullptr;
    QTimer* pickWindow_ = nullptr;
};

}  // namespace orv::app

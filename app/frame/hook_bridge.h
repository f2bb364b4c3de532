// The program's side of the hook library: registration, the Esc watch of a run, and the
// deliveries of the library (record text, run abort, message boxes) turned into signals on
// the user-interface thread. A delivery from another thread waits until its signal has been
// handled.
#pragma once

#include <QObject>
#include <QString>

#include "app/tools/autoclick_dialog.h"

namespace orv::app {

// Window identifiers the program gives the library.
inline constexpr int kFrameId = 1;
inline constexpr int kRecordBufferId = 2100;
inline constexpr int kRunDialogId = 117;

class HookBridge : public QObject, public PickHook {
    Q_OBJECT
  public:
    using QObject::QObject;

    // SetMainHwnd and the delivery function; the X11 backend's injected keys are noted so
    // that a macro's own KEY ESC never stops its run.
    void attach();
    // The running dialog was created: watch for Esc (KSetExe 1, KsetHook when not installed).
    void watchEsc();
    // The run ended or was stopped: KSetExe 0 and the keyboard hook removed.
    void unwatchEsc();
    // Shutdown: remove every installed hook and the delivery function.
    void detach();

    // The point-picking hook (ChkMHook2, MsetHook2, MendHook2).
    bool pickBusy() override;
    void startPick(int tag) override;
    void endPick() override;

  signals:
    // Recorded text for the record buffer.
    void recordText(const QString& text);
    // UM_RUNABORT for the running dialog (Esc from outside during a run).
    void runAbortRequested();
    // A message box the library asks for (warning icon).
    void messageRequested(const QString& caption, const QString& text);
    // UM_PICK_LDOWN .. UM_PICK_MDBLCLK for the frame (wparam: the pick tag; lparam: the
    // point, x in the low and y in the high 16 bits).
    void pointPicked(unsigned message, int tag, int lparam);

  private:
    void deliver(int kind, int window, unsigned message, int wparam, int lparam,
                 const QString& text, const QString& caption);
    friend struct HookDelivery;
};

}  // namespace orv::app

// The program's side of the hook library, over the link the programs share (recorder/): the
// Esc watch of a run, a recording session (which collects the recorded text itself), the
// point-picking hook of the auto-click dialog, and the deliveries of the library (run abort,
// picked points, message boxes) turned into signals on the user-interface thread. The library's
// input monitor never waits for this thread: deliveries are queued to it in the library's order.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "app/tools/autoclick_dialog.h"

namespace orv::app {

struct Settings;

class HookBridge : public QObject, public PickHook {
    Q_OBJECT
  public:
    explicit HookBridge(QObject* parent = nullptr);
    ~HookBridge() override;

    // The link to the library (SetMainHwnd and its deliveries); the X11 backend's injected
    // keys are noted so that a macro's own KEY ESC never stops its run.
    void attach();
    // The running dialog was created: watch for Esc (KSetExe 1, KsetHook when not installed).
    void watchEsc();
    // The run ended or was stopped: KSetExe 0 and the keyboard hook removed.
    void unwatchEsc();
    // Shutdown: a recording is dropped, every installed hook removed, the link closed.
    void detach();

    // A recording: the recording flag and the recording hooks; its text keeps the pauses as
    // WAIT lines when `settings` ask for it (RECWAIT, RECWMIN), for a replay at the command
    // interval in effect now (COMTIME). False when no hook could be installed (the library's
    // message has been shown).
    bool startRecording(const Settings& settings);
    // Ends the recording: hooks removed, then every line the monitor still had is collected.
    // Returns the recorded lines (each with its tab and CR LF), in order and complete.
    QString stopRecording();

    // The point-picking hook (ChkMHook2, MsetHook2, MendHook2).
    bool pickBusy() override;
    void startPick(int tag) override;
    void endPick() override;

  signals:
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

    struct Hooks;
    std::unique_ptr<Hooks> hooks_;
};

}  // namespace orv::app

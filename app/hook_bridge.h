// The program's side of the hook library: registration, the Esc watch of a run, and the
// messages the library sends (record text, picked points, run abort) marshalled to the
// user-interface thread.
#pragma once

namespace orv::app {

class MainFrame;

// Window identifiers the program gives the library.
inline constexpr int kFrameId = 1;
inline constexpr int kRecordBufferId = 2100;
inline constexpr int kRunDialogId = 117;

// SetMainHwnd and the delivery function; the X11 backend's injected keys are noted so that a
// macro's own KEY ESC never stops its run.
void hookAttach(MainFrame* frame);
// The running dialog was created: watch for Esc (KSetExe 1, KsetHook when not installed).
void hookWatchEsc();
// The run ended or was stopped: KSetExe 0 and the keyboard hook removed.
void hookUnwatchEsc();
// Shutdown: remove every installed hook and the delivery function.
void hookDetach();

}  // namespace orv::app

// The programs' side of the hook library (liborvhook), shared by orvane and orvane-cli: the
// window identifiers they give it, the link that hands what the library delivers to the
// program, the Esc watch of a run and a recording session. Plain C++ (no Qt, no X11).
//
// Threads. The library delivers from its input monitor's thread (record text, messages, the
// monitor's end) and, for the message boxes of its install and remove functions, from the
// thread that called them. Nothing here ever lets the monitor wait for the program:
//  - the link's handler receives message boxes at once, on the calling thread, and
//    everything else in the library's order on the link's own delivery thread. The handler
//    may block there, for example in a blocking queued call to a user-interface thread, and
//    that thread may meanwhile call anything here: a session's stop still sees the monitor's
//    end, because the sessions take their part of each delivery before it is queued;
//  - the Esc watch's stop callback runs on the monitor's thread and must return at once (set
//    a flag, ask an executor to stop, post to a user-interface thread).
// A delivery that arrives after a session or the link has ended finds nothing of it: the
// library's delivery function and what it reads live for the whole process.
//
// Typical use (orvane-cli run on the real desktop):
//
//   recorder::HookLink link([](const recorder::Delivery& d) { ... message boxes ... });
//   recorder::EscWatch esc([&] { executor.requestStop(); });
//   ... run ...
//   // ~EscWatch: the keyboard hook is removed and the monitor has closed its connections.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "recorder/record_timing.h"

namespace orv::recorder {

// The window identifiers the programs give the library (opaque numbers; 0 means none).
inline constexpr std::int32_t kFrameWindow = 1;  // owns message boxes, receives picked points
inline constexpr std::int32_t kRecordBufferWindow = 2100;  // receives the recorded text
inline constexpr std::int32_t kRunDialogWindow = 117;      // the running dialog: UM_RUNABORT

// One delivery of the library, copied out of its call (it owns its texts, so a handler may
// queue it).
struct Delivery {
    std::int32_t kind = 0;  // ORV_DELIVER_TEXT, _MESSAGE, _MSGBOX or _STOPPED (hook/orvhook.h)
    std::int32_t window = 0;
    std::uint32_t message = 0;  // ORV_UM_PICK_* to kFrameWindow, ORV_UM_RUNABORT to the dialog
    std::int32_t wparam = 0;    // the pick tag, or the virtual key (27) of a run abort
    std::int32_t lparam = 0;    // the picked point (y << 16 | x), or the key flags
    std::string text;           // CP932: a record line with its tab and CR LF, or a message
    std::string caption;        // CP932: a message box's caption
};

using DeliveryHandler = std::function<void(const Delivery&)>;

// The classes below stand for something the library holds for the process; they are not
// copied.
class Unique {
  public:
    Unique() = default;
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
};

// The program's link to the library, one at a time for the process. While it exists, the
// library knows the frame and the record buffer (SetMainHwnd) and everything it delivers
// reaches `handler`:
//  - ORV_DELIVER_MSGBOX at once, on the thread that called the install or remove function;
//  - everything else (record text for kRecordBufferWindow, picked points for kFrameWindow,
//    the run abort for kRunDialogWindow, the monitor's end) on the link's delivery thread, one
//    at a time in the order the library produced them. A handler may marshal each one to a
//    user-interface thread, blocking or not.
class HookLink : Unique {
  public:
    explicit HookLink(DeliveryHandler handler);
    // Removes every hook still installed, stops handing deliveries to the handler (a call in
    // progress may still finish afterwards, so the handler must not reach objects that are
    // gone by then without checking) and waits (at most 2 s) until the monitor has closed its
    // display connections, so that the program may close its own. Deliveries still queued
    // are dropped.
    ~HookLink();

    struct State;

  private:
    std::shared_ptr<State> state_;
};

// Esc stops a run: while the watch exists, an Esc released by anything but the program's own
// key injection (the X11 desktop notes its keys) calls `onStop`, once per release. Creating
// it sets the run flag with kRunDialogWindow as the run-notify window (KSetExe) and installs
// the keyboard hook when it is not installed; the library's message box reaches the link's
// handler if that fails. Destroying it clears the run flag, removes the keyboard hook when
// installed and waits (at most 2 s) until the monitor, if no other hook keeps it, has closed
// its connections. After the destructor `onStop` is never called again, and a call in
// progress has returned.
//
// `onStop` runs on the monitor's thread and must return at once; it must not call into this
// header. It may be empty when the link's handler takes the run abort (ORV_UM_RUNABORT to
// kRunDialogWindow) instead, in order with the other deliveries.
class EscWatch : Unique {
  public:
    explicit EscWatch(std::function<void()> onStop);
    ~EscWatch();

    struct State;

  private:
    std::shared_ptr<State> state_;
};

// A recording: the recording flag and the recording mouse and keyboard hooks, and the text
// the procedures write to the record buffer, collected in order without a size limit (the
// link's handler sees the same text as deliveries), with the WAIT lines of `waits` when they
// are switched on (recorder/record_timing.h). One session at a time.
class RecordingSession : Unique {
  public:
    RecordingSession();
    // Stops a recording still running (without waiting for the monitor).
    ~RecordingSession();

    // Sets the recording flag (Recflgset 1) and installs each hook that is not installed.
    // False when neither could be installed by this call (no display, say: the library's
    // message boxes have reached the link's handler); the flag is then cleared again.
    bool start(const WaitRule& waits = {});
    // Clears the recording flag and removes the hooks, without waiting. The monitor still
    // hands over every event the server handled before the removal, then delivers its end.
    void requestStop();
    // Waits until the monitor has delivered its end after requestStop (true), or at most
    // `timeout` (false); false at once when no stop is pending (the session never started).
    bool waitStopped(std::chrono::milliseconds timeout);
    // The text collected so far (CP932 record lines, each with its tab and CR LF).
    std::string text() const;
    // requestStop, waitStopped(timeout) and text: the whole recording.
    std::string stop(std::chrono::milliseconds timeout = std::chrono::seconds(5));

    struct State;

  private:
    std::shared_ptr<State> state_;
    bool running_ = false;
};

}  // namespace orv::recorder

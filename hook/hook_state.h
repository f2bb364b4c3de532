// The library's state: the shared data block (process-local on X11, where one process owns
// the monitor) and the helpers through which the procedures deliver what they "send".
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "hook/orvhook.h"

namespace orv::hook {

// One field of the block: read by the monitor thread and written by the program's threads.
using Field = std::atomic<std::int32_t>;

// The 22 fields with their initial values.
struct SharedBlock {
    // The windows the program named: main window, record buffer, run-notify window.
    Field mainWindow{0}, recordBuffer{0}, runNotifyWindow{0};
    // Whether each hook is installed (the program's view), and the hooks' handles.
    Field recMouseHookOn{0}, pickMouseHookOn{0}, keyboardHookOn{0};
    Field keyboardHook{0}, recMouseHook{0}, pickMouseHook{0};
    // The recording flag (Recflgset) and the run flag (KSetExe).
    Field recordingFlag{0}, runFlag{0};
    // The recording mouse procedure: the last press point and the button state; the pick tag.
    Field pressX{0}, pressY{0}, buttonState{-1}, pickTag{-1};
    // The record-stop window's rectangle (inclusive).
    Field stopLeft{0}, stopTop{0}, stopRight{0}, stopBottom{0};
    // The keyboard procedure's held keys (key-name indexes, -1: free).
    Field heldKey[3] = {-1, -1, -1};
};

SharedBlock& block();
// Guards the held-key slots (the keyboard procedure's critical section).
std::mutex& heldKeyLock();

// Button states of the recording mouse procedure.
inline constexpr std::int32_t kStateIdle = -1;
inline constexpr std::int32_t kStateIgnoredStopPress = -2;
inline constexpr std::int32_t kStateDragging = -3;

// The recorded name of a key-name index (lang/key_names.h) and the index a virtual key is
// recorded with (-1: not recorded).
std::string_view keyName(int index);
int keyIndexForVk(int vk, bool recording);

// Delivery to the program.
void deliverText(std::int32_t window, const char* text);
void deliverMessage(std::int32_t window, std::uint32_t message, std::int32_t wparam,
                    std::int32_t lparam);
void deliverMessageBox(const std::string& textCp932);
void deliverStopped();
// The monitor's note before it feeds a key or button event to a recording procedure.
void deliverInput(bool press, std::uint32_t serverTime);

// Puts every field back to its initial value (tests only; the library never does this).
void resetForTests();

}  // namespace orv::hook

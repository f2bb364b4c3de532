// The library's state: the shared data block (process-local on X11, where one process owns
// the monitor) and the helpers through which the procedures deliver what they "send".
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "hook/orvhook.h"

namespace orv::hook {

// The 22 fields with their initial values. Every field is read by the monitor thread and
// written by the program's threads, so each one is atomic.
struct SharedBlock {
    std::atomic<std::int32_t> mainWindow{0};
    std::atomic<std::int32_t> recordBuffer{0};
    std::atomic<std::int32_t> runNotifyWindow{0};
    std::atomic<std::int32_t> recMouseHookOn{0};
    std::atomic<std::int32_t> pickMouseHookOn{0};
    std::atomic<std::int32_t> keyboardHookOn{0};
    std::atomic<std::int32_t> recordingFlag{0};
    std::atomic<std::int32_t> runFlag{0};
    std::atomic<std::int32_t> keyboardHook{0};
    std::atomic<std::int32_t> recMouseHook{0};
    std::atomic<std::int32_t> pickMouseHook{0};
    std::atomic<std::int32_t> pressX{0};
    std::atomic<std::int32_t> pressY{0};
    std::atomic<std::int32_t> buttonState{-1};
    std::atomic<std::int32_t> pickTag{-1};
    std::atomic<std::int32_t> stopLeft{0};
    std::atomic<std::int32_t> stopTop{0};
    std::atomic<std::int32_t> stopRight{0};
    std::atomic<std::int32_t> stopBottom{0};
    std::atomic<std::int32_t> heldKey[3] = {-1, -1, -1};
};

SharedBlock& block();
// Guards the held-key slots (the keyboard procedure's critical section).
std::mutex& heldKeyLock();

// Button states of the recording mouse procedure.
inline constexpr std::int32_t kStateIdle = -1;
inline constexpr std::int32_t kStateIgnoredStopPress = -2;
inline constexpr std::int32_t kStateDragging = -3;

// The recorder key-name list (90 names) and the virtual-key mapping (-1: not stored).
const char* keyName(int index);
int keyIndexForVk(int vk, bool recording);

// Delivery to the program.
void deliverText(std::int32_t window, const char* text);
void deliverMessage(std::int32_t window, std::uint32_t message, std::int32_t wparam,
                    std::int32_t lparam);
void deliverMessageBox(const std::string& textCp932);
void deliverStopped();

// Puts every field back to its initial value (tests only; the library never does this).
void resetForTests();

}  // namespace orv::hook

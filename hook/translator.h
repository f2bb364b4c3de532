// Turns the input events of the display, in the order the server delivered them, into the
// inputs of the hook procedures: mouse messages with their screen point (double-clicks
// synthesised, presses on window-manager decorations dropped with their releases, a move
// fed before each button event whose point was not seen moving) and virtual keys with their
// key flags (bit 31 on release, bit 16 unless the program noted the event as its own). Every
// input keeps the server time of its event and says whether it is a key or button going down
// or up, which the monitor reports to the recording before it feeds the input.
// Plain logic without X so that it can be tested on its own.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "hook/orvhook.h"

namespace orv::hook {

struct ProcInput {
    // A key or button going down (a double-click too) or up; moves and the wheel: neither.
    enum class Edge : std::uint8_t { Neither, Press, Release };

    bool isKey = false;
    std::int32_t message = 0;  // mouse message, or the virtual key
    std::uint32_t keyFlags = 0;
    OrvMouseRecord point{0, 0, 0};  // keys: only the server time
    Edge edge = Edge::Neither;
};

inline constexpr std::uint32_t kDoubleClickTime = 500;   // milliseconds
inline constexpr std::int32_t kDoubleClickDistance = 4;  // pixels each way

// The program's notes of key events it is about to inject. Thread-safe.
class InjectedKeyNotes {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr auto kLifetime = std::chrono::milliseconds(1000);
    static constexpr std::size_t kMaxNotes = 256;

    void note(std::int32_t vk, bool down, Clock::time_point now);
    // True (and the note is consumed) when the event was noted.
    bool consume(std::int32_t vk, bool down, Clock::time_point now);
    void clear();

  private:
    struct Note {
        std::int32_t vk;
        bool down;
        Clock::time_point when;
    };
    void expire(Clock::time_point now);
    std::mutex lock_;
    std::deque<Note> notes_;
};

class Translator {
  public:
    explicit Translator(InjectedKeyNotes& notes) : notes_(notes) {}

    void motion(std::int32_t x, std::int32_t y, std::uint32_t time, std::vector<ProcInput>& out);
    // X button numbers: 1 left, 2 middle, 3 right, 4 to 7 wheel. `clientArea` is false for a
    // press on a window manager's decoration.
    void button(int button, bool down, std::int32_t x, std::int32_t y, std::uint32_t time,
                bool clientArea, std::vector<ProcInput>& out);
    void key(std::int32_t vk, bool down, std::uint32_t time,
             InjectedKeyNotes::Clock::time_point now, std::vector<ProcInput>& out);

  private:
    void feedMove(std::int32_t x, std::int32_t y, std::uint32_t time, std::vector<ProcInput>& out);

    InjectedKeyNotes& notes_;
    bool haveMove_ = false;
    std::int32_t moveX_ = 0, moveY_ = 0;
    // The last press that may become the first half of a double-click.
    int lastButton_ = 0;  // 0: none
    std::int32_t lastX_ = 0, lastY_ = 0;
    std::uint32_t lastTime_ = 0;
    bool suppressed_[4] = {false, false, false, false};  // by X button 1..3
};

}  // namespace orv::hook

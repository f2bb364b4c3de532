// Recordings that keep their timing: the text of a recording, built from what the hook library
// delivers, with a "\tWAIT n" line before each action that followed a pause, so that a replay
// at the command interval of the recording rests as long as the user did. Switched off (the
// default) the text is exactly the lines the library wrote. Plain C++ without threads: the
// recording session feeds it under its own lock.
//
// Actions and pauses. The library reports every key and button event that reaches the
// recording procedures, with its server time, before the lines the procedure writes for it
// (ORV_DELIVER_INPUT). An action begins with a key or button press, unless that press only
// adds to the action under way (nothing was let go since it began: the C of Ctrl+C); its first
// line carries the pause: from the last key or button event of the previous action that wrote
// lines to the first event of this one.
// An action that writes nothing (a key that is not recorded, a press on the stop window) is
// left out: its events neither start nor end a pause. So a drag (MMOVE, MDOWN, MMOVE, MUP), a
// chord and Alt+Tab (MTAB 1, KEY ALT) are one action each, and the first action after START
// gets no WAIT.
//
// The arithmetic. The executor sleeps the command interval C once after each source line, so
// on replay the time between the last key or button event of one action and the first of the
// next is
//       C          after the previous action's last line (the line that sends its last event)
//   + W + C        on the WAIT line itself
//   + k * C        on the lines of the action before the one that sends its first event:
//                  k = 1 when the action begins with MMOVE (MCLK, MDCLK, MDOWN follow),
//                  k = 0 for KEY and MTAB.
// A recorded pause P therefore becomes W = P - (2 + k) * C, rounded to 10 ms. The WAIT is
// written when both P and W are at least the shortest pause (and W is above 0); otherwise the
// action follows after the (1 + k) * C its lines spend anyway.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orv::recorder {

struct WaitRule {
    bool on = false;       // write WAIT lines at all
    int shortestMs = 200;  // the shortest pause written
    int intervalMs = 0;    // the command interval the recording will be replayed at
};

class TimedRecord {
  public:
    explicit TimedRecord(const WaitRule& rule = {}) : rule_(rule) {}

    // A key or button event reached the recording procedures (ORV_DELIVER_INPUT).
    void input(bool press, std::uint32_t serverTime);
    // A record line the procedures wrote, with its tab and CR LF (ORV_DELIVER_TEXT).
    void line(std::string_view recordLine);
    // The recorded text so far.
    const std::string& text() const { return text_; }

  private:
    void begin(std::uint32_t serverTime);
    void writeWait(std::string_view firstLine);

    WaitRule rule_;
    std::string text_;
    bool open_ = false;                   // an action has begun
    bool released_ = false;               // something was let go since it began
    bool wrote_ = false;                  // it has written a line
    std::uint32_t start_ = 0, last_ = 0;  // its first and its latest event
    bool haveEnd_ = false;                // an earlier action wrote lines,
    std::uint32_t end_ = 0;               // and its last event came then
};

}  // namespace orv::recorder

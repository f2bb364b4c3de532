// The auto-click tool "簡易自動クリック": five slots, each with a screen point and a click
// kind picked with the mouse, an interval in seconds and a timer that moves the pointer to
// the point and clicks there. This is the dialog's whole logic without widgets: the dialog
// shows the state below and forwards its buttons, timers and picked points here. It acts
// on the desktop only through `Desktop` and on timers, the point-picking hook and the frame
// through `AutoClickHost`, so that it runs headless on the virtual desktop.
#pragma once

#include <array>
#include <string>

#include "platform/desktop.h"

namespace orv {
class ProfileFile;
}

namespace orv::tools {

inline constexpr int kSlots = 5;
// Timer periods: an interval of 0 seconds runs at the minimum period (a timer of 0 ms would
// flood the desktop with clicks), and a huge interval is capped at the longest period the
// timers take.
inline constexpr int kMinPeriodMs = 100;
inline constexpr int kMaxPeriodMs = 2147483647;
// The fewest seconds that run at the longest period: more seconds run no longer, so a longer
// interval is saved as this, and a restart runs the same period.
inline constexpr int kMaxSeconds = kMaxPeriodMs / 1000 + (kMaxPeriodMs % 1000 != 0);
// After a single press is picked the pick stays open this long, so that the second press of
// a double click can make it a double-click kind.
inline constexpr int kDoubleClickMs = 500;

// Click kinds 1..6 ("L-CLK" ... "M-DBCLK"); 0 is none.
enum ClickKind : int {
    KIND_NONE = 0,
    KIND_L_CLICK = 1,
    KIND_L_DOUBLE = 2,
    KIND_R_CLICK = 3,
    KIND_R_DOUBLE = 4,
    KIND_M_CLICK = 5,
    KIND_M_DOUBLE = 6,
};
// The display name of a kind ("" for none and unknown kinds), and the kind of a name (0 when
// the name is none of the six).
const char* kindName(int kind);
int kindOfName(const std::string& name);
// The kind a point-picking message stands for (messages 1033..1038), or 0.
int kindOfPickMessage(unsigned message);
// The screen point packed into a picking message's lParam: x in the low 16 bits, y in the
// high 16 bits, each a signed 16-bit value (points left of or above the primary screen are
// negative).
Point pointOfPickParam(long lparam);

// One slot as stored in the settings file (AUTOCLK: ATEXEFn, ATEXEXn, ATEXEYn, ATEXETn,
// ATEVNTn) and kept for the program's lifetime.
struct SlotRecord {
    int enabled = 0;
    int x = 0;
    int y = 0;
    int seconds = 60;
    int kind = 0;
};
struct AutoClickSettings {
    int save = 0;  // ATSSAVE
    std::array<SlotRecord, kSlots> records{};
};
// Reads the AUTOCLK keys (missing keys take their defaults).
void loadAutoClick(const ProfileFile& ini, AutoClickSettings& s);
// Writes ATSSAVE, and the slot keys when `withSlots`.
void saveAutoClick(ProfileFile& ini, const AutoClickSettings& s, bool withSlots);

// What the tool needs from its surroundings.
class AutoClickHost {
  public:
    virtual ~AutoClickHost() = default;
    // Slot timers (slot 0..4) and their period in milliseconds.
    virtual void startTimer(int slot, int periodMs) = 0;
    virtual void stopTimer(int slot) = 0;
    // The point-picking hook: whether another user holds it; start it for a tag; end it.
    virtual bool pickHookBusy() = 0;
    virtual void startPickHook(int tag) = 0;
    virtual void endPickHook() = 0;
    // A single-shot timer: pickWindowEnded() is to be called after `ms` milliseconds.
    virtual void startPickWindow(int ms) = 0;
    // The frame is minimised while a point is picked and restored by the pick.
    virtual void minimizeFrame() = 0;
    virtual void restoreFrame() = 0;
    // A message box captioned "Orvane" (UTF-8 text).
    virtual void message(const std::string& utf8) = 0;
};

// The state of one slot's controls.
struct SlotView {
    bool checked = false;
    std::string x, y;     // the X and Y displays ("" until a point is picked)
    std::string seconds;  // the seconds edit
    std::string kind;     // the kind display
    std::string status;   // "Waiting", "Execute" or ""
    bool statusShown = true;
    bool running = false;
    bool setEnabled = true;
    bool secondsEnabled = true;
    bool runEnabled = true;
    std::string runLabel;  // "実行" or "停止" (UTF-8)
};

class AutoClicker {
  public:
    AutoClicker(AutoClickSettings& settings, Desktop& desktop, AutoClickHost& host);

    // Opening the dialog: fills the controls from the records when saving is on.
    void open();
    // The slot's check box was clicked to `on`.
    void check(int slot, bool on);
    void setSeconds(int slot, const std::string& text);
    void setSaveChecked(bool on) { saveChecked_ = on; }
    // The set button: start picking a point for the slot.
    void pressSet(int slot);
    // A point-picking message (1033..1038) with its tag and point. A double-click message
    // ends the pick at once; a single press ends it when the pick window has passed.
    void picked(unsigned message, int tag, Point p);
    void pickWindowEnded();
    // The run button toggles its slot; "同時実行" toggles every ticked slot.
    void pressRun(int slot);
    void runAll();
    // "全停止".
    void stopAll();
    // The slot's timer fired.
    void tick(int slot);
    // The blink timer fired (every second).
    void blink();
    // "閉じる": stores the settings (when saving is on) and writes them; false when closing
    // is not possible now (a slot runs or a pick is pending).
    bool close(ProfileFile& ini);

    const SlotView& slot(int i) const { return slots_[static_cast<std::size_t>(i)]; }
    bool saveChecked() const { return saveChecked_; }
    // "同時実行": some ticked slot has a point and no slot runs. "全停止": a slot runs.
    // "閉じる": no slot runs and no pick is pending.
    bool runAllEnabled() const;
    bool stopAllEnabled() const { return anyRunning(); }
    bool closeEnabled() const { return !anyRunning() && !picking_; }
    bool picking() const { return picking_; }
    bool anyRunning() const;
    // The seconds a seconds text runs at: its leading digits (none: 0), at most kMaxSeconds.
    static int secondsOf(const std::string& seconds);
    // The timer period of a seconds text (see kMinPeriodMs, kMaxPeriodMs).
    static int periodOf(const std::string& seconds);

  private:
    SlotView& at(int i) { return slots_[static_cast<std::size_t>(i)]; }
    void fillSlot(int i);
    void start(int i);
    void stop(int i);
    void finishPick(int kind, int tag, Point p);
    void inject(int kind);

    AutoClickSettings& settings_;
    Desktop& desk_;
    AutoClickHost& host_;
    std::array<SlotView, kSlots> slots_{};
    bool saveChecked_ = false;
    int capture_ = -1;  // slot number 1..5 of the last pick started, -1 none
    bool picking_ = false;
    // A single press picked, waiting for the pick window to pass.
    int pendingKind_ = 0;
    int pendingTag_ = 0;
    Point pendingPoint_;
    bool blinkFlag_ = true;
};

}  // namespace orv::tools

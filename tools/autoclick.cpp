#include "tools/autoclick.h"

#include <cstdint>
#include <cstdio>
#include <limits>

#include "lang/debug_out.h"
#include "lang/text.h"
#include "platform/profile.h"

namespace orv::tools {

namespace {

constexpr const char* kSection = "AUTOCLK";
constexpr const char* kRun = "実行";
constexpr const char* kStop = "停止";
constexpr const char* kWaiting = "Waiting";
constexpr const char* kExecute = "Execute";

struct KindInfo {
    const char* name;
    MouseButton button;
    int clicks;
};
// Kinds 1..6, in order.
constexpr KindInfo kKinds[] = {
    {"L-CLK", MouseButton::Left, 1},   {"L-DBCLK", MouseButton::Left, 2},
    {"R-CLK", MouseButton::Right, 1},  {"R-DBCLK", MouseButton::Right, 2},
    {"M-CLK", MouseButton::Middle, 1}, {"M-DBCLK", MouseButton::Middle, 2},
};
constexpr unsigned kFirstPickMessage = 1033;  // UM_PICK_LDOWN; the six follow in kind order

constexpr int kMissing = 9999;
int orDefault(int v, int def) {
    return v == kMissing ? def : v;
}
std::string key(const char* stem, int slot) {
    return std::string(stem) + static_cast<char>('1' + slot);
}

}  // namespace

const char* kindName(int kind) {
    return kind >= 1 && kind <= 6 ? kKinds[kind - 1].name : "";
}

int kindOfName(const std::string& name) {
    for (int k = 1; k <= 6; ++k)
        if (name == kKinds[k - 1].name) return k;
    return 0;
}

int kindOfPickMessage(unsigned message) {
    return message >= kFirstPickMessage && message < kFirstPickMessage + 6
               ? static_cast<int>(message - kFirstPickMessage) + 1
               : 0;
}

Point pointOfPickParam(long lparam) {
    auto bits = static_cast<std::uint32_t>(lparam);
    return {static_cast<std::int16_t>(bits & 0xFFFF), static_cast<std::int16_t>(bits >> 16)};
}

void loadAutoClick(const ProfileFile& ini, AutoClickSettings& s) {
    s.save = orDefault(ini.readInt(kSection, "ATSSAVE"), 0);
    for (int i = 0; i < kSlots; ++i) {
        SlotRecord& r = s.records[static_cast<std::size_t>(i)];
        r.enabled = orDefault(ini.readInt(kSection, key("ATEXEF", i)), 0);
        r.x = orDefault(ini.readInt(kSection, key("ATEXEX", i)), 0);
        r.y = orDefault(ini.readInt(kSection, key("ATEXEY", i)), 0);
        r.seconds = orDefault(ini.readInt(kSection, key("ATEXET", i)), 60);
        r.kind = orDefault(ini.readInt(kSection, key("ATEVNT", i)), 0);
    }
}

void saveAutoClick(ProfileFile& ini, const AutoClickSettings& s, bool withSlots) {
    if (withSlots) {
        for (int i = 0; i < kSlots; ++i) {
            const SlotRecord& r = s.records[static_cast<std::size_t>(i)];
            ini.writeInt(kSection, key("ATEXEF", i), r.enabled);
            ini.writeInt(kSection, key("ATEXEX", i), r.x);
            ini.writeInt(kSection, key("ATEXEY", i), r.y);
            ini.writeInt(kSection, key("ATEXET", i), r.seconds);
            ini.writeInt(kSection, key("ATEVNT", i), r.kind);
        }
    }
    ini.writeInt(kSection, "ATSSAVE", s.save);
}

AutoClicker::AutoClicker(AutoClickSettings& settings, Desktop& desktop, AutoClickHost& host)
    : settings_(settings), desk_(desktop), host_(host) {}

int AutoClicker::secondsOf(const std::string& seconds) {
    // The edit holds digits only; anything else, like an empty edit, reads as 0.
    std::int64_t s = 0;
    for (char c : seconds) {
        if (c < '0' || c > '9') break;
        s = s * 10 + (c - '0');
        if (s >= kMaxSeconds) return kMaxSeconds;
    }
    return static_cast<int>(s);
}

int AutoClicker::periodOf(const std::string& seconds) {
    const std::int64_t ms = std::int64_t{secondsOf(seconds)} * 1000;
    if (ms > kMaxPeriodMs) return kMaxPeriodMs;
    return ms < kMinPeriodMs ? kMinPeriodMs : static_cast<int>(ms);
}

bool AutoClicker::anyRunning() const {
    for (const SlotView& s : slots_)
        if (s.running) return true;
    return false;
}

void AutoClicker::fillSlot(int i) {
    const SlotRecord& r = settings_.records[static_cast<std::size_t>(i)];
    SlotView& s = at(i);
    s.checked = r.enabled != 0;
    s.seconds = std::to_string(r.seconds);
    s.kind = kindName(r.kind);
    // A stored point is shown whenever the slot has a kind: a point on the screen's left or
    // top edge (0) or beyond it (negative) is a point like any other.
    if (r.kind != 0) {
        s.x = std::to_string(r.x);
        s.y = std::to_string(r.y);
    }
    s.setEnabled = s.secondsEnabled = s.checked;
    s.runEnabled = s.checked && !s.x.empty() && !s.y.empty();
}

void AutoClicker::open() {
    saveChecked_ = settings_.save == 1;
    for (int i = 0; i < kSlots; ++i) {
        SlotView& s = at(i);
        s = SlotView{};
        if (settings_.save == 1) {
            fillSlot(i);
        } else {
            s.seconds = std::to_string(settings_.records[static_cast<std::size_t>(i)].seconds);
            s.setEnabled = s.secondsEnabled = s.runEnabled = false;
        }
        s.runLabel = kRun;
    }
    capture_ = -1;
    picking_ = false;
    pendingKind_ = 0;
    blinkFlag_ = true;
}

void AutoClicker::check(int slot, bool on) {
    SlotView& s = at(slot);
    s.checked = on;
    if (on) {
        s.setEnabled = true;
        if (!s.x.empty() && !s.y.empty()) {
            s.runEnabled = true;
            if (!s.running) s.runLabel = kRun;
        }
        s.secondsEnabled = true;
    } else {
        // Unticking does not stop a running slot ("全停止" still does).
        s.setEnabled = s.runEnabled = s.secondsEnabled = false;
        s.status.clear();
    }
}

void AutoClicker::setSeconds(int slot, const std::string& text) {
    at(slot).seconds = text;
}

void AutoClicker::pressSet(int slot) {
    if (host_.pickHookBusy()) {
        host_.message("他でフック中");
        return;
    }
    for (SlotView& s : slots_) s.setEnabled = false;
    capture_ = slot + 1;
    picking_ = true;
    pendingKind_ = 0;
    host_.startPickHook(slot + 1);
    host_.minimizeFrame();
}

void AutoClicker::picked(unsigned message, int tag, Point p) {
    // The hook reports asynchronously: a click that arrives after the pick ended (the second
    // press of a slow double click, say) is not a new pick.
    if (!picking_) return;
    int kind = kindOfPickMessage(message);
    if (kind == 0) return;
    bool single = kind % 2 == 1;
    if (single && pendingKind_ == 0) {
        pendingKind_ = kind;
        pendingTag_ = tag;
        pendingPoint_ = p;
        host_.startPickWindow(kDoubleClickMs);
        return;
    }
    if (pendingKind_ != 0 && single) {
        // Another single press: the first one stands.
        kind = pendingKind_;
        tag = pendingTag_;
        p = pendingPoint_;
    }
    finishPick(kind, tag, p);
}

void AutoClicker::pickWindowEnded() {
    if (pendingKind_ != 0) finishPick(pendingKind_, pendingTag_, pendingPoint_);
}

void AutoClicker::finishPick(int kind, int tag, Point p) {
    pendingKind_ = 0;
    picking_ = false;
    host_.endPickHook();
    if (dbg::enabled()) {
        char line[96];
        std::snprintf(line, sizeof line, "event-%d x:%d y:%d\r\n", tag, p.x, p.y);
        dbg::out(line);
    }
    host_.restoreFrame();
    if (capture_ == -1 || tag != capture_) return;
    SlotView& s = at(capture_ - 1);
    s.x = std::to_string(p.x);
    s.y = std::to_string(p.y);
    s.kind = kindName(kind);
    s.runEnabled = true;
    for (SlotView& other : slots_)
        if (other.checked) other.setEnabled = other.runEnabled = true;
}

void AutoClicker::start(int i) {
    SlotView& s = at(i);
    s.running = true;
    s.runLabel = kStop;
    host_.startTimer(i, periodOf(s.seconds));
    s.status = kWaiting;
}

void AutoClicker::stop(int i) {
    SlotView& s = at(i);
    s.running = false;
    s.runLabel = kRun;
    host_.stopTimer(i);
    s.status.clear();
    s.statusShown = true;
}

void AutoClicker::pressRun(int slot) {
    if (!at(slot).checked) return;
    at(slot).running ? stop(slot) : start(slot);
}

void AutoClicker::runAll() {
    for (int i = 0; i < kSlots; ++i)
        if (at(i).checked) at(i).running ? stop(i) : start(i);
}

void AutoClicker::stopAll() {
    // Every running slot stops, also one whose box was unticked while it ran: nothing else
    // could stop it, and the dialog could never be closed.
    for (int i = 0; i < kSlots; ++i)
        if (at(i).running) stop(i);
}

bool AutoClicker::runAllEnabled() const {
    bool ready = false;
    for (const SlotView& s : slots_)
        if (s.checked && !s.x.empty() && !s.y.empty()) ready = true;
    return ready && !anyRunning();
}

void AutoClicker::inject(int kind) {
    if (kind < 1 || kind > 6) return;
    const KindInfo& k = kKinds[kind - 1];
    for (int c = 0; c < k.clicks; ++c) {
        desk_.mouseButton(k.button, true);
        desk_.mouseButton(k.button, false);
    }
}

void AutoClicker::tick(int slot) {
    SlotView& s = at(slot);
    if (!s.running) return;  // a tick that was on its way when the slot stopped
    s.status = kExecute;
    s.statusShown = true;
    blinkFlag_ = true;
    desk_.cursor();  // read, and not restored afterwards
    desk_.setCursor(toInt(s.x), toInt(s.y));
    inject(kindOfName(s.kind));
}

void AutoClicker::blink() {
    blinkFlag_ = !blinkFlag_;
    for (SlotView& s : slots_) {
        if (!s.checked || !s.running) continue;
        s.status = kWaiting;
        s.statusShown = !blinkFlag_;
    }
}

bool AutoClicker::close(ProfileFile& ini) {
    if (!closeEnabled()) return false;
    settings_.save = saveChecked_ ? 1 : 0;
    if (settings_.save == 1) {
        for (int i = 0; i < kSlots; ++i) {
            SlotRecord& r = settings_.records[static_cast<std::size_t>(i)];
            const SlotView& s = slot(i);
            r.enabled = s.checked ? 1 : 0;
            r.x = toInt(s.x);
            r.y = toInt(s.y);
            r.seconds = secondsOf(s.seconds);  // what runs, never a wrapped value
            if (int k = kindOfName(s.kind)) r.kind = k;
        }
    }
    saveAutoClick(ini, settings_, settings_.save == 1);
    return true;
}

}  // namespace orv::tools

#include "recorder/replay.h"

#include <charconv>
#include <cstdint>
#include <vector>

#include "hook/orvhook.h"
#include "lang/text.h"
#include "recorder/recorder.h"

namespace orv::recorder {

namespace {

struct Event {
    enum Kind { SetRec, Run, StopRect, Key, Mouse } kind;
    std::int32_t a = 0, b = 0, c = 0, d = 0;
    std::uint32_t flags = 0;
};

bool parseInt(std::string_view s, std::int32_t& out) {
    if (s.empty()) return false;
    const char* first = s.data();
    const char* last = s.data() + s.size();
    if (*first == '+') ++first;
    auto r = std::from_chars(first, last, out);
    return r.ec == std::errc() && r.ptr == last;
}

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> w;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        std::size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t') ++j;
        if (j > i) w.push_back(line.substr(i, j - i));
        i = j;
    }
    return w;
}

int mouseMessage(std::string_view name) {
    static const struct {
        const char* name;
        int msg;
    } kNames[] = {{"move", ORV_WM_MOUSEMOVE},     {"ldown", ORV_WM_LBUTTONDOWN},
                  {"lup", ORV_WM_LBUTTONUP},      {"ldbl", ORV_WM_LBUTTONDBLCLK},
                  {"rdown", ORV_WM_RBUTTONDOWN},  {"rup", ORV_WM_RBUTTONUP},
                  {"rdbl", ORV_WM_RBUTTONDBLCLK}, {"mdown", ORV_WM_MBUTTONDOWN},
                  {"mup", ORV_WM_MBUTTONUP},      {"mdbl", ORV_WM_MBUTTONDBLCLK}};
    for (const auto& n : kNames)
        if (name == n.name) return n.msg;
    return 0;
}

// Parses one line; false with a message when it is not an event line.
bool parseLine(const std::vector<std::string_view>& w, Event& ev, std::string& why) {
    const std::string_view cmd = w[0];
    const auto flag01 = [&](Event::Kind kind) {
        if (w.size() != 2 || (w[1] != "0" && w[1] != "1")) {
            why = std::string(cmd) + " takes 0 or 1";
            return false;
        }
        ev.kind = kind;
        ev.a = w[1] == "1";
        return true;
    };
    if (cmd == "setrec") return flag01(Event::SetRec);
    if (cmd == "run") return flag01(Event::Run);
    if (cmd == "stoprect") {
        if (w.size() != 5 || !parseInt(w[1], ev.a) || !parseInt(w[2], ev.b) ||
            !parseInt(w[3], ev.c) || !parseInt(w[4], ev.d)) {
            why = "stoprect takes four integers L T R B";
            return false;
        }
        ev.kind = Event::StopRect;
        return true;
    }
    if (cmd == "key") {
        if (w.size() < 3 || w.size() > 4 || (w[1] != "down" && w[1] != "up") ||
            !parseInt(w[2], ev.a) || (w.size() == 4 && w[3] != "physical")) {
            why = "expected: key down|up VK [physical]";
            return false;
        }
        ev.kind = Event::Key;
        if (w[1] == "up") ev.flags |= ORV_KF_RELEASE;
        if (w.size() == 4) ev.flags |= ORV_KF_PHYSICAL;
        return true;
    }
    if (cmd == "mouse") {
        if (w.size() != 4 || (ev.a = mouseMessage(w[1])) == 0 || !parseInt(w[2], ev.b) ||
            !parseInt(w[3], ev.c)) {
            why = "expected: mouse move|ldown|lup|ldbl|rdown|rup|rdbl|mdown|mup|mdbl X Y";
            return false;
        }
        ev.kind = Event::Mouse;
        return true;
    }
    why = "unknown event '" + std::string(cmd) + "'";
    return false;
}

void collect(void* ctx, const OrvHookDelivery* d) {
    auto& out = *static_cast<std::string*>(ctx);
    if (d->kind == ORV_DELIVER_TEXT && d->text) {
        std::string text = cp932ToUtf8(d->text);
        // One output line per record line, without the carriage return.
        std::string::size_type p;
        while ((p = text.find("\r\n")) != std::string::npos) text.erase(p, 1);
        out += text;
        if (!text.empty() && text.back() != '\n') out += '\n';
    } else if (d->kind == ORV_DELIVER_MESSAGE && d->message == ORV_UM_RUNABORT) {
        out += "RUNABORT\n";
    }
}

}  // namespace

bool replayEvents(std::string_view events, std::string& output, std::string& error) {
    std::vector<Event> list;
    int lineNo = 0;
    std::size_t pos = 0;
    while (pos <= events.size()) {
        std::size_t nl = events.find('\n', pos);
        if (nl == std::string_view::npos) nl = events.size();
        std::string_view line = events.substr(pos, nl - pos);
        pos = nl + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        auto w = words(line);
        if (w.empty() || w[0][0] == '#') continue;
        Event ev{};
        std::string why;
        if (!parseLine(w, ev, why)) {
            error = "line " + std::to_string(lineNo) + ": " + why;
            return false;
        }
        list.push_back(ev);
    }

    output.clear();
    SetMainHwnd(kFrameWindow, kRecordBufferWindow);
    OrvHookSetDelivery(collect, &output);
    for (const Event& ev : list) {
        switch (ev.kind) {
            case Event::SetRec:
                Recflgset(ev.a);
                break;
            case Event::Run:
                KSetExe(ev.a, ev.a ? kRunDialogWindow : 0);
                break;
            case Event::StopRect:
                OrvHookSetStopRect(ev.a, ev.b, ev.c, ev.d);
                break;
            case Event::Key:
                CallKeyboardHookProc(0, ev.a, ev.flags);
                break;
            case Event::Mouse: {
                OrvMouseRecord rec{ev.b, ev.c, 0};
                CallMouseHookProc(0, ev.a, &rec);
                break;
            }
        }
    }
    OrvHookSetDelivery(nullptr, nullptr);
    return true;
}

}  // namespace orv::recorder

#include "tests/desktop_x11/x11_env.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>

#include "lang/text.h"
#include "platform/file_io.h"

namespace orvtest {

namespace {

int g_macros = 0;

// The log lines of one kind of event, as "down WORD" / "up WORD" with the line's second word:
// "KeyPress a" gives "down a", "ButtonRelease 1 20 30" gives "up 1".
std::vector<std::string> events(const Target& t, const char* press, const char* release) {
    std::vector<std::string> out;
    for (const std::string& l : t.lines()) {
        std::istringstream in(l);
        std::string kind, word;
        in >> kind >> word;
        if (kind == press || kind == release)
            out.push_back((kind == press ? "down " : "up ") + word);
    }
    return out;
}

}  // namespace

Session& suite() {
    static Session s;
    return s;
}

bool startTarget(Target& t, const std::string& titleUtf8, int x, int y, int w, int h) {
    if (suite().startTarget(titleUtf8, x, y, w, h, t, orv::x11test::Gravity::NorthWest))
        return true;
    ADD_FAILURE() << suite().explain(t);
    return false;
}

std::vector<std::string> keyEvents(const Target& t) {
    return events(t, "KeyPress", "KeyRelease");
}

std::vector<std::string> buttonEvents(const Target& t) {
    return events(t, "ButtonPress", "ButtonRelease");
}

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Commands run in the suite's folder, so that comp.his and the like land there.
int run(const std::vector<std::string>& argv, std::string* out, int timeoutMs, std::string* err) {
    return orv::x11test::runProgram(argv, out, err, timeoutMs, suite().dir());
}

bool observedOuter(unsigned long window, Rect& r) {
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", window);
    std::string info, ext;
    if (run({"xwininfo", "-id", id}, &info, 5000) != 0) return false;
    if (run({"xprop", "-id", id, "_NET_FRAME_EXTENTS"}, &ext, 5000) != 0) return false;
    auto field = [&](const char* name, int& v) {
        std::size_t p = info.find(name);
        if (p == std::string::npos) return false;
        v = std::atoi(info.c_str() + p + std::strlen(name));
        return true;
    };
    int ax = 0, ay = 0, w = 0, h = 0;
    if (!field("Absolute upper-left X:", ax) || !field("Absolute upper-left Y:", ay) ||
        !field("Width:", w) || !field("Height:", h)) {
        return false;
    }
    int l = 0, rr = 0, t = 0, b = 0;
    std::size_t eq = ext.find(" = ");
    if (eq == std::string::npos ||
        std::sscanf(ext.c_str() + eq + 3, "%d, %d, %d, %d", &l, &rr, &t, &b) != 4) {
        return false;
    }
    r = {ax - l, ay - t, w + l + rr, h + t + b};
    return true;
}

bool observedPointer(int& x, int& y) {
    std::string o;
    if (run({"xdotool", "getmouselocation", "--shell"}, &o, 5000) != 0) return false;
    std::size_t px = o.find("X="), py = o.find("Y=");
    if (px == std::string::npos || py == std::string::npos) return false;
    x = std::atoi(o.c_str() + px + 2);
    y = std::atoi(o.c_str() + py + 2);
    return true;
}

unsigned long observedActive() {
    std::string o;
    if (run({"xdotool", "getactivewindow"}, &o, 5000) != 0) return 0;
    return std::strtoul(o.c_str(), nullptr, 10);
}

int runMacro(const std::string& utf8Text, std::string* out, std::string* err,
             const std::vector<std::string>& extra) {
    std::string text;
    for (char c : utf8Text) {
        if (c == '\n') text += '\r';
        text += c;
    }
    const std::string path = suite().dir() + "/m" + std::to_string(++g_macros) + ".ovm";
    if (!orv::writeFileAtomic(path, orv::sj(text))) return -1;
    std::vector<std::string> argv = {ORV_CLI, "run",        path, "--desktop",
                                     "x11",   "--interval", "0",  "--vars"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    return run(argv, out, 30000, err);
}

std::string varOf(const std::string& varsOut, const std::string& name) {
    std::istringstream in(varsOut);
    std::string l;
    while (std::getline(in, l))
        if (l.compare(0, name.size() + 1, name + "=") == 0) return l.substr(name.size() + 1);
    return "";
}

}  // namespace orvtest

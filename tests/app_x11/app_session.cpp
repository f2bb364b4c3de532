#include "tests/app_x11/app_session.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace orv::x11test {

void writeBytes(const fs::path& p, const std::string& bytes) {
    std::ofstream f(p, std::ios::binary);
    f << bytes;
}

namespace {
std::string command(const fs::path& dir, const std::string& env, const std::string& args) {
    return "cd '" + dir.string() +
           "' && chmod 700 . && exec env LC_ALL=C LANG=C XDG_RUNTIME_DIR='" + dir.string() + "' " +
           env + " '" + std::string(ORV_APP) + "' " + args;
}
}  // namespace

pid_t startOrvane(Session& s, const fs::path& dir, const std::string& macroCp932,
                  const std::string& flag, const std::string& moreIni, const std::string& env) {
    writeBytes(dir / "Orvane.ini",
               "[SYSTEM]\r\nDMEX1ST=1\r\nCOMTIME=20\r\nSRCENDM=0\r\n" + moreIni);
    std::string args;
    if (!macroCp932.empty()) {
        writeBytes(dir / "m.ovm", macroCp932);
        args = "'" + (dir / "m.ovm").string() + "' " + flag;
    }
    return s.spawn({"sh", "-c", command(dir, env, args)}, "", (dir / "err.txt").string());
}

int runOrvane(Session& s, const fs::path& dir, const std::string& args, int timeoutMs) {
    return Session::wait(s.spawn({"sh", "-c", command(dir, "", args)}), timeoutMs);
}

pid_t startPlaced(Session& s, const fs::path& dir, const std::string& macro,
                  const std::string& moreIni) {
    fs::create_directories(dir);
    pid_t app = startOrvane(s, dir, macro, "0", kFramePlace + moreIni);
    if (!waitWindow(s, "^Orvane$", true, 10000)) return app;
    s.run("sleep 1");
    return app;
}

std::string onWindow(const std::string& name, const std::string& cmd) {
    return "xdotool search --onlyvisible --name '" + name + "' | head -1 | xargs -I{} " + cmd;
}

void focusWindow(Session& s, const std::string& name) {
    s.run(
        onWindow(name, "sh -c 'xdotool windowactivate --sync {}; xdotool windowfocus --sync {}'") +
        "; sleep 0.3");
}

bool waitWindow(Session& s, const std::string& name, bool shown, int ms) {
    const std::string cmd = "xdotool search --onlyvisible --name '" + name + "' >/dev/null";
    return waitUntil([&] { return (s.run(cmd) == 0) == shown; }, ms);
}

std::string frameGeometry(Session& s, const fs::path& dir) {
    s.run("xdotool search --name '^Orvane$' getwindowgeometry > '" + (dir / "geo.txt").string() +
          "'");
    return readFile((dir / "geo.txt").string());
}

std::vector<int> outerRect(Session& s, const std::string& name, const fs::path& dir) {
    const std::string file = (dir / "outer.txt").string();
    s.run(onWindow(name,
                   "sh -c 'xwininfo -id {} | grep -E \"Absolute upper-left|Width|Height\"; "
                   "xprop -id {} _NET_FRAME_EXTENTS'") +
          " > '" + file + "'");
    const std::string t = readFile(file);
    auto number = [&](const std::string& label) {
        const std::size_t at = t.find(label);
        return at == std::string::npos ? 0 : std::atoi(t.c_str() + at + label.size());
    };
    int l = 0, r = 0, top = 0, b = 0;
    const std::size_t ext = t.find("= ");
    if (ext != std::string::npos)
        std::sscanf(t.c_str() + ext + 2, "%d, %d, %d, %d", &l, &r, &top, &b);
    return {number("Absolute upper-left X:") - l, number("Absolute upper-left Y:") - top,
            number("Width:") + l + r, number("Height:") + top + b};
}

std::string focusedName(Session& s, const fs::path& dir) {
    const std::string file = (dir / "focus.txt").string();
    s.run("xdotool getwindowfocus getwindowname > '" + file + "' 2>/dev/null");
    std::string n = readFile(file);
    while (!n.empty() && (n.back() == '\n' || n.back() == '\r')) n.pop_back();
    return n;
}

std::string pointer(Session& s, const fs::path& dir) {
    const std::string file = (dir / "loc.txt").string();
    s.run("xdotool getmouselocation > '" + file + "'");
    return readFile(file);
}

}  // namespace orv::x11test

// Recording through the program under a private Xvfb + openbox: F1, a burst of 2,000 input
// events (500 clicks at distinct points and 500 key taps) from one xdotool process, the stop
// button. Every click and key must reach the new macro, in order, and the frame's event loop
// must keep running: the program reports (ORVANE_DEBUG=1) the longest gap of a 10 ms timer
// during the recording. xdotool's own rate is the peer figure. Goal: complete, stall ≤ 50 ms.
// Usage: record_bench [path/to/orvane]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/input_burst.h"
#include "tests/x11/harness.h"

namespace fs = std::filesystem;
using orv::x11test::readFile;
using orv::x11test::waitUntil;

namespace {

// The recorded lines the program printed after "recording: ", and the stall it measured.
bool parseReport(const std::string& err, std::vector<std::string>& lines, long& stallMs) {
    const std::size_t at = err.find("recording: ");
    if (at == std::string::npos) return false;
    const std::size_t stall = err.find("stall ", at);
    stallMs = stall == std::string::npos ? -1 : std::atol(err.c_str() + stall + 6);
    std::istringstream in(err.substr(err.find('\n', at) + 1));
    for (std::string l; std::getline(in, l);) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        if (l.rfind('\t', 0) == 0) lines.push_back(l);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string app = argc > 1 ? argv[1] : ORV_APP;
    orv::x11test::Session s;
    std::string why;
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0) why = "xdotool is not installed";
    if (!why.empty() || !s.start(why)) {
        std::printf("record_bench: skipped (%s)\n", why.c_str());
        return 0;
    }
    const fs::path dir = fs::path(s.dir()) / "rec";
    fs::create_directories(dir);
    std::ofstream(dir / "Orvane.ini", std::ios::binary)
        << "[SYSTEM]\r\nDMEX1ST=1\r\nCOMTIME=20\r\nSRCENDM=0\r\nWNXLPOS=40\r\nWNYLPOS=700\r\n"
           "WNXRPOS=400\r\nWNYRPOS=300\r\n";
    const std::string cmd = "cd '" + dir.string() + "' && chmod 700 . && exec env ORVANE_DEBUG=1 " +
                            "XDG_RUNTIME_DIR='" + dir.string() + "' '" + app + "'";
    const std::string errFile = (dir / "err.txt").string();
    s.spawn({"sh", "-c", cmd}, "", errFile);
    const std::string frame = "xdotool search --onlyvisible --name '^Orvane$' | head -1";
    if (!waitUntil([&] { return s.run(frame + " | grep -q .") == 0; }, 15000)) {
        std::printf("record_bench: the program did not start\n%s", readFile(errFile).c_str());
        return 1;
    }
    s.run("sleep 1; " + frame +
          " | xargs -I{} sh -c 'xdotool windowactivate --sync {}; xdotool windowfocus --sync {}'"
          "; sleep 0.3; xdotool key F1");
    const std::string stop = "xdotool search --onlyvisible --name 'マクロ記録停止'";
    if (!waitUntil([&] { return s.run(stop + " >/dev/null") == 0; }, 5000)) {
        std::printf("record_bench: no record-stop window\n");
        return 1;
    }
    s.run("sleep 0.5");
    const int clicks = 500;
    std::vector<std::string> expected;
    const std::string burst = inputBurst(clicks, expected);
    const auto t0 = std::chrono::steady_clock::now();
    s.run(burst);
    const double xdoMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    s.run("sleep 0.5; " + stop +
          " | head -1 | xargs -I{} xdotool mousemove --window {} 20 8 click 1");
    std::vector<std::string> got;
    long stallMs = -1;
    waitUntil([&] { return parseReport(readFile(errFile), got, stallMs); }, 20000);
    std::size_t inOrder = 0;
    while (inOrder < got.size() && inOrder < expected.size() && got[inOrder] == expected[inOrder])
        ++inOrder;
    const bool complete = got == expected;
    std::printf("burst: %d input events from xdotool in %.0f ms (%.0f events/s)\n", clicks * 4,
                xdoMs, clicks * 4 / (xdoMs / 1000.0));
    std::printf("program: recorded %zu of %zu lines, %zu in order: %s\n", got.size(),
                expected.size(), inOrder, complete ? "complete" : "LOST");
    std::printf("program: longest event-loop stall while recording %ld ms (goal <= 50 ms): %s\n",
                stallMs, stallMs >= 0 && stallMs <= 50 ? "met" : "MISSED");
    return complete && stallMs >= 0 && stallMs <= 50 ? 0 : 1;
}

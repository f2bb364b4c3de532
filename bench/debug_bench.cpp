// Debug-run overhead: a counting loop of 1,000,000 passes run in debug mode (mode 3) with 10
// breakpoints on lines it never reaches, against the same loop as a plain run, timed in the
// same process (best of several runs each). The breakpoint test goes through the debugger
// core's session, as it does from the program's breakpoints window. Goal: ratio <= 1.5.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/headless_run.h"
#include "debugger/debug_session.h"

namespace {

constexpr int kFirstDeadLine = 4;  // lines 4 to 13 sit in a branch that is never taken
constexpr int kDeadLines = 10;

// The loop, behind a branch of ten lines that never runs.
std::string loopText(long n) {
    std::string t = "DEFINE %i, %d\r\nSTART\r\nIF (%i < 0)\r\n";
    for (int k = 0; k < kDeadLines; ++k) t += "%d = %d + 1\r\n";
    t += "ENDIF\r\nDO (%i < " + std::to_string(n) + ")\r\n%i = %i + 1\r\nENDDO\r\nEND\r\n";
    return t;
}

// The program's run host in small: the worker's breakpoint test asks the session.
struct SessionHost : orv::bench::PrintingHost {
    explicit SessionHost(orv::debugger::DebugSession& s) : session(s) {}
    bool breakpointHit(const std::string& title, int line1) override {
        return session.breakpointHit(title, line1);
    }
    const std::atomic<std::uint64_t>* breakpointVersion() override { return &session.version(); }
    orv::debugger::DebugSession& session;
};

}  // namespace

int main(int argc, char** argv) {
    const long n = argc > 1 ? std::atol(argv[1]) : 1000000;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::string text = loopText(n);
    orv::debugger::BreakpointList list;
    for (int k = 0; k < kDeadLines; ++k) list.toggle("bench.ovm", kFirstDeadLine + k, "");
    orv::debugger::DebugSession session(list);
    SessionHost debugHost(session);
    orv::bench::PrintingHost plainHost;

    double plain = 1e9, debug = 1e9;
    bool ended = true;
    for (int r = 0; r < repeats; ++r) {
        orv::Tables a, b;
        plain = std::min(plain, orv::bench::runHeadless(a, text, plainHost, orv::MODE_RUN));
        debug = std::min(debug, orv::bench::runHeadless(b, text, debugHost, orv::MODE_DEBUG));
        ended = ended && b.hVal.cell(0, orv::val::value) == std::to_string(n);
    }
    if (plain <= 0 || debug <= 0) return 1;
    std::printf("plain run:  %ld passes in %.3f s  %.1f M passes/s\n", n, plain,
                static_cast<double>(n) / plain / 1e6);
    std::printf("debug run:  %ld passes in %.3f s  %.1f M passes/s  (%d breakpoints, none hit)\n",
                n, debug, static_cast<double>(n) / debug / 1e6, kDeadLines);
    std::printf("ratio (debug time / plain time): %.2f  (goal <= 1.5)\n", debug / plain);
    if (!ended) std::printf("the debug run did not reach the end\n");
    return ended ? 0 : 1;
}

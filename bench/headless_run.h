// Compiles a macro text and runs it to its end on the virtual desktop with COMTIME 0;
// returns the run's wall time in seconds, or -1 when the compile fails. The run is a plain
// run, or, with a host and mode 3, a debug run whose breakpoint test goes to that host.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "compiler/compile_driver.h"
#include "executor/executor.h"
#include "lang/codes.h"
#include "lang/text.h"
#include "platform/clock.h"
#include "platform/virtual/virtual_desktop.h"

namespace orv::bench {

struct PrintingHost : RunHost {
    void runtimeError(const std::string& m) override {
        std::fprintf(stderr, "error: %s\n", cp932ToUtf8(m).c_str());
    }
};

// `title` is the macro's title, as the breakpoint test sees it.
inline double runHeadless(Tables& tables, const std::string& text, RunHost& host, int mode,
                          const std::string& title = "bench.ovm") {
    if (!compileText(tables, text)) {
        std::fprintf(stderr, "compile failed\n");
        return -1;
    }
    VirtualDesktop desk;
    SystemClock clock;
    Executor ex(tables, desk, clock, host);
    ex.settings().comTime = 0;
    ex.record().macroTitle = title;
    ex.compiled(mode);
    const auto t0 = std::chrono::steady_clock::now();
    ex.startRun(mode);
    ex.join();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

inline double runHeadless(Tables& tables, const std::string& text) {
    PrintingHost host;
    return runHeadless(tables, text, host, MODE_RUN);
}

}  // namespace orv::bench

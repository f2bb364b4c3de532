// Compiles a macro text and runs it to its end on the virtual desktop with COMTIME 0;
// returns the run's wall time in seconds, or -1 when the compile fails.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "compiler/compile_driver.h"
#include "executor/executor.h"
#include "lang/text.h"
#include "platform/clock.h"
#include "platform/virtual/virtual_desktop.h"

namespace orv::bench {

struct PrintingHost : RunHost {
    void runtimeError(const std::string& m) override {
        std::fprintf(stderr, "error: %s\n", cp932ToUtf8(m).c_str());
    }
};

inline double runHeadless(Tables& tables, const std::string& text) {
    if (!compileText(tables, text)) {
        std::fprintf(stderr, "compile failed\n");
        return -1;
    }
    VirtualDesktop desk;
    SystemClock clock;
    PrintingHost host;
    Executor ex(tables, desk, clock, host);
    ex.settings().comTime = 0;
    ex.compiled(1);
    const auto t0 = std::chrono::steady_clock::now();
    ex.startRun(1);
    ex.join();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace orv::bench

// The run record: the state of the current run, shared by the frame, the
// compile driver, the worker thread and the debugger. Fields that both
// threads touch are atomic.
#pragma once

#include <atomic>
#include <string>

#include "lang/codes.h"

namespace orv {

struct RunRecord {
    std::atomic<int> running{0};        // 1 while execution may go on; a stop clears it
    std::atomic<int> threadStarted{0};  // set by the worker first, reset last
    std::atomic<int> mode{MODE_IDLE};
    std::atomic<int> currentRow{-1};    // the program counter; -1 at the end
    std::atomic<int> skipBreakLine{0};  // ignore the breakpoint of the line we continue from
    std::atomic<int> inLoop{0};         // 1 while the run loop executes
    std::atomic<int> autoRun{0};        // 1 for an automatic run (mode 5)
    // Title of the macro window (the macro file name, CP932); set before a run starts,
    // read by the breakpoint test.
    std::string macroTitle;
};

// Settings the executor reads (from Orvane.ini or the command line).
struct RunSettings {
    int comTime = 1000;         // COMTIME: ms slept once per source line; negative counts as 0
    bool ignoreErrors = false;  // SEXEERR 1
    bool minimizeWhileRunning = false;  // EMINWIN 1
};

}  // namespace orv

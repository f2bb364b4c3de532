// Run control: starts a run on a worker thread (run, debug run, automatic run),
// steps line by line on the calling thread, continues and stops debugging, and
// ends runs on request. One Executor exists per program; it owns the run
// record, the open-file table and the row executor.
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "executor/open_files.h"
#include "executor/row_executor.h"
#include "executor/run_host.h"
#include "executor/run_record.h"
#include "lang/tables.h"
#include "platform/clock.h"
#include "platform/desktop.h"

namespace orv {

class Executor {
  public:
    Executor(Tables& tables, Desktop& desktop, Clock& clock, RunHost& host);
    ~Executor();
    Executor(const Executor&) = delete;
    Executor& operator=(const Executor&) = delete;

    RunRecord& record() { return rec_; }
    // The run mode (a RunMode; MODE_STEP also for a paused debug run) and the row the run or
    // the paused debug run stands at (-1 at the end).
    int mode() const { return rec_.mode.load(); }
    int currentRow() const { return rec_.currentRow.load(); }
    // True while the run loop executes rows on the worker.
    bool rowsExecuting() const { return rec_.inLoop.load() != 0; }
    RunSettings& settings() { return settings_; }
    OpenFiles& files() { return files_; }

    // After every compile (failed or not): store the mode and empty the open-file table,
    // closing any handle still open. Ignored while a worker runs.
    void compiled(int storedMode);
    // Starts a compiled program: 1 run, 5 automatic run, 3 debug run, 4 step, 2 nothing.
    // For 1, 3 and 5 returns once the worker has signalled its start; false when the worker
    // could not be started (the mode is then 0).
    bool startRun(int type);
    // The same for the macro titled `title` (CP932: the file name the breakpoints name).
    bool startRun(int type, const std::string& title);
    // Step mode: kPosition positions on the first row, kStep executes the current source line.
    static constexpr int kPosition = 0;
    static constexpr int kStep = 1;
    void executeNextLine(int flag);
    // Continue (mode 4): runs on from the current row as a debug run.
    bool continueDebug();
    // Stop debugging: leaves modes 3 and 4.
    void stopDebug();
    // The stop button: clears `running` and wakes any wait; never sleeps.
    void requestStop();
    // Waits for the worker thread to end and joins it (no-op when none runs).
    void join();
    bool workerActive() const;
    // True once the worker (if any) has finished everything it does, its last calls to the
    // host included; a paused debug run's worker is still finishing until then.
    bool workerFinished() const;

    // Called with COMTIME each time the run loop spends the command interval (before it
    // waits); for observers such as tests.
    std::function<void(int ms)> onInterval;

  private:
    // The line whose breakpoint a continued debug run skips.
    struct SkipLine {
        bool seen = false;
        int line = -1;
    };
    // The lines of a debug run known to carry no breakpoint, while the host's breakpoint
    // version stands still.
    struct MissCache {
        const std::atomic<std::uint64_t>* version = nullptr;
        std::uint64_t seen = 0;
        std::vector<char> lines;  // index: 0-based line
        bool knownMiss(int line) {
            if (!version) return false;
            const std::uint64_t v = version->load(std::memory_order_acquire);
            if (v != seen) {
                std::fill(lines.begin(), lines.end(), 0);
                seen = v;
                return false;
            }
            return static_cast<std::size_t>(line) < lines.size() &&
                   lines[static_cast<std::size_t>(line)] != 0;
        }
        void noteMiss(int line);
    };
    // What the breakpoint test of one run loop keeps.
    struct BreakState {
        SkipLine skip;
        MissCache misses;
    };
    bool startWorker();
    bool startPlainRun(int type);
    bool startDebugRun();
    void startStepping();
    void workerProc();
    bool runLoop();
    // Debug runs: the breakpoint test of a row, after the rule that skips the line we continued
    // from (until a row of another line is reached). Neither locks nor waits; a line the host
    // said has no breakpoint is not asked about again while the host's breakpoint version stands
    // still. Inline, as it runs before every row.
    bool breakpointAt(bool dash, int line, const std::string& title, BreakState& st) {
        if (rec_.skipBreakLine.load(std::memory_order_relaxed) &&
            stillSkipping(dash, line, st.skip))
            return false;
        if (dash || !rec_.running.load(std::memory_order_relaxed) || st.misses.knownMiss(line))
            return false;
        if (host_.breakpointHit(title, line + 1)) return true;
        st.misses.noteMiss(line);
        return false;
    }
    bool stillSkipping(bool dash, int line, SkipLine& skip);
    void endLoop();
    int stepLine(int row);
    void sleepInterruptible(int ms);
    void endDebugging();
    void report(RunPhase phase) { host_.runState({phase, runKind_}); }
    // The end of a run (or of what is left of one): the files closed, held keys and buttons
    // released.
    void closeRun();

    Tables& t_;
    RunHost& host_;
    RunRecord rec_;
    RunSettings settings_;
    OpenFiles files_;
    RowExecutor rx_;
    std::thread worker_;
    mutable std::mutex mu_;
    std::condition_variable cv_;
    int runKind_ = MODE_IDLE;  // what the current or last run was started as
    bool startSignalled_ = false;
    bool workerDone_ = true;
};

}  // namespace orv

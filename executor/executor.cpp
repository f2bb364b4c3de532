#include "executor/executor.h"

#include <chrono>
#include <system_error>
#include <vector>

#include "lang/text.h"

namespace orv {

namespace {
constexpr int kStopSlice = 50;  // longest stretch a wait sleeps without looking at `running`
}

Executor::Executor(Tables& tables, Desktop& desktop, Clock& clock, RunHost& host)
    : t_(tables), host_(host), rx_(tables, files_, desktop, clock, host, settings_) {}

Executor::~Executor() {
    requestStop();
    join();
    files_.closeAll();
}

bool Executor::workerActive() const {
    return worker_.joinable() && rec_.threadStarted.load() != 0;
}

bool Executor::workerFinished() const {
    std::lock_guard<std::mutex> lock(mu_);
    return workerDone_;
}

void Executor::compiled(int storedMode) {
    if (worker_.joinable()) {
        std::unique_lock<std::mutex> lock(mu_);
        if (!workerDone_) return;
    }
    join();
    rec_.mode = storedMode;
    closeRun();
    rx_.invalidate();
}

void Executor::requestStop() {
    std::lock_guard<std::mutex> lock(mu_);
    rec_.running = 0;
    cv_.notify_all();
}

void Executor::join() {
    if (worker_.joinable()) worker_.join();
}

void Executor::sleepInterruptible(int ms) {
    if (ms <= 0) return;
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    std::unique_lock<std::mutex> lock(mu_);
    while (rec_.running.load() != 0) {
        auto now = std::chrono::steady_clock::now();
        if (now >= until) break;
        auto slice = std::chrono::milliseconds(kStopSlice);
        auto wake = until - now < slice ? until : now + slice;
        cv_.wait_until(lock, wake);
    }
}

bool Executor::startWorker() {
    {
        // Never a second worker beside a running one.
        std::lock_guard<std::mutex> lock(mu_);
        if (!workerDone_) return false;
    }
    join();
    {
        std::lock_guard<std::mutex> lock(mu_);
        startSignalled_ = false;
        workerDone_ = false;
    }
    try {
        worker_ = std::thread([this] { workerProc(); });
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> lock(mu_);
        workerDone_ = true;
        rec_.running = 0;
        rec_.mode = MODE_IDLE;
        return false;
    }
    std::unique_lock<std::mutex> lock(mu_);
    cv_.wait(lock, [this] { return startSignalled_ || workerDone_; });
    return true;
}

bool Executor::startRun(int type, const std::string& title) {
    rec_.macroTitle = title;
    return startRun(type);
}

bool Executor::startRun(int type) {
    closeRun();
    if (startsRun(type)) runKind_ = type;
    switch (type) {
        case MODE_RUN:
        case MODE_AUTO:
            return startPlainRun(type);
        case MODE_DEBUG:
            return startDebugRun();
        case MODE_STEP:
            startStepping();
            return true;
        default:
            rec_.mode = MODE_IDLE;
            rec_.autoRun = 0;
            host_.runState({RunPhase::Idle, MODE_IDLE});
            return true;
    }
}

// A run or an automatic run on the worker.
bool Executor::startPlainRun(int type) {
    report(RunPhase::Running);
    rec_.mode = type;
    rec_.running = 1;
    rec_.threadStarted = 0;
    rec_.skipBreakLine = 0;
    rec_.autoRun = type == MODE_AUTO ? 1 : 0;
    if (!startWorker()) {
        report(RunPhase::Idle);
        return false;
    }
    if (settings_.minimizeWhileRunning) host_.minimizeOwner();
    return true;
}

bool Executor::startDebugRun() {
    report(RunPhase::Running);
    host_.openBreakpoints();
    rec_.mode = MODE_DEBUG;
    rec_.running = 1;
    rec_.threadStarted = 0;
    rec_.skipBreakLine = 0;
    rec_.autoRun = 0;
    rec_.currentRow = 0;
    if (!startWorker()) {
        report(RunPhase::Idle);
        return false;
    }
    return true;
}

// Step mode runs on the calling thread, positioned on the first row.
void Executor::startStepping() {
    rec_.mode = MODE_STEP;
    rec_.autoRun = 0;
    report(RunPhase::Paused);
    host_.openBreakpoints();
    host_.openVariables();
    executeNextLine(kPosition);
}

void Executor::workerProc() {
    rec_.threadStarted = 1;
    {
        std::lock_guard<std::mutex> lock(mu_);
        startSignalled_ = true;
        cv_.notify_all();
    }
    host_.runStarted();
    bool ok = runLoop();
    if (rec_.running.load()) host_.runDialogClose();
    if (rec_.mode.load() == MODE_DEBUG && rec_.currentRow.load() != -1 && rec_.running.load()) {
        host_.openVariables();
        rec_.mode = MODE_STEP;
        report(RunPhase::Paused);
    }
    bool over = rec_.currentRow.load() == -1 || rec_.running.load() == 0;
    if (over) {
        rec_.mode = MODE_IDLE;
        report(RunPhase::Ended);
        host_.restoreFrame();
    }
    if (!ok) {
        host_.messageBox(sj("中断-ﾌﾟﾚｲｸﾎﾟｲﾝﾄ"));
        host_.focusMacro();
    }
    rec_.threadStarted = 0;
    {
        std::lock_guard<std::mutex> lock(mu_);
        workerDone_ = true;
        cv_.notify_all();
    }
    // Posted last, so that a receiver may join the thread at once.
    if (over) host_.runEnded(rec_.autoRun.load(), rec_.running.load());
}

// Remembers a line the host answered "no breakpoint" for, under the version read before the
// question (a change since then empties the cache at the next test).
void Executor::MissCache::noteMiss(int line) {
    if (!version || line < 0) return;
    if (static_cast<std::size_t>(line) >= lines.size())
        lines.resize(static_cast<std::size_t>(line) + 1, 0);
    lines[static_cast<std::size_t>(line)] = 1;
}

// The skip rule for one row: true while the row is still on the line we continued from (a
// "-" row counts as line 0); at the first row of another line the skip ends.
bool Executor::stillSkipping(bool dash, int line, SkipLine& skip) {
    if (!skip.seen) {
        if (!dash) {
            skip.line = line;
            skip.seen = true;
        }
        return true;
    }
    if ((dash ? 0 : line) == skip.line) return true;
    rec_.skipBreakLine = 0;
    return false;
}

bool Executor::runLoop() {
    rec_.inLoop = 1;
    int lastLine = -2;  // no line yet; -1 is "-"
    BreakState breaks;
    breaks.misses.version = host_.breakpointVersion();
    const std::string title = rec_.macroTitle;
    rx_.prepare();
    rx_.setSleeper([this](int ms) { sleepInterruptible(ms); });
    rx_.setCancel([this] { return rec_.running.load() == 0; });
    int n = rx_.rowCount();
    int mode = rec_.mode.load();
    int row = (mode == MODE_RUN || mode == MODE_AUTO) ? (n > 0 ? 0 : -1) : rec_.currentRow.load();
    if (row >= n) row = -1;
    if (row < 0) rec_.currentRow = -1;
    bool breakStop = false;
    const int interval = settings_.comTime > 0 ? settings_.comTime : 0;
    while (row >= 0 && rec_.running.load(std::memory_order_relaxed)) {
        const bool dash = rx_.lineIsDash(row);
        const int line = rx_.lineOf(row);
        const bool newLine = !dash && line != lastLine;
        if (newLine) host_.showLine(line);
        if (mode == MODE_DEBUG && breakpointAt(dash, line, title, breaks)) {
            rec_.currentRow = row;
            breakStop = true;
            break;
        }
        if (!rec_.running.load(std::memory_order_relaxed)) {
            rec_.currentRow = row;
            break;
        }
        int next = rx_.execute(row);
        if (next < 0 || next >= n) next = -1;
        rec_.currentRow.store(next, std::memory_order_relaxed);
        if (newLine) {
            lastLine = line;
            if (rec_.running.load(std::memory_order_relaxed)) {
                if (onInterval) onInterval(interval);
                if (interval > 0) sleepInterruptible(interval);
            }
        }
        row = next;
    }
    endLoop();
    return !(mode == MODE_DEBUG && breakStop);
}

// After the run loop: the values as text, the files closed at the end or at a stop.
void Executor::endLoop() {
    rx_.flush();
    if (rec_.currentRow.load() == -1) {
        if (rec_.running.load()) host_.caretToEnd();
        closeRun();
    } else if (!rec_.running.load()) {
        closeRun();
    }
    rec_.inLoop = 0;
}

void Executor::closeRun() {
    files_.closeAll();
    rx_.releaseHeld();
}

void Executor::endDebugging() {
    host_.caretToEnd();
    rec_.mode = MODE_IDLE;
    host_.closeVariables();
    report(RunPhase::Ended);
}

void Executor::executeNextLine(int flag) {
    if (worker_.joinable()) {
        std::unique_lock<std::mutex> lock(mu_);
        if (!workerDone_) return;  // never step beside a running worker
    }
    join();
    if (flag == kPosition) {
        rx_.prepare();
        rec_.currentRow = rx_.rowCount() > 0 ? 0 : -1;
    } else {
        host_.clearBreakpointHot();
        if (!rx_.prepared()) rx_.prepare();
    }
    if (host_.macroModified()) {
        rec_.currentRow = -1;
        endDebugging();
        closeRun();
        if (host_.askYesNo(sj("マクロが変更されました。先頭行から再度実行しますか？")))
            host_.restartStep();
        return;
    }
    int row = rec_.currentRow.load();
    int n = rx_.rowCount();
    if (row >= 0 && row < n && !rx_.lineIsDash(row)) host_.showLine(rx_.lineOf(row));
    if (flag == kStep) {
        const int next = stepLine(row);
        rx_.flush();
        host_.refreshVariables();
        rec_.currentRow = next;
        if (next == -1) {
            endDebugging();
            closeRun();
        }
    }
    host_.focusMacro();
}

// Executes the rows of one source line from `row`; returns the next row or -1.
int Executor::stepLine(int row) {
    // Step mode runs on this thread: a WAIT sleeps in full, there is no stop button.
    rx_.setSleeper([](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); });
    rx_.setCancel([] { return false; });
    const int n = rx_.rowCount();
    const bool startDash = rx_.lineIsDash(row);
    const int startLine = rx_.lineOf(row);
    std::vector<char> seen(static_cast<std::size_t>(n > 0 ? n : 1), 0);
    if (row < 0 || row >= n) return -1;
    for (;;) {
        seen[static_cast<std::size_t>(row)] = 1;
        const int next = rx_.execute(row);
        if (next < 0 || next >= n) return -1;
        bool sameLine =
            rx_.lineIsDash(next) || (!startDash && rx_.lineOf(next) == startLine) || startDash;
        if (startDash) sameLine = rx_.lineIsDash(next);
        // A row met twice in one step ends the step (a loop within one line).
        if (!sameLine || seen[static_cast<std::size_t>(next)]) return next;
        row = next;
    }
}

bool Executor::continueDebug() {
    host_.clearBreakpointHot();
    if (host_.macroModified()) {
        if (host_.askYesNo(sj("マクロが変更されました。先頭行から再度実行しますか？")))
            host_.restartDebugRun();
        else
            host_.stopDebugging();
        return false;
    }
    if (worker_.joinable()) {
        std::unique_lock<std::mutex> lock(mu_);
        if (!workerDone_) return false;
    }
    rec_.mode = MODE_DEBUG;
    report(RunPhase::Running);
    host_.openBreakpoints();
    host_.closeVariables();
    rec_.running = 1;
    rec_.threadStarted = 0;
    rec_.skipBreakLine = 1;
    return startWorker();
}

void Executor::stopDebug() {
    bool workerRuns = false;
    if (worker_.joinable()) {
        std::unique_lock<std::mutex> lock(mu_);
        workerRuns = !workerDone_;
    }
    if (workerRuns) {
        // The worker closes the files itself when it sees the stop.
        requestStop();
    }
    rec_.mode = MODE_IDLE;
    host_.closeVariables();
    report(RunPhase::Ended);
    host_.clearBreakpointHot();
    if (!workerRuns) {
        closeRun();
        join();  // a debug run that paused has finished: nothing of it is left
    }
}

}  // namespace orv

// The run of a macro from the command line, shared by `orvane-cli run` and `orvane-cli debug`:
// the choice and preparation of the desktop, the run host that reports to the terminal, the
// compile that starts the run (with the SIGINT watch and, on the real desktop, the Esc
// watch), and the report with its exit code. What happens between the start and the end of
// the run is the command's own (its Drive).
//
// Exit codes: 0 normal end, 1 compile failure, 2 bad command line or input (no display for
// --desktop x11 included), 3 run-time error, 4 stopped by SIGINT (or, on the real desktop,
// by Esc released by anything but the macro itself).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "cli/run_options.h"
#include "executor/executor.h"
#include "executor/run_host.h"
#include "lang/tables.h"

namespace orv::cli {

// The run host of the command line: run-time errors and message boxes go to stderr in UTF-8;
// the end of the run can be awaited.
class CliRunHost : public RunHost {
  public:
    void runtimeError(const std::string& message) override;
    void messageBox(const std::string& text) override;
    void runEnded(int autoRun, int running) override;
    void waitEnd();
    bool errors() const { return errors_; }

  private:
    std::mutex mu_;
    std::condition_variable cv_;
    bool ended_ = false;
    std::atomic<bool> errors_{false};
};

// What a command does with a started run until it is over: `stopped` turns true at SIGINT
// (or Esc), after which the executor has been asked to stop.
using Drive = std::function<void(Executor& ex, const std::atomic<bool>& stopped)>;

// Compiles `text` (read from o.file) into `tables` in `mode` (MODE_RUN, MODE_DEBUG,
// MODE_STEP), runs it on the desktop the options choose with `host`, hands the started run
// to `drive`, prints the report and returns the exit code.
int runAndReport(const RunOptions& o, std::string_view text, Tables& tables, CliRunHost& host,
                 int mode, const Drive& drive);

// The title the breakpoint test sees: the file as given, in CP932.
std::string macroTitle(const RunOptions& o);

// Writes a variable's CP932 value as UTF-8 on one line: a backslash, CR, LF and TAB in it are
// written as the two characters \\, \r, \n and \t.
void printValue(std::FILE* f, std::string_view cp932);
// --vars: every string and number variable with its value, "NAME=VALUE" a line.
void printVariables(const RowTable& hVal);

}  // namespace orv::cli

// orvane-cli debug FILE [--break LINE]... [--step] [--actions LIST] [the options of run]
// Debugs FILE as the program's Debug run (or, with --step, its Step) does, with the debugger
// core for the breakpoints and the variables view and the executor for everything else; this
// file is only the host that prints the pauses and plays the actions.
//
// At every pause: "PAUSE L" (the 1-based line of the current row), then the variables view,
// "VAR NAME<TAB>文字|数値<TAB>VALUE" a line (VALUE escaped as for --vars); then the next
// action of --actions (next, continue, stop; continue once the list is used up). Exit codes as for
// run; stop exits 0.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_util.h"
#include "cli/commands.h"
#include "cli/debug_options.h"
#include "cli/macro_run.h"
#include "cli/run_options.h"
#include "debugger/debug_session.h"
#include "lang/codes.h"
#include "lang/text.h"

namespace orv::cli {

namespace {

// ---- The breakpoints ----

// Line `line1` (1-based) of a CP932 text without its line end; false past the last line
// (the empty line after a final line break still counts, as an editor's caret can be there).
bool textLine(std::string_view text, int line1, std::string_view& out) {
    std::size_t pos = 0;
    for (int l = 1; l < line1; ++l) {
        const std::size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos) return false;
        pos = eol + 1;
    }
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    out = text.substr(pos, end - pos);
    if (!out.empty() && out.back() == '\r') out.remove_suffix(1);
    return true;
}

// Toggles on each line of `lines` as the editor's F5 does (a line given twice is set once).
// 0, or the exit code 2 after the message when a line is past the end or refused.
int setBreakpoints(debugger::BreakpointList& list, const std::string& title, std::string_view text,
                   const std::vector<int>& lines) {
    for (int line : lines) {
        std::string_view lineText;
        if (!textLine(text, line, lineText)) {
            std::fprintf(stderr, "orvane-cli: --break %d: the file has no line %d\n", line, line);
            return 2;
        }
        if (list.find(title, line) >= 0) continue;
        const debugger::ToggleResult r = list.toggle(title, line, lineText);
        if (r == debugger::ToggleResult::Added) continue;
        std::fprintf(stderr, "orvane-cli: --break %d: %s\n", line,
                     cp932ToUtf8(debugger::toggleMessage(r)).c_str());
        return 2;
    }
    return 0;
}

// ---- The pauses ----

// The debugger's side of the executor: the breakpoint test and the variables view go to the
// debugger core's session, as they do from the program's windows.
class CliDebugHost : public CliRunHost {
  public:
    CliDebugHost(debugger::DebugSession& session, const Tables& tables)
        : session_(session), tables_(tables) {}
    bool breakpointHit(const std::string& title, int line1) override {
        return session_.breakpointHit(title, line1);
    }
    const std::atomic<std::uint64_t>* breakpointVersion() override { return &session_.version(); }
    void clearBreakpointHot() override { session_.clearHot(); }
    void openVariables() override { session_.openVariables(tables_.hVal); }
    void closeVariables() override { session_.closeVariables(); }
    void refreshVariables() override { session_.refreshVariables(tables_.hVal); }

  private:
    debugger::DebugSession& session_;
    const Tables& tables_;
};

// "PAUSE L" and the variables view as it stands.
void printPause(const Tables& tables, int row, const debugger::VariablesView& view) {
    const std::string& cell = tables.hMacro.cell(row, mac::MacroLine);
    int line0 = 0;
    if (cell != kNoLine && parseInt(cell, line0))
        std::printf("PAUSE %d\n", line0 + 1);
    else
        std::printf("PAUSE %s\n", cell.c_str());
    for (const debugger::VariableItem& v : view.items()) {
        std::fputs("VAR ", stdout);
        printUtf8(stdout, v.name);
        std::fputc('\t', stdout);
        printUtf8(stdout, v.type);
        std::fputc('\t', stdout);
        printValue(stdout, v.value);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
}

// The debugging commands of the frame, by action.
constexpr struct {
    Action action;
    void (*apply)(Executor&);
} kCommands[] = {
    {Action::Next, [](Executor& ex) { ex.executeNextLine(Executor::kStep); }},
    {Action::Continue, [](Executor& ex) { ex.continueDebug(); }},
    {Action::Stop, [](Executor& ex) { ex.stopDebug(); }},
};

// From the start to the end of debugging: a debug run's worker ends at a breakpoint (the
// executor then is in mode 4) or at the end; each pause plays the next action.
void playActions(Executor& ex, const std::atomic<bool>& stopped, const Tables& tables,
                 const debugger::DebugSession& session, const std::vector<Action>& actions) {
    std::size_t next = 0;
    for (;;) {
        ex.join();
        if (ex.record().mode.load() != MODE_STEP) return;
        if (stopped) {  // SIGINT during a step: leave debugging as Stop debugging does
            ex.stopDebug();
            return;
        }
        printPause(tables, ex.record().currentRow.load(), session.variables());
        const Action a = next < actions.size() ? actions[next++] : Action::Continue;
        for (const auto& c : kCommands)
            if (c.action == a) c.apply(ex);
    }
}

}  // namespace

int debugCommand(int argc, char** argv) {
    RunOptions o;
    DebugOptions d;
    if (int rc = parseDebugOptions(argc, argv, o, d)) return rc;
    std::string text;
    if (!loadMacro(o.file, text)) return 2;
    debugger::BreakpointList list;
    if (int rc = setBreakpoints(list, macroTitle(o), text, d.breaks)) return rc;
    debugger::DebugSession session(list);
    Tables tables;
    CliDebugHost host(session, tables);
    return runAndReport(o, text, tables, host, d.step ? MODE_STEP : MODE_DEBUG,
                        [&](Executor& ex, const std::atomic<bool>& stopped) {
                            playActions(ex, stopped, tables, session, d.actions);
                        });
}

}  // namespace orv::cli

// Run control with a fake run host: command interval, breakpoints, Continue,
// step mode, stop requests and the open-file table across compiles.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "executor_test_util.h"

using orvtest::Harness;
using Lines = std::vector<std::string>;

namespace {

int count(const Lines& v, const std::string& s) {
    int n = 0;
    for (auto& e : v)
        if (e == s) ++n;
    return n;
}

TEST(ExecutorControl, IntervalOncePerSourceLine) {
    Harness h;
    h.ex.settings().comTime = 1;
    std::vector<int> slept;
    h.ex.onInterval = [&](int ms) { slept.push_back(ms); };
    // Lines 2..4 loop twice: DO (one row), the assignment, ENDDO; then END on line 5.
    ASSERT_TRUE(h.run({"DEFINE %i", "START", "DO (%i < 2)", "%i = %i + 1", "ENDDO", "END"}));
    EXPECT_EQ(slept.size(), 3u * 2 + 1 + 1);  // two passes, the failing test, END
    for (int ms : slept) EXPECT_EQ(ms, 1);
}

TEST(ExecutorControl, NegativeIntervalCountsAsZeroAndDashRowsNeverWait) {
    Harness h;
    h.ex.settings().comTime = -5;
    std::vector<int> slept;
    h.ex.onInterval = [&](int ms) { slept.push_back(ms); };
    // SELECT writes two rows without a source line.
    ASSERT_TRUE(h.run({"DEFINE %v", "START", "SELECT %v", "CASE 0", "%v = 1", "ENDSELECT", "END"}));
    EXPECT_EQ(h.value("%v"), "1");
    // Lines with rows: CASE (line 3), the assignment (4), END (6); the SELECT rows are "-".
    EXPECT_EQ(slept, (std::vector<int>{0, 0, 0}));
    Lines ev = h.host.events();
    EXPECT_EQ(count(ev, "line 2"), 0);
    EXPECT_EQ(count(ev, "line 3"), 1);
}

TEST(ExecutorControl, BreakpointStopsBeforeTheLineAndContinueRunsOn) {
    Harness h;
    h.host.breaks = {4};  // 1-based: "%a = %a + 1"
    ASSERT_TRUE(h.compile({"DEFINE %a, %b", "START", "%a = 1", "%a = %a + 1", "%b = %a", "END"}));
    ASSERT_TRUE(h.ex.startRun(orv::MODE_DEBUG));
    // The worker ends without UM_RUNEND at a breakpoint: wait for it to finish.
    for (int i = 0; i < 10000 && h.ex.workerActive(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    h.ex.join();
    EXPECT_EQ(h.ex.record().mode.load(), orv::MODE_STEP);
    EXPECT_EQ(h.value("%a"), "1");
    Lines ev = h.host.events();
    EXPECT_EQ(count(ev, "box 中断-ﾌﾟﾚｲｸﾎﾟｲﾝﾄ"), 1);
    EXPECT_EQ(h.tables.hMacro.cell(h.ex.record().currentRow.load(), orv::mac::MacroLine), "3");

    // Continue: the breakpoint's own line runs; the run ends normally.
    ASSERT_TRUE(h.ex.continueDebug());
    h.host.waitEnd(1);
    h.ex.join();
    EXPECT_EQ(h.value("%b"), "2");
    EXPECT_EQ(h.ex.record().mode.load(), orv::MODE_IDLE);
    EXPECT_EQ(count(h.host.events(), "end 0 1"), 1);
}

TEST(ExecutorControl, ContinueStopsAgainOnlyAfterAnotherLine) {
    Harness h;
    h.host.breaks = {3};  // the DO line, two condition rows
    ASSERT_TRUE(h.compile(
        {"DEFINE %i", "START", "DO (%i < 3) AND (%i >= 0)", "%i = %i + 1", "ENDDO", "END"}));
    auto waitPause = [&] {
        for (int i = 0; i < 10000 && h.ex.workerActive(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        h.ex.join();
    };
    ASSERT_TRUE(h.ex.startRun(orv::MODE_DEBUG));
    waitPause();
    EXPECT_EQ(h.value("%i"), "0");
    for (int pass = 1; pass <= 3; ++pass) {
        ASSERT_TRUE(h.ex.continueDebug());
        waitPause();
        EXPECT_EQ(h.value("%i"), std::to_string(pass));
        EXPECT_EQ(h.ex.record().mode.load(), orv::MODE_STEP);
    }
    ASSERT_TRUE(h.ex.continueDebug());  // the test fails now: on to END
    h.host.waitEnd(1);
    h.ex.join();
    EXPECT_EQ(h.ex.record().mode.load(), orv::MODE_IDLE);
}

TEST(ExecutorControl, StepExecutesOneLineAndEndsAtTheEnd) {
    Harness h;
    ASSERT_TRUE(h.compile({"DEFINE %a", "START", "%a = 1", "%a = %a * 10", "END"}));
    ASSERT_TRUE(h.ex.startRun(orv::MODE_STEP));
    EXPECT_EQ(h.ex.record().currentRow.load(), 0);
    EXPECT_EQ(h.value("%a"), "0");  // positioned, nothing executed
    h.ex.executeNextLine(1);
    EXPECT_EQ(h.value("%a"), "1");
    EXPECT_EQ(h.ex.record().mode.load(), orv::MODE_STEP);
    h.ex.executeNextLine(1);
    EXPECT_EQ(h.value("%a"), "10");
    h.ex.executeNextLine(1);  // END
    EXPECT_EQ(h.ex.record().currentRow.load(), -1);
    EXPECT_EQ(h.ex.record().mode.load(), orv::MODE_IDLE);
    EXPECT_EQ(count(h.host.events(), "refresh"), 3);
}

TEST(ExecutorControl, StepEndsWhenARowRepeatsWithinTheLine) {
    Harness h;
    ASSERT_TRUE(h.compile({"DEFINE %a", "START", "L:", "GOTO L", "END"}));
    ASSERT_TRUE(h.ex.startRun(orv::MODE_STEP));
    int row = h.ex.record().currentRow.load();
    h.ex.executeNextLine(1);  // must return: the jump lands on the row it came from
    EXPECT_EQ(h.ex.record().currentRow.load(), row);
    EXPECT_EQ(h.ex.record().mode.load(), orv::MODE_STEP);
}

TEST(ExecutorControl, ModifiedTextBlocksStepAndContinue) {
    Harness h;
    ASSERT_TRUE(h.compile({"DEFINE %a", "START", "%a = 1", "END"}));
    ASSERT_TRUE(h.ex.startRun(orv::MODE_STEP));
    h.host.modified = true;
    h.host.answer = true;
    h.ex.executeNextLine(1);
    EXPECT_EQ(h.value("%a"), "0");
    EXPECT_EQ(h.ex.record().mode.load(), orv::MODE_IDLE);
    EXPECT_EQ(count(h.host.events(), "post 40029"), 1);
    h.host.answer = false;
    EXPECT_FALSE(h.ex.continueDebug());
    EXPECT_EQ(count(h.host.events(), "post 40030"), 1);
}

TEST(ExecutorControl, AllDashRowsNeverWaitNorBreak) {
    Harness h;
    h.ex.settings().comTime = 100000;
    h.host.breaks = {0, 1, 2, 3};
    int slept = 0;
    h.ex.onInterval = [&](int) { ++slept; };
    orvtest::addVal(h.tables, "%a", "2", "0");
    orvtest::addCopy(h.tables, "0", "7");
    const char* rows[][2] = {{"11", "1"}, {"34", "0"}, {"9", ""}};
    for (auto& r : rows) orvtest::addRow(h.tables, {r[0], "2", "", "", "", "", r[1]}, "-");
    h.ex.compiled(orv::MODE_DEBUG);
    ASSERT_TRUE(h.start(orv::MODE_DEBUG));
    EXPECT_EQ(h.value("%a"), "7");
    EXPECT_EQ(slept, 0);
    EXPECT_EQ(count(h.host.events(), "end 0 1"), 1);
}

class StopTest : public ::testing::TestWithParam<int> {};

TEST_P(StopTest, StopEndsAWaitPromptlyClosesFilesAndReleasesButtons) {
    orvtest::TempFile f("1\r\n");
    Harness h;
    ASSERT_TRUE(h.compile({"DEFINE %a", "START", "OPEN '" + f.path + "' AS &1", "MDOWN L",
                           "WAIT 100000", "%a = 1", "END"}));
    ASSERT_TRUE(h.ex.startRun(GetParam()));
    for (int i = 0; i < 10000 && count(h.trace(), "sleep 100000") == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(count(h.trace(), "sleep 100000"), 1);
    h.ex.requestStop();
    h.host.waitEnd(1);
    h.ex.join();
    EXPECT_EQ(count(h.host.events(), "end 0 0"), 1);
    EXPECT_EQ(h.value("%a"), "0");  // the row after WAIT never ran
    EXPECT_EQ(h.ex.files().openCount(), 0);
    EXPECT_EQ(h.trace().back(), "button L up");  // not left held down
    // The run stopped with the next row still to run.
    EXPECT_EQ(h.tables.hMacro.cell(h.ex.record().currentRow.load(), orv::mac::MacroLine), "5");
    EXPECT_EQ(h.ex.record().mode.load(), orv::MODE_IDLE);
}

INSTANTIATE_TEST_SUITE_P(RunAndDebugRun, StopTest,
                         ::testing::Values(orv::MODE_RUN, orv::MODE_DEBUG));

TEST(ExecutorControl, StopEndsTheCommandIntervalPromptly) {
    Harness h;
    h.ex.settings().comTime = 100000;
    std::atomic<int> intervals{0};
    h.ex.onInterval = [&](int) { ++intervals; };
    ASSERT_TRUE(h.compile({"DEFINE %a", "START", "%a = 1", "%a = 2", "END"}));
    ASSERT_TRUE(h.ex.startRun(orv::MODE_RUN));
    for (int i = 0; i < 10000 && intervals.load() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    h.ex.requestStop();
    h.host.waitEnd(1);
    h.ex.join();
    EXPECT_EQ(h.value("%a"), "1");
    EXPECT_EQ(count(h.host.events(), "end 0 0"), 1);
}

TEST(ExecutorControl, AutomaticRunEndingInAnErrorReportsItEndedByItself) {
    Harness h;
    ASSERT_TRUE(h.compile({"DEFINE %a", "START", "%a = 1 / %a", "END"}));
    ASSERT_TRUE(h.start(orv::MODE_AUTO));
    EXPECT_EQ(count(h.host.events(), "end 1 1"), 1);
    EXPECT_EQ(h.ex.record().mode.load(), orv::MODE_IDLE);
    // A syntax check starts nothing.
    EXPECT_TRUE(h.ex.startRun(orv::MODE_CHECK));
    EXPECT_EQ(h.ex.record().mode.load(), orv::MODE_IDLE);
}

TEST(ExecutorControl, CompileClosesFilesLeftOpenByAPausedDebugRun) {
    orvtest::TempFile f("1\r\n");
    Harness h;
    h.host.breaks = {4};
    ASSERT_TRUE(h.compile({"DEFINE %a", "START", "OPEN '" + f.path + "' AS &1", "%a = 1", "END"}));
    ASSERT_TRUE(h.ex.startRun(orv::MODE_DEBUG));
    for (int i = 0; i < 10000 && h.ex.workerActive(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    h.ex.join();
    ASSERT_EQ(h.ex.record().mode.load(), orv::MODE_STEP);
    EXPECT_EQ(h.ex.files().openCount(), 1);  // kept open for continuing
    h.ex.compiled(0);                        // a syntax check stores mode 0
    EXPECT_EQ(h.ex.files().openCount(), 0);
    EXPECT_EQ(h.ex.record().mode.load(), orv::MODE_IDLE);
}

TEST(ExecutorControl, StopDebuggingClosesFiles) {
    orvtest::TempFile f("1\r\n");
    Harness h;
    ASSERT_TRUE(h.compile({"DEFINE %a", "START", "OPEN '" + f.path + "' AS &1", "%a = 1", "END"}));
    ASSERT_TRUE(h.ex.startRun(orv::MODE_STEP));
    h.ex.executeNextLine(1);
    EXPECT_EQ(h.ex.files().openCount(), 1);
    h.ex.stopDebug();
    EXPECT_EQ(h.ex.files().openCount(), 0);
    EXPECT_EQ(h.ex.record().mode.load(), orv::MODE_IDLE);
}

}  // namespace

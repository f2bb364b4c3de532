// Rows the compiler would never write must not crash, hang or misbehave: random
// tables stepped line by line under the sanitizers.
#include <gtest/gtest.h>

#include <random>

#include "executor_test_util.h"

namespace {

TEST(ExecutorRobustness, RandomTablesStepSafely) {
    const char* pool[] = {"",         "0",           "1",
                          "2",        "3",           "5",
                          "6",        "7",           "10",
                          "-1",       "-",           "abc",
                          "&1",       "&2",          "L",
                          "R",        "=",           "8",
                          "9",        "+",           "EOF",
                          "40",       "99999999999", "2004/02/29",
                          "23:59:59", "1:2:3",       "/nonexistent",
                          "\x82\xa0"};
    std::mt19937 rng(12345);
    auto pick = [&] { return std::string(pool[rng() % (sizeof pool / sizeof pool[0])]); };
    for (int round = 0; round < 500; ++round) {
        orvtest::Harness h;
        int vals = 1 + static_cast<int>(rng() % 6);
        for (int v = 0; v < vals; ++v) {
            int r = h.tables.hVal.append(pick(), 0);
            h.tables.hVal.set(r, orv::val::type, rng() % 2 ? "1" : "2");
            for (int c = 2; c < orv::val::kColumns; ++c) h.tables.hVal.set(r, c, pick());
        }
        int cals = static_cast<int>(rng() % 5);
        for (int c = 0; c < cals; ++c) {
            int r = h.tables.hCal.append(pick(), 0);
            for (int col = 1; col < orv::cal::kColumns; ++col) h.tables.hCal.set(r, col, pick());
        }
        int rows = 1 + static_cast<int>(rng() % 12);
        for (int i = 0; i < rows; ++i) {
            int code;
            do {
                code = static_cast<int>(rng() % 44);
            } while (code == orv::OP_WAIT || code == orv::OP_MTAB);  // real time and key floods
            int r = h.tables.hMacro.append(std::to_string(code), i);
            for (int col = 1; col < orv::mac::kColumns; ++col) h.tables.hMacro.set(r, col, pick());
            if (rng() % 2)
                h.tables.hMacro.set(r, orv::mac::go_to, std::to_string(rng() % (rows + 2)));
        }
        h.ex.settings().ignoreErrors = rng() % 2;
        h.ex.compiled(orv::MODE_STEP);
        ASSERT_TRUE(h.ex.startRun(orv::MODE_STEP));
        for (int step = 0; step < 40 && h.ex.record().mode.load() == orv::MODE_STEP; ++step)
            h.ex.executeNextLine(1);
        h.ex.stopDebug();
        EXPECT_EQ(h.ex.files().openCount(), 0);
    }
}

}  // namespace

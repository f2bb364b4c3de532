// Desktop commands against the virtual desktop.
#include <gtest/gtest.h>

#include <algorithm>

#include "executor_test_util.h"

using orvtest::Harness;
using Lines = std::vector<std::string>;

namespace {

// The cursor at (x, y) and four windows, topmost first: One, Two and two named Dup.
void setUpDesktop(Harness& h, int x, int y) {
    h.desk.setCursorQuiet(x, y);
    h.desk.addWindow("One", 10, 20, 100, 50);
    h.desk.addWindow("Two", 30, 40, 300, 200);
    h.desk.addWindow("Dup", 1, 1, 1, 1);
    h.desk.addWindow("Dup", 2, 2, 2, 2);
}

struct DeskCase {
    Lines body;   // after START
    Lines trace;  // expected desktop effects
};

TEST(ExecutorDesktop, EffectsInOrder) {
    const DeskCase cases[] = {
        {{"MMOVE 10,20"}, {"move 10 20"}},
        {{"MMOVE NOW,NOW"}, {"move 100 200"}},
        {{"MMOVE +5,-7"}, {"move 105 193"}},
        {{"MMOVE 0,0"}, {"move 0 0"}},
        {{"%a = 3", "MMOVE -%a,%a"}, {"move 97 3"}},
        {{"MCLK L"}, {"button L down", "button L up"}},
        {{"MDCLK R"}, {"button R down", "button R up", "button R down", "button R up"}},
        {{"MDOWN C", "MUP C"}, {"button C down", "button C up"}},
        {{"KEY SFT,A"}, {"key 16 down", "key 65 down", "key 16 up", "key 65 up"}},
        {{"KEY CTRL,ALT,DEL"},
         {"key 17 down", "key 18 down", "key 46 down", "key 17 up", "key 18 up", "key 46 up"}},
        {{"KEY F12"}, {"key 123 down", "key 123 up"}},
        {{"KEY 'Ab1'"},
         {"key 65 down", "key 65 up", "key 98 down", "key 98 up", "key 49 down", "key 49 up"}},
        {{"KEY 'x',ENTER"}, {"key 120 down", "key 120 up", "key 13 down", "key 13 up"}},
        {{"$s = 'ok'", "KEY $s"}, {"key 111 down", "key 111 up", "key 107 down", "key 107 up"}},
        {{"MTAB 0"}, {}},
        // The TAB that MTAB leaves down is released at the end of the run.
        {{"MTAB 1"}, {"key 9 down", "key 9 up"}},
        {{"MTAB 3"}, {"key 9 down", "key 9 down", "key 9 down", "key 9 up"}},
        {{"MDOWN L", "MDOWN R", "MUP L"},
         {"button L down", "button R down", "button L up", "button R up"}},
        // Also when the run ends in an error.
        {{"MDOWN C", "MTAB 1", "%a = 1 / %a", "MUP C"},
         {"button C down", "key 9 down", "key 9 up", "button C up"}},
        {{"%a = 0 - 2", "MTAB %a"}, {}},
        {{"WAIT 1"}, {"sleep 1"}},
        {{"%a = 0 - 5", "WAIT %a"}, {"sleep 0"}},
        {{"EXECUTE '/usr/bin/true'"}, {"open /usr/bin/true"}},
        {{"FOCUS 'Two'"}, {"focus Two"}},
        {{"FOCUS 'two'"}, {}},
        {{"FOCUS 'Dup'"}, {"focus Dup"}},
        {{"DESTROY 'One'", "DESTROY 'One'"}, {"close One"}},
        {{"WMOVE 'Two' 0,50"}, {"movewin Two 30 50"}},
        {{"WMOVE 'Two' +5,NOW"}, {"movewin Two 35 40"}},
        {{"WMOVE 'Two' -5,-5"}, {"movewin Two 25 35"}},
        {{"WSIZE 'Two' KEEP,0"}, {"sizewin Two 300 200"}},
        {{"WSIZE 'Two' +1,-1"}, {"sizewin Two 301 199"}},
        {{"WSIZE 'Two' 640,480"}, {"sizewin Two 640 480"}},
    };
    for (const auto& c : cases) {
        Harness h;
        setUpDesktop(h, 100, 200);
        ASSERT_TRUE(h.runBody("%a, $s", c.body));
        EXPECT_EQ(h.trace(), c.trace) << c.body.back();
        const bool fails = std::count(c.body.begin(), c.body.end(), "%a = 1 / %a") != 0;
        EXPECT_EQ(h.host.errors().size(), fails ? 1u : 0u) << c.body.back();
    }
}

TEST(ExecutorDesktop, WindowQueriesAndStacking) {
    Harness h;
    setUpDesktop(h, 7, 8);
    ASSERT_TRUE(h.run({"DEFINE %x, %y, %w, %h, %mx, %my, %dx", "START", "GETWPOS 'Two' %x,%y",
                       "GETWSIZ 'Two' %w,%h", "GETMPOS %mx,%my", "FOCUS 'Dup'",
                       "GETWPOS 'Missing' %dx,%dx", "END"}));
    EXPECT_EQ(h.value("%x"), "30");
    EXPECT_EQ(h.value("%y"), "40");
    EXPECT_EQ(h.value("%w"), "300");
    EXPECT_EQ(h.value("%h"), "200");
    EXPECT_EQ(h.value("%mx"), "7");
    EXPECT_EQ(h.value("%my"), "8");
    EXPECT_EQ(h.value("%dx"), "0");
    auto wins = h.desk.windows();
    ASSERT_EQ(wins.size(), 4u);
    // FOCUS took the upper of the two "Dup" windows and raised it.
    EXPECT_EQ(wins[0].title, "Dup");
    EXPECT_EQ(wins[0].left, 1);
    EXPECT_EQ(wins[1].title, "One");
}

TEST(ExecutorDesktop, KeyTypesTheWholeCell) {
    Harness h;
    std::string text(300, 'Q');
    ASSERT_TRUE(h.run(
        {"DEFINE $s", "START", "$s = '" + text + "'", "KEY $s", "KEY '" + text + "'", "END"}));
    EXPECT_EQ(h.trace().size(), 4 * text.size());
}

}  // namespace

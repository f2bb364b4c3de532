// The auto-click tool's slots on the virtual desktop, with timers, the picking hook and the
// frame replaced by a recording host.
#include "tools/autoclick.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "platform/virtual/virtual_desktop.h"

using namespace orv;
using namespace orv::tools;
using Lines = std::vector<std::string>;

namespace {

class FakeHost : public AutoClickHost {
  public:
    void startTimer(int slot, int ms) override { log("timer " + n(slot) + " " + n(ms)); }
    void stopTimer(int slot) override { log("kill " + n(slot)); }
    bool pickHookBusy() override { return busy; }
    void startPickHook(int tag) override { log("hook " + n(tag)); }
    void endPickHook() override { log("unhook"); }
    void startPickWindow(int ms) override { log("window " + n(ms)); }
    void minimizeFrame() override { log("minimize"); }
    void restoreFrame() override { log("restore"); }
    void message(const std::string& text) override { log("message " + text); }
    Lines take() { return std::exchange(events, {}); }
    bool busy = false;
    Lines events;

  private:
    static std::string n(int v) { return std::to_string(v); }
    void log(std::string s) { events.push_back(std::move(s)); }
};

struct Fixture {
    Fixture() {
        dir = std::filesystem::temp_directory_path() /
              ("orv-ac-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
        std::filesystem::create_directories(dir);
        ini = std::make_unique<ProfileFile>((dir / "Orvane.ini").string());
    }
    ~Fixture() { std::filesystem::remove_all(dir); }
    // A pick of slot `slot` (0-based) with a single press that then times out.
    void pickSingle(int slot, unsigned message, Point p) {
        ac.pressSet(slot);
        ac.picked(message, slot + 1, p);
        ac.pickWindowEnded();
    }
    static inline int serial = 0;
    std::filesystem::path dir;
    std::unique_ptr<ProfileFile> ini;
    AutoClickSettings settings;
    VirtualDesktop desk;
    FakeHost host;
    AutoClicker ac{settings, desk, host};
};

constexpr unsigned kLDown = 1033, kRDown = 1035, kRDbl = 1036, kMDown = 1037, kMDbl = 1038;

}  // namespace

TEST(AutoClick, KindsPointsAndPeriods) {
    EXPECT_STREQ(kindName(4), "R-DBCLK");
    EXPECT_STREQ(kindName(0), "");
    EXPECT_STREQ(kindName(7), "");
    EXPECT_EQ(kindOfName("M-DBCLK"), 6);
    EXPECT_EQ(kindOfName("x"), 0);
    EXPECT_EQ(kindOfPickMessage(1033), 1);
    EXPECT_EQ(kindOfPickMessage(1038), 6);
    EXPECT_EQ(kindOfPickMessage(1039), 0);
    struct P {
        long lparam;
        int x, y;
    };
    for (const P& c : {P{(200L << 16) | 100, 100, 200}, P{static_cast<long>(0xFFF6FFFBu), -5, -10},
                       P{static_cast<long>(0x7FFF8000u), -32768, 32767}}) {
        Point p = pointOfPickParam(c.lparam);
        EXPECT_EQ(p.x, c.x);
        EXPECT_EQ(p.y, c.y);
    }
    struct Q {
        const char* seconds;
        int ms;
    };
    for (const Q& c : {Q{"", kMinPeriodMs}, Q{"0", kMinPeriodMs}, Q{"x", kMinPeriodMs},
                       Q{"1", 1000}, Q{"60", 60000}, Q{"2147483", 2147483000},
                       Q{"2147484", kMaxPeriodMs}, Q{"99999999999999999999", kMaxPeriodMs}}) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(AutoClicker::periodOf(c.seconds), c.ms);
    }
}

TEST(AutoClick, OpeningFillsFromTheRecordsOnlyWhenSaving) {
    Fixture f;
    f.settings.records[0] = {1, 10, 20, 5, 1};
    f.settings.records[1] = {1, 0, 300, 7, 3};  // a point on the screen's left edge
    f.settings.records[2] = {0, 1, 2, 9, 2};
    f.ac.open();
    for (int i = 0; i < kSlots; ++i) {
        EXPECT_FALSE(f.ac.slot(i).setEnabled);
        EXPECT_FALSE(f.ac.slot(i).runEnabled);
        EXPECT_TRUE(f.ac.slot(i).x.empty());
    }
    EXPECT_EQ(f.ac.slot(1).seconds, "7");
    EXPECT_FALSE(f.ac.runAllEnabled());

    f.settings.save = 1;
    f.ac.open();
    EXPECT_TRUE(f.ac.saveChecked());
    EXPECT_EQ(f.ac.slot(0).kind, "L-CLK");
    EXPECT_EQ(f.ac.slot(1).x, "0");
    EXPECT_EQ(f.ac.slot(1).y, "300");
    EXPECT_TRUE(f.ac.slot(1).runEnabled);
    EXPECT_FALSE(f.ac.slot(2).checked);
    EXPECT_FALSE(f.ac.slot(2).setEnabled);
    EXPECT_EQ(f.ac.slot(2).kind, "L-DBCLK");
    EXPECT_EQ(f.ac.slot(3).x, "");  // no kind: no point
    EXPECT_EQ(f.ac.slot(0).runLabel, "実行");
    EXPECT_TRUE(f.ac.runAllEnabled());
    EXPECT_FALSE(f.ac.stopAllEnabled());
    EXPECT_TRUE(f.ac.closeEnabled());
}

TEST(AutoClick, PickingAPoint) {
    Fixture f;
    f.ac.open();
    f.ac.check(2, true);
    EXPECT_TRUE(f.ac.slot(2).setEnabled);
    EXPECT_FALSE(f.ac.runAllEnabled());  // no point yet

    f.host.busy = true;
    f.ac.pressSet(2);
    EXPECT_EQ(f.host.take(), (Lines{"message 他でフック中"}));
    f.host.busy = false;

    f.ac.pressSet(2);
    EXPECT_EQ(f.host.take(), (Lines{"hook 3", "minimize"}));
    EXPECT_FALSE(f.ac.closeEnabled());
    EXPECT_FALSE(f.ac.slot(2).setEnabled);
    f.ac.picked(kRDown, 3, {40, 50});  // a single press waits for a possible second one
    EXPECT_EQ(f.host.take(), (Lines{"window 500"}));
    EXPECT_TRUE(f.ac.slot(2).x.empty());
    f.ac.picked(kRDbl, 3, {41, 50});
    EXPECT_EQ(f.host.take(), (Lines{"unhook", "restore"}));
    EXPECT_EQ(f.ac.slot(2).kind, "R-DBCLK");
    EXPECT_EQ(f.ac.slot(2).x, "41");
    EXPECT_TRUE(f.ac.slot(2).runEnabled);
    EXPECT_TRUE(f.ac.closeEnabled());
    EXPECT_TRUE(f.ac.runAllEnabled());
    f.ac.pickWindowEnded();  // late: nothing more
    EXPECT_TRUE(f.host.take().empty());

    // A single press, and a point left of and above the primary screen.
    f.pickSingle(2, kLDown, pointOfPickParam(static_cast<long>(0xFFF6FFFBu)));
    EXPECT_EQ(f.ac.slot(2).kind, "L-CLK");
    EXPECT_EQ(f.ac.slot(2).x, "-5");
    EXPECT_EQ(f.ac.slot(2).y, "-10");

    // A pick for another tag ends the pick but fills nothing.
    f.ac.pressSet(2);
    f.ac.picked(kMDbl, 9, {1, 1});
    EXPECT_EQ(f.ac.slot(2).kind, "L-CLK");
    EXPECT_FALSE(f.ac.picking());
}

TEST(AutoClick, RunningStoppingAndTicks) {
    Fixture f;
    f.ac.open();
    f.ac.check(0, true);
    f.ac.check(1, true);
    f.ac.pressSet(0);
    f.ac.picked(kRDown, 1, {100, 200});
    f.ac.picked(kRDbl, 1, {100, 200});
    f.host.take();
    f.ac.picked(kRDown, 1, {101, 200});  // after the pick ended: ignored
    f.ac.pickWindowEnded();
    EXPECT_TRUE(f.host.take().empty());
    EXPECT_EQ(f.ac.slot(0).kind, "R-DBCLK");
    EXPECT_EQ(f.ac.slot(0).x, "100");
    f.ac.setSeconds(0, "2");
    for (int round = 0; round < 2; ++round) {  // start and stop twice
        f.ac.pressRun(0);
        EXPECT_TRUE(f.ac.slot(0).running);
        EXPECT_EQ(f.ac.slot(0).runLabel, "停止");
        EXPECT_EQ(f.ac.slot(0).status, "Waiting");
        EXPECT_FALSE(f.ac.closeEnabled());
        EXPECT_TRUE(f.ac.stopAllEnabled());
        EXPECT_FALSE(f.ac.runAllEnabled());
        EXPECT_FALSE(f.ac.slot(1).running);
        f.ac.pressRun(0);
        EXPECT_EQ(f.ac.slot(0).runLabel, "実行");
        EXPECT_EQ(f.ac.slot(0).status, "");
        EXPECT_TRUE(f.ac.closeEnabled());
        EXPECT_FALSE(f.ac.stopAllEnabled());
    }
    EXPECT_EQ(f.host.take(), (Lines{"timer 0 2000", "kill 0", "timer 0 2000", "kill 0"}));

    // "同時実行" starts every ticked slot, also one without a point (and an empty interval).
    f.ac.setSeconds(1, "");
    f.ac.runAll();
    EXPECT_EQ(f.host.take(), (Lines{"timer 0 2000", "timer 1 100"}));
    f.desk.clearTrace();
    f.ac.tick(0);
    EXPECT_EQ(f.ac.slot(0).status, "Execute");
    f.ac.tick(1);
    EXPECT_EQ(f.desk.trace(), (Lines{"move 100 200", "button R down", "button R up",
                                     "button R down", "button R up", "move 0 0"}));
    f.ac.blink();
    EXPECT_EQ(f.ac.slot(0).status, "Waiting");
    EXPECT_TRUE(f.ac.slot(0).statusShown);
    f.ac.blink();
    EXPECT_FALSE(f.ac.slot(0).statusShown);

    // Unticking does not stop a slot; "全停止" stops it anyway, and a late tick clicks nothing.
    f.ac.check(0, false);
    EXPECT_TRUE(f.ac.slot(0).running);
    f.ac.stopAll();
    EXPECT_FALSE(f.ac.anyRunning());
    EXPECT_TRUE(f.ac.closeEnabled());
    f.desk.clearTrace();
    f.ac.tick(0);
    EXPECT_TRUE(f.desk.trace().empty());
    f.ac.pressRun(0);  // unticked: the run button does nothing
    EXPECT_FALSE(f.ac.slot(0).running);
}

TEST(AutoClick, ClosingWritesTheSettings) {
    Fixture f;
    f.ini->writeInt("AUTOCLK", "ATEXEX1", 77);
    f.ac.open();
    f.ac.check(4, true);
    f.ac.pressSet(4);
    f.ac.picked(kMDown, 5, {-3, 9});
    f.ac.picked(kMDbl, 5, {-3, 9});
    f.ac.setSeconds(4, "12");
    f.ac.pressRun(4);
    EXPECT_FALSE(f.ac.close(*f.ini));  // a slot runs
    f.ac.pressRun(4);

    f.ac.setSaveChecked(false);
    ASSERT_TRUE(f.ac.close(*f.ini));
    EXPECT_EQ(f.ini->readInt("AUTOCLK", "ATSSAVE"), 0);
    EXPECT_EQ(f.ini->readInt("AUTOCLK", "ATEXEX1"), 77);  // slot keys untouched
    EXPECT_FALSE(f.ini->has("AUTOCLK", "ATEVNT5"));

    f.ac.setSaveChecked(true);
    ASSERT_TRUE(f.ac.close(*f.ini));
    AutoClickSettings back;
    loadAutoClick(*f.ini, back);
    EXPECT_EQ(back.save, 1);
    EXPECT_EQ(back.records[4].enabled, 1);
    EXPECT_EQ(back.records[4].x, -3);
    EXPECT_EQ(back.records[4].y, 9);
    EXPECT_EQ(back.records[4].seconds, 12);
    EXPECT_EQ(back.records[4].kind, 6);
    EXPECT_EQ(back.records[0].x, 0);
    EXPECT_EQ(back.records[0].seconds, 60);

    // The seconds saved are those that run, so a restart runs the same period: a longer
    // interval than the longest period runs is saved as the fewest seconds that run it.
    struct S {
        const char* text;
        int saved;
    };
    for (const S& c :
         {S{"4294967297", 2147484}, S{"4294967296", 2147484}, S{"99999999999999999999", 2147484},
          S{"2147484", 2147484}, S{"2147483", 2147483}, S{"", 0}}) {
        SCOPED_TRACE(c.text);
        f.ac.setSeconds(4, c.text);
        ASSERT_TRUE(f.ac.close(*f.ini));
        loadAutoClick(*f.ini, back);
        EXPECT_EQ(back.records[4].seconds, c.saved);
        EXPECT_EQ(AutoClicker::periodOf(std::to_string(c.saved)), AutoClicker::periodOf(c.text));
    }
}

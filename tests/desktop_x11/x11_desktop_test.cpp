// The X11 backend through the Desktop seam, on the private display, checked with xdotool,
// xwininfo, xprop and the target's log; bad input included.
// gtest first: Xlib's macros (None, Bool) would break its headers.
#include <gtest/gtest.h>
// Then the rest.
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <signal.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "lang/text.h"
#include "platform/x11/x11_desktop.h"
#include "tests/desktop_x11/x11_env.h"

namespace {

using namespace orvtest;

std::unique_ptr<orv::X11Desktop> connect() {
    std::string message;
    auto d = orv::X11Desktop::connect("", message);
    EXPECT_TRUE(d) << message;
    return d;
}

const orv::WindowInfo* findId(const std::vector<orv::WindowInfo>& ws, unsigned long id) {
    for (const auto& w : ws)
        if (w.id == id) return &w;
    return nullptr;
}

int indexOf(const std::vector<orv::WindowInfo>& ws, unsigned long id) {
    for (std::size_t i = 0; i < ws.size(); ++i)
        if (ws[i].id == id) return static_cast<int>(i);
    return -1;
}

// The desktop of $DISPLAY, its list of windows, and where two targets stand in it.
struct Listing {
    std::unique_ptr<orv::X11Desktop> d;
    std::vector<orv::WindowInfo> ws;
    int older = -1, newer = -1;
};

// Connects and lists: whether a window manager runs is as expected, both targets are listed
// and the newer one (raised first where a window manager runs) is above the older one.
::testing::AssertionResult listTwo(const Target& older, const Target& newer, bool withWm,
                                   Listing& l) {
    l.d = connect();
    if (!l.d) return ::testing::AssertionFailure() << "no desktop";
    if (l.d->hasWindowManager() != withWm) return ::testing::AssertionFailure() << "window manager";
    // The window manager restacks asynchronously, and one that keeps a new window from
    // taking the focus may place it below the focused one: raise it, then wait for the list.
    if (withWm) l.d->activate(newer.window);
    waitUntil([&] {
        l.ws = l.d->windows();
        l.older = indexOf(l.ws, older.window);
        l.newer = indexOf(l.ws, newer.window);
        return l.older >= 0 && l.newer >= 0 && l.newer < l.older;
    });
    if (l.older < 0 || l.newer < 0) return ::testing::AssertionFailure() << "not listed";
    if (l.newer >= l.older)
        return ::testing::AssertionFailure() << "the newer window is not on top";
    return ::testing::AssertionSuccess();
}

TEST(X11Desktop, ConnectingToAMissingDisplayGivesAClearMessage) {
    std::string message;
    auto d = orv::X11Desktop::connect(":987", message);
    EXPECT_FALSE(d);
    EXPECT_NE(message.find(":987"), std::string::npos) << message;
}

TEST(X11Desktop, CursorMovesAsTheObserverSeesIt) {
    auto d = connect();
    ASSERT_TRUE(d);
    struct Case {
        int x, y, wantX, wantY;
    } cases[] = {
        {100, 200, 100, 200},
        {0, 0, 0, 0},
        {1279, 1023, 1279, 1023},
        // Huge and negative coordinates end at the edge of the screen.
        {INT_MAX, INT_MIN, 1279, 0},
        {-5, 40000, 0, 1023},
    };
    for (const Case& c : cases) {
        d->setCursor(c.x, c.y);
        orv::Point p = d->cursor();
        EXPECT_EQ(p.x, c.wantX);
        EXPECT_EQ(p.y, c.wantY);
        int ox = -1, oy = -1;
        ASSERT_TRUE(observedPointer(ox, oy));
        EXPECT_EQ(ox, c.wantX);
        EXPECT_EQ(oy, c.wantY);
    }
}

TEST(X11Desktop, WindowsAreListedTopmostFirstWithTitleClassPidAndFrame) {
    Target a, b;
    ASSERT_TRUE(startTarget(a, "orv list A", 50, 60, 300, 200));
    ASSERT_TRUE(startTarget(b, "orv 一覧 ＢＢ", 400, 300, 250, 150));
    Listing l;
    ASSERT_TRUE(listTwo(a, b, true, l));
    auto& d = l.d;
    const auto& ws = l.ws;
    const int ib = l.newer;
    const orv::WindowInfo& wb = ws[static_cast<std::size_t>(ib)];
    EXPECT_EQ(wb.title, orv::sj("orv 一覧 ＢＢ"));
    EXPECT_EQ(wb.className, "OrvTarget");
    EXPECT_EQ(wb.pid, b.pid);
    for (const Target* t : {&a, &b}) {
        Rect r;
        ASSERT_TRUE(observedOuter(t->window, r));
        const orv::WindowInfo* w = findId(ws, t->window);
        ASSERT_TRUE(w);
        EXPECT_EQ(w->left, r.left);
        EXPECT_EQ(w->top, r.top);
        EXPECT_EQ(w->width, r.width);
        EXPECT_EQ(w->height, r.height);
    }
    // Activating the lower one raises it to the top of the list.
    d->activate(a.window);
    EXPECT_TRUE(waitUntil([&] { return observedActive() == a.window; }));
    EXPECT_TRUE(waitUntil([&] {
        auto now = d->windows();
        return indexOf(now, a.window) >= 0 && indexOf(now, a.window) < indexOf(now, b.window);
    }));
}

TEST(X11Desktop, TitlesOutsideCp932AreMarkedSoThatTheyNeverMatch) {
    struct Case {
        const char* title;  // as the window sets it
        const char* shown;  // the readable part of what the enumeration reports
    } cases[] = {
        {"orv \xF0\x9F\x98\x80 smile", "orv ? smile"},  // U+1F600: no CP932 form
        {"orv \xFF bad", "orv ? bad"},                  // not UTF-8 at all
    };
    for (const Case& c : cases) {
        Target t;
        ASSERT_TRUE(startTarget(t, c.title, 80, 80, 200, 120));
        auto d = connect();
        ASSERT_TRUE(d);
        auto ws = d->windows();
        const orv::WindowInfo* w = findId(ws, t.window);
        ASSERT_TRUE(w);
        ASSERT_FALSE(w->title.empty());
        EXPECT_EQ(w->title.back(), '\0') << c.title;
        EXPECT_EQ(w->title.substr(0, w->title.size() - 1), c.shown);
    }
}

TEST(X11Desktop, LongTitlesAreCutAt255BytesOnACharacterBoundary) {
    std::string title;
    for (int i = 0; i < 200; ++i) title += "あ";  // 2 bytes each in CP932
    Target t;
    ASSERT_TRUE(startTarget(t, title, 90, 90, 200, 120));
    auto d = connect();
    ASSERT_TRUE(d);
    auto ws = d->windows();
    const orv::WindowInfo* w = findId(ws, t.window);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->title.size(), 254u);
    EXPECT_TRUE(orv::isValidCp932(w->title));
}

TEST(X11Desktop, KeysArriveByVirtualKeyIncludingKeysymsMissingFromTheKeymap) {
    Target t;
    ASSERT_TRUE(startTarget(t, "orv keys", 100, 100, 300, 200));
    Display* probe = XOpenDisplay(nullptr);
    ASSERT_TRUE(probe);
    const bool f20Mapped = XKeysymToKeycode(probe, XK_F20) != 0;
    {
        auto d = connect();
        ASSERT_TRUE(d);
        d->activate(t.window);
        ASSERT_TRUE(t.waitLine("focus in"));
        // 7 and 255 have no key: nothing is sent for them.
        for (int vk : {7, 131 /* F20 */, 255, 108 /* KP_Separator */, int{'Z'}}) {
            d->key(vk, true);
            d->key(vk, false);
        }
        ASSERT_TRUE(waitUntil([&] { return keyEvents(t).size() >= 6; }));
        sleepMs(100);
        EXPECT_EQ(keyEvents(t), (std::vector<std::string>{"down F20", "up F20", "down KP_Separator",
                                                          "up KP_Separator", "down z", "up z"}));
    }
    // The lent keycodes are given back when the desktop is closed.
    XSync(probe, False);
    XEvent e;
    while (XCheckTypedEvent(probe, MappingNotify, &e)) XRefreshKeyboardMapping(&e.xmapping);
    EXPECT_EQ(XKeysymToKeycode(probe, XK_F20) != 0, f20Mapped);
    XCloseDisplay(probe);
}

TEST(X11Desktop, ActionsOnAVanishedWindowChangeNothingAndAreNotFatal) {
    Target t;
    ASSERT_TRUE(startTarget(t, "orv vanishing", 120, 120, 200, 120));
    unsigned long id = t.window;
    auto d = connect();
    ASSERT_TRUE(d);
    d->setSettleTimeout(100);
    t.stop();
    ASSERT_TRUE(waitUntil([&] { return !findId(d->windows(), id); }));
    d->activate(id);
    d->requestClose(id);
    d->moveWindow(id, 10, 10);
    d->resizeWindow(id, 100, 100);
    d->activate(0x7FFFFFF);
    d->moveWindow(0x7FFFFFF, 1, 1);
    d->sync();
    EXPECT_EQ(findId(d->windows(), id), nullptr);
    // Still usable afterwards.
    d->setCursor(33, 44);
    EXPECT_EQ(d->cursor().x, 33);
}

TEST(X11Desktop, EnumeratingWhileWindowsDisappearLeavesThemOut) {
    std::vector<Target> ts(4);
    for (std::size_t i = 0; i < ts.size(); ++i)
        ASSERT_TRUE(startTarget(ts[i], "orv churn", 30 + 20 * static_cast<int>(i), 30, 150, 100));
    auto d = connect();
    ASSERT_TRUE(d);
    for (Target& t : ts) kill(t.pid, SIGKILL);
    // Every list taken while they go is consistent: each entry still has its geometry.
    for (int i = 0; i < 200; ++i) {
        for (const auto& w : d->windows()) EXPECT_GT(w.width, 0);
    }
    for (Target& t : ts) t.stop();
    EXPECT_TRUE(waitUntil([&] {
        for (const auto& w : d->windows())
            if (w.title == "orv churn") return false;
        return true;
    }));
}

TEST(X11Desktop, MoveAndResizeSetTheOuterFrame) {
    Target t;
    ASSERT_TRUE(startTarget(t, "orv frame", 200, 200, 300, 200));
    auto d = connect();
    ASSERT_TRUE(d);
    struct Case {
        bool move;
        int a, b;
    } cases[] = {
        {true, 10, 20},   {false, 400, 300}, {true, 10, 20},  // the same move again
        {true, 300, 100}, {true, 10, 20},    {false, 1, 1},   // the smallest size
        {true, -40, -30},  // partly off the screen: the window manager may hold it back
    };
    for (const Case& c : cases) {
        if (c.move)
            d->moveWindow(t.window, c.a, c.b);
        else
            d->resizeWindow(t.window, c.a, c.b);
        Rect r;
        ASSERT_TRUE(observedOuter(t.window, r));
        if (c.move && c.a < 0) {
            EXPECT_LE(r.left, 0);
            EXPECT_LE(r.top, 0);
        } else if (c.move) {
            EXPECT_EQ(r.left, c.a);
            EXPECT_EQ(r.top, c.b);
        } else if (c.a > 50) {
            EXPECT_EQ(r.width, c.a);
            EXPECT_EQ(r.height, c.b);
        } else {
            EXPECT_GT(r.width, 0);  // no smaller than the frame allows; never an error
        }
        auto ws = d->windows();
        const orv::WindowInfo* w = findId(ws, t.window);
        ASSERT_TRUE(w);
        EXPECT_EQ(w->left, r.left);
        EXPECT_EQ(w->top, r.top);
        EXPECT_EQ(w->width, r.width);
        EXPECT_EQ(w->height, r.height);
    }
}

}  // namespace

namespace {

// A second display without a window manager, for the duration of one test; DISPLAY points at
// it meanwhile so that the desktop and the observers use it.
class BareDisplay {
  public:
    bool start(std::string& message) {
        saved_ = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
        if (!session_.start(message, false)) return false;
        setenv("DISPLAY", session_.display().c_str(), 1);
        return true;
    }
    ~BareDisplay() { setenv("DISPLAY", saved_.c_str(), 1); }
    // Starts a target there (no frame to wait for).
    bool startTarget(Target& t, const std::string& title, int x, int y, int w, int h) {
        return session_.startTarget(title, x, y, w, h, t, orv::x11test::Gravity::NorthWest);
    }

  private:
    Session session_;
    std::string saved_;
};

TEST(X11Desktop, WithoutAWindowManagerTheRootsChildrenAreDrivenDirectly) {
    BareDisplay bare;
    std::string message;
    ASSERT_TRUE(bare.start(message)) << message;
    Target low, high;
    ASSERT_TRUE(bare.startTarget(low, "orv bare low", 10, 20, 200, 100));
    ASSERT_TRUE(bare.startTarget(high, "orv bare high", 300, 200, 250, 150));
    Listing l;
    ASSERT_TRUE(listTwo(low, high, false, l));
    auto& d = l.d;
    auto ws = l.ws;
    const int il = l.older, ih = l.newer;
    EXPECT_EQ(ws[static_cast<std::size_t>(il)].left, 10);
    EXPECT_EQ(ws[static_cast<std::size_t>(il)].top, 20);
    EXPECT_EQ(ws[static_cast<std::size_t>(il)].width, 200);
    EXPECT_EQ(ws[static_cast<std::size_t>(il)].height, 100);
    EXPECT_EQ(ws[static_cast<std::size_t>(ih)].title, "orv bare high");

    d->activate(low.window);  // raise and focus
    EXPECT_TRUE(low.waitLine("focus in"));
    ws = d->windows();
    EXPECT_LT(indexOf(ws, low.window), indexOf(ws, high.window));

    d->moveWindow(high.window, 40, 50);
    d->resizeWindow(high.window, 120, 80);
    std::string info;
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", high.window);
    ASSERT_EQ(run({"xwininfo", "-id", id}, &info), 0);
    EXPECT_NE(info.find("Absolute upper-left X:  40"), std::string::npos) << info;
    EXPECT_NE(info.find("Absolute upper-left Y:  50"), std::string::npos) << info;
    EXPECT_NE(info.find("Width: 120"), std::string::npos) << info;
    EXPECT_NE(info.find("Height: 80"), std::string::npos) << info;

    d->requestClose(high.window);  // WM_DELETE_WINDOW straight to the client
    EXPECT_TRUE(high.waitLine("close"));
}

}  // namespace

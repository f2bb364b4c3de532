// The row executor's desktop commands: mouse, keys, waits and windows.
#include <algorithm>
#include <cstdio>

#include "executor/row_executor.h"
#include "lang/debug_out.h"

namespace orv {

namespace {

constexpr int kTabKey = 9;  // the virtual-key code MTAB sends

std::int32_t wrapAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
std::int32_t wrapSub(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

// Whether a coordinate mode carries a value (NOW and KEEP do not, and are never resolved).
bool hasValue(int mode) {
    return mode == COORD_ADD || mode == COORD_SUB || mode == COORD_ABS;
}

// A window coordinate: added, subtracted, or set; a value of 0 set absolutely (or NOW, KEEP)
// keeps the current one.
int windowAxis(int cur, int mode, std::int32_t v) {
    if (mode == COORD_ADD) return wrapAdd(cur, v);
    if (mode == COORD_SUB) return wrapSub(cur, v);
    return v == 0 ? cur : v;
}

}  // namespace

namespace {
// Notes `item` as held (once) or drops it.
template <typename T>
void note(std::vector<T>& held, T item, bool down) {
    auto it = std::find(held.begin(), held.end(), item);
    if (down && it == held.end()) held.push_back(item);
    if (!down && it != held.end()) held.erase(it);
}
}  // namespace

void RowExecutor::keyEvent(int vk, bool down) {
    desk_.key(vk, down);
    note(heldKeys_, vk, down);
}

void RowExecutor::buttonEvent(MouseButton button, bool down) {
    desk_.mouseButton(button, down);
    note(heldButtons_, button, down);
}

void RowExecutor::releaseHeld() {
    const std::vector<int> keys = std::move(heldKeys_);
    const std::vector<MouseButton> buttons = std::move(heldButtons_);
    heldKeys_.clear();
    heldButtons_.clear();
    for (int k : keys) desk_.key(k, false);
    for (MouseButton b : buttons) desk_.mouseButton(b, false);
}

int RowExecutor::doMmove(int, const DRow& d) {
    const Point p = desk_.cursor();
    auto axis = [&](int cur, int mode, const Operand& o) {
        if (!hasValue(mode)) return cur;
        const std::int32_t v = num(o);
        if (mode == COORD_ADD) return wrapAdd(cur, v);
        if (mode == COORD_SUB) return wrapSub(cur, v);
        return v;
    };
    const int x = axis(p.x, d.modeX, d.a);
    const int y = axis(p.y, d.modeY, d.b);
    desk_.setCursor(x, y);
    return d.next;
}

int RowExecutor::doButton(int, const DRow& d) {
    if (!d.hasButton) return d.next;
    const int clicks = d.code == OP_MDCLK ? 2 : 1;
    for (int i = 0; i < clicks; ++i) {
        if (d.code != OP_MUP) buttonEvent(d.button, true);
        if (d.code != OP_MDOWN) buttonEvent(d.button, false);
    }
    return d.next;
}

int RowExecutor::doWait(int, const DRow& d) {
    std::int32_t ms = num(d.a);
    if (ms < 0) ms = 0;
    desk_.waitNotice(ms);
    if (sleep_ && ms > 0) sleep_(ms);
    return d.next;
}

int RowExecutor::doMtab(int, const DRow& d) {
    const std::int32_t n = num(d.a);
    for (std::int32_t i = 0; i < n; ++i) {
        if ((i & 1023) == 1023 && cancel_ && cancel_()) break;
        keyEvent(kTabKey, true);
    }
    return d.next;
}

int RowExecutor::doKey(int, const DRow& d) {
    if (d.typeText) {
        const std::string typed = text(d.a);
        for (unsigned char c : typed) {
            keyEvent(c, true);
            keyEvent(c, false);
        }
    }
    for (int k : d.keys) keyEvent(k, true);
    for (int k : d.keys) keyEvent(k, false);
    return d.next;
}

int RowExecutor::doFocusDestroy(int, const DRow& d) {
    for (const WindowInfo& w : desk_.windows()) {
        if (dbg::enabled()) {
            char num[64];
            std::snprintf(num, sizeof num, "- procssid=%d thread=%d comp=", w.pid, w.tid);
            dbg::out("-winname=" + w.title + "-Class=" + w.className + num + d.name + "\r\n");
        }
        if (w.title == d.name) {
            if (d.code == OP_DESTROY)
                desk_.requestClose(w.id);
            else
                desk_.activate(w.id);
            break;
        }
    }
    return d.next;
}

int RowExecutor::doExecute(int, const DRow& d) {
    desk_.open(d.name);
    return d.next;
}

// The first window with a non-empty title equal to the caption, or null.
const WindowInfo* RowExecutor::findWindow(const std::vector<WindowInfo>& list,
                                          const std::string& caption) {
    for (const WindowInfo& w : list) {
        if (dbg::enabled()) dbg::out("WinMoveProc-in " + w.title + "\r\n");
        if (w.title.empty()) continue;
        if (w.title == caption) return &w;
        if (dbg::enabled()) dbg::out("WinMoveProc-out2 " + w.title + "\r\n");
    }
    return nullptr;
}

// WMOVE and WSIZE.
int RowExecutor::doWindowSet(int, const DRow& d) {
    const std::int32_t xv = hasValue(d.modeX) ? num(d.a) : 0;
    const std::int32_t yv = hasValue(d.modeY) ? num(d.b) : 0;
    const std::vector<WindowInfo> list = desk_.windows();
    const WindowInfo* w = findWindow(list, d.name);
    if (!w) return d.next;
    if (d.code == OP_WMOVE)
        desk_.moveWindow(w->id, windowAxis(w->left, d.modeX, xv), windowAxis(w->top, d.modeY, yv));
    else
        desk_.resizeWindow(w->id, windowAxis(w->width, d.modeX, xv),
                           windowAxis(w->height, d.modeY, yv));
    if (dbg::enabled()) dbg::out("WinMoveProc-out1 " + w->title + "\r\n");
    return d.next;
}

// GETWPOS and GETWSIZ.
int RowExecutor::doWindowGet(int, const DRow& d) {
    const std::vector<WindowInfo> list = desk_.windows();
    const WindowInfo* w = findWindow(list, d.name);
    if (!w) return d.next;
    const bool pos = d.code == OP_GETWPOS;
    setNum(d.out, pos ? w->left : w->width);
    setNum(d.out2, pos ? w->top : w->height);
    if (dbg::enabled()) dbg::out("WinMoveProc-out1 " + w->title + "\r\n");
    return d.next;
}

int RowExecutor::doGetMpos(int, const DRow& d) {
    const Point p = desk_.cursor();
    setNum(d.out, p.x);
    setNum(d.out2, p.y);
    return d.next;
}

}  // namespace orv

// The X11 desktop's backend object, shared by the files that define it: x11_desktop.cpp
// (the connection, pointer and programs), x11_windows.cpp (window properties and the window
// commands) and x11_keyboard.cpp (the keyboard mapping and key events). Only they include
// this; it brings in Xlib.
#pragma once

#include <X11/Xlib.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/x11/x11_desktop.h"

namespace orv::x11 {

inline int clamp16(int v) {
    return std::clamp(v, -32768, 32767);
}

// The backend: the connection, the atoms it uses, the keyboard state it keeps, and the
// Desktop operations (each under the mutex).
struct XlibDesktop final : X11Desktop {
    Display* dpy = nullptr;
    Window root = 0;
    int screen = 0;
    int settleMs = 500;
    std::mutex mu;

    Atom aStacking{}, aClientList{}, aCheck{}, aSupported{}, aWmName{}, aUtf8{}, aPid{}, aExtents{},
        aActive{}, aClose{}, aMoveResize{}, aRestack{}, aProtocols{}, aDelete{}, aWmState{};

    // Keyboard: the core mapping as last read, the spare keycodes (no keysym at all) and
    // the keysyms currently lent to spare keycodes.
    int minKc = 8, maxKc = 255, perKc = 0;
    std::vector<KeySym> map;
    std::vector<KeyCode> spare;
    struct Lent {
        KeyCode kc;
        KeySym sym;
        std::uint64_t used;
        bool held;
    };
    std::vector<Lent> lent;
    std::uint64_t useClock = 0;
    // Keycodes that repeat by themselves while held (read at connection), and those whose
    // repeat we switched off while our key-down holds them.
    char repeats[32] = {};
    std::vector<KeyCode> quieted;

    // Windows (x11_windows.cpp).
    std::vector<long> wmSupported();
    bool wmSupports(Atom a);
    bool outerRect(Window w, int& left, int& top, int& width, int& height);
    bool decoration(Window w, long& dx, long& dy);
    bool iconic(Window w);
    bool info(Window w, WindowInfo& out);
    std::vector<Window> stacking(bool& managed);
    void rootMessage(Window w, Atom type, long l0, long l1, long l2, long l3, long l4);
    void raiseAndShow(Window w);
    void configure(Window w, bool move, int left, int top, bool size, int width, int height);

    // Keyboard (x11_keyboard.cpp).
    void readMapping();
    void findSpare();
    void checkMappingChange();
    KeyCode keycodeFor(KeySym sym);
    void setRepeat(KeyCode kc, bool on);
    void sendKey(KeyCode kc, bool down);
    void restoreRepeat();
    void restoreLent();

    // The Desktop operations.
    ~XlibDesktop() override;
    Point cursor() override;
    void setCursor(int x, int y) override;
    void mouseButton(MouseButton button, bool down) override;
    void key(int vk, bool down) override;
    std::vector<WindowInfo> windows() override;
    void activate(std::uint64_t id) override;
    void requestClose(std::uint64_t id) override;
    void moveWindow(std::uint64_t id, int left, int top) override;
    void resizeWindow(std::uint64_t id, int width, int height) override;
    void open(const std::string& path) override;
    bool hasWindowManager() override;
    unsigned long errorCount() const override;
    void sync() override;
    void setSettleTimeout(int ms) override;
};

}  // namespace orv::x11

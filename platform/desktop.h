// The desktop seam: everything a running macro does to the screen, the mouse,
// the keyboard and the top-level windows goes through this interface. Backends:
// platform/virtual (in memory, records a trace) and platform/x11 (a real X display).
// Texts (titles, class names, paths) are CP932 bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

enum class MouseButton { Left, Right, Middle };

struct Point {
    int x = 0;
    int y = 0;
};

// One top-level window as the enumeration reports it.
struct WindowInfo {
    std::uint64_t id = 0;   // backend handle
    std::string title;      // CP932
    std::string className;  // CP932
    int pid = 0;
    int tid = 0;
    // Outer rectangle in screen coordinates.
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

class Desktop {
  public:
    virtual ~Desktop() = default;

    virtual Point cursor() = 0;
    virtual void setCursor(int x, int y) = 0;
    // A button event at the current cursor position.
    virtual void mouseButton(MouseButton button, bool down) = 0;
    // A key event by virtual-key code (scan code 0, no flags but key-up).
    virtual void key(int vk, bool down) = 0;

    // Top-level windows in stacking order, topmost first (hidden windows included).
    virtual std::vector<WindowInfo> windows() = 0;
    // Brings the window to the foreground (a minimised window stays minimised).
    virtual void activate(std::uint64_t id) = 0;
    // Asks the window to close; does not wait for it.
    virtual void requestClose(std::uint64_t id) = 0;
    // Moves the window without sizing it, shows it and puts it on top of the stacking order.
    virtual void moveWindow(std::uint64_t id, int left, int top) = 0;
    // Sizes the window without moving it, shows it and puts it on top of the stacking order.
    virtual void resizeWindow(std::uint64_t id, int width, int height) = 0;
    // Opens a program or document with the desktop's "open" action; the result is not reported.
    virtual void open(const std::string& path) = 0;

    // A WAIT command is about to pause for `ms` milliseconds (the executor does the waiting;
    // backends that keep a trace note it).
    virtual void waitNotice(int ms) { (void)ms; }
};

}  // namespace orv

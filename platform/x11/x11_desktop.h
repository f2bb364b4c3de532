// The desktop on an X11 display: real input through the XTest extension, and the top-level
// windows through the window manager's EWMH interface (plain Xlib where no such window
// manager runs). Texts crossing the seam are CP932; the X side is UTF-8.
//
// The header is free of X11 includes so that callers do not inherit Xlib's macros.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/desktop.h"

namespace orv {

// Told about every key event the backend injects, just before it is sent: the virtual-key
// code, the X keycode used and the direction, so that the hook library can tell a macro's own
// keys (a KEY ESC, say) from the user's. While nothing is registered, the backend calls the
// hook library's OrvHookNoteInjectedKey when that library is linked in (a weak reference).
using InjectedKeyNote = void (*)(int vk, unsigned keycode, bool down);
void setInjectedKeyNote(InjectedKeyNote note);

class X11Desktop : public Desktop {
  public:
    // Connects to the display (an empty name means $DISPLAY). Returns null with a message
    // when the display cannot be opened or lacks the XTest extension.
    static std::unique_ptr<X11Desktop> connect(const std::string& displayName,
                                               std::string& message);
    // Restores every keycode that was remapped for a missing keysym.
    ~X11Desktop() override;
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

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

    // True while an EWMH window manager runs on the display.
    bool hasWindowManager();
    // X protocol errors caught on this connection so far (never fatal).
    unsigned long errorCount() const;
    // Waits until the server has handled every request sent so far.
    void sync();
    // How long the window commands wait for the window manager to carry out a request
    // (milliseconds, default 500).
    void setSettleTimeout(int ms);

    struct Impl;

  private:
    explicit X11Desktop(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d_;
};

}  // namespace orv

// The desktop on an X11 display: real input through the XTest extension, and the top-level
// windows through the window manager's EWMH interface (plain Xlib where no such window
// manager runs). Texts crossing the seam are CP932; the X side is UTF-8.
//
// The header is free of X11 includes so that callers do not inherit Xlib's macros.
#pragma once

#include <memory>
#include <string>

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
    // when the display cannot be opened or lacks the XTest extension. Destroying the desktop
    // gives back every keycode lent for a missing keysym and closes the connection.
    static std::unique_ptr<X11Desktop> connect(const std::string& displayName,
                                               std::string& message);

    // True while an EWMH window manager runs on the display.
    virtual bool hasWindowManager() = 0;
    // X protocol errors caught on this connection so far (never fatal).
    virtual unsigned long errorCount() const = 0;
    // Waits until the server has handled every request sent so far.
    virtual void sync() = 0;
    // How long the window commands wait for the window manager to carry out a request
    // (milliseconds, default 500).
    virtual void setSettleTimeout(int ms) = 0;
};

}  // namespace orv

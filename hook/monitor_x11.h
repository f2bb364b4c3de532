// The X11 side of the input monitor shared by its files: the monitor's own display
// connections, on which X errors are never fatal (x11_connection.cpp), and the window lookups
// it makes while it feeds the procedures (window_lookup_x11.cpp).
#pragma once

#include <X11/Xlib.h>

#include <atomic>

namespace orv::hook {

// Opens a connection of ours to $DISPLAY: X errors on it are ignored and a lost server sets
// `ioFailed` instead of ending the process. Null when the display cannot be opened.
Display* openOurDisplay(std::atomic<bool>* ioFailed);
// Closes a connection of ours; a broken one is only forgotten.
void closeOurDisplay(Display* d, bool broken);

// False when (x, y) lies on a window manager's decoration (the frame of a managed window
// outside its client area). The desktop, client windows and unmanaged windows count as
// client area.
bool isClientArea(Display* d, int x, int y);
// Looks for the record-stop window among the top-level windows with SetWinLocProc.
void refreshStopWindow(Display* d);

}  // namespace orv::hook

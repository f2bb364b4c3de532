// X protocol errors of the program's own X connections: one process-wide handler counts them
// per connection and keeps the codes of the latest ones, so that a caller can tell whether
// its request failed (a key grab another client holds answers BadAccess). An error never ends
// the process; a lost connection is said on stderr (Xlib then ends the process).
#pragma once

#include <X11/Xlib.h>

#include <vector>

namespace orv::x11 {

// Installs the handlers (and XInitThreads) once, before the first connection is opened.
void installErrorHandlers();
// Errors on `dpy` are counted from now on, until untrack.
void trackErrors(Display* dpy);
void untrackErrors(Display* dpy);
unsigned long errorCount(Display* dpy);
// The error codes caught on `dpy` since the last call, oldest first (the caller syncs first).
std::vector<unsigned char> takeErrorCodes(Display* dpy);

}  // namespace orv::x11

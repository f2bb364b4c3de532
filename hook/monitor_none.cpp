// Built when the X11 development files are missing: every install fails with its message,
// and there is no window to look at.
#include "hook/hook_state.h"
#include "lang/text.h"

using namespace orv::hook;

namespace {

int32_t failWith(const char* message) {
    deliverMessageBox(orv::sj(message));
    return -1;
}

}  // namespace

extern "C" {

int32_t MsetHook(void) {
    return failWith("Mouse SetWindowsHookEx失敗です");
}
int32_t MendHook(void) {
    return failWith("Mouse UnhookWindowsHookEx失敗です");
}
int32_t MsetHook2(int32_t) {
    return MsetHook();
}
int32_t MendHook2(void) {
    return MendHook();
}
int32_t KsetHook(void) {
    return failWith("Keybaord SetWindowsHookEx失敗です");
}
int32_t KendHook(void) {
    return failWith("Keybaord UnhookWindowsHookEx失敗です");
}
int32_t SetWinLocProc(int32_t, int32_t) {
    return 1;
}
void OrvHookNoteInjectedKey(int32_t, int32_t) {}

int32_t OrvHookWaitStopped(int32_t) {
    return 1;
}

}  // extern "C"

// Built when the X11 development files are missing: every install fails with its message,
// and there is no window to look at.
#include "hook/hook_state.h"
#include "lang/text.h"

using namespace orv::hook;

extern "C" {

int32_t MsetHook(void) {
    deliverMessageBox(orv::sj("Mouse SetWindowsHookEx失敗です"));
    return -1;
}
int32_t MendHook(void) {
    deliverMessageBox(orv::sj("Mouse UnhookWindowsHookEx失敗です"));
    return -1;
}
int32_t MsetHook2(int32_t) {
    return MsetHook();
}
int32_t MendHook2(void) {
    return MendHook();
}
int32_t KsetHook(void) {
    deliverMessageBox(orv::sj("Keybaord SetWindowsHookEx失敗です"));
    return -1;
}
int32_t KendHook(void) {
    deliverMessageBox(orv::sj("Keybaord UnhookWindowsHookEx失敗です"));
    return -1;
}
int32_t SetWinLocProc(int32_t, int32_t) {
    return 1;
}
void OrvHookNoteInjectedKey(int32_t, int32_t) {}

int32_t OrvHookWaitStopped(int32_t) {
    return 1;
}

}  // extern "C"

/* liborvhook: global mouse and keyboard capture for orvane.
 *
 * The library holds the recorder's hook procedures and the block of state they share. On X11
 * "installing a hook" starts one input monitor (its own thread and its own display
 * connections) that turns every input event of the display into the procedures' inputs.
 * Everything the procedures "send" (record text, point-picking messages, the run-abort
 * message, failure message boxes) reaches the program through the delivery function it
 * registers with OrvHookSetDelivery; orvane and orvane-cli do so through recorder/recorder.h.
 *
 * All names are plain C symbols bound by name (ELF has no ordinals). Window handles are
 * opaque 32-bit identifiers chosen by the program; 0 means "no window". */
#ifndef ORVHOOK_H
#define ORVHOOK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Private window messages the library sends. */
enum {
    ORV_UM_PICK_LDOWN = 1033,
    ORV_UM_PICK_LDBLCLK = 1034,
    ORV_UM_PICK_RDOWN = 1035,
    ORV_UM_PICK_RDBLCLK = 1036,
    ORV_UM_PICK_MDOWN = 1037,
    ORV_UM_PICK_MDBLCLK = 1038,
    ORV_UM_RUNABORT = 1039
};

/* Mouse messages taken by the mouse procedures. */
enum {
    ORV_WM_MOUSEMOVE = 512,
    ORV_WM_LBUTTONDOWN = 513,
    ORV_WM_LBUTTONUP = 514,
    ORV_WM_LBUTTONDBLCLK = 515,
    ORV_WM_RBUTTONDOWN = 516,
    ORV_WM_RBUTTONUP = 517,
    ORV_WM_RBUTTONDBLCLK = 518,
    ORV_WM_MBUTTONDOWN = 519,
    ORV_WM_MBUTTONUP = 520,
    ORV_WM_MBUTTONDBLCLK = 521,
    ORV_WM_MOUSEWHEEL = 522,
    ORV_WM_MOUSEHWHEEL = 526
};

/* Key flags of the keyboard procedure. */
#define ORV_KF_PHYSICAL 0x00010000u /* bit 16: not injected by the running macro itself */
#define ORV_KF_RELEASE 0x80000000u  /* bit 31: the key was released */

/* The mouse record passed to the mouse procedures. */
typedef struct OrvMouseRecord {
    int32_t x; /* screen point */
    int32_t y;
    uint32_t time; /* server time in milliseconds */
} OrvMouseRecord;

/* What the library hands to the program. */
enum {
    ORV_DELIVER_TEXT = 1,    /* append `text` to the record buffer `window` */
    ORV_DELIVER_MESSAGE = 2, /* send `message` (wparam, lparam) to `window` */
    ORV_DELIVER_MSGBOX = 3,  /* show a message box owned by `window`: `text`, `caption` */
    ORV_DELIVER_STOPPED = 4, /* the input monitor has delivered its last event and stops */
    ORV_DELIVER_INPUT = 5    /* a key or button event reaches the recording procedures now
                                (see below) */
};

/* ORV_DELIVER_INPUT comes from the input monitor only, right before it feeds a key or button
 * event to the recording procedures (keys while the run flag is clear, buttons while the
 * recording mouse hook is on; moves and the wheel never): `window` the record buffer, `wparam`
 * 1 for a press (a double-click too) and 0 for a release, `time` the event's server time. The
 * lines the procedure writes for the event follow it, so a receiver can tell when each
 * recorded action began and how long the input rested before it. Calls of the procedures by
 * the program itself bring none. */

typedef struct OrvHookDelivery {
    int32_t kind;
    int32_t window;
    uint32_t message;
    int32_t wparam;
    int32_t lparam;
    const char* text;    /* CP932, NUL-terminated (TEXT, MSGBOX), else NULL */
    const char* caption; /* CP932 (MSGBOX), else NULL */
    uint32_t time;       /* server time in milliseconds (INPUT), else 0 */
} OrvHookDelivery;

/* Called synchronously: on the input monitor's thread for everything the monitor produces,
 * on the calling thread for the message boxes of the install and remove functions and when
 * the program calls a procedure itself. The function may block (for example a blocking
 * queued call to the user-interface thread): the library never waits for the monitor thread
 * while the program holds a library call. */
typedef void (*OrvHookDeliveryFn)(void* ctx, const OrvHookDelivery* delivery);

/* The sixteen functions of the library. */
int32_t SetMainHwnd(int32_t mainWindow, int32_t recordBuffer);
int32_t Recflgset(int32_t flag);
int32_t ChkMHook(void);
int32_t ChkMHook2(void);
int32_t ChkKHook(void);
int32_t MsetHook(void);
int32_t MendHook(void);
int32_t MsetHook2(int32_t pickTag);
int32_t MendHook2(void);
int32_t KsetHook(void);
int32_t KendHook(void);
int32_t KSetExe(int32_t runFlag, int32_t runNotifyWindow);
int32_t CallKeyboardHookProc(int32_t code, int32_t virtualKey, uint32_t keyFlags);
int32_t CallMouseHookProc(int32_t code, int32_t message, const OrvMouseRecord* record);
int32_t CallMouseHookProc2(int32_t code, int32_t message, const OrvMouseRecord* record);
int32_t SetWinLocProc(int32_t window, int32_t ignored);

/* Extensions of the X11 port. */

/* Registers the delivery function (NULL: everything sent is dropped). */
void OrvHookSetDelivery(OrvHookDeliveryFn fn, void* ctx);

/* Called by the program's own input injector right BEFORE it injects a key event (XTest):
 * the monitor then reports that one event without ORV_KF_PHYSICAL, so the macro's own
 * `KEY ESC` never stops its run. A note is consumed by the first matching event (same
 * virtual key, same direction) and forgotten after one second when none arrives. */
void OrvHookNoteInjectedKey(int32_t virtualKey, int32_t down);

/* Sets the record-stop window rectangle (inclusive bounds) without looking for the window;
 * SetWinLocProc sets it when it finds the window on the display. */
void OrvHookSetStopRect(int32_t left, int32_t top, int32_t right, int32_t bottom);

/* Waits up to timeoutMs for the input monitor to end after the last hook was removed, its
 * display connections closed. Returns 1 when no monitor runs (or none is needed any more and
 * it has ended), 0 when a hook is still installed or the time ran out. A program calls it
 * before it closes its own X connections: Xlib's extension bookkeeping is not safe against
 * two threads closing connections at once. Call it after clearing the delivery function, so
 * the monitor is not waiting for the caller. */
int32_t OrvHookWaitStopped(int32_t timeoutMs);

#ifdef __cplusplus
}
#endif

#endif /* ORVHOOK_H */

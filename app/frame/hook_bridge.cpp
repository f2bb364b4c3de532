#include "app/frame/hook_bridge.h"

#include <QMetaObject>
#include <QPointer>
#include <QThread>

#include "app/codec.h"

#ifdef ORV_HAVE_HOOK
#include "hook/orvhook.h"
#endif
#ifdef ORV_HAVE_X11
#include "platform/x11/x11_desktop.h"
#endif

namespace orv::app {

#ifdef ORV_HAVE_HOOK

namespace {
QPointer<HookBridge>& attached() {
    static QPointer<HookBridge> b;
    return b;
}
}  // namespace

// The library's delivery function: the bridge handles the delivery on its own thread.
struct HookDelivery {
    static void deliver(void*, const OrvHookDelivery* d) {
        HookBridge* bridge = attached();
        if (!bridge || !d) return;
        QString text = d->text ? fromCp932(d->text) : QString();
        QString caption = d->caption ? fromCp932(d->caption) : QString();
        int kind = d->kind, window = d->window, wparam = d->wparam, lparam = d->lparam;
        unsigned message = d->message;
        auto fn = [=] { bridge->deliver(kind, window, message, wparam, lparam, text, caption); };
        if (QThread::currentThread() == bridge->thread())
            fn();
        else
            QMetaObject::invokeMethod(bridge, fn, Qt::BlockingQueuedConnection);
    }
};

void HookBridge::deliver(int kind, int window, unsigned message, int wparam, int lparam,
                         const QString& text, const QString& caption) {
    if (kind == ORV_DELIVER_TEXT && window == kRecordBufferId) emit recordText(text);
    if (kind == ORV_DELIVER_MESSAGE && message == ORV_UM_RUNABORT && window == kRunDialogId)
        emit runAbortRequested();
    if (kind == ORV_DELIVER_MESSAGE && message >= ORV_UM_PICK_LDOWN &&
        message <= ORV_UM_PICK_MDBLCLK && window == kFrameId)
        emit pointPicked(message, wparam, lparam);
    if (kind == ORV_DELIVER_MSGBOX) emit messageRequested(caption, text);
}

void HookBridge::attach() {
    attached() = this;
    OrvHookSetDelivery(&HookDelivery::deliver, nullptr);
    SetMainHwnd(kFrameId, kRecordBufferId);
#ifdef ORV_HAVE_X11
    setInjectedKeyNote(
        [](int vk, unsigned, bool down) { OrvHookNoteInjectedKey(vk, down ? 1 : 0); });
#endif
}

void HookBridge::watchEsc() {
    KSetExe(1, kRunDialogId);
    if (!ChkKHook()) KsetHook();
}

void HookBridge::unwatchEsc() {
    KSetExe(0, 0);
    if (ChkKHook()) KendHook();
}

bool HookBridge::pickBusy() {
    return ChkMHook2() != 0;
}
void HookBridge::startPick(int tag) {
    MsetHook2(tag);
}
void HookBridge::endPick() {
    if (ChkMHook2()) MendHook2();
}

void HookBridge::detach() {
    if (ChkMHook()) MendHook();
    if (ChkMHook2()) MendHook2();
    if (ChkKHook()) KendHook();
    OrvHookSetDelivery(nullptr, nullptr);
    // The monitor closes its connections before the program closes its own.
    OrvHookWaitStopped(2000);
    attached() = nullptr;
}

#else

void HookBridge::deliver(int, int, unsigned, int, int, const QString&, const QString&) {}
bool HookBridge::pickBusy() {
    return false;
}
void HookBridge::startPick(int) {}
void HookBridge::endPick() {}
void HookBridge::attach() {}
void HookBridge::watchEsc() {}
void HookBridge::unwatchEsc() {}
void HookBridge::detach() {}

#endif

}  // namespace orv::app

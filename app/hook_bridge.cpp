#include "app/hook_bridge.h"

#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QThread>

#include "app/codec.h"
#include "app/dialogs.h"
#include "app/main_frame.h"
#include "app/message.h"

#ifdef ORV_HAVE_HOOK
#include "hook/orvhook.h"
#endif
#ifdef ORV_HAVE_X11
#include "platform/x11/x11_desktop.h"
#endif

namespace orv::app {

#ifdef ORV_HAVE_HOOK

namespace {

QPointer<MainFrame>& frameRef() {
    static QPointer<MainFrame> f;
    return f;
}

void handle(MainFrame* frame, int kind, int window, unsigned message, const QString& text,
            const QString& caption) {
    switch (kind) {
        case ORV_DELIVER_TEXT:
            if (window == kRecordBufferId) {
                QTextCursor c = frame->recordBuffer()->textCursor();
                c.movePosition(QTextCursor::End);
                c.insertText(text);
            }
            return;
        case ORV_DELIVER_MESSAGE:
            if (message == ORV_UM_RUNABORT && window == kRunDialogId) {
                if (RunningDialog* d = frame->runningDialog()) d->stop();
            }
            return;
        case ORV_DELIVER_MSGBOX:
            showMessage(MsgKind::Warning, frame, caption, text);
            return;
        default:
            return;
    }
}

void deliver(void*, const OrvHookDelivery* d) {
    MainFrame* frame = frameRef();
    if (!frame || !d) return;
    QString text = d->text ? fromCp932(d->text) : QString();
    QString caption = d->caption ? fromCp932(d->caption) : QString();
    int kind = d->kind, window = d->window;
    unsigned message = d->message;
    auto fn = [frame, kind, window, message, text, caption] {
        handle(frame, kind, window, message, text, caption);
    };
    if (QThread::currentThread() == frame->thread())
        fn();
    else
        QMetaObject::invokeMethod(frame, fn, Qt::BlockingQueuedConnection);
}

}  // namespace

void hookAttach(MainFrame* frame) {
    frameRef() = frame;
    OrvHookSetDelivery(&deliver, nullptr);
    SetMainHwnd(kFrameId, kRecordBufferId);
#ifdef ORV_HAVE_X11
    setInjectedKeyNote(
        [](int vk, unsigned, bool down) { OrvHookNoteInjectedKey(vk, down ? 1 : 0); });
#endif
}

void hookWatchEsc() {
    KSetExe(1, kRunDialogId);
    if (!ChkKHook()) KsetHook();
}

void hookUnwatchEsc() {
    KSetExe(0, 0);
    if (ChkKHook()) KendHook();
}

void hookDetach() {
    if (ChkMHook()) MendHook();
    if (ChkKHook()) KendHook();
    OrvHookSetDelivery(nullptr, nullptr);
    // The monitor closes its connections before the program closes its own.
    OrvHookWaitStopped(2000);
    frameRef() = nullptr;
}

#else

void hookAttach(MainFrame*) {}
void hookWatchEsc() {}
void hookUnwatchEsc() {}
void hookDetach() {}

#endif

}  // namespace orv::app

#include "app/frame/hook_bridge.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <algorithm>

#include "app/codec.h"
#include "app/settings.h"

#ifdef ORV_HAVE_HOOK
#include "hook/orvhook.h"
#include "recorder/recorder.h"
#endif
#ifdef ORV_HAVE_X11
#include "platform/x11/x11_desktop.h"
#endif

namespace orv::app {

#ifdef ORV_HAVE_HOOK

struct HookBridge::Hooks {
    std::unique_ptr<recorder::HookLink> link;
    std::unique_ptr<recorder::EscWatch> esc;
    std::unique_ptr<recorder::RecordingSession> recording;
};

HookBridge::HookBridge(QObject* parent) : QObject(parent), hooks_(std::make_unique<Hooks>()) {}
HookBridge::~HookBridge() {
    detach();
}

void HookBridge::deliver(int kind, int window, unsigned message, int wparam, int lparam,
                         const QString& text, const QString& caption) {
    if (kind == ORV_DELIVER_MESSAGE && message == ORV_UM_RUNABORT &&
        window == recorder::kRunDialogWindow)
        emit runAbortRequested();
    if (kind == ORV_DELIVER_MESSAGE && message >= ORV_UM_PICK_LDOWN &&
        message <= ORV_UM_PICK_MDBLCLK && window == recorder::kFrameWindow)
        emit pointPicked(message, wparam, lparam);
    if (kind == ORV_DELIVER_MSGBOX) emit messageRequested(caption, text);
}

void HookBridge::attach() {
    if (hooks_->link) return;
    // Runs on the link's delivery thread (message boxes: on the thread that installed or
    // removed a hook). The bridge is reached only on its own thread, and only while it lives.
    QPointer<HookBridge> self(this);
    hooks_->link = std::make_unique<recorder::HookLink>([self](const recorder::Delivery& d) {
        // Recorded text is the session's; the UI thread gets none of a burst's lines.
        if (d.kind == ORV_DELIVER_TEXT || d.kind == ORV_DELIVER_STOPPED) return;
        auto fn = [self, d] {
            if (self)
                self->deliver(d.kind, d.window, d.message, d.wparam, d.lparam, fromCp932(d.text),
                              fromCp932(d.caption));
        };
        if (QThread::currentThread() == QCoreApplication::instance()->thread())
            fn();
        else
            QMetaObject::invokeMethod(QCoreApplication::instance(), fn, Qt::QueuedConnection);
    });
#ifdef ORV_HAVE_X11
    setInjectedKeyNote(
        [](int vk, unsigned, bool down) { OrvHookNoteInjectedKey(vk, down ? 1 : 0); });
#endif
}

void HookBridge::watchEsc() {
    // The link's handler takes the run abort, in order with the other deliveries.
    if (!hooks_->esc) hooks_->esc = std::make_unique<recorder::EscWatch>(nullptr);
}

void HookBridge::unwatchEsc() {
    hooks_->esc.reset();
}

bool HookBridge::startRecording(const Settings& settings) {
    if (hooks_->recording) return true;
    // The interval as the executor sleeps it: none for 0 or less.
    const recorder::WaitRule waits{settings.recordWaits, settings.shortestWait,
                                   std::max(settings.comTime, 0)};
    auto session = std::make_unique<recorder::RecordingSession>();
    if (!session->start(waits)) return false;
    hooks_->recording = std::move(session);
    return true;
}

QString HookBridge::stopRecording() {
    if (!hooks_->recording) return {};
    const std::string text = hooks_->recording->stop();
    hooks_->recording.reset();
    return fromCp932(text);
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
    hooks_->recording.reset();  // a recording still running is dropped
    hooks_->esc.reset();
    endPick();
    // Removes the rest and waits until the monitor has closed its connections.
    hooks_->link.reset();
}

#else

struct HookBridge::Hooks {};
HookBridge::HookBridge(QObject* parent) : QObject(parent), hooks_(std::make_unique<Hooks>()) {}
HookBridge::~HookBridge() = default;
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
bool HookBridge::startRecording(const Settings&) {
    return false;
}
QString HookBridge::stopRecording() {
    return {};
}

#endif

}  // namespace orv::app

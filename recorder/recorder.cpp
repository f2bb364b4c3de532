#include "recorder/recorder.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "hook/orvhook.h"

namespace orv::recorder {

struct HookLink::State {
    std::mutex lock;
    std::condition_variable cv;
    std::shared_ptr<const DeliveryHandler> handler;  // null once the link has ended
    std::deque<Delivery> queue;
    bool ended = false;
};

struct EscWatch::State {
    std::mutex lock;  // held while onStop runs
    std::function<void()> onStop;
};

struct RecordingSession::State {
    mutable std::mutex lock;
    std::condition_variable cv;
    TimedRecord record;
    bool stopRequested = false;
    bool stopped = false;
};

namespace {

// Who takes part in the deliveries now. Never destroyed: the library may deliver at any
// time, also while the process ends.
struct Routes {
    std::mutex lock;
    std::shared_ptr<HookLink::State> link;
    std::shared_ptr<EscWatch::State> esc;
    std::shared_ptr<RecordingSession::State> recording;
};

Routes& routes() {
    static Routes* r = new Routes;
    return *r;
}

Delivery copyOf(const OrvHookDelivery& d) {
    Delivery c;
    c.kind = d.kind;
    c.window = d.window;
    c.message = d.message;
    c.wparam = d.wparam;
    c.lparam = d.lparam;
    if (d.text) c.text = d.text;
    if (d.caption) c.caption = d.caption;
    return c;
}

void toRecording(RecordingSession::State& r, const OrvHookDelivery& d) {
    std::lock_guard<std::mutex> lock(r.lock);
    if (d.kind == ORV_DELIVER_TEXT && d.window == kRecordBufferWindow && d.text) {
        r.record.line(d.text);
    } else if (d.kind == ORV_DELIVER_INPUT && d.window == kRecordBufferWindow) {
        r.record.input(d.wparam != 0, d.time);
    } else if (d.kind == ORV_DELIVER_STOPPED && r.stopRequested) {
        r.stopped = true;
        r.cv.notify_all();
    }
}

void toEscWatch(EscWatch::State& e, const OrvHookDelivery& d) {
    if (d.kind != ORV_DELIVER_MESSAGE || d.message != ORV_UM_RUNABORT ||
        d.window != kRunDialogWindow)
        return;
    std::lock_guard<std::mutex> lock(e.lock);
    if (e.onStop) e.onStop();
}

void toLink(HookLink::State& l, const OrvHookDelivery& d) {
    std::shared_ptr<const DeliveryHandler> handler;
    {
        std::lock_guard<std::mutex> lock(l.lock);
        if (l.ended) return;
        if (d.kind != ORV_DELIVER_MSGBOX) {
            l.queue.push_back(copyOf(d));
            l.cv.notify_one();
            return;
        }
        handler = l.handler;
    }
    // A message box comes from an install or remove call: at once, on the caller's thread.
    if (handler && *handler) (*handler)(copyOf(d));
}

// The library's delivery function: takes only short locks, so the monitor never waits for
// the program.
void route(void*, const OrvHookDelivery* d) {
    if (!d) return;
    std::shared_ptr<HookLink::State> link;
    std::shared_ptr<EscWatch::State> esc;
    std::shared_ptr<RecordingSession::State> recording;
    {
        Routes& r = routes();
        std::lock_guard<std::mutex> lock(r.lock);
        link = r.link;
        esc = r.esc;
        recording = r.recording;
    }
    if (recording) toRecording(*recording, *d);
    if (d->kind == ORV_DELIVER_INPUT) return;  // the recording's alone
    if (esc) toEscWatch(*esc, *d);
    if (link) toLink(*link, *d);
}

void useRoutes() {
    OrvHookSetDelivery(&route, nullptr);
}

// Puts a participant into its route slot.
template <class T>
void setRoute(std::shared_ptr<T> Routes::*slot, std::shared_ptr<T> value) {
    Routes& r = routes();
    std::lock_guard<std::mutex> lock(r.lock);
    r.*slot = std::move(value);
}
// Takes a participant out of its slot, unless another one has taken it meanwhile.
template <class T>
void clearRoute(std::shared_ptr<T> Routes::*slot, const std::shared_ptr<T>& mine) {
    Routes& r = routes();
    std::lock_guard<std::mutex> lock(r.lock);
    if (r.*slot == mine) (r.*slot).reset();
}

// The link's delivery thread: hands the queued deliveries to the handler, one at a time.
void deliveryLoop(std::shared_ptr<HookLink::State> l) {
    std::unique_lock<std::mutex> lock(l->lock);
    for (;;) {
        l->cv.wait(lock, [&] { return l->ended || !l->queue.empty(); });
        if (l->ended) return;
        Delivery d = std::move(l->queue.front());
        l->queue.pop_front();
        std::shared_ptr<const DeliveryHandler> handler = l->handler;
        lock.unlock();
        if (handler && *handler) (*handler)(d);
        lock.lock();
    }
}

// Which hooks a participant removes when it ends.
struct HookSet {
    bool recordMouse, pickMouse, keyboard;
};
constexpr HookSet kAllHooks{true, true, true};
constexpr HookSet kRecordingHooks{true, false, true};
constexpr HookSet kKeyboardHook{false, false, true};

// Removes those of `set` that are installed.
void removeHooks(HookSet set) {
    if (set.recordMouse && ChkMHook() != 0) MendHook();
    if (set.pickMouse && ChkMHook2() != 0) MendHook2();
    if (set.keyboard && ChkKHook() != 0) KendHook();
}

constexpr std::int32_t kMonitorEndWaitMs = 2000;

}  // namespace

HookLink::HookLink(DeliveryHandler handler) : state_(std::make_shared<State>()) {
    state_->handler = std::make_shared<const DeliveryHandler>(std::move(handler));
    // The thread holds the state; it ends with the link, or after the call it is in.
    std::thread(deliveryLoop, state_).detach();
    setRoute(&Routes::link, state_);
    useRoutes();
    SetMainHwnd(kFrameWindow, kRecordBufferWindow);
}

HookLink::~HookLink() {
    removeHooks(kAllHooks);
    clearRoute(&Routes::link, state_);
    {
        std::lock_guard<std::mutex> lock(state_->lock);
        state_->ended = true;
        state_->handler.reset();
        state_->queue.clear();
    }
    state_->cv.notify_all();
    // The monitor closes its connections before the program closes its own.
    OrvHookWaitStopped(kMonitorEndWaitMs);
}

EscWatch::EscWatch(std::function<void()> onStop) : state_(std::make_shared<State>()) {
    state_->onStop = std::move(onStop);
    setRoute(&Routes::esc, state_);
    useRoutes();
    KSetExe(1, kRunDialogWindow);
    if (ChkKHook() == 0) KsetHook();
}

EscWatch::~EscWatch() {
    KSetExe(0, 0);
    removeHooks(kKeyboardHook);
    clearRoute(&Routes::esc, state_);
    {
        std::lock_guard<std::mutex> lock(state_->lock);  // waits for a call in progress
        state_->onStop = nullptr;
    }
    OrvHookWaitStopped(kMonitorEndWaitMs);
}

RecordingSession::RecordingSession() : state_(std::make_shared<State>()) {}

RecordingSession::~RecordingSession() {
    requestStop();
    clearRoute(&Routes::recording, state_);
}

bool RecordingSession::start(const WaitRule& waits) {
    {
        std::lock_guard<std::mutex> lock(state_->lock);
        state_->record = TimedRecord(waits);
        state_->stopRequested = false;
        state_->stopped = false;
    }
    setRoute(&Routes::recording, state_);
    useRoutes();
    SetMainHwnd(kFrameWindow, kRecordBufferWindow);
    Recflgset(1);
    const bool mouse = ChkMHook() == 0 && MsetHook() == 0;
    const bool keyboard = ChkKHook() == 0 && KsetHook() == 0;
    running_ = mouse || keyboard;
    if (!running_) Recflgset(0);
    return running_;
}

void RecordingSession::requestStop() {
    if (!running_) return;
    running_ = false;
    {
        std::lock_guard<std::mutex> lock(state_->lock);
        state_->stopRequested = true;
    }
    Recflgset(0);
    removeHooks(kRecordingHooks);
}

bool RecordingSession::waitStopped(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(state_->lock);
    state_->cv.wait_for(lock, timeout, [&] { return state_->stopped || !state_->stopRequested; });
    return state_->stopped;
}

std::string RecordingSession::text() const {
    std::lock_guard<std::mutex> lock(state_->lock);
    return state_->record.text();
}

std::string RecordingSession::stop(std::chrono::milliseconds timeout) {
    requestStop();
    waitStopped(timeout);
    return text();
}

}  // namespace orv::recorder

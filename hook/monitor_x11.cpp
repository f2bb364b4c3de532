// The X11 binding: "installing a hook" starts one input monitor that records every device
// event of the display with the RECORD extension and feeds the hook procedures; removing the
// last hook stops it. Also the install and remove exports with their failure messages.
#include "hook/monitor_x11.h"

#include <X11/Xlib.h>
#include <X11/extensions/record.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hook/hook_state.h"
#include "hook/keymap.h"
#include "hook/translator.h"
#include "lang/text.h"

namespace orv::hook {

namespace {

using Clock = std::chrono::steady_clock;

// Which procedures the monitor feeds.
enum : unsigned { kKeyboardBit = 1, kRecMouseBit = 2, kPickBit = 4 };

// Hooks installed now, and hooks removed whose events up to the removal may still be in
// the monitor's input (cleared at the monitor's next sync point).
std::atomic<unsigned> g_liveMask{0};
std::atomic<unsigned> g_lingerMask{0};
std::atomic<std::int32_t> g_nextHandle{0};

InjectedKeyNotes g_notes;

struct MonitorState {
    std::mutex lock;
    std::condition_variable cv;
    bool ready = false;             // recording has started
    bool failed = false;            // could not start
    bool exited = false;            // the thread has finished
    bool stopping = false;          // no hook needs the monitor any more
    std::atomic<bool> quit{false};  // leave at once (library unload)
    std::atomic<bool> ioFailed{false};
    int wakeFd = -1;

    ~MonitorState() {
        if (wakeFd >= 0) ::close(wakeFd);
    }
    void wake() {
        if (wakeFd < 0) return;
        std::uint64_t one = 1;
        ssize_t r = ::write(wakeFd, &one, sizeof one);
        (void)r;
    }
};

std::mutex g_ctlLock;  // install and remove
std::shared_ptr<MonitorState> g_monitor;
std::thread g_thread;

// The per-thread state of one running monitor.
class Monitor {
  public:
    Monitor(std::shared_ptr<MonitorState> st, Display* ctl)
        : st_(std::move(st)), ctl_(ctl), translator_(g_notes) {
        loadKeymap();
    }

    static void onRecord(XPointer closure, XRecordInterceptData* rec) {
        reinterpret_cast<Monitor*>(closure)->handle(rec);
        XRecordFreeData(rec);
    }

    void handle(XRecordInterceptData* rec) {
        switch (rec->category) {
            case XRecordStartOfData: {
                std::lock_guard<std::mutex> lock(st_->lock);
                st_->ready = true;
                st_->cv.notify_all();
                break;
            }
            case XRecordEndOfData:
                endOfData_ = true;
                break;
            case XRecordFromServer:
                if (rec->data && rec->data_len * 4 >= 32) event(rec->data);
                break;
            default:
                break;
        }
    }

    bool endOfData() const { return endOfData_; }

    void refreshKeymapIfChanged() {
        // MappingNotify arrives on the control connection; reload our keysym table.
        while (XPending(ctl_) > 0) {
            XEvent ev;
            XNextEvent(ctl_, &ev);
            if (ev.type == MappingNotify) {
                XRefreshKeyboardMapping(&ev.xmapping);
                loadKeymap();
            }
        }
    }

  private:
    void loadKeymap() {
        XDisplayKeycodes(ctl_, &minKeycode_, &maxKeycode_);
        keysyms_.clear();
        perCode_ = 0;
        int per = 0;
        KeySym* map = XGetKeyboardMapping(ctl_, static_cast<KeyCode>(minKeycode_),
                                          maxKeycode_ - minKeycode_ + 1, &per);
        if (!map) return;
        perCode_ = per;
        keysyms_.assign(map, map + static_cast<std::size_t>(maxKeycode_ - minKeycode_ + 1) *
                                       static_cast<std::size_t>(per));
        XFree(map);
    }

    int vkFor(int keycode, unsigned state) const {
        if (keycode < minKeycode_ || keycode > maxKeycode_ || perCode_ <= 0) return 0;
        const std::size_t base =
            static_cast<std::size_t>(keycode - minKeycode_) * static_cast<std::size_t>(perCode_);
        if (base + static_cast<std::size_t>(perCode_) > keysyms_.size()) return 0;
        const auto l0 = static_cast<std::uint32_t>(keysyms_[base]);
        const auto l1 = perCode_ > 1 ? static_cast<std::uint32_t>(keysyms_[base + 1]) : 0u;
        return vkForKeysyms(l0, l1, (state & Mod2Mask) != 0);
    }

    static std::uint16_t u16(const unsigned char* p) {
        std::uint16_t v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    static std::uint32_t u32(const unsigned char* p) {
        std::uint32_t v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }

    void event(const unsigned char* p) {
        const int type = p[0] & 0x7F;
        const int detail = p[1];
        const std::uint32_t time = u32(p + 4);
        const auto x = static_cast<std::int32_t>(static_cast<std::int16_t>(u16(p + 20)));
        const auto y = static_cast<std::int32_t>(static_cast<std::int16_t>(u16(p + 22)));
        const unsigned state = u16(p + 28);
        const unsigned mask = g_liveMask.load() | g_lingerMask.load();
        inputs_.clear();
        switch (type) {
            case KeyPress:
            case KeyRelease:
                if (!(mask & kKeyboardBit)) return;
                translator_.key(vkFor(detail, state), type == KeyPress, time, Clock::now(),
                                inputs_);
                break;
            case ButtonPress:
            case ButtonRelease: {
                if (!(mask & (kRecMouseBit | kPickBit))) return;
                const bool down = type == ButtonPress;
                bool client = true;
                if (down) {
                    client = isClientArea(ctl_, x, y);
                    if (detail == 1 && (mask & kRecMouseBit)) refreshStopWindow(ctl_);
                }
                translator_.button(detail, down, x, y, time, client, inputs_);
                break;
            }
            case MotionNotify:
                if (!(mask & (kRecMouseBit | kPickBit))) return;
                translator_.motion(x, y, time, inputs_);
                break;
            default:
                return;
        }
        for (const ProcInput& in : inputs_) feed(in);
    }

    // Feeds one input to the procedures of the hooks that take it. A key or button event
    // that reaches a recording procedure is first reported with its server time.
    static void feed(const ProcInput& in) {
        // Look at the mask again: a procedure's delivery may have taken a while.
        const unsigned m = g_liveMask.load() | g_lingerMask.load();
        const bool edge = in.edge != ProcInput::Edge::Neither;
        const bool press = in.edge == ProcInput::Edge::Press;
        if (in.isKey) {
            if (!(m & kKeyboardBit)) return;
            if (edge && block().runFlag.load() == 0) deliverInput(press, in.point.time);
            CallKeyboardHookProc(0, in.message, in.keyFlags);
            return;
        }
        if (m & kRecMouseBit) {
            if (edge) deliverInput(press, in.point.time);
            CallMouseHookProc(0, in.message, &in.point);
        }
        if (m & kPickBit) CallMouseHookProc2(0, in.message, &in.point);
    }

    std::shared_ptr<MonitorState> st_;
    Display* ctl_;
    Translator translator_;
    std::vector<ProcInput> inputs_;
    bool endOfData_ = false;
    int minKeycode_ = 8, maxKeycode_ = 255, perCode_ = 0;
    std::vector<KeySym> keysyms_;
};

// Reads and handles everything the server has sent on the data connection.
void processAvailable(Display* data, std::atomic<bool>& ioFailed) {
    const int fd = ConnectionNumber(data);
    for (int guard = 0; guard < 100000 && !ioFailed.load(); ++guard) {
        XRecordProcessReplies(data);
        if (ioFailed.load()) return;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0 && XPending(data) == 0) return;
        if (p.revents & (POLLHUP | POLLERR)) {
            // The server went away: Xlib is not called on this connection again.
            ioFailed = true;
            return;
        }
    }
}

void signalFailed(MonitorState& st) {
    std::lock_guard<std::mutex> lock(st.lock);
    st.failed = true;
    st.cv.notify_all();
}

// The two connections and the recording context of one monitor thread.
struct Recording {
    Display* ctl = nullptr;   // control connection: requests, window lookups, MappingNotify
    Display* data = nullptr;  // RECORD data connection
    XRecordContext context = 0;
    XRecordRange* range = nullptr;
    std::unique_ptr<Monitor> monitor;
};

// Opens both connections, creates the context for every client's device events and enables
// it; false when any step fails.
bool openRecording(Recording& r, const std::shared_ptr<MonitorState>& st) {
    r.ctl = openOurDisplay(&st->ioFailed);
    r.data = r.ctl ? openOurDisplay(&st->ioFailed) : nullptr;
    int major = 0, minor = 0;
    if (!r.ctl || !r.data || !XRecordQueryVersion(r.ctl, &major, &minor)) return false;
    r.range = XRecordAllocRange();
    if (!r.range) return false;
    r.range->device_events.first = KeyPress;
    r.range->device_events.last = MotionNotify;
    XRecordClientSpec clients = XRecordAllClients;
    r.context = XRecordCreateContext(r.ctl, 0, &clients, 1, &r.range, 1);
    XSync(r.ctl, False);
    if (r.context == 0 || st->ioFailed.load()) return false;
    r.monitor = std::make_unique<Monitor>(st, r.ctl);
    const bool enabled =
        XRecordEnableContextAsync(r.data, r.context, &Monitor::onRecord,
                                  reinterpret_cast<XPointer>(r.monitor.get())) != 0;
    XFlush(r.data);
    return enabled;
}

// Waits (at most 5 s) for the start of the recorded data.
bool waitForStart(const Recording& r, MonitorState& st) {
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(st.lock);
            if (st.ready) return true;
        }
        if (st.ioFailed.load() || st.quit.load() || Clock::now() > deadline) return false;
        pollfd p{ConnectionNumber(r.data), POLLIN, 0};
        ::poll(&p, 1, 50);
        XRecordProcessReplies(r.data);
    }
}

// Sync point: everything the server did before now reaches the procedures of the hooks
// removed meanwhile; later events no longer do. True when no hook needs the monitor any more.
bool syncPoint(const Recording& r, MonitorState& st) {
    std::uint64_t n;
    ssize_t got = ::read(st.wakeFd, &n, sizeof n);
    (void)got;
    const unsigned removed = g_lingerMask.load();
    XSync(r.ctl, False);
    XSync(r.ctl, False);
    processAvailable(r.data, st.ioFailed);
    std::lock_guard<std::mutex> lock(g_ctlLock);
    g_lingerMask.fetch_and(~removed);
    // The clicks of a capture ended meanwhile have reached the procedure with their tag.
    if ((removed & kPickBit) && !(g_liveMask.load() & kPickBit)) block().pickTag = -1;
    if (g_liveMask.load() != 0 || g_lingerMask.load() != 0) return false;
    std::lock_guard<std::mutex> stLock(st.lock);
    st.stopping = true;
    return true;
}

// Feeds the procedures until no hook needs the monitor, the server goes away or the library
// is unloaded.
void feedUntilStopped(const Recording& r, MonitorState& st) {
    while (!st.ioFailed.load() && !st.quit.load()) {
        pollfd fds[3] = {{ConnectionNumber(r.data), POLLIN, 0},
                         {st.wakeFd, POLLIN, 0},
                         {ConnectionNumber(r.ctl), POLLIN, 0}};
        if (::poll(fds, 3, 1000) < 0) continue;
        if ((fds[0].revents | fds[2].revents) & (POLLHUP | POLLERR)) {
            // The server went away: Xlib is not called on these connections again.
            st.ioFailed = true;
            return;
        }
        if (fds[0].revents) processAvailable(r.data, st.ioFailed);
        if (fds[2].revents || XQLength(r.ctl) > 0) r.monitor->refreshKeymapIfChanged();
        if ((fds[1].revents & POLLIN) && syncPoint(r, st)) return;
    }
}

// Stops recording, reads what is still on its way up to the end of the data, and closes
// both connections (a broken one is left alone).
void closeRecording(Recording& r, MonitorState& st, bool recorded) {
    if (recorded && !st.ioFailed.load() && !st.quit.load()) {
        XRecordDisableContext(r.ctl, r.context);
        XSync(r.ctl, False);
        const auto end = Clock::now() + std::chrono::seconds(2);
        while (!r.monitor->endOfData() && !st.ioFailed.load() && Clock::now() < end) {
            pollfd p{ConnectionNumber(r.data), POLLIN, 0};
            ::poll(&p, 1, 50);
            processAvailable(r.data, st.ioFailed);
        }
    }
    if (r.ctl && r.context && !st.ioFailed.load()) {
        XRecordFreeContext(r.ctl, r.context);
        XSync(r.ctl, False);
    }
    if (r.range) XFree(r.range);
    const bool broken = st.ioFailed.load();
    // Closing the data connection can still hand recorded replies to the monitor's callback,
    // so the monitor goes only after it.
    closeOurDisplay(r.data, broken);
    r.monitor.reset();
    closeOurDisplay(r.ctl, broken);
}

void monitorThread(std::shared_ptr<MonitorState> st) {
    Recording r;
    const bool ok = openRecording(r, st) && waitForStart(r, *st);
    if (ok)
        feedUntilStopped(r, *st);
    else
        signalFailed(*st);
    closeRecording(r, *st, ok);
    if (ok && !st->quit.load()) deliverStopped();
    std::lock_guard<std::mutex> lock(st->lock);
    st->stopping = true;
    st->exited = true;
    st->cv.notify_all();
}

// Waits a bounded time for a previous monitor thread and joins it, or lets it finish alone
// (it may be blocked in a delivery that the caller's thread would have to serve).
void retireThread(std::chrono::milliseconds bound) {
    if (!g_thread.joinable()) return;
    std::shared_ptr<MonitorState> st = g_monitor;
    bool exited = true;
    if (st) {
        std::unique_lock<std::mutex> lock(st->lock);
        exited = st->cv.wait_for(lock, bound, [&] { return st->exited; });
    }
    if (exited)
        g_thread.join();
    else
        g_thread.detach();
}

// Makes sure a monitor runs. Called with g_ctlLock held.
bool acquireMonitor() {
    if (g_monitor) {
        std::lock_guard<std::mutex> lock(g_monitor->lock);
        if (!g_monitor->stopping && !g_monitor->exited && !g_monitor->failed &&
            !g_monitor->ioFailed.load())
            return true;
    }
    if (g_monitor) {
        g_monitor->quit = true;
        g_monitor->wake();
    }
    retireThread(std::chrono::milliseconds(2000));
    g_monitor.reset();
    auto st = std::make_shared<MonitorState>();
    st->wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (st->wakeFd < 0) return false;
    g_lingerMask = 0;
    try {
        g_thread = std::thread(monitorThread, st);
    } catch (...) {
        return false;
    }
    g_monitor = st;
    std::unique_lock<std::mutex> lock(st->lock);
    st->cv.wait_for(lock, std::chrono::seconds(6), [&] { return st->ready || st->failed; });
    if (st->ready && !st->failed) return true;
    st->quit = true;
    lock.unlock();
    st->wake();
    return false;
}

// Called with g_ctlLock held after a hook's bit left g_liveMask.
void releaseMonitor(unsigned bit) {
    g_lingerMask.fetch_or(bit);
    if (g_monitor) g_monitor->wake();
}

std::int32_t newHandle() {
    std::int32_t h = g_nextHandle.fetch_add(1) + 1;
    if (h <= 0) {
        g_nextHandle = 1;
        h = 1;
    }
    return h;
}

// The failure message box is shown after the lock is released: the program's message box
// may take long, and the monitor needs the lock at its sync points.
int install(unsigned bit, std::atomic<std::int32_t>& handle, std::atomic<std::int32_t>& flag,
            const char* failure, const std::int32_t* pickTag = nullptr) {
    {
        std::lock_guard<std::mutex> lock(g_ctlLock);
        if (acquireMonitor()) {
            // The pick tag is in place before the first event reaches the procedure.
            if (pickTag) block().pickTag = *pickTag;
            handle = newHandle();
            flag = 1;
            g_liveMask.fetch_or(bit);
            return 0;
        }
    }
    deliverMessageBox(sj(failure));
    return -1;
}

int remove(unsigned bit, std::atomic<std::int32_t>& handle, std::atomic<std::int32_t>& flag,
           const char* failure) {
    {
        std::lock_guard<std::mutex> lock(g_ctlLock);
        if (handle.load() != 0) {
            handle = 0;
            flag = 0;
            g_liveMask.fetch_and(~bit);
            releaseMonitor(bit);
            return 0;
        }
    }
    deliverMessageBox(sj(failure));
    return -1;
}

// Stops the monitor when the library is unloaded (normally at process exit).
struct Unloader {
    ~Unloader() {
        std::lock_guard<std::mutex> lock(g_ctlLock);
        g_liveMask = 0;
        g_lingerMask = 0;
        if (g_monitor) {
            g_monitor->quit = true;
            g_monitor->wake();
        }
        retireThread(std::chrono::milliseconds(1000));
        g_monitor.reset();
    }
} g_unloader;

const char kMouseSetFailed[] = "Mouse SetWindowsHookEx失敗です";
const char kMouseEndFailed[] = "Mouse UnhookWindowsHookEx失敗です";
const char kKeyboardSetFailed[] = "Keybaord SetWindowsHookEx失敗です";
const char kKeyboardEndFailed[] = "Keybaord UnhookWindowsHookEx失敗です";

}  // namespace

}  // namespace orv::hook

using namespace orv::hook;

extern "C" {

int32_t MsetHook(void) {
    return install(kRecMouseBit, block().recMouseHook, block().recMouseHookOn, kMouseSetFailed);
}

int32_t MendHook(void) {
    return remove(kRecMouseBit, block().recMouseHook, block().recMouseHookOn, kMouseEndFailed);
}

int32_t MsetHook2(int32_t pickTag) {
    return install(kPickBit, block().pickMouseHook, block().pickMouseHookOn, kMouseSetFailed,
                   &pickTag);
}

// The pick tag goes back to -1 at the monitor's next sync point, not here: a click made
// before the removal and still on its way from the server is reported with its tag.
int32_t MendHook2(void) {
    return remove(kPickBit, block().pickMouseHook, block().pickMouseHookOn, kMouseEndFailed);
}

int32_t KsetHook(void) {
    return install(kKeyboardBit, block().keyboardHook, block().keyboardHookOn, kKeyboardSetFailed);
}

int32_t KendHook(void) {
    return remove(kKeyboardBit, block().keyboardHook, block().keyboardHookOn, kKeyboardEndFailed);
}

int32_t OrvHookWaitStopped(int32_t timeoutMs) {
    std::shared_ptr<MonitorState> st;
    {
        std::lock_guard<std::mutex> lock(g_ctlLock);
        if (g_liveMask.load() != 0) return 0;
        st = g_monitor;
    }
    if (!st) return 1;
    std::unique_lock<std::mutex> lock(st->lock);
    return st->cv.wait_for(lock, std::chrono::milliseconds(std::max(0, timeoutMs)),
                           [&] { return st->exited; })
               ? 1
               : 0;
}

void OrvHookNoteInjectedKey(int32_t virtualKey, int32_t down) {
    g_notes.note(virtualKey, down != 0, std::chrono::steady_clock::now());
}

}  // extern "C"

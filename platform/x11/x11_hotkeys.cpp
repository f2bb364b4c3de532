// Hotkeys on X11: XGrabKey on the root window for each combination and each state of the
// lock keys, on a connection that only this thread uses; requests from other threads are
// queued to it (a pipe wakes it) and waited for.
#include "platform/x11/x11_hotkeys.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/x11/x11_errors.h"

namespace orv {

namespace {

// Key names of our own beside the keysym names they stand for.
struct KeyAlias {
    const char* key;
    const char* keysym;
};
constexpr KeyAlias kAliases[] = {
    {"Esc", "Escape"}, {"Enter", "Return"}, {"Space", "space"}, {"Backspace", "BackSpace"},
    {"Ins", "Insert"}, {"Del", "Delete"},   {"PgUp", "Prior"},  {"PgDown", "Next"},
};

bool oneLetter(const std::string& s) {
    return s.size() == 1 && std::isalpha(static_cast<unsigned char>(s[0]));
}

class X11Hotkeys final : public HotkeySource {
  public:
    explicit X11Hotkeys(Display* dpy);
    ~X11Hotkeys() override;

    std::vector<GrabResult> grab(const std::vector<KeyChord>& chords) override;
    void release() override {
        call([this] { releaseAll(); });
    }
    void setOnPressed(std::function<void(int)> onPressed) override {
        call([this, onPressed] { onPressed_ = onPressed; });
    }
    std::string keyNameOfCode(unsigned code) override;

  private:
    struct Grabbed {
        KeyCode kc = 0;  // 0: not grabbed
        unsigned mask = 0;
        bool down = false;
    };

    void run();
    void runJobs();
    // Runs `job` on the thread and waits until it has run.
    void call(std::function<void()> job);
    void readModifiers();
    unsigned maskOf(unsigned mods) const;
    GrabResult grabOne(const KeyChord& chord, Grabbed& g);
    void ungrab(const Grabbed& g);
    void releaseAll();
    void handle(const XEvent& e);

    Display* dpy_;
    Window root_;
    int wake_[2] = {-1, -1};
    std::mutex mu_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> jobs_;
    std::uint64_t queued_ = 0, done_ = 0;
    bool stop_ = false;
    unsigned altMask_ = Mod1Mask, superMask_ = Mod4Mask, numMask_ = Mod2Mask;
    std::vector<Grabbed> grabbed_;
    std::function<void(int)> onPressed_;
    std::thread thread_;
};

X11Hotkeys::X11Hotkeys(Display* dpy) : dpy_(dpy), root_(DefaultRootWindow(dpy)) {
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) wake_[0] = wake_[1] = -1;
    Bool detectable = False;
    XkbSetDetectableAutoRepeat(dpy_, True, &detectable);  // a held key presses once
    readModifiers();
    thread_ = std::thread([this] { run(); });
}

X11Hotkeys::~X11Hotkeys() {
    call([this] {
        releaseAll();
        stop_ = true;
    });
    thread_.join();
    XCloseDisplay(dpy_);
    x11::untrackErrors(dpy_);
    for (int fd : wake_)
        if (fd >= 0) ::close(fd);
}

void X11Hotkeys::call(std::function<void()> job) {
    std::unique_lock<std::mutex> lock(mu_);
    if (stop_) return;
    jobs_.push_back(std::move(job));
    const std::uint64_t ticket = ++queued_;
    if (wake_[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] ssize_t n = ::write(wake_[1], &byte, 1);
    }
    cv_.wait(lock, [&] { return done_ >= ticket; });
}

void X11Hotkeys::runJobs() {
    std::unique_lock<std::mutex> lock(mu_);
    while (!jobs_.empty()) {
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        job();
        lock.lock();
        ++done_;
    }
    cv_.notify_all();
}

void X11Hotkeys::run() {
    pollfd fds[2] = {{ConnectionNumber(dpy_), POLLIN, 0}, {wake_[0], POLLIN, 0}};
    for (;;) {
        runJobs();
        {
            std::lock_guard<std::mutex> lock(mu_);
            if (stop_) return;
        }
        while (XPending(dpy_) > 0) {
            XEvent e;
            XNextEvent(dpy_, &e);
            handle(e);
        }
        ::poll(fds, wake_[0] >= 0 ? 2 : 1, wake_[0] >= 0 ? -1 : 50);
        if (fds[1].revents & POLLIN) {
            char buf[64];
            while (::read(wake_[0], buf, sizeof buf) > 0) {
            }
        }
    }
}

// Which modifier bits Alt, Super and Num Lock are on this keyboard.
void X11Hotkeys::readModifiers() {
    XModifierKeymap* map = XGetModifierMapping(dpy_);
    if (!map) return;
    for (int mod = 3; mod < 8; ++mod) {
        for (int k = 0; k < map->max_keypermod; ++k) {
            const KeyCode kc = map->modifiermap[mod * map->max_keypermod + k];
            if (!kc) continue;
            const KeySym sym = XkbKeycodeToKeysym(dpy_, kc, 0, 0);
            const unsigned bit = 1u << mod;
            if (sym == XK_Num_Lock) numMask_ = bit;
            if (sym == XK_Alt_L || sym == XK_Alt_R) altMask_ = bit;
            if (sym == XK_Super_L || sym == XK_Super_R) superMask_ = bit;
        }
    }
    XFreeModifiermap(map);
}

unsigned X11Hotkeys::maskOf(unsigned mods) const {
    return ((mods & kModCtrl) ? ControlMask : 0) | ((mods & kModAlt) ? altMask_ : 0) |
           ((mods & kModShift) ? ShiftMask : 0) | ((mods & kModSuper) ? superMask_ : 0);
}

void X11Hotkeys::ungrab(const Grabbed& g) {
    for (unsigned locks : {0u, unsigned(LockMask), numMask_, LockMask | numMask_})
        XUngrabKey(dpy_, g.kc, g.mask | locks, root_);
}

GrabResult X11Hotkeys::grabOne(const KeyChord& chord, Grabbed& g) {
    const KeySym sym = XStringToKeysym(keysymNameOfKey(chord.key).c_str());
    const KeyCode kc = sym == NoSymbol ? 0 : XKeysymToKeycode(dpy_, sym);
    if (!kc) return GrabResult::UnknownKey;
    x11::takeErrorCodes(dpy_);
    g = {kc, maskOf(chord.mods), false};
    for (unsigned locks : {0u, unsigned(LockMask), numMask_, LockMask | numMask_})
        XGrabKey(dpy_, kc, g.mask | locks, root_, False, GrabModeAsync, GrabModeAsync);
    XSync(dpy_, False);
    const std::vector<unsigned char> errors = x11::takeErrorCodes(dpy_);
    if (std::find(errors.begin(), errors.end(), BadAccess) == errors.end())
        return GrabResult::Grabbed;
    ungrab(g);  // the variants that went through: a combination is whole or not at all
    XSync(dpy_, False);
    x11::takeErrorCodes(dpy_);
    g = {};
    return GrabResult::Busy;
}

std::vector<GrabResult> X11Hotkeys::grab(const std::vector<KeyChord>& chords) {
    std::vector<GrabResult> results;
    call([&] {
        releaseAll();
        grabbed_.assign(chords.size(), Grabbed{});
        for (std::size_t i = 0; i < chords.size(); ++i)
            results.push_back(grabOne(chords[i], grabbed_[i]));
    });
    return results;
}

void X11Hotkeys::releaseAll() {
    for (const Grabbed& g : grabbed_)
        if (g.kc) ungrab(g);
    grabbed_.clear();
    XSync(dpy_, False);
    x11::takeErrorCodes(dpy_);
}

void X11Hotkeys::handle(const XEvent& e) {
    if (e.type != KeyPress && e.type != KeyRelease) return;
    const unsigned mods = e.xkey.state & (ControlMask | ShiftMask | altMask_ | superMask_);
    for (std::size_t i = 0; i < grabbed_.size(); ++i) {
        Grabbed& g = grabbed_[i];
        if (!g.kc || g.kc != e.xkey.keycode) continue;
        if (e.type == KeyRelease) {
            g.down = false;
        } else if (g.mask == mods && !g.down) {
            g.down = true;
            if (onPressed_) onPressed_(static_cast<int>(i));
        }
    }
}

std::string X11Hotkeys::keyNameOfCode(unsigned code) {
    std::string name;
    call([&] {
        const KeySym sym = XkbKeycodeToKeysym(dpy_, static_cast<KeyCode>(code), 0, 0);
        const char* s = sym == NoSymbol ? nullptr : XKeysymToString(sym);
        if (s) name = keyOfKeysymName(s);
    });
    return name;
}

}  // namespace

std::string keysymNameOfKey(const std::string& key) {
    for (const KeyAlias& a : kAliases)
        if (key == a.key) return a.keysym;
    if (oneLetter(key)) return std::string(1, static_cast<char>(std::tolower(key[0])));
    return key;
}

std::string keyOfKeysymName(const std::string& keysym) {
    for (const KeyAlias& a : kAliases)
        if (keysym == a.keysym) return a.key;
    if (oneLetter(keysym)) return std::string(1, static_cast<char>(std::toupper(keysym[0])));
    return keysym;
}

std::unique_ptr<HotkeySource> connectX11Hotkeys(const std::string& displayName, std::string& why) {
    x11::installErrorHandlers();
    Display* dpy = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!dpy) {
        why = "cannot open the X display for the hotkeys";
        return nullptr;
    }
    x11::trackErrors(dpy);
    return std::make_unique<X11Hotkeys>(dpy);
}

}  // namespace orv

// The X11 desktop's keyboard: the core mapping and the spare keycodes lent to keysyms it
// lacks, the auto-repeat of keys a macro holds, and the key events themselves, each noted for
// the hook library before it is sent.
#include <X11/extensions/XTest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/x11/vk_keysym.h"
#include "platform/x11/xlib_desktop.h"

// The hook library's note of the program's own key events, when that library is linked in
// (a weak reference: this backend does not depend on it).
extern "C" void OrvHookNoteInjectedKey(std::int32_t virtualKey, std::int32_t down)
    __attribute__((weak));

namespace orv {

namespace {
std::atomic<InjectedKeyNote> g_keyNote{nullptr};
}  // namespace

void setInjectedKeyNote(InjectedKeyNote note) {
    g_keyNote.store(note);
}

namespace x11 {

void XlibDesktop::readMapping() {
    XDisplayKeycodes(dpy, &minKc, &maxKc);
    int count = maxKc - minKc + 1;
    int per = 0;
    KeySym* syms = XGetKeyboardMapping(dpy, static_cast<KeyCode>(minKc), count, &per);
    map.clear();
    perKc = 0;
    if (syms && per > 0) {
        map.assign(syms, syms + static_cast<std::size_t>(count) * static_cast<std::size_t>(per));
        perKc = per;
    }
    if (syms) XFree(syms);
}

void XlibDesktop::findSpare() {
    spare.clear();
    for (int kc = minKc; kc <= maxKc; ++kc) {
        bool empty = true;
        for (int c = 0; c < perKc && empty; ++c)
            empty = map[static_cast<std::size_t>((kc - minKc) * perKc + c)] == NoSymbol;
        if (empty) spare.push_back(static_cast<KeyCode>(kc));
    }
}

void XlibDesktop::checkMappingChange() {
    XEvent e;
    bool changed = false;
    while (XCheckTypedEvent(dpy, MappingNotify, &e)) {
        XRefreshKeyboardMapping(&e.xmapping);
        if (e.xmapping.request == MappingKeyboard) changed = true;
    }
    if (changed) readMapping();
}

// The keycode that produces `sym` without modifiers, lending a spare keycode when the
// current mapping has none. 0 when no keycode can be had.
KeyCode XlibDesktop::keycodeFor(KeySym sym) {
    for (Lent& l : lent) {
        if (l.sym == sym) {
            l.used = ++useClock;
            return l.kc;
        }
    }
    for (int kc = minKc; kc <= maxKc && perKc > 0; ++kc) {
        if (map[static_cast<std::size_t>((kc - minKc) * perKc)] == sym) {
            bool isLent = false;
            for (const Lent& l : lent) isLent = isLent || l.kc == kc;
            if (!isLent) return static_cast<KeyCode>(kc);
        }
    }
    // Lend a spare keycode: a never used one first, else the least recently used one
    // that is not held down.
    KeyCode kc = 0;
    Lent* reuse = nullptr;
    for (KeyCode s : spare) {
        bool used = false;
        for (const Lent& l : lent) used = used || l.kc == s;
        if (!used) {
            kc = s;
            break;
        }
    }
    if (!kc) {
        for (Lent& l : lent)
            if (!l.held && (!reuse || l.used < reuse->used)) reuse = &l;
        if (!reuse) return 0;
        kc = reuse->kc;
    }
    KeySym pair[2] = {sym, sym};
    XChangeKeyboardMapping(dpy, kc, 2, pair, 1);
    if (reuse) {
        reuse->sym = sym;
        reuse->used = ++useClock;
    } else {
        lent.push_back({kc, sym, ++useClock, false});
    }
    return kc;
}

// The server repeats a held key by itself; a key held by the macro (MTAB sends key-downs
// only) must not start typing on its own, so its repeat is off while we hold it.
void XlibDesktop::setRepeat(KeyCode kc, bool on) {
    XKeyboardControl kb{};
    kb.key = kc;
    kb.auto_repeat_mode = on ? AutoRepeatModeOn : AutoRepeatModeOff;
    XChangeKeyboardControl(dpy, KBKey | KBAutoRepeatMode, &kb);
}

// Sends one key event. A key-down of a key that is already down (MTAB's second TAB) is
// sent the way the server itself delivers a repeated key to its clients: a release
// followed at once by a press. (The server drops a second press of a held key whose
// repeat is off, and with its repeat on it would go on repeating the key by itself.)
void XlibDesktop::sendKey(KeyCode kc, bool down) {
    auto it = std::find(quieted.begin(), quieted.end(), kc);
    if (down && it != quieted.end()) {
        XTestFakeKeyEvent(dpy, kc, False, CurrentTime);
        XTestFakeKeyEvent(dpy, kc, True, CurrentTime);
    } else if (down) {
        if (repeats[kc / 8] & (1 << (kc % 8))) {
            setRepeat(kc, false);
            quieted.push_back(kc);
        }
        XTestFakeKeyEvent(dpy, kc, True, CurrentTime);
    } else {
        XTestFakeKeyEvent(dpy, kc, False, CurrentTime);
        if (it != quieted.end()) {
            quieted.erase(it);
            setRepeat(kc, true);
        }
    }
}

// The key stays down (no key-up is made for it), but its repeat setting is given back:
// the server does not start repeating a key that was pressed while its repeat was off.
void XlibDesktop::restoreRepeat() {
    for (KeyCode kc : quieted) setRepeat(kc, true);
    quieted.clear();
}

void XlibDesktop::restoreLent() {
    if (lent.empty()) return;
    // Clients translate a key lazily from the mapping they fetch after MappingNotify:
    // give them a moment to read the lent keysyms before they disappear.
    XSync(dpy, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    for (const Lent& l : lent) {
        KeySym none[2] = {NoSymbol, NoSymbol};
        XChangeKeyboardMapping(dpy, l.kc, 2, none, 1);
    }
    lent.clear();
    XSync(dpy, False);
}

void XlibDesktop::key(int vk, bool down) {
    std::lock_guard<std::mutex> lock(mu);
    KeySym sym = x11::keysymForVk(vk);
    if (sym == NoSymbol) return;
    checkMappingChange();
    KeyCode kc = keycodeFor(sym);
    if (!kc) return;
    for (auto& l : lent)
        if (l.kc == kc) l.held = down;
    if (InjectedKeyNote note = g_keyNote.load())
        note(vk, kc, down);
    else if (&OrvHookNoteInjectedKey != nullptr)
        OrvHookNoteInjectedKey(vk, down ? 1 : 0);
    sendKey(kc, down);
    XFlush(dpy);
}

}  // namespace x11

}  // namespace orv

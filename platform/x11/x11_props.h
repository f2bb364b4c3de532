// Window properties and titles read through Xlib, for the X11 desktop and the hook library's
// input monitor. Header-only, so that the hook library compiles it without linking the
// desktop backend; include it only where Xlib is wanted.
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <string>
#include <vector>

namespace orv::x11 {

// Reads a property of format 32 as longs, at most `max` of them. `type` is the type it must
// have, or AnyPropertyType for any. False when it is missing or of another type or format.
inline bool readLongs(Display* d, Window w, Atom prop, Atom type, std::vector<long>& out,
                      long max = 1 << 20) {
    out.clear();
    Atom actual = None;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, prop, 0, max, False, type, &actual, &format, &n, &after, &data) !=
        Success)
        return false;
    const bool ok = data && (type == AnyPropertyType || actual == type) && format == 32;
    if (ok) {
        const long* v = reinterpret_cast<const long*>(data);
        out.assign(v, v + n);
    }
    if (data) XFree(data);
    return ok;
}

// Reads a property of format 8 and type `type` as bytes; false when it is missing or of
// another type or format.
inline bool readBytes(Display* d, Window w, Atom prop, Atom type, std::string& out) {
    out.clear();
    Atom actual = None;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, prop, 0, 1 << 16, False, type, &actual, &format, &n, &after,
                           &data) != Success)
        return false;
    const bool ok = data && actual == type && format == 8;
    if (ok) out.assign(reinterpret_cast<const char*>(data), n);
    if (data) XFree(data);
    return ok;
}

// Whether the window has the property at all.
inline bool hasProperty(Display* d, Window w, Atom prop) {
    Atom type = None;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, prop, 0, 0, False, AnyPropertyType, &type, &format, &n, &after,
                           &data) != Success)
        return false;
    if (data) XFree(data);
    return type != None;
}

inline std::string latin1ToUtf8(const unsigned char* p, std::size_t n) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] < 0x80) {
            out += static_cast<char>(p[i]);
        } else {
            out += static_cast<char>(0xC0 | (p[i] >> 6));
            out += static_cast<char>(0x80 | (p[i] & 0x3F));
        }
    }
    return out;
}

// WM_NAME as UTF-8: Latin-1 for STRING, else what Xlib converts, else the bytes as they are.
inline std::string wmNameUtf8(Display* d, XTextProperty& tp) {
    char** list = nullptr;
    int count = 0;
    std::string out;
    if (tp.encoding == XA_STRING && tp.format == 8) {
        out = latin1ToUtf8(tp.value, tp.nitems);
    } else if (Xutf8TextPropertyToTextList(d, &tp, &list, &count) >= Success && list) {
        for (int i = 0; i < count; ++i)
            if (list[i]) out += list[i];
        XFreeStringList(list);
    } else if (tp.format == 8) {
        out.assign(reinterpret_cast<const char*>(tp.value), tp.nitems);
    }
    return out;
}

// A window's title as UTF-8: _NET_WM_NAME (`netWmName` of type `utf8String`), else WM_NAME;
// empty when it has neither.
inline std::string windowTitle(Display* d, Window w, Atom netWmName, Atom utf8String) {
    std::string s;
    if (readBytes(d, w, netWmName, utf8String, s)) return s;
    XTextProperty tp{};
    if (XGetWMName(d, w, &tp) && tp.value) s = wmNameUtf8(d, tp);
    if (tp.value) XFree(tp.value);
    return s;
}

}  // namespace orv::x11

// The shared data block, the names virtual keys are recorded with, the three hook procedures
// and the exports that only touch the block. Install and remove live with the input monitor.
#include <array>
#include <cstdio>
#include <mutex>
#include <string>

#include "hook/hook_state.h"
#include "lang/key_names.h"

namespace orv::hook {

namespace {

SharedBlock g_block;
std::mutex g_heldKeyLock;

std::mutex g_deliveryLock;
OrvHookDeliveryFn g_deliveryFn = nullptr;
void* g_deliveryCtx = nullptr;

// The name a key is recorded with: the first name of its code in the key-name table, except
// the numeric pad's digits (96-105), recorded as the digits. F1 (112) is named only while
// recording.
constexpr int kVkNumpad0 = 96;
constexpr int kVkF1 = 112;

// The key-name index of every virtual key (-1: not recorded), built at compile time.
constexpr std::array<std::int8_t, 256> buildNameIndexes() {
    std::array<std::int8_t, 256> t{};
    t.fill(-1);
    for (std::size_t i = kKeyNameCount; i-- > 0;)
        t[static_cast<std::size_t>(kKeyNames[i].vk)] = static_cast<std::int8_t>(i);
    for (char d = '0'; d <= '9'; ++d)
        t[static_cast<std::size_t>(kVkNumpad0 + d - '0')] =
            static_cast<std::int8_t>(keyNameIndex(std::string_view(&d, 1)));
    return t;
}
constexpr std::array<std::int8_t, 256> kNameIndexOfVk = buildNameIndexes();
constexpr int kF1NameIndex = keyNameIndex("F1");

void deliver(const OrvHookDelivery& d) {
    OrvHookDeliveryFn fn;
    void* ctx;
    {
        std::lock_guard<std::mutex> lock(g_deliveryLock);
        fn = g_deliveryFn;
        ctx = g_deliveryCtx;
    }
    if (fn) fn(ctx, &d);
}

// Formats one record line ("\t" + body + "\r\n") and appends it to the record buffer.
void writeLine(const char* body) {
    std::string line;
    line.reserve(32);
    line += '\t';
    line += body;
    line += "\r\n";
    deliverText(g_block.recordBuffer.load(), line.c_str());
}

void writeMove(std::int32_t x, std::int32_t y) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "MMOVE %d,%d", static_cast<int>(x), static_cast<int>(y));
    writeLine(buf);
}

// Writes "<command> <button letter>".
void writeButton(const char* command, char letter) {
    std::string body = command;
    body += ' ';
    body += letter;
    writeLine(body.c_str());
}

// ---- The recording mouse procedure: one handler for each button message ----

// A button: its letter in the record, the button state while it is pressed, and whether a
// press inside the record-stop window is ignored with its release (the left button only).
struct Button {
    char letter;
    std::int32_t pressedState;
    bool stopWindow;
};
constexpr Button kLeft{'L', ORV_WM_LBUTTONDOWN, true};
constexpr Button kRight{'R', ORV_WM_RBUTTONDOWN, false};
constexpr Button kMiddle{'C', ORV_WM_MBUTTONDOWN, false};

bool inStopWindow(std::int32_t x, std::int32_t y) {
    const SharedBlock& b = g_block;
    return x >= b.stopLeft.load() && x <= b.stopRight.load() && y >= b.stopTop.load() &&
           y <= b.stopBottom.load();
}

void press(const Button& k, std::int32_t x, std::int32_t y) {
    SharedBlock& b = g_block;
    if (k.stopWindow && inStopWindow(x, y)) {
        b.buttonState = kStateIgnoredStopPress;
        return;
    }
    b.pressX = x;
    b.pressY = y;
    b.buttonState = k.pressedState;
}

// A release at the press point is a click; elsewhere it ends a drag (or, without moves in
// between, writes only the move).
void release(const Button& k, std::int32_t x, std::int32_t y) {
    SharedBlock& b = g_block;
    if (k.stopWindow && b.buttonState.load() == kStateIgnoredStopPress) {
        b.buttonState = kStateIdle;
        return;
    }
    writeMove(x, y);
    if (x == b.pressX.load() && y == b.pressY.load())
        writeButton("MCLK", k.letter);
    else if (b.buttonState.load() == kStateDragging)
        writeButton("MUP", k.letter);
    b.buttonState = kStateIdle;
}

void doubleClick(const Button& k, std::int32_t x, std::int32_t y) {
    SharedBlock& b = g_block;
    b.pressX = x;
    b.pressY = y;
    writeMove(x, y);
    writeButton("MDCLK", k.letter);
    b.buttonState = kStateIdle;
}

// A move away from the press point while a button is down starts a drag.
void move(std::int32_t x, std::int32_t y) {
    SharedBlock& b = g_block;
    const std::int32_t state = b.buttonState.load();
    for (const Button* k : {&kLeft, &kRight, &kMiddle}) {
        if (state != k->pressedState) continue;
        if (x == b.pressX.load() && y == b.pressY.load()) return;
        writeMove(b.pressX.load(), b.pressY.load());
        writeButton("MDOWN", k->letter);
        b.buttonState = kStateDragging;
        return;
    }
}

using ButtonHandler = void (*)(const Button&, std::int32_t x, std::int32_t y);
constexpr struct {
    std::int32_t message;
    ButtonHandler handle;
    const Button* button;
} kButtonMessages[] = {
    {ORV_WM_LBUTTONDOWN, press, &kLeft},           {ORV_WM_LBUTTONUP, release, &kLeft},
    {ORV_WM_LBUTTONDBLCLK, doubleClick, &kLeft},   {ORV_WM_RBUTTONDOWN, press, &kRight},
    {ORV_WM_RBUTTONUP, release, &kRight},          {ORV_WM_RBUTTONDBLCLK, doubleClick, &kRight},
    {ORV_WM_MBUTTONDOWN, press, &kMiddle},         {ORV_WM_MBUTTONUP, release, &kMiddle},
    {ORV_WM_MBUTTONDBLCLK, doubleClick, &kMiddle},
};

// The point-picking procedure's message for each mouse message (0: none).
constexpr struct {
    std::int32_t mouse;
    std::uint32_t pick;
} kPickMessages[] = {
    {ORV_WM_LBUTTONDOWN, ORV_UM_PICK_LDOWN}, {ORV_WM_LBUTTONDBLCLK, ORV_UM_PICK_LDBLCLK},
    {ORV_WM_RBUTTONDOWN, ORV_UM_PICK_RDOWN}, {ORV_WM_RBUTTONDBLCLK, ORV_UM_PICK_RDBLCLK},
    {ORV_WM_MBUTTONDOWN, ORV_UM_PICK_MDOWN}, {ORV_WM_MBUTTONDBLCLK, ORV_UM_PICK_MDBLCLK},
};

}  // namespace

SharedBlock& block() {
    return g_block;
}
std::mutex& heldKeyLock() {
    return g_heldKeyLock;
}

std::string_view keyName(int index) {
    return index >= 0 && index < static_cast<int>(kKeyNameCount)
               ? kKeyNames[static_cast<std::size_t>(index)].name
               : std::string_view();
}

int keyIndexForVk(int vk, bool recording) {
    if (vk == kVkF1) return recording ? kF1NameIndex : -1;
    if (vk < 0 || vk > 255) return -1;
    return kNameIndexOfVk[static_cast<std::size_t>(vk)];
}

void deliverText(std::int32_t window, const char* text) {
    if (window == 0) return;  // no record buffer: the text is lost
    OrvHookDelivery d{ORV_DELIVER_TEXT, window, 0, 0, 0, text, nullptr, 0};
    deliver(d);
}

void deliverMessage(std::int32_t window, std::uint32_t message, std::int32_t wparam,
                    std::int32_t lparam) {
    if (window == 0) return;
    OrvHookDelivery d{ORV_DELIVER_MESSAGE, window, message, wparam, lparam, nullptr, nullptr, 0};
    deliver(d);
}

void deliverMessageBox(const std::string& textCp932) {
    OrvHookDelivery d{
        ORV_DELIVER_MSGBOX, g_block.mainWindow.load(), 0, 0, 0, textCp932.c_str(), "Orvane", 0};
    deliver(d);
}

void deliverStopped() {
    OrvHookDelivery d{ORV_DELIVER_STOPPED, 0, 0, 0, 0, nullptr, nullptr, 0};
    deliver(d);
}

void deliverInput(bool press, std::uint32_t serverTime) {
    const std::int32_t window = g_block.recordBuffer.load();
    if (window == 0) return;  // nothing is recorded without a record buffer
    OrvHookDelivery d{ORV_DELIVER_INPUT, window, 0, press ? 1 : 0, 0, nullptr, nullptr, serverTime};
    deliver(d);
}

void resetForTests() {
    SharedBlock& b = g_block;
    for (auto* f : {&b.mainWindow, &b.recordBuffer, &b.runNotifyWindow, &b.recMouseHookOn,
                    &b.pickMouseHookOn, &b.keyboardHookOn, &b.recordingFlag, &b.runFlag,
                    &b.keyboardHook, &b.recMouseHook, &b.pickMouseHook, &b.pressX, &b.pressY,
                    &b.stopLeft, &b.stopTop, &b.stopRight, &b.stopBottom})
        f->store(0);
    b.buttonState = kStateIdle;
    b.pickTag = -1;
    std::lock_guard<std::mutex> lock(g_heldKeyLock);
    for (auto& s : b.heldKey) s = -1;
}

}  // namespace orv::hook

using namespace orv::hook;

extern "C" {

int32_t SetMainHwnd(int32_t mainWindow, int32_t recordBuffer) {
    g_block.mainWindow = mainWindow;
    g_block.recordBuffer = recordBuffer;
    return 0;
}

int32_t Recflgset(int32_t flag) {
    g_block.recordingFlag = flag;
    {
        std::lock_guard<std::mutex> lock(g_heldKeyLock);
        for (auto& s : g_block.heldKey) s = -1;
    }
    return g_block.recMouseHookOn.load();
}

int32_t ChkMHook(void) {
    return g_block.recMouseHookOn.load();
}
int32_t ChkMHook2(void) {
    return g_block.pickMouseHookOn.load();
}
int32_t ChkKHook(void) {
    return g_block.keyboardHookOn.load();
}

int32_t KSetExe(int32_t runFlag, int32_t runNotifyWindow) {
    g_block.runNotifyWindow = runNotifyWindow;
    g_block.runFlag = runFlag;
    return 0;
}

int32_t CallKeyboardHookProc(int32_t code, int32_t virtualKey, uint32_t keyFlags) {
    if (code != 0) return 0;
    const bool released = (keyFlags & ORV_KF_RELEASE) != 0;
    if (g_block.runFlag.load() != 0) {
        if (released && virtualKey == 27 && (keyFlags & ORV_KF_PHYSICAL) != 0)
            deliverMessage(g_block.runNotifyWindow.load(), ORV_UM_RUNABORT, 27,
                           static_cast<int32_t>(keyFlags));
        return 0;
    }
    if (released && virtualKey == 9) {
        writeLine("MTAB 1");
        return 0;
    }
    if (released) {
        std::string line;
        {
            std::lock_guard<std::mutex> lock(g_heldKeyLock);
            int count = 0;
            for (auto& s : g_block.heldKey)
                if (s.load() != -1) ++count;
            if (count > 0) {
                line = "KEY ";
                for (int i = 0; i < count; ++i) {
                    if (i > 0) line += ',';
                    line += keyName(g_block.heldKey[i].load());
                }
            }
            for (auto& s : g_block.heldKey) s = -1;
        }
        // Delivered outside the critical section: the delivery may wait for the program.
        if (!line.empty()) writeLine(line.c_str());
        return 0;
    }
    const int index = keyIndexForVk(virtualKey, g_block.recordingFlag.load() != 0);
    if (index < 0) return 0;
    std::lock_guard<std::mutex> lock(g_heldKeyLock);
    for (auto& s : g_block.heldKey)
        if (s.load() == index) return 0;  // auto-repeat of a held key
    for (auto& s : g_block.heldKey) {
        if (s.load() == -1) {
            s = index;
            break;
        }
    }
    return 0;
}

int32_t CallMouseHookProc(int32_t code, int32_t message, const OrvMouseRecord* record) {
    if (code != 0 || record == nullptr) return 0;
    if (message == ORV_WM_MOUSEMOVE) {
        move(record->x, record->y);
        return 0;
    }
    for (const auto& m : kButtonMessages)
        if (m.message == message) m.handle(*m.button, record->x, record->y);
    return 0;
}

int32_t CallMouseHookProc2(int32_t code, int32_t message, const OrvMouseRecord* record) {
    if (code != 0 || record == nullptr) return 0;
    for (const auto& m : kPickMessages) {
        if (m.mouse != message) continue;
        const uint32_t point =
            (static_cast<uint32_t>(record->y) << 16) | (static_cast<uint32_t>(record->x) & 0xFFFFu);
        deliverMessage(g_block.mainWindow.load(), m.pick, g_block.pickTag.load(),
                       static_cast<int32_t>(point));
    }
    return 0;
}

void OrvHookSetDelivery(OrvHookDeliveryFn fn, void* ctx) {
    std::lock_guard<std::mutex> lock(g_deliveryLock);
    g_deliveryFn = fn;
    g_deliveryCtx = ctx;
}

void OrvHookSetStopRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    g_block.stopLeft = left;
    g_block.stopTop = top;
    g_block.stopRight = right;
    g_block.stopBottom = bottom;
}

}  // extern "C"

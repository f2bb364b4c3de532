// The shared data block, the recorder's key tables, the three hook procedures and the
// exports that only touch the block. Install and remove live with the input monitor.
#include <cstdio>
#include <mutex>
#include <string>

#include "hook/hook_state.h"

namespace orv::hook {

namespace {

SharedBlock g_block;
std::mutex g_heldKeyLock;

std::mutex g_deliveryLock;
OrvHookDeliveryFn g_deliveryFn = nullptr;
void* g_deliveryCtx = nullptr;

const char* const kKeyNames[90] = {
    "SFT",  "CTRL",  "ALT",  "ENTER", "INS", "DEL", "HOME", "END", "PUP", "PDN", "ESC", "UP",
    "DOWN", "RIGHT", "LEFT", "SPACE", "F1",  "F2",  "F3",   "F4",  "F5",  "F6",  "F7",  "F8",
    "F9",   "F10",   "F11",  "F12",   "0",   "1",   "2",    "3",   "4",   "5",   "6",   "7",
    "8",    "9",     "A",    "B",     "C",   "D",   "E",    "F",   "G",   "H",   "I",   "J",
    "K",    "L",     "M",    "N",     "O",   "P",   "Q",    "R",   "S",   "T",   "U",   "V",
    "W",    "X",     "Y",    "Z",     "a",   "b",   "c",    "d",   "e",   "f",   "g",   "h",
    "i",    "j",     "k",    "l",     "m",   "n",   "o",    "p",   "q",   "r",   "s",   "t",
    "u",    "v",     "w",    "x",     "y",   "z"};

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

// The button letter and press state of each button message family.
struct ButtonKind {
    char letter;
    std::int32_t pressedState;
};

}  // namespace

SharedBlock& block() {
    return g_block;
}
std::mutex& heldKeyLock() {
    return g_heldKeyLock;
}

const char* keyName(int index) {
    return index >= 0 && index < 90 ? kKeyNames[index] : "";
}

int keyIndexForVk(int vk, bool recording) {
    switch (vk) {
        case 13:
            return 3;
        case 16:
            return 0;
        case 17:
            return 1;
        case 18:
            return 2;
        case 27:
            return 10;
        case 32:
            return 15;
        case 33:
            return 8;
        case 34:
            return 9;
        case 35:
            return 7;
        case 36:
            return 6;
        case 37:
            return 14;
        case 38:
            return 11;
        case 39:
            return 13;
        case 40:
            return 12;
        case 45:
            return 4;
        case 46:
            return 5;
        case 112:
            return recording ? 16 : -1;
        default:
            break;
    }
    if (vk >= 48 && vk <= 57) return vk - 20;
    if (vk >= 65 && vk <= 90) return vk - 27;
    if (vk >= 96 && vk <= 105) return vk - 68;
    if (vk >= 106 && vk <= 111) return vk - 33;
    if (vk >= 113 && vk <= 123) return vk - 96;
    return -1;
}

void deliverText(std::int32_t window, const char* text) {
    if (window == 0) return;  // no record buffer: the text is lost
    OrvHookDelivery d{ORV_DELIVER_TEXT, window, 0, 0, 0, text, nullptr};
    deliver(d);
}

void deliverMessage(std::int32_t window, std::uint32_t message, std::int32_t wparam,
                    std::int32_t lparam) {
    if (window == 0) return;
    OrvHookDelivery d{ORV_DELIVER_MESSAGE, window, message, wparam, lparam, nullptr, nullptr};
    deliver(d);
}

void deliverMessageBox(const std::string& textCp932) {
    OrvHookDelivery d{
        ORV_DELIVER_MSGBOX, g_block.mainWindow.load(), 0, 0, 0, textCp932.c_str(), "Orvane"};
    deliver(d);
}

void deliverStopped() {
    OrvHookDelivery d{ORV_DELIVER_STOPPED, 0, 0, 0, 0, nullptr, nullptr};
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
    SharedBlock& b = g_block;
    const int32_t x = record->x;
    const int32_t y = record->y;
    const auto release = [&](ButtonKind k, bool stopTest) {
        if (stopTest && b.buttonState.load() == kStateIgnoredStopPress) {
            b.buttonState = kStateIdle;
            return;
        }
        writeMove(x, y);
        if (x == b.pressX.load() && y == b.pressY.load()) {
            const char body[] = {'M', 'C', 'L', 'K', ' ', k.letter, '\0'};
            writeLine(body);
        } else if (b.buttonState.load() == kStateDragging) {
            const char body[] = {'M', 'U', 'P', ' ', k.letter, '\0'};
            writeLine(body);
        }
        b.buttonState = kStateIdle;
    };
    const auto press = [&](ButtonKind k) {
        b.pressX = x;
        b.pressY = y;
        b.buttonState = k.pressedState;
    };
    const auto doubleClick = [&](ButtonKind k) {
        b.pressX = x;
        b.pressY = y;
        writeMove(x, y);
        const char body[] = {'M', 'D', 'C', 'L', 'K', ' ', k.letter, '\0'};
        writeLine(body);
        b.buttonState = kStateIdle;
    };
    const ButtonKind left{'L', ORV_WM_LBUTTONDOWN};
    const ButtonKind right{'R', ORV_WM_RBUTTONDOWN};
    const ButtonKind middle{'C', ORV_WM_MBUTTONDOWN};
    switch (message) {
        case ORV_WM_MOUSEMOVE: {
            const int32_t st = b.buttonState.load();
            if ((st == ORV_WM_LBUTTONDOWN || st == ORV_WM_RBUTTONDOWN ||
                 st == ORV_WM_MBUTTONDOWN) &&
                (x != b.pressX.load() || y != b.pressY.load())) {
                const char letter = st == ORV_WM_LBUTTONDOWN   ? 'L'
                                    : st == ORV_WM_RBUTTONDOWN ? 'R'
                                                               : 'C';
                writeMove(b.pressX.load(), b.pressY.load());
                const char body[] = {'M', 'D', 'O', 'W', 'N', ' ', letter, '\0'};
                writeLine(body);
                b.buttonState = kStateDragging;
            }
            break;
        }
        case ORV_WM_LBUTTONDOWN:
            if (x >= b.stopLeft.load() && x <= b.stopRight.load() && y >= b.stopTop.load() &&
                y <= b.stopBottom.load())
                b.buttonState = kStateIgnoredStopPress;
            else
                press(left);
            break;
        case ORV_WM_LBUTTONUP:
            release(left, true);
            break;
        case ORV_WM_LBUTTONDBLCLK:
            doubleClick(left);
            break;
        case ORV_WM_RBUTTONDOWN:
            press(right);
            break;
        case ORV_WM_RBUTTONUP:
            release(right, false);
            break;
        case ORV_WM_RBUTTONDBLCLK:
            doubleClick(right);
            break;
        case ORV_WM_MBUTTONDOWN:
            press(middle);
            break;
        case ORV_WM_MBUTTONUP:
            release(middle, false);
            break;
        case ORV_WM_MBUTTONDBLCLK:
            doubleClick(middle);
            break;
        default:
            break;
    }
    return 0;
}

int32_t CallMouseHookProc2(int32_t code, int32_t message, const OrvMouseRecord* record) {
    if (code != 0 || record == nullptr) return 0;
    uint32_t pick = 0;
    switch (message) {
        case ORV_WM_LBUTTONDOWN:
            pick = ORV_UM_PICK_LDOWN;
            break;
        case ORV_WM_LBUTTONDBLCLK:
            pick = ORV_UM_PICK_LDBLCLK;
            break;
        case ORV_WM_RBUTTONDOWN:
            pick = ORV_UM_PICK_RDOWN;
            break;
        case ORV_WM_RBUTTONDBLCLK:
            pick = ORV_UM_PICK_RDBLCLK;
            break;
        case ORV_WM_MBUTTONDOWN:
            pick = ORV_UM_PICK_MDOWN;
            break;
        case ORV_WM_MBUTTONDBLCLK:
            pick = ORV_UM_PICK_MDBLCLK;
            break;
        default:
            return 0;
    }
    const uint32_t point =
        (static_cast<uint32_t>(record->y) << 16) | (static_cast<uint32_t>(record->x) & 0xFFFFu);
    deliverMessage(g_block.mainWindow.load(), pick, g_block.pickTag.load(),
                   static_cast<int32_t>(point));
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

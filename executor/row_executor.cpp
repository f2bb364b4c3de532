#include "executor/row_executor.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "lang/debug_out.h"
#include "lang/text.h"

namespace orv {

namespace {

const std::string kEmpty;

std::int32_t wrapAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
std::int32_t wrapSub(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
std::int32_t wrapMul(std::int32_t a, std::int32_t b) {
    std::int64_t p = static_cast<std::int64_t>(a) * static_cast<std::int64_t>(b);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(p)));
}

int keyCode(std::string_view name) {
    int c = keyNameCode(name);
    if (c < 0) c = name.empty() ? 0 : static_cast<unsigned char>(name[0]);
    return c;
}

bool leapYear(std::int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}
int daysIn(std::int64_t y, std::int64_t m) {
    static const int dim[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12) return 31;
    return dim[m - 1] + (m == 2 && leapYear(y) ? 1 : 0);
}

std::string fmtDate(std::int64_t y, std::int64_t m, std::int64_t d) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%-4.4lld/%-2.2lld/%-2.2lld", static_cast<long long>(y),
                  static_cast<long long>(m), static_cast<long long>(d));
    return buf;
}
std::string fmtTime(int h, int m, int s) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%-2.2d:%-2.2d:%-2.2d", h, m, s);
    return buf;
}

std::int64_t floorMod(std::int64_t a, std::int64_t b) {
    std::int64_t r = a % b;
    return r < 0 ? r + b : r;
}
std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return (a - floorMod(a, b)) / b;
}

}  // namespace

RowExecutor::RowExecutor(Tables& tables, OpenFiles& files, Desktop& desktop, Clock& clock,
                         RunHost& host, const RunSettings& settings)
    : t_(tables), files_(files), desk_(desktop), clock_(clock), host_(host), settings_(settings) {}

// ---------------------------------------------------------------------------------------------
// Decoding

void RowExecutor::prepare() {
    const RowTable& m = t_.hMacro;
    const RowTable& v = t_.hVal;
    int n = m.rowCount();
    rows_.assign(static_cast<std::size_t>(n), DRow{});
    auto operand = [&](Operand& o, std::string_view text, std::string_view kind) {
        o.kind = toInt(kind);
        o.text.assign(text.data(), text.size());
        o.num = toInt(text);
        o.index = o.kind == 6 ? toInt(text) : -1;
    };
    for (int r = 0; r < n; ++r) {
        DRow& d = rows_[static_cast<std::size_t>(r)];
        d.code = toInt(m.at(r, mac::instruct));
        const std::string& ml = m.at(r, mac::MacroLine);
        d.dash = ml == "-";
        d.line = d.dash ? -1 : toInt(ml);
        d.next = r + 1 < n ? r + 1 : -1;
        d.go = toInt(m.at(r, mac::go_to));
        if (d.code == OP_IF) {
            operand(d.a, m.at(r, mac::shiki1), m.at(r, mac::syurui1));
            operand(d.b, m.at(r, mac::shiki2), m.at(r, mac::syurui2));
            d.op = toInt(m.at(r, mac::jyoken));
            int type = 0;
            if (d.a.kind == 7)
                type = 7;
            else if (d.a.kind != 6)
                type = d.a.kind;
            if (d.b.kind == 7)
                type = 7;
            else if (d.b.kind != 6 && type == 0)
                type = d.b.kind;
            if (type == 0) type = toInt(v.cell(d.a.index, val::type));
            d.type = type;
        }
    }
    const RowTable& c = t_.hCal;
    cals_.assign(static_cast<std::size_t>(c.rowCount()), DCal{});
    for (int r = 0; r < c.rowCount(); ++r) {
        DCal& d = cals_[static_cast<std::size_t>(r)];
        d.left = toInt(c.at(r, cal::LEFT));
        operand(d.r1, c.at(r, cal::RIGHT1), c.at(r, cal::RIGHT1_KIND));
        operand(d.r2, c.at(r, cal::RIGHT2), c.at(r, cal::RIGHT2_KIND));
        const std::string& op = c.at(r, cal::ENZANSI);
        if (op == "=") {
            d.op = 0;
        } else {
            int o = toInt(op);
            d.op = (o >= 6 && o <= 9) ? o : -1;
        }
    }
    sh_.assign(static_cast<std::size_t>(v.rowCount()), Shadow{});
    bindingsValid_ = false;
    prepared_ = true;
}

// ---------------------------------------------------------------------------------------------
// Values

const std::string& RowExecutor::text(int idx) {
    RowTable& v = t_.hVal;
    if (idx < 0 || idx >= v.rowCount()) return kEmpty;
    std::string& cell = v.at(idx, val::value);
    if (static_cast<std::size_t>(idx) < sh_.size()) {
        Shadow& s = sh_[static_cast<std::size_t>(idx)];
        if (s.state == 2) {
            assignInt(cell, s.num);
            s.state = 1;
        }
    }
    return cell;
}

std::int32_t RowExecutor::num(int idx) {
    if (idx >= 0 && static_cast<std::size_t>(idx) < sh_.size() && idx < t_.hVal.rowCount()) {
        Shadow& s = sh_[static_cast<std::size_t>(idx)];
        if (s.state == 0) {
            s.num = toInt(t_.hVal.at(idx, val::value));
            s.state = 1;
        }
        return s.num;
    }
    return toInt(text(idx));
}

void RowExecutor::setNum(int idx, std::int32_t value) {
    if (idx < 0 || idx >= t_.hVal.rowCount()) return;
    if (static_cast<std::size_t>(idx) < sh_.size()) {
        Shadow& s = sh_[static_cast<std::size_t>(idx)];
        s.num = value;
        s.state = 2;
        return;
    }
    assignInt(t_.hVal.at(idx, val::value), value);
}

void RowExecutor::setText(int idx, std::string_view value) {
    if (idx < 0 || idx >= t_.hVal.rowCount()) return;
    t_.hVal.set(idx, val::value, value);
    if (static_cast<std::size_t>(idx) < sh_.size()) sh_[static_cast<std::size_t>(idx)].state = 0;
}

void RowExecutor::copyValue(int dst, int src) {
    if (dst < 0 || dst >= t_.hVal.rowCount() || dst == src) return;
    bool shadowed = static_cast<std::size_t>(dst) < sh_.size() && src >= 0 &&
                    static_cast<std::size_t>(src) < sh_.size() && src < t_.hVal.rowCount();
    if (shadowed) {
        const Shadow s = sh_[static_cast<std::size_t>(src)];
        Shadow& d = sh_[static_cast<std::size_t>(dst)];
        if (s.state == 2) {
            d = s;
            return;
        }
        t_.hVal.at(dst, val::value) = t_.hVal.at(src, val::value);
        d = s;
        return;
    }
    std::string copy = text(src);
    setText(dst, copy);
}

std::int32_t RowExecutor::operandNum(const Operand& o) {
    return o.kind == 6 ? num(o.index) : o.num;
}

std::string RowExecutor::operandText(const Operand& o) {
    return o.kind == 6 ? text(o.index) : o.text;
}

std::int32_t RowExecutor::cellNum(std::string_view value, std::string_view kind) {
    if (kind == "2") return toInt(value);
    return num(toInt(value));
}

std::string_view RowExecutor::cellText(int row, int col) const {
    return t_.hMacro.cell(row, col);
}

int RowExecutor::findName(std::string_view name) const {
    const RowTable& v = t_.hVal;
    // Names in hVal are unique (OPEN appends a file number only when no row has its name),
    // so the row found last time is still the first one while it carries the name.
    if (lastFound_ >= 0 && lastFound_ < v.rowCount() && v.at(lastFound_, val::Val) == name)
        return lastFound_;
    for (int r = 0; r < v.rowCount(); ++r)
        if (v.at(r, val::Val) == name) return lastFound_ = r;
    return -1;
}

void RowExecutor::flush() {
    RowTable& v = t_.hVal;
    std::size_t n = sh_.size() < static_cast<std::size_t>(v.rowCount())
                        ? sh_.size()
                        : static_cast<std::size_t>(v.rowCount());
    for (std::size_t i = 0; i < n; ++i) {
        if (sh_[i].state == 2) {
            assignInt(v.at(static_cast<int>(i), val::value), sh_[i].num);
            sh_[i].state = 1;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Dispatch

int RowExecutor::next(int row) const {
    return row + 1 < rowCount() ? row + 1 : -1;
}

int RowExecutor::fail(int row, const std::string& message) {
    if (settings_.ignoreErrors) return next(row);
    flush();
    host_.runtimeError(message);
    return -1;
}

int RowExecutor::execute(int row) {
    if (!prepared_) prepare();
    if (row < 0 || row >= rowCount()) return -1;
    const DRow& d = rows_[static_cast<std::size_t>(row)];
    switch (d.code) {
        case OP_IF:
            return doCondition(row);
        case OP_END:
            return -1;
        case OP_GOTO:
            return d.go;
        case OP_OPEN:
            return doOpen(row);
        case OP_CLOSE:
            return doClose(row);
        case OP_SET:
            return doSet(row);
        case OP_READ:
            return doRead(row);
        case OP_MMOVE:
            return doMmove(row);
        case OP_MCLK:
        case OP_MDCLK:
        case OP_MDOWN:
        case OP_MUP:
            return doButton(row, d.code);
        case OP_WAIT:
            return doWait(row);
        case OP_FOCUS:
            return doFocusDestroy(row, false);
        case OP_KEY:
            return doKey(row);
        case OP_MTAB:
            return doMtab(row);
        case OP_EXECUTE:
            desk_.open(std::string(cellText(row, mac::go_to)));
            return d.next;
        case OP_WMOVE:
        case OP_WSIZE:
        case OP_GETWPOS:
        case OP_GETWSIZ:
            return doWindow(row, d.code);
        case OP_DESTROY:
            return doFocusDestroy(row, true);
        case OP_GETMPOS:
            return doGetMpos(row);
        case OP_CALC:
            return doCalc(row);
        case OP_GETTIME:
            return doGetTime(row);
        case OP_GETDATE:
            return doGetDate(row, false);
        case OP_GETWEEK:
            return doGetDate(row, true);
        case OP_GETSTR:
            return doGetStr(row);
        case OP_GETLEN:
            return doGetLen(row);
        case OP_STRSCH:
            return doStrSch(row);
        case OP_STRADD:
            return doStrAdd(row);
        default:
            return d.next;
    }
}

// ---------------------------------------------------------------------------------------------
// Conditions and calculations

int RowExecutor::doCondition(int row) {
    const DRow& d = rows_[static_cast<std::size_t>(row)];
    bool truth = false;
    if (d.type == 2) {
        std::int32_t x = operandNum(d.a), y = operandNum(d.b);
        switch (d.op) {
            case 0:
                truth = x == y;
                break;
            case 1:
                truth = x > y;
                break;
            case 2:
                truth = x >= y;
                break;
            case 3:
                truth = x < y;
                break;
            case 4:
                truth = x <= y;
                break;
            case 5:
                truth = x != y;
                break;
            default:
                truth = false;
        }
    } else {
        std::string_view sa, sb;
        auto resolve = [&](const Operand& o, std::string_view& out) -> bool {
            if (o.kind == 7) {
                int r = findName(o.text);
                if (r < 0) return false;
                out = t_.hVal.at(r, val::filno);
            } else if (o.kind == 6) {
                out = text(o.index);
            } else {
                out = o.text;
            }
            return true;
        };
        if (!resolve(d.a, sa)) return fail(row, sj("オープンされていません。") + d.a.text);
        if (!resolve(d.b, sb)) return fail(row, sj("オープンされていません。") + d.b.text);
        if (d.type == 7 && d.op == 0) {
            flush();
            host_.runtimeError(sj("==演算子は使用できません"));
            return -1;
        }
        if (d.op == 0)
            truth = sa == sb;
        else if (d.op == 5)
            truth = sa != sb;
    }
    return truth ? d.next : d.go;
}

int RowExecutor::doCalc(int row) {
    const DRow& d = rows_[static_cast<std::size_t>(row)];
    int r = d.go;
    if (r < 0) return d.next;
    int n = static_cast<int>(cals_.size());
    for (; r < n; ++r) {
        const DCal& c = cals_[static_cast<std::size_t>(r)];
        if (c.op == 0) {
            if (c.r1.kind == 6) {
                copyValue(c.left, c.r1.index);
            } else if (c.left >= 0 && c.left < t_.hVal.rowCount()) {
                t_.hVal.set(c.left, val::value, c.r1.text);
                if (static_cast<std::size_t>(c.left) < sh_.size())
                    sh_[static_cast<std::size_t>(c.left)] = Shadow{c.r1.num, 1};
            }
            break;
        }
        std::int32_t x = operandNum(c.r1), y = operandNum(c.r2);
        std::int32_t res;
        switch (c.op) {
            case 6:
                res = wrapAdd(x, y);
                break;
            case 7:
                res = wrapSub(x, y);
                break;
            case 8:
                if (y == 0) return fail(row, sj("0で除算しました"));
                res = (x == INT32_MIN && y == -1) ? INT32_MIN : x / y;
                break;
            case 9:
                res = wrapMul(x, y);
                break;
            default:
                continue;  // an unknown operator writes nothing
        }
        setNum(c.left, res);
    }
    return d.next;
}

// ---------------------------------------------------------------------------------------------
// Desktop commands

int RowExecutor::doMmove(int row) {
    Point p = desk_.cursor();
    auto axis = [&](int cur, int valueCol, int modeCol, int kindCol) {
        int mode = toInt(cellText(row, modeCol));
        if (mode != 1 && mode != 2 && mode != 4) return cur;  // NOW is never resolved
        std::int32_t v = cellNum(cellText(row, valueCol), cellText(row, kindCol));
        if (mode == 1) return wrapAdd(cur, v);
        if (mode == 2) return wrapSub(cur, v);
        return v;
    };
    int x = axis(p.x, mac::shiki1, mac::syurui1, mac::jyoken);
    int y = axis(p.y, mac::shiki2, mac::syurui2, mac::go_to);
    desk_.setCursor(x, y);
    return next(row);
}

int RowExecutor::doButton(int row, int code) {
    std::string_view b = cellText(row, mac::go_to);
    MouseButton button;
    if (b == "L")
        button = MouseButton::Left;
    else if (b == "R")
        button = MouseButton::Right;
    else if (b == "C")
        button = MouseButton::Middle;
    else
        return next(row);
    int clicks = code == OP_MDCLK ? 2 : 1;
    for (int i = 0; i < clicks; ++i) {
        if (code != OP_MUP) desk_.mouseButton(button, true);
        if (code != OP_MDOWN) desk_.mouseButton(button, false);
    }
    return next(row);
}

int RowExecutor::doWait(int row) {
    std::int32_t ms = cellNum(cellText(row, mac::go_to), cellText(row, mac::shiki1));
    if (ms < 0) ms = 0;
    desk_.waitNotice(ms);
    if (sleep_ && ms > 0) sleep_(ms);
    return next(row);
}

int RowExecutor::doMtab(int row) {
    std::int32_t n = cellNum(cellText(row, mac::go_to), cellText(row, mac::shiki1));
    for (std::int32_t i = 0; i < n; ++i) {
        if ((i & 1023) == 1023 && cancel_ && cancel_()) break;
        desk_.key(9, true);
    }
    return next(row);
}

int RowExecutor::doKey(int row) {
    std::string_view kind = cellText(row, mac::syurui1);
    std::string_view k2 = cellText(row, mac::jyoken), k3 = cellText(row, mac::shiki2);
    std::vector<int> keys;
    if (kind == "9") {
        std::string_view k1 = cellText(row, mac::shiki1);
        if (!k1.empty()) keys.push_back(keyCode(k1));
    } else {
        std::string typed = kind == "6" ? text(toInt(cellText(row, mac::shiki1)))
                                        : std::string(cellText(row, mac::shiki1));
        for (unsigned char c : typed) {
            desk_.key(c, true);
            desk_.key(c, false);
        }
    }
    if (!k2.empty()) keys.push_back(keyCode(k2));
    if (!k3.empty()) keys.push_back(keyCode(k3));
    for (int k : keys) desk_.key(k, true);
    for (int k : keys) desk_.key(k, false);
    return next(row);
}

int RowExecutor::doFocusDestroy(int row, bool destroy) {
    std::string caption(cellText(row, mac::go_to));
    for (const WindowInfo& w : desk_.windows()) {
        if (dbg::enabled()) {
            char num[64];
            std::snprintf(num, sizeof num, "- procssid=%d thread=%d comp=", w.pid, w.tid);
            dbg::out("-winname=" + w.title + "-Class=" + w.className + num + caption + "\r\n");
        }
        if (w.title == caption) {
            if (destroy)
                desk_.requestClose(w.id);
            else
                desk_.activate(w.id);
            break;
        }
    }
    return next(row);
}

int RowExecutor::doWindow(int row, int code) {
    bool set = code == OP_WMOVE || code == OP_WSIZE;
    std::string caption(cellText(row, set ? mac::Caption : mac::go_to));
    // Internal modes: 1 add, 2 subtract, 0 absolute.
    int xm = 0, ym = 0;
    std::int32_t xv = 0, yv = 0;
    int xTarget = -1, yTarget = -1;
    if (set) {
        auto mode = [&](int valueCol, int modeCol, int kindCol, int& m, std::int32_t& v) {
            int given = toInt(cellText(row, modeCol));
            m = given == 1 ? 1 : given == 2 ? 2 : 0;
            v = (given == 1 || given == 2 || given == 4)
                    ? cellNum(cellText(row, valueCol), cellText(row, kindCol))
                    : 0;  // KEEP / NOW: absolute 0, never resolved
        };
        mode(mac::shiki1, mac::syurui1, mac::jyoken, xm, xv);
        mode(mac::shiki2, mac::syurui2, mac::go_to, ym, yv);
    } else {
        xTarget = toInt(cellText(row, mac::shiki1));
        yTarget = toInt(cellText(row, mac::syurui1));
    }
    auto apply = [](int cur, int m, std::int32_t v) {
        if (m == 1) return wrapAdd(cur, v);
        if (m == 2) return wrapSub(cur, v);
        return v == 0 ? cur : v;
    };
    for (const WindowInfo& w : desk_.windows()) {
        if (dbg::enabled()) dbg::out("WinMoveProc-in " + w.title + "\r\n");
        if (w.title.empty()) continue;
        if (w.title != caption) {
            if (dbg::enabled()) dbg::out("WinMoveProc-out2 " + w.title + "\r\n");
            continue;
        }
        switch (code) {
            case OP_WMOVE:
                desk_.moveWindow(w.id, apply(w.left, xm, xv), apply(w.top, ym, yv));
                break;
            case OP_WSIZE:
                desk_.resizeWindow(w.id, apply(w.width, xm, xv), apply(w.height, ym, yv));
                break;
            case OP_GETWPOS:
                setNum(xTarget, w.left);
                setNum(yTarget, w.top);
                break;
            default:
                setNum(xTarget, w.width);
                setNum(yTarget, w.height);
                break;
        }
        if (dbg::enabled()) dbg::out("WinMoveProc-out1 " + w.title + "\r\n");
        break;
    }
    return next(row);
}

int RowExecutor::doGetMpos(int row) {
    Point p = desk_.cursor();
    setNum(toInt(cellText(row, mac::shiki1)), p.x);
    setNum(toInt(cellText(row, mac::syurui1)), p.y);
    return next(row);
}

// ---------------------------------------------------------------------------------------------
// CSV files

namespace {
int slotOf(const std::string& v) {
    if (!allDigits(v)) return -1;
    int s = toInt(v);
    return s >= 0 && s < OpenFiles::kSlots ? s : -1;
}
}  // namespace

int RowExecutor::doOpen(int row) {
    std::string name(cellText(row, mac::shiki1));
    std::string path(cellText(row, mac::go_to));
    if (findName(name) >= 0)
        return fail(row, sj("このファイル番号は別ファイルでOPEN済です。") + name);
    int slot = files_.firstEmpty();
    if (slot < 0) return fail(row, sj("同時にオープンするファイル数が多すぎます"));
    RowTable& v = t_.hVal;
    int r = v.append(name, 0);
    v.set(r, val::type, kTypeFile);
    v.set(r, val::value, toText(slot));
    if (sh_.size() == static_cast<std::size_t>(r)) sh_.push_back(Shadow{});
    bindingsValid_ = false;
    if (!files_.open(slot, path))
        return fail(row, sj("ファイルのオープンでエラーが発生しました。") + path);
    return next(row);
}

int RowExecutor::doClose(int row) {
    std::string name(cellText(row, mac::go_to));
    int r = findName(name);
    if (r < 0) return fail(row, sj("オープンされていません。") + name);
    int slot = slotOf(text(r));
    t_.hVal.deleteRow(r);
    if (static_cast<std::size_t>(r) < sh_.size()) sh_.erase(sh_.begin() + r);
    bindingsValid_ = false;
    if (slot < 0) return fail(row, sj("オープンされていません。") + name);
    files_.close(slot);
    return next(row);
}

int RowExecutor::doSet(int row) {
    std::string name(cellText(row, mac::jyoken));
    int r = findName(name);
    if (r < 0 || slotOf(text(r)) < 0) return fail(row, sj("オープンされていません。") + name);
    int target = toInt(cellText(row, mac::shiki1));
    t_.hVal.set(target, val::filno, name);
    t_.hVal.set(target, val::fieldno, cellText(row, mac::go_to));
    bindingsValid_ = false;
    return next(row);
}

int RowExecutor::doRead(int row) {
    std::string name(cellText(row, mac::go_to));
    int r = findName(name);
    int slot = r < 0 ? -1 : slotOf(text(r));
    if (slot < 0) return fail(row, sj("オープンされていません。") + name);
    int more = -1;
    std::string_view chunk = files_.peek(slot, &more);
    if (chunk.empty()) {
        t_.hVal.set(r, val::filno, "EOF");
        bindingsValid_ = false;
        return next(row);
    }
    // The text read ends at its first zero byte; the record ends at the first CR within it.
    const char* base = chunk.data();
    const char* cr = static_cast<const char*>(std::memchr(base, '\r', chunk.size()));
    std::size_t scanEnd = cr ? static_cast<std::size_t>(cr - base) : chunk.size();
    const char* nul = static_cast<const char*>(std::memchr(base, 0, scanEnd));
    std::string_view record;
    std::size_t consumed = chunk.size();
    if (nul) {
        record = chunk.substr(0, static_cast<std::size_t>(nul - base));
    } else if (cr) {
        std::size_t pos = static_cast<std::size_t>(cr - base);
        record = chunk.substr(0, pos);
        consumed = pos + 1;
        int after = pos + 1 < chunk.size() ? static_cast<unsigned char>(chunk[pos + 1]) : more;
        if (after == '\n') ++consumed;
    } else {
        record = chunk;
    }
    // Assign the fields before moving on: `record` points into the file's buffer.
    if (!bindingsValid_) {
        bindings_.clear();
        const RowTable& v = t_.hVal;
        for (int i = 0; i < v.rowCount(); ++i) {
            const std::string& fn = v.at(i, val::filno);
            if (fn.empty()) continue;
            std::int32_t f = toInt(v.at(i, val::fieldno));
            if (f < 1 || f > static_cast<std::int32_t>(OpenFiles::kChunk) + 1) continue;
            std::vector<int>& rowsOf = bindings_[fn];
            if (rowsOf.size() <= static_cast<std::size_t>(f))
                rowsOf.resize(static_cast<std::size_t>(f) + 1, -1);
            if (rowsOf[static_cast<std::size_t>(f)] < 0) rowsOf[static_cast<std::size_t>(f)] = i;
        }
        bindingsValid_ = true;
    }
    auto it = bindings_.find(name);
    if (it != bindings_.end()) {
        const std::vector<int>& rowsOf = it->second;
        std::size_t start = 0;
        for (std::size_t f = 1;; ++f) {
            std::size_t comma = record.find(',', start);
            std::string_view piece = record.substr(
                start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
            bool last = comma == std::string_view::npos;
            if (f >= rowsOf.size() && !last) {
                // No variable is bound to this or any later field.
                break;
            }
            if (!(last && piece.empty()) && f < rowsOf.size() && rowsOf[f] >= 0) {
                int target = rowsOf[f];
                const std::string& type = t_.hVal.at(target, val::type);
                if (type == kTypeString)
                    setText(target, piece);
                else if (type == kTypeNumber)
                    setNum(target, toInt(piece));
            }
            if (last) break;
            start = comma + 1;
        }
    }
    files_.consume(slot, consumed);
    return next(row);
}

// ---------------------------------------------------------------------------------------------
// Functions

int RowExecutor::doGetTime(int row) {
    int h, m, s;
    std::string_view base = cellText(row, mac::go_to);
    if (base.empty()) {
        LocalTime lt;
        if (!clock_.now(lt)) return fail(row, sj("システム日付が不正です"));
        h = lt.hour;
        m = lt.minute;
        s = lt.second;
    } else {
        int idx = toInt(base);
        std::string value = text(idx);
        const std::string& name = t_.hVal.cell(idx, val::Val);
        bool ok = value.size() <= 8;
        int parts[3] = {0, 0, 0};
        if (ok) {
            std::size_t p1 = value.find(':');
            std::size_t p2 = p1 == std::string::npos ? p1 : value.find(':', p1 + 1);
            if (p1 == std::string::npos || p2 == std::string::npos ||
                value.find(':', p2 + 1) != std::string::npos) {
                ok = false;
            } else {
                std::string_view f[3] = {std::string_view(value).substr(0, p1),
                                         std::string_view(value).substr(p1 + 1, p2 - p1 - 1),
                                         std::string_view(value).substr(p2 + 1)};
                for (int i = 0; i < 3 && ok; ++i) {
                    if (!allDigits(f[i]))
                        ok = false;
                    else
                        parts[i] = toInt(f[i]);
                }
                if (ok && (parts[0] > 23 || parts[1] > 59 || parts[2] > 59)) ok = false;
            }
        }
        if (!ok)
            return fail(row, sj("指定の変数内容の時間フォーマットが不正です[hh:mm:ss](") + name +
                                 "-" + value + ")");
        h = parts[0];
        m = parts[1];
        s = parts[2];
    }
    int result = toInt(cellText(row, mac::shiki1));
    std::string_view sign = cellText(row, mac::syurui1);
    if (sign.empty()) {
        setText(result, fmtTime(h, m, s));
        return next(row);
    }
    std::int64_t S = toInt(cellText(row, mac::syurui2));
    std::int64_t M = toInt(cellText(row, mac::shiki2));
    std::int64_t H = toInt(cellText(row, mac::jyoken));
    std::int64_t sp = floorMod(S, 60);
    std::int64_t mAll = M + floorDiv(S, 60);
    std::int64_t mp = floorMod(mAll, 60);
    std::int64_t hp = floorMod(H + floorDiv(mAll, 60), 24);
    std::int64_t ns, nm, nh;
    if (sign == "+") {
        ns = s + sp;
        int carry = 0;
        if (ns >= 60) ns -= 60, carry = 1;
        nm = m + mp + carry;
        carry = 0;
        if (nm >= 60) nm -= 60, carry = 1;
        nh = h + hp + carry;
        if (nh >= 24) nh -= 24;
    } else {
        ns = s - sp;
        int borrow = 0;
        if (ns < 0) ns += 60, borrow = 1;
        nm = m - mp - borrow;
        borrow = 0;
        if (nm < 0) nm += 60, borrow = 1;
        nh = h - hp - borrow;
        if (nh < 0) nh += 24;
    }
    setText(result, fmtTime(static_cast<int>(nh), static_cast<int>(nm), static_cast<int>(ns)));
    return next(row);
}

int RowExecutor::doGetDate(int row, bool week) {
    std::int64_t y, mo, d;
    std::string_view base = cellText(row, mac::go_to);
    if (base.empty()) {
        LocalTime lt;
        if (!clock_.now(lt)) return fail(row, sj("システム日付が不正です"));
        y = lt.year;
        mo = lt.month;
        d = lt.day;
    } else {
        int idx = toInt(base);
        std::string value = text(idx);
        const std::string& name = t_.hVal.cell(idx, val::Val);
        std::string errA = sj("指定の変数内容の日付フォーマットが不正です[yyyy/mm/dd](") + name +
                           "-" + value + ")";
        if (value.size() < 10) return fail(row, errA);
        for (char c : value)
            if (!(c >= '0' && c <= '9') && c != '/')
                return fail(row, sj("指定の変数内容の日付フォーマットが不正です[yyyy/mm/dd(") +
                                     name + "-" + value + ")");
        std::size_t p1 = value.find('/');
        std::size_t p2 = p1 == std::string::npos ? p1 : value.find('/', p1 + 1);
        if (p1 == std::string::npos || p2 == std::string::npos ||
            value.find('/', p2 + 1) != std::string::npos || p1 == 0 || p2 == p1 + 1 ||
            p2 + 1 == value.size())
            return fail(row, errA);
        std::string_view v(value);
        y = toInt(v.substr(0, p1));
        mo = toInt(v.substr(p1 + 1, p2 - p1 - 1));
        d = toInt(v.substr(p2 + 1));
        if (y < 1900 || y > 2105 || mo < 1 || mo > 12 || d < 1 || d > daysIn(y, mo))
            return fail(row, sj("指定の変数内容は存在しない日付あるいはサポート外の日付です,"
                                "1900～2105年までしかサポートされません(") +
                                 fmtDate(y, mo, d) + ")");
    }
    int result = toInt(cellText(row, mac::shiki1));
    std::string_view sign = cellText(row, mac::syurui1);
    if (!sign.empty()) {
        std::int64_t D = toInt(cellText(row, mac::syurui2));
        std::int64_t M = toInt(cellText(row, mac::shiki2));
        std::int64_t Y = toInt(cellText(row, mac::jyoken));
        std::int64_t mYears = M / 12, mMonths = M % 12;
        if (D < 0) D = 0;
        // 146097 days are exactly 400 Gregorian years from any valid date.
        if (sign == "+") {
            y += (D / 146097) * 400;
            D %= 146097;
            while (D > 0) {
                std::int64_t left = daysIn(y, mo) - d;  // days to the month's last day
                if (D <= left) {
                    d += D;
                    D = 0;
                } else {
                    D -= left + 1;
                    d = 1;
                    if (++mo > 12) mo = 1, ++y;
                }
            }
            mo += mMonths;
            if (mo > 12) mo -= 12, ++y;
            y += Y + mYears;
        } else {
            y -= (D / 146097) * 400;
            D %= 146097;
            while (D > 0) {
                if (D < d) {
                    d -= D;
                    D = 0;
                } else {
                    D -= d;
                    if (--mo < 1) mo = 12, --y;
                    d = daysIn(y, mo);
                }
            }
            mo -= mMonths;
            if (mo < 1) mo += 12, --y;
            y -= Y + mYears;
        }
    }
    if (!week) {
        setText(result, fmtDate(y, mo, d));
        return next(row);
    }
    std::int64_t wm = mo, wy = y;
    if (wm <= 2) wm += 12, --wy;
    std::int64_t w = floorMod(
        wy + floorDiv(wy, 4) - floorDiv(wy, 100) + floorDiv(wy, 400) + (13 * wm + 8) / 5 + d, 7);
    setNum(result, static_cast<std::int32_t>(w));
    return next(row);
}

int RowExecutor::doGetStr(int row) {
    int result = toInt(cellText(row, mac::shiki1));
    std::string src = text(toInt(cellText(row, mac::syurui1)));
    std::int32_t p = cellText(row, mac::shiki2) == "6" ? num(toInt(cellText(row, mac::jyoken)))
                                                       : toInt(cellText(row, mac::jyoken));
    std::int32_t c = cellText(row, mac::go_to) == "6" ? num(toInt(cellText(row, mac::syurui2)))
                                                      : toInt(cellText(row, mac::syurui2));
    if (p < 1) p = 1;
    if (c <= 0 || src.size() < static_cast<std::size_t>(p)) {
        setText(result, "");
    } else {
        setText(result, std::string_view(src).substr(static_cast<std::size_t>(p) - 1,
                                                     static_cast<std::size_t>(c)));
    }
    return next(row);
}

int RowExecutor::doGetLen(int row) {
    int result = toInt(cellText(row, mac::shiki1));
    std::size_t len = text(toInt(cellText(row, mac::syurui1))).size();
    setNum(result, static_cast<std::int32_t>(len));
    return next(row);
}

int RowExecutor::doStrSch(int row) {
    int result = toInt(cellText(row, mac::shiki1));
    std::string t = text(toInt(cellText(row, mac::syurui1)));
    std::string s = cellText(row, mac::shiki2) == "6" ? text(toInt(cellText(row, mac::jyoken)))
                                                      : std::string(cellText(row, mac::jyoken));
    std::int32_t p = cellText(row, mac::go_to) == "6" ? num(toInt(cellText(row, mac::syurui2)))
                                                      : toInt(cellText(row, mac::syurui2));
    if (p < 1) p = 1;
    std::int32_t pos = 0;
    if (!(t.size() < s.size() || s.empty() || t.size() < static_cast<std::size_t>(p))) {
        std::size_t f = t.find(s, static_cast<std::size_t>(p) - 1);
        if (f != std::string::npos) pos = static_cast<std::int32_t>(f + 1);
    }
    setNum(result, pos);
    return next(row);
}

int RowExecutor::doStrAdd(int row) {
    int result = toInt(cellText(row, mac::shiki1));
    std::string a = cellText(row, mac::jyoken) == "6" ? text(toInt(cellText(row, mac::syurui1)))
                                                      : std::string(cellText(row, mac::syurui1));
    std::string b = cellText(row, mac::syurui2) == "6" ? text(toInt(cellText(row, mac::shiki2)))
                                                       : std::string(cellText(row, mac::shiki2));
    a += b;
    if (a.size() > RowTable::kMaxCell) a.resize(RowTable::kMaxCell);
    setText(result, a);
    return next(row);
}

}  // namespace orv

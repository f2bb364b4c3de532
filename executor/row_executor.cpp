// The row executor's values, its dispatch, conditions and calculations (the rows of a
// counting loop stay in this file so that the compiler can inline them into execute()).
#include "executor/row_executor.h"

#include <climits>

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

bool holds(int op, std::int32_t x, std::int32_t y) {
    switch (op) {
        case CMP_EQ:
            return x == y;
        case CMP_GT:
            return x > y;
        case CMP_GE:
            return x >= y;
        case CMP_LT:
            return x < y;
        case CMP_LE:
            return x <= y;
        case CMP_NE:
            return x != y;
        default:
            return false;
    }
}

}  // namespace

RowExecutor::RowExecutor(Tables& tables, OpenFiles& files, Desktop& desktop, Clock& clock,
                         RunHost& host, const RunSettings& settings)
    : t_(tables), files_(files), desk_(desktop), clock_(clock), host_(host), settings_(settings) {}

// ---------------------------------------------------------------------------------------------
// Values

const std::string& RowExecutor::valueText(int idx) {
    RowTable& v = t_.hVal;
    if (idx < 0 || idx >= v.rowCount()) return kEmpty;
    std::string& cell = v.at(idx, val::value);
    if (static_cast<std::size_t>(idx) < sh_.size()) {
        Shadow& s = sh_[static_cast<std::size_t>(idx)];
        if (s.held == Held::Number) {
            assignInt(cell, s.num);
            s.held = Held::Both;
        }
    }
    return cell;
}

std::int32_t RowExecutor::valueNum(int idx) {
    if (idx >= 0 && static_cast<std::size_t>(idx) < sh_.size() && idx < t_.hVal.rowCount()) {
        Shadow& s = sh_[static_cast<std::size_t>(idx)];
        if (s.held == Held::Text) {
            s.num = toInt(t_.hVal.at(idx, val::value));
            s.held = Held::Both;
        }
        return s.num;
    }
    return toInt(valueText(idx));
}

void RowExecutor::setNum(int idx, std::int32_t value) {
    if (idx < 0 || idx >= t_.hVal.rowCount()) return;
    if (static_cast<std::size_t>(idx) < sh_.size()) {
        Shadow& s = sh_[static_cast<std::size_t>(idx)];
        s.num = value;
        s.held = Held::Number;
        return;
    }
    assignInt(t_.hVal.at(idx, val::value), value);
}

void RowExecutor::setText(int idx, std::string_view value) {
    if (idx < 0 || idx >= t_.hVal.rowCount()) return;
    t_.hVal.set(idx, val::value, value);
    if (static_cast<std::size_t>(idx) < sh_.size())
        sh_[static_cast<std::size_t>(idx)].held = Held::Text;
}

void RowExecutor::copyValue(int dst, int src) {
    if (dst < 0 || dst >= t_.hVal.rowCount() || dst == src) return;
    bool shadowed = static_cast<std::size_t>(dst) < sh_.size() && src >= 0 &&
                    static_cast<std::size_t>(src) < sh_.size() && src < t_.hVal.rowCount();
    if (shadowed) {
        const Shadow s = sh_[static_cast<std::size_t>(src)];
        Shadow& d = sh_[static_cast<std::size_t>(dst)];
        if (s.held != Held::Number) t_.hVal.at(dst, val::value) = t_.hVal.at(src, val::value);
        d = s;
        return;
    }
    std::string copy = valueText(src);
    setText(dst, copy);
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
        if (sh_[i].held == Held::Number) {
            assignInt(v.at(static_cast<int>(i), val::value), sh_[i].num);
            sh_[i].held = Held::Both;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Dispatch

int RowExecutor::fail(int row, const std::string& message) {
    if (settings_.ignoreErrors) return rows_[static_cast<std::size_t>(row)].next;
    flush();
    host_.runtimeError(message);
    return -1;
}

int RowExecutor::execute(int row) {
    if (!prepared_) prepare();
    if (row < 0 || row >= count_) return -1;
    const DRow& d = rows_[static_cast<std::size_t>(row)];
    return (this->*d.run)(row, d);
}

// ---------------------------------------------------------------------------------------------
// Conditions and calculations

int RowExecutor::doCondition(int row, const DRow& d) {
    if (d.type != KIND_NUMBER) return compareTexts(row, d);
    return holds(d.op, num(d.a), num(d.b)) ? d.next : d.go;
}

// A comparison of texts, of a file's state with EOF, or of kinds without a number type: only
// "==" and "<>" can hold.
int RowExecutor::compareTexts(int row, const DRow& d) {
    std::string_view sa, sb;
    auto resolve = [&](const Operand& o, std::string_view& out) -> bool {
        if (o.kind == KIND_FILE) {
            int r = findName(o.text);
            if (r < 0) return false;
            out = t_.hVal.at(r, val::filno);
        } else {
            out = text(o);
        }
        return true;
    };
    if (!resolve(d.a, sa)) return fail(row, sj("オープンされていません。") + d.a.text);
    if (!resolve(d.b, sb)) return fail(row, sj("オープンされていません。") + d.b.text);
    if (d.type == KIND_FILE && d.op == CMP_EQ) {
        flush();
        host_.runtimeError(sj("==演算子は使用できません"));
        return -1;
    }
    bool truth = false;
    if (d.op == CMP_EQ)
        truth = sa == sb;
    else if (d.op == CMP_NE)
        truth = sa != sb;
    return truth ? d.next : d.go;
}

int RowExecutor::doCalc(int row, const DRow& d) {
    const int n = static_cast<int>(cals_.size());
    for (int r = d.go < 0 ? n : d.go; r < n; ++r) {
        const DCal& c = cals_[static_cast<std::size_t>(r)];
        if (c.op == kCopy) {
            if (c.r1.isVar) {
                copyValue(c.left, c.r1.index);
            } else if (c.left >= 0 && c.left < t_.hVal.rowCount()) {
                t_.hVal.set(c.left, val::value, c.r1.text);
                if (static_cast<std::size_t>(c.left) < sh_.size())
                    sh_[static_cast<std::size_t>(c.left)] = Shadow{c.r1.num, Held::Both};
            }
            break;
        }
        const std::int32_t x = num(c.r1), y = num(c.r2);
        std::int32_t res;
        switch (c.op) {
            case CALC_ADD:
                res = wrapAdd(x, y);
                break;
            case CALC_SUB:
                res = wrapSub(x, y);
                break;
            case CALC_DIV:
                if (y == 0) return fail(row, sj("0で除算しました"));
                res = (x == INT32_MIN && y == -1) ? INT32_MIN : x / y;
                break;
            case CALC_MUL:
                res = wrapMul(x, y);
                break;
            default:
                continue;  // an unknown operator writes nothing
        }
        setNum(c.left, res);
    }
    return d.next;
}

}  // namespace orv

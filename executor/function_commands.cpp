// The row executor's built-in functions: the calendar functions hand their arithmetic to
// executor/calendar.h; the string functions work on whole values.
#include "executor/row_executor.h"
#include "lang/text.h"

namespace orv {

int RowExecutor::calendarFailure(int row, const DRow& d, calendar::Error e) {
    if (e == calendar::Error::NoClock) return fail(row, calendar::message(e, {}, {}));
    const std::string value = valueText(d.src);
    return fail(row, calendar::message(e, t_.hVal.cell(d.src, val::Val), value));
}

int RowExecutor::doGetTime(int row, const DRow& d) {
    calendar::Time t;
    calendar::Error e = calendar::Error::None;
    if (!d.fromClock) {
        e = calendar::parseTime(valueText(d.src), t);
    } else if (LocalTime now; clock_.now(now)) {
        t = {now.hour, now.minute, now.second};
    } else {
        e = calendar::Error::NoClock;
    }
    if (e != calendar::Error::None) return calendarFailure(row, d, e);
    setText(d.out, calendar::formatTime(calendar::applyOffset(t, d.offset)));
    return d.next;
}

calendar::Error RowExecutor::baseDate(const DRow& d, calendar::Date& date) {
    if (!d.fromClock) return calendar::parseDate(valueText(d.src), date);
    LocalTime now;
    if (!clock_.now(now)) return calendar::Error::NoClock;
    date = {now.year, now.month, now.day};
    return calendar::Error::None;
}

// GETDATE and GETWEEK.
int RowExecutor::doGetDate(int row, const DRow& d) {
    calendar::Date date;
    const calendar::Error e = baseDate(d, date);
    if (e != calendar::Error::None) return calendarFailure(row, d, e);
    date = calendar::applyOffset(date, d.offset);
    if (d.code == OP_GETWEEK)
        setNum(d.out, calendar::weekday(date));
    else
        setText(d.out, calendar::formatDate(date));
    return d.next;
}

int RowExecutor::doGetStr(int, const DRow& d) {
    const std::string src = valueText(d.src);
    std::int32_t p = num(d.a);
    const std::int32_t c = num(d.b);
    if (p < 1) p = 1;
    if (c <= 0 || src.size() < static_cast<std::size_t>(p))
        setText(d.out, "");
    else
        setText(d.out, std::string_view(src).substr(static_cast<std::size_t>(p) - 1,
                                                    static_cast<std::size_t>(c)));
    return d.next;
}

int RowExecutor::doGetLen(int, const DRow& d) {
    setNum(d.out, static_cast<std::int32_t>(valueText(d.src).size()));
    return d.next;
}

int RowExecutor::doStrSch(int, const DRow& d) {
    const std::string t = valueText(d.src);
    const std::string s = text(d.a);
    std::int32_t p = num(d.b);
    if (p < 1) p = 1;
    std::int32_t pos = 0;
    if (!(t.size() < s.size() || s.empty() || t.size() < static_cast<std::size_t>(p))) {
        std::size_t f = t.find(s, static_cast<std::size_t>(p) - 1);
        if (f != std::string::npos) pos = static_cast<std::int32_t>(f + 1);
    }
    setNum(d.out, pos);
    return d.next;
}

int RowExecutor::doStrAdd(int, const DRow& d) {
    std::string a = text(d.a);
    a += text(d.b);
    if (a.size() > RowTable::kMaxCell) a.resize(RowTable::kMaxCell);
    setText(d.out, a);
    return d.next;
}

}  // namespace orv

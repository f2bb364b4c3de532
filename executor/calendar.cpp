#include "executor/calendar.h"

#include <chrono>
#include <cstdio>

#include "lang/text.h"

namespace orv::calendar {

namespace {

namespace chr = std::chrono;

// Days in 400 Gregorian years: moving a date by this many days moves its year by 400.
constexpr std::int64_t kCycleDays = 146097;
constexpr std::int64_t kCycleYears = 400;

std::int64_t floorMod(std::int64_t a, std::int64_t b) {
    std::int64_t r = a % b;
    return r < 0 ? r + b : r;
}
std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return (a - floorMod(a, b)) / b;
}

bool leapYear(std::int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}
// Days of a month; 31 for a month outside 1..12.
std::int64_t daysIn(std::int64_t y, std::int64_t m) {
    static const int dim[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12) return 31;
    return dim[m - 1] + (m == 2 && leapYear(y) ? 1 : 0);
}
bool exists(const Date& d) {
    return d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= daysIn(d.year, d.month);
}

// Moves an existing date by `days` (|days| < kCycleDays) with the calendar types. The year is
// first brought into 1600..1999, which has the same calendar as every year 400 * k away.
Date moveExisting(const Date& d, std::int64_t days) {
    const std::int64_t shift = floorDiv(d.year, kCycleYears) * kCycleYears - 1600;
    const chr::year_month_day from{chr::year(static_cast<int>(d.year - shift)),
                                   chr::month(static_cast<unsigned>(d.month)),
                                   chr::day(static_cast<unsigned>(d.day))};
    const chr::year_month_day to{chr::sys_days(from) + chr::days(days)};
    return {static_cast<int>(to.year()) + shift, static_cast<unsigned>(to.month()),
            static_cast<unsigned>(to.day())};
}

// The same move for a date that does not exist (as a clock may report it), month by month:
// forward to the month's last day and over; backward to day 0, the last day of the month
// before.
Date walkForward(Date d, std::int64_t days) {
    while (days > 0) {
        const std::int64_t left = daysIn(d.year, d.month) - d.day;
        if (days <= left) {
            d.day += days;
            break;
        }
        days -= left + 1;
        d.day = 1;
        if (++d.month > 12) d.month = 1, ++d.year;
    }
    return d;
}
Date walkBackward(Date d, std::int64_t days) {
    while (days > 0) {
        if (days < d.day) {
            d.day -= days;
            break;
        }
        days -= d.day;
        if (--d.month < 1) d.month = 12, --d.year;
        d.day = daysIn(d.year, d.month);
    }
    return d;
}

// Adds (or takes away) whole days: 400 years for each full cycle, then the rest.
Date moveDays(Date d, std::int64_t days, bool forward) {
    if (days < 0) days = 0;
    d.year += (forward ? 1 : -1) * (days / kCycleDays) * kCycleYears;
    days %= kCycleDays;
    if (days == 0) return d;
    if (exists(d)) return moveExisting(d, forward ? days : -days);
    return forward ? walkForward(d, days) : walkBackward(d, days);
}

// The three "/"-separated numbers of a date text, as toInt reads them; false when the text
// is not three non-empty groups.
bool dateGroups(std::string_view v, Date& out) {
    const std::size_t p1 = v.find('/');
    const std::size_t p2 = p1 == std::string_view::npos ? p1 : v.find('/', p1 + 1);
    if (p1 == std::string_view::npos || p2 == std::string_view::npos ||
        v.find('/', p2 + 1) != std::string_view::npos || p1 == 0 || p2 == p1 + 1 ||
        p2 + 1 == v.size())
        return false;
    out = {toInt(v.substr(0, p1)), toInt(v.substr(p1 + 1, p2 - p1 - 1)), toInt(v.substr(p2 + 1))};
    return true;
}

}  // namespace

Error parseTime(std::string_view v, Time& out) {
    if (v.size() > 8) return Error::TimeFormat;
    const std::size_t p1 = v.find(':');
    const std::size_t p2 = p1 == std::string_view::npos ? p1 : v.find(':', p1 + 1);
    if (p1 == std::string_view::npos || p2 == std::string_view::npos ||
        v.find(':', p2 + 1) != std::string_view::npos)
        return Error::TimeFormat;
    const std::string_view f[3] = {v.substr(0, p1), v.substr(p1 + 1, p2 - p1 - 1),
                                   v.substr(p2 + 1)};
    for (std::string_view part : f)
        if (!allDigits(part)) return Error::TimeFormat;
    const Time t{toInt(f[0]), toInt(f[1]), toInt(f[2])};
    if (t.hour > 23 || t.minute > 59 || t.second > 59) return Error::TimeFormat;
    out = t;
    return Error::None;
}

Error parseDate(std::string_view v, Date& out) {
    if (v.size() < 10) return Error::DateFormat;
    for (char c : v)
        if (!(c >= '0' && c <= '9') && c != '/') return Error::DateCharacters;
    if (!dateGroups(v, out)) return Error::DateFormat;
    if (out.year < 1900 || out.year > 2105 || !exists(out)) return Error::DateUnsupported;
    return Error::None;
}

Time applyOffset(const Time& t, const Offset& o) {
    if (o.sign == Sign::None) return t;
    const std::int64_t sp = floorMod(o.low, 60);
    const std::int64_t mAll = o.middle + floorDiv(o.low, 60);
    const std::int64_t mp = floorMod(mAll, 60);
    const std::int64_t hp = floorMod(o.high + floorDiv(mAll, 60), 24);
    std::int64_t s, m, h;
    if (o.sign == Sign::Add) {
        s = t.second + sp;
        const int carry = s >= 60 ? 1 : 0;
        if (carry) s -= 60;
        m = t.minute + mp + carry;
        const int carry2 = m >= 60 ? 1 : 0;
        if (carry2) m -= 60;
        h = t.hour + hp + carry2;
        if (h >= 24) h -= 24;
    } else {
        s = t.second - sp;
        const int borrow = s < 0 ? 1 : 0;
        if (borrow) s += 60;
        m = t.minute - mp - borrow;
        const int borrow2 = m < 0 ? 1 : 0;
        if (borrow2) m += 60;
        h = t.hour - hp - borrow2;
        if (h < 0) h += 24;
    }
    return {static_cast<int>(h), static_cast<int>(m), static_cast<int>(s)};
}

Date applyOffset(const Date& base, const Offset& o) {
    if (o.sign == Sign::None) return base;
    const bool add = o.sign == Sign::Add;
    const std::int64_t wholeYears = o.middle / 12, months = o.middle % 12;
    Date d = moveDays(base, o.low, add);
    if (add) {
        d.month += months;
        if (d.month > 12) d.month -= 12, ++d.year;
        d.year += o.high + wholeYears;
    } else {
        d.month -= months;
        if (d.month < 1) d.month += 12, --d.year;
        d.year -= o.high + wholeYears;
    }
    return d;
}

std::string formatTime(const Time& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%-2.2d:%-2.2d:%-2.2d", t.hour, t.minute, t.second);
    return buf;
}

std::string formatDate(const Date& d) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%-4.4lld/%-2.2lld/%-2.2lld", static_cast<long long>(d.year),
                  static_cast<long long>(d.month), static_cast<long long>(d.day));
    return buf;
}

int weekday(const Date& d) {
    std::int64_t m = d.month, y = d.year;
    if (m <= 2) m += 12, --y;
    return static_cast<int>(floorMod(
        y + floorDiv(y, 4) - floorDiv(y, 100) + floorDiv(y, 400) + (13 * m + 8) / 5 + d.day, 7));
}

std::string message(Error e, std::string_view name, std::string_view text) {
    const std::string given = std::string(name) + "-" + std::string(text) + ")";
    switch (e) {
        case Error::NoClock:
            return sj("システム日付が不正です");
        case Error::TimeFormat:
            return sj("指定の変数内容の時間フォーマットが不正です[hh:mm:ss](") + given;
        case Error::DateFormat:
            return sj("指定の変数内容の日付フォーマットが不正です[yyyy/mm/dd](") + given;
        case Error::DateCharacters:
            return sj("指定の変数内容の日付フォーマットが不正です[yyyy/mm/dd(") + given;
        case Error::DateUnsupported: {
            Date read;
            dateGroups(text, read);
            return sj("指定の変数内容は存在しない日付あるいはサポート外の日付です,"
                      "1900～2105年までしかサポートされません(") +
                   formatDate(read) + ")";
        }
        case Error::None:
            break;
    }
    return {};
}

}  // namespace orv::calendar

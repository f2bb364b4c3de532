#include "platform/clock.h"

#include <ctime>

namespace orv {

bool SystemClock::now(LocalTime& out) {
    std::time_t t = std::time(nullptr);
    if (t == static_cast<std::time_t>(-1)) return false;
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return false;
    out.year = tm.tm_year + 1900;
    out.month = tm.tm_mon + 1;
    out.day = tm.tm_mday;
    out.hour = tm.tm_hour;
    out.minute = tm.tm_min;
    out.second = tm.tm_sec > 59 ? 59 : tm.tm_sec;
    return true;
}

namespace {
bool field(std::string_view s, std::size_t pos, std::size_t len, int& v) {
    if (pos + len > s.size()) return false;
    v = 0;
    for (std::size_t i = pos; i < pos + len; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
    }
    return true;
}
}  // namespace

std::optional<LocalTime> parseLocalTime(std::string_view s) {
    // YYYY-MM-DD hh:mm:ss
    if (s.size() != 19 || s[4] != '-' || s[7] != '-' || s[10] != ' ' || s[13] != ':' ||
        s[16] != ':')
        return std::nullopt;
    LocalTime t;
    if (!field(s, 0, 4, t.year) || !field(s, 5, 2, t.month) || !field(s, 8, 2, t.day) ||
        !field(s, 11, 2, t.hour) || !field(s, 14, 2, t.minute) || !field(s, 17, 2, t.second))
        return std::nullopt;
    static const int dim[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.month < 1 || t.month > 12 || t.day < 1) return std::nullopt;
    bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
    int days = dim[t.month - 1] + (t.month == 2 && leap ? 1 : 0);
    if (t.day > days || t.hour > 23 || t.minute > 59 || t.second > 59) return std::nullopt;
    return t;
}

}  // namespace orv

// The date and time arithmetic of GETTIME, GETDATE and GETWEEK: reading "hh:mm:ss" and
// "yyyy/mm/dd" base values, applying an offset, formatting the result and the weekday.
// Pure functions: no clock, no tables, no I/O.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orv::calendar {

struct Time {
    int hour = 0, minute = 0, second = 0;
};

// A date as the functions hand it on: after an offset the year may leave 1900..2105 (or go
// below zero) and the day is not checked again after months and years were added.
struct Date {
    std::int64_t year = 0, month = 0, day = 0;
};

enum class Sign { None, Add, Subtract };

// The offset of a function row: for GETTIME hours, minutes, seconds; for GETDATE and GETWEEK
// years, months, days.
struct Offset {
    Sign sign = Sign::None;
    std::int64_t high = 0, middle = 0, low = 0;
};

enum class Error {
    None,
    NoClock,          // the clock could not be read
    TimeFormat,       // not "hh:mm:ss" with hh <= 23, mm and ss <= 59, at most 8 bytes
    DateFormat,       // shorter than 10 bytes, or not three non-empty "/"-separated groups
    DateCharacters,   // a byte other than a digit or "/"
    DateUnsupported,  // a date that does not exist, or a year outside 1900..2105
};

// Reads a base time; `out` is set when the result is Error::None.
Error parseTime(std::string_view text, Time& out);
// Reads a base date; `out` also holds the numbers read for Error::DateUnsupported.
Error parseDate(std::string_view text, Date& out);

// Time: the offset's seconds, minutes and hours are first normalised (seconds and minutes
// carry into the next part, hours wrap at 24), then added or subtracted part by part with a
// carry or borrow, wrapping at midnight.
Time applyOffset(const Time& t, const Offset& o);
// Date: "+" adds the days (across month and year ends), then the months modulo 12 with a
// carry into the year, then the years and the months' whole years; "-" takes them away in the
// same order. A negative day count counts as 0.
Date applyOffset(const Date& d, const Offset& o);

// "hh:mm:ss" and "yyyy/mm/dd" with at least 2 and 4 digits, and a sign where negative.
std::string formatTime(const Time& t);
std::string formatDate(const Date& d);
// 0 Sunday .. 6 Saturday, for any year (January and February count as months 13 and 14 of
// the year before).
int weekday(const Date& d);

// The run-time error message (CP932) of an error; `name` and `text` are the base variable's
// name and value.
std::string message(Error e, std::string_view name, std::string_view text);

}  // namespace orv::calendar

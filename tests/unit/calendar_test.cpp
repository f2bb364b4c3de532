// The calendar unit of GETTIME, GETDATE and GETWEEK: one table per rule family. Expected
// values were taken from the row executor's own arithmetic before it moved here, including
// its answers for offsets no compile writes (negative parts, whole-int32 counts) and for dates
// a clock could report but that do not exist.
#include "executor/calendar.h"

#include <gtest/gtest.h>

#include <string>

#include "lang/text.h"

namespace {

using orv::calendar::Date;
using orv::calendar::Error;
using orv::calendar::Offset;
using orv::calendar::Sign;
using orv::calendar::Time;

Offset offset(const char* sign, std::int64_t high, std::int64_t middle, std::int64_t low) {
    Offset o;
    o.sign = *sign == 0 ? Sign::None : *sign == '+' ? Sign::Add : Sign::Subtract;
    o.high = high;
    o.middle = middle;
    o.low = low;
    return o;
}

TEST(Calendar, ReadsBaseTimes) {
    const struct {
        const char* text;
        Error error;
        const char* formatted;
    } cases[] = {
        {"12:34:56", Error::None, "12:34:56"}, {"1:2:3", Error::None, "01:02:03"},
        {"0:0:0", Error::None, "00:00:00"},    {"23:59:59", Error::None, "23:59:59"},
        {"24:00:00", Error::TimeFormat, ""},   {"00:60:00", Error::TimeFormat, ""},
        {"00:00:60", Error::TimeFormat, ""},   {"123:4:5", Error::TimeFormat, ""},
        {"1:2", Error::TimeFormat, ""},        {"1:2:3:4", Error::TimeFormat, ""},
        {"::", Error::TimeFormat, ""},         {"1:+2:3", Error::TimeFormat, ""},
        {"000000:1:1", Error::TimeFormat, ""}, {"", Error::TimeFormat, ""},
        {"00:00:000", Error::TimeFormat, ""},
    };
    for (const auto& c : cases) {
        Time t;
        EXPECT_EQ(orv::calendar::parseTime(c.text, t), c.error) << c.text;
        if (c.error == Error::None) {
            EXPECT_EQ(orv::calendar::formatTime(t), c.formatted);
        }
    }
}

TEST(Calendar, ReadsBaseDates) {
    const struct {
        const char* text;
        Error error;
        const char* formatted;  // the numbers read, also for an unsupported date
    } cases[] = {
        {"2004/02/29", Error::None, "2004/02/29"},
        {"1900/01/01", Error::None, "1900/01/01"},
        {"2105/12/31", Error::None, "2105/12/31"},
        {"02004/1/010", Error::None, "2004/01/10"},
        {"2005/02/29", Error::DateUnsupported, "2005/02/29"},
        {"2004/02/30", Error::DateUnsupported, "2004/02/30"},
        {"1899/12/31", Error::DateUnsupported, "1899/12/31"},
        {"2106/01/01", Error::DateUnsupported, "2106/01/01"},
        {"2004/13/01", Error::DateUnsupported, "2004/13/01"},
        {"2004/00/010", Error::DateUnsupported, "2004/00/10"},
        {"99999999999/1/1", Error::DateUnsupported, "1215752191/01/01"},
        {"2004/1/31", Error::DateFormat, ""},
        {"2004//01/1", Error::DateFormat, ""},
        {"/2004/0101", Error::DateFormat, ""},
        {"20040101/1", Error::DateFormat, ""},
        {"2004/0101/", Error::DateFormat, ""},
        {"2004/01/31x", Error::DateCharacters, ""},
        {"2004/01-31", Error::DateCharacters, ""},
    };
    for (const auto& c : cases) {
        Date d;
        EXPECT_EQ(orv::calendar::parseDate(c.text, d), c.error) << c.text;
        if (*c.formatted) {
            EXPECT_EQ(orv::calendar::formatDate(d), c.formatted) << c.text;
        }
    }
}

TEST(Calendar, TimeOffsetsCarryAndWrapAtMidnight) {
    const struct {
        const char* base;
        const char* sign;  // "" none, "+" add, anything else subtracts
        std::int64_t h, m, s;
        const char* result;
    } cases[] = {
        {"23:30:00", "+", 1, 0, 0, "00:30:00"},
        {"00:00:00", "-", 0, 0, 1, "23:59:59"},
        {"10:00:00", "+", 0, 0, 3725, "11:02:05"},
        {"23:59:59", "+", 0, 0, 1, "00:00:00"},
        {"23:59:59", "+", 23, 59, 59, "23:59:58"},
        {"00:00:00", "-", 23, 59, 59, "00:00:01"},
        {"00:00:30", "-", 0, 1, 31, "23:58:59"},
        {"12:00:00", "+", 87600, 0, 0, "12:00:00"},
        {"12:00:00", "-", 0, 52256000, 0, "14:40:00"},
        {"01:02:03", "+", 0, 0, 315360000, "01:02:03"},
        {"00:00:00", "+", 0, 0, -1, "23:59:59"},
        {"00:00:00", "+", 0, 0, 2147483647, "03:14:07"},
        {"12:34:56", "-", 0, 0, -2147483647 - 1, "15:49:04"},
        {"00:59:59", "x", 25, 61, 61, "22:57:58"},
        {"05:06:07", "", 9, 9, 9, "05:06:07"},
    };
    for (const auto& c : cases) {
        Time t;
        ASSERT_EQ(orv::calendar::parseTime(c.base, t), Error::None);
        Time r = orv::calendar::applyOffset(t, offset(c.sign, c.h, c.m, c.s));
        EXPECT_EQ(orv::calendar::formatTime(r), c.result) << c.base << c.sign << c.s;
    }
}

TEST(Calendar, DateOffsetsAndWeekdays) {
    const struct {
        Date base;
        const char* sign;
        std::int64_t y, m, d;
        const char* result;
        int weekday;
    } cases[] = {
        {{2004, 2, 28}, "+", 0, 0, 1, "2004/02/29", 0},
        {{2005, 12, 31}, "+", 0, 0, 1, "2006/01/01", 0},
        {{2005, 3, 1}, "-", 0, 0, 1, "2005/02/28", 1},
        {{2004, 3, 1}, "-", 0, 0, 1, "2004/02/29", 0},
        {{1900, 2, 28}, "+", 0, 0, 1, "1900/03/01", 4},
        {{2000, 2, 28}, "+", 0, 0, 1, "2000/02/29", 2},
        {{2100, 3, 1}, "-", 0, 0, 1, "2100/02/28", 0},
        {{2005, 1, 1}, "+", 0, 0, 0, "2005/01/01", 6},
        {{2004, 2, 29}, "", 5, 5, 5, "2004/02/29", 0},
        // Months and years after the days; the day is not checked again.
        {{2004, 1, 31}, "+", 0, 1, 0, "2004/02/31", 2},
        {{2005, 1, 31}, "+", 0, 1, 0, "2005/02/31", 4},
        {{2004, 12, 31}, "+", 0, 11, 0, "2005/11/31", 4},
        {{2004, 1, 1}, "-", 0, 1, 0, "2003/12/01", 1},
        {{2005, 1, 15}, "-", 1, 13, 0, "2002/12/15", 0},
        {{1900, 3, 1}, "-", 100, 1200, 0, "1700/03/01", 1},
        // Large offsets and years outside 1900..2105.
        {{2000, 1, 1}, "+", 0, 0, 36500, "2099/12/07", 1},
        {{2105, 12, 31}, "+", 0, 0, 36500, "2205/12/07", 6},
        {{2105, 12, 31}, "+", 1, 0, 0, "2106/12/31", 5},
        {{1900, 1, 1}, "-", 0, 0, 1, "1899/12/31", 0},
        {{1900, 1, 1}, "-", 2000, 0, 0, "-0100/01/01", 1},
        {{2004, 2, 29}, "+", 0, 0, 146097, "2404/02/29", 0},
        {{2004, 2, 29}, "-", 0, 0, 146098, "1604/02/28", 6},
        {{1900, 1, 1}, "-", 0, 0, 2147483647, "-5877711/06/23", 0},
        {{2105, 12, 31}, "+", 2147483647, 0, 2147483647, "2153365363/07/10", 0},
        // Offsets no compile writes: negative parts, an unknown sign (subtracts).
        {{2004, 2, 29}, "+", 0, 0, -5, "2004/02/29", 0},
        {{2004, 5, 15}, "+", 0, -30, 0, "2002/-01/15", 4},
        {{2004, 5, 15}, "x", 0, 0, 10, "2004/05/05", 3},
        // Dates that do not exist, as a clock might report them.
        {{2005, 2, 31}, "+", 0, 0, 1, "2005/03/04", 5},
        {{2005, 13, 5}, "+", 0, 0, 40, "2006/01/14", 6},
        {{2005, 0, 0}, "-", 0, 0, 1, "2004/12/30", 4},
        {{2005, 2, 31}, "-", 0, 0, 400000, "0910/01/03", 5},
    };
    for (const auto& c : cases) {
        Date r = orv::calendar::applyOffset(c.base, offset(c.sign, c.y, c.m, c.d));
        EXPECT_EQ(orv::calendar::formatDate(r), c.result) << c.result;
        EXPECT_EQ(orv::calendar::weekday(r), c.weekday) << c.result;
    }
}

TEST(Calendar, ErrorMessages) {
    const struct {
        Error error;
        const char* text;
        const char* message;
    } cases[] = {
        {Error::NoClock, "", "システム日付が不正です"},
        {Error::TimeFormat, "1:2", "指定の変数内容の時間フォーマットが不正です[hh:mm:ss]($b-1:2)"},
        {Error::DateFormat, "2004/1/31",
         "指定の変数内容の日付フォーマットが不正です[yyyy/mm/dd]($b-2004/1/31)"},
        {Error::DateCharacters, "2004/01-31",
         "指定の変数内容の日付フォーマットが不正です[yyyy/mm/dd($b-2004/01-31)"},
        {Error::DateUnsupported, "2004/00/010",
         "指定の変数内容は存在しない日付あるいはサポート外の日付です,1900～2105年までしかサポート"
         "されません(2004/00/10)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(orv::cp932ToUtf8(orv::calendar::message(c.error, "$b", c.text)), c.message);
}

}  // namespace

// Local date and time, injectable so that runs can be pinned to a moment.
#pragma once

#include <optional>
#include <string_view>

namespace orv {

struct LocalTime {
    int year = 0, month = 0, day = 0;  // month 1..12, day 1..31
    int hour = 0, minute = 0, second = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    // False when the clock cannot be read.
    virtual bool now(LocalTime& out) = 0;
};

// The system's local time.
class SystemClock : public Clock {
  public:
    bool now(LocalTime& out) override;
};

// Always reports the same moment.
class FixedClock : public Clock {
  public:
    explicit FixedClock(const LocalTime& t) : t_(t) {}
    bool now(LocalTime& out) override {
        out = t_;
        return true;
    }

  private:
    LocalTime t_;
};

// Parses "YYYY-MM-DD hh:mm:ss" (the fields must form a real date and time).
std::optional<LocalTime> parseLocalTime(std::string_view text);

}  // namespace orv

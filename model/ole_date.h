#pragma once
// Dates as the program carries them: OLE automation dates. A date is a double counting days
// since 1899-12-30 00:00; the fraction is the time of day. Before that day the value is
// negative and the fraction still counts forward from midnight: -1.25 is 1899-12-29 06:00
// (day -1, a quarter of a day later), not 1899-12-28 18:00. So plain subtraction of two dates
// is only a day difference when neither is negative; use DaysBetween / AddDays for that.
//
// The range is 0100-01-01 00:00:00 to 9999-12-31 23:59:59. Every function here takes any
// double or int and reports a value outside that range as nullopt (or an empty text); none of
// them reads a clock.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vq {

struct DateTimeParts {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend bool operator==(const DateTimeParts&, const DateTimeParts&) = default;
};

// The calendar fields of a date, rounded to the nearest second. nullopt for NaN, infinities
// and dates outside the range.
std::optional<DateTimeParts> OleDateToParts(double date);

// Builds a date from fields that must each be in range (month 1-12, day within its month,
// hour 0-23, minute and second 0-59, year 100-9999); otherwise nullopt.
std::optional<double> MakeOleDate(int year, int month, int day, int hour, int minute, int second);
std::optional<double> PartsToOleDate(const DateTimeParts& parts);

// Builds a date with calendar roll-over: month 13 is January of the next year, month 0 is
// December of the year before, day 32 runs into the next month, day 0 is the last day of the
// month before, hour 24 is the next day, second -1 the second before, and so on. The year is
// taken as given (no two-digit year window). nullopt when the result falls outside the range.
std::optional<double> RollOleDate(int year, int month, int day, int hour, int minute, int second);

// Continuous days since 1899-12-30 00:00 (negative before it), and back. For arithmetic:
// a linear value minus another is a true difference in days.
double OleDateToLinear(double date);
double LinearToOleDate(double linearDays);

// date + days, and a - b in days, both correct on either side of 1899-12-30.
double AddDays(double date, double days);
double DaysBetween(double a, double b);

// The date of a count of seconds since 1970-01-01 00:00 (of whatever clock the caller reads;
// the platform layer passes local wall-clock time).
double OleDateFromEpochSeconds(int64_t seconds);

// "yyyy/mm/dd hh:nn:ss", 24-hour, seconds rounded; empty for a date outside the range.
std::string GeneralDate(double date);

// Reads "yyyy/m/d", "yyyy/m/d h:nn" or "yyyy/m/d h:nn:ss" (surrounding spaces allowed, month,
// day and time fields of one or two digits, a four-digit year). nullopt for anything else or for
// a field out of range (no roll-over: "2025/13/01" is refused).
std::optional<double> ParseGeneralDate(std::string_view text);

}  // namespace vq

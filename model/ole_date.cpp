#include "model/ole_date.h"

#include <cmath>
#include <cstdio>

namespace vq {

namespace {

constexpr int64_t secondsPerDay = 86400;
// 1899-12-30 counted from 1970-01-01.
constexpr int64_t oleEpochFromUnix = -25569;
// 0100-01-01 and 9999-12-31 as OLE day numbers.
constexpr int64_t firstOleDay = -657434;
constexpr int64_t lastOleDay = 2958465;

int64_t floorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

// Days from 1970-01-01 of a proleptic Gregorian date (month 1-12, any day count).
int64_t daysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = floorDiv(y, 400);
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = floorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const int64_t m = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int>(yoe + era * 400 + (m <= 2));
    month = static_cast<int>(m);
    day = static_cast<int>(d);
}

bool isLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

// An OLE day number and a second of that day to the OLE value.
std::optional<double> fromDaySecond(int64_t oleDay, int64_t second) {
    if (oleDay < firstOleDay || oleDay > lastOleDay) return std::nullopt;
    const double fraction = static_cast<double>(second) / secondsPerDay;
    const double day = static_cast<double>(oleDay);
    return oleDay < 0 ? day - fraction : day + fraction;
}

bool readDigits(std::string_view& t, int minDigits, int maxDigits, int& value) {
    int n = 0;
    value = 0;
    while (n < maxDigits && n < static_cast<int>(t.size()) && t[n] >= '0' && t[n] <= '9') {
        value = value * 10 + (t[n] - '0');
        ++n;
    }
    if (n < minDigits) return false;
    t.remove_prefix(n);
    return true;
}

bool readChar(std::string_view& t, char c) {
    if (t.empty() || t.front() != c) return false;
    t.remove_prefix(1);
    return true;
}

}  // namespace

double OleDateToLinear(double date) {
    if (date >= 0 || !std::isfinite(date)) return date;
    const double day = std::trunc(date);
    return day + (day - date);
}

double LinearToOleDate(double linearDays) {
    if (linearDays >= 0 || !std::isfinite(linearDays)) return linearDays;
    const double day = std::floor(linearDays);
    const double fraction = linearDays - day;
    return fraction == 0 ? day : day - fraction;
}

double AddDays(double date, double days) {
    return LinearToOleDate(OleDateToLinear(date) + days);
}

double DaysBetween(double a, double b) {
    return OleDateToLinear(a) - OleDateToLinear(b);
}

double OleDateFromEpochSeconds(int64_t seconds) {
    const int64_t day = floorDiv(seconds, secondsPerDay);
    const int64_t second = seconds - day * secondsPerDay;
    const double linear =
        static_cast<double>(day - oleEpochFromUnix) + static_cast<double>(second) / secondsPerDay;
    return LinearToOleDate(linear);
}

std::optional<DateTimeParts> OleDateToParts(double date) {
    if (!std::isfinite(date) || date <= static_cast<double>(firstOleDay - 1) ||
        date >= static_cast<double>(lastOleDay + 1)) {
        return std::nullopt;
    }
    const double linear = OleDateToLinear(date);
    int64_t day = static_cast<int64_t>(std::floor(linear));
    int64_t second = std::llround((linear - static_cast<double>(day)) * secondsPerDay);
    if (second >= secondsPerDay) {
        ++day;
        second -= secondsPerDay;
    }
    if (day < firstOleDay || day > lastOleDay) return std::nullopt;
    DateTimeParts p;
    civilFromDays(day + oleEpochFromUnix, p.year, p.month, p.day);
    p.hour = static_cast<int>(second / 3600);
    p.minute = static_cast<int>(second / 60 % 60);
    p.second = static_cast<int>(second % 60);
    return p;
}

std::optional<double> MakeOleDate(int year, int month, int day, int hour, int minute, int second) {
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59) {
        return std::nullopt;
    }
    return RollOleDate(year, month, day, hour, minute, second);
}

std::optional<double> PartsToOleDate(const DateTimeParts& p) {
    return MakeOleDate(p.year, p.month, p.day, p.hour, p.minute, p.second);
}

std::optional<double> RollOleDate(int year, int month, int day, int hour, int minute, int second) {
    const int64_t months = static_cast<int64_t>(year) * 12 + (static_cast<int64_t>(month) - 1);
    const int64_t y = floorDiv(months, 12);
    const int64_t m = months - y * 12 + 1;
    // Far outside the range already; keeps the day arithmetic away from overflow.
    if (y < -1000000 || y > 1000000) return std::nullopt;
    const int64_t seconds = static_cast<int64_t>(hour) * 3600 + static_cast<int64_t>(minute) * 60 +
                            static_cast<int64_t>(second);
    const int64_t extraDays = floorDiv(seconds, secondsPerDay);
    const int64_t oleDay =
        daysFromCivil(y, m, 1) + (static_cast<int64_t>(day) - 1) + extraDays - oleEpochFromUnix;
    return fromDaySecond(oleDay, seconds - extraDays * secondsPerDay);
}

std::string GeneralDate(double date) {
    const auto p = OleDateToParts(date);
    if (!p) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", p->year, p->month, p->day,
                  p->hour, p->minute, p->second);
    return text;
}

std::optional<double> ParseGeneralDate(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    DateTimeParts p;
    p.hour = p.minute = p.second = 0;
    if (!readDigits(text, 4, 4, p.year) || !readChar(text, '/') ||
        !readDigits(text, 1, 2, p.month) || !readChar(text, '/') ||
        !readDigits(text, 1, 2, p.day)) {
        return std::nullopt;
    }
    if (!text.empty()) {
        if (!readChar(text, ' ')) return std::nullopt;
        while (readChar(text, ' ')) {
        }
        if (!readDigits(text, 1, 2, p.hour) || !readChar(text, ':') ||
            !readDigits(text, 2, 2, p.minute)) {
            return std::nullopt;
        }
        if (!text.empty() && (!readChar(text, ':') || !readDigits(text, 2, 2, p.second))) {
            return std::nullopt;
        }
        if (!text.empty()) return std::nullopt;
    }
    return PartsToOleDate(p);
}

}  // namespace vq

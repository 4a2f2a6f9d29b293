#include "link/ole_time.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace vq {
namespace {

struct Parts {
    int year, month, day, hour, minute, second;
};

// An OLE date counts whole days towards either side of the epoch; the fraction is always the
// time of day, also for dates before it (-1.25 is 1899-12-29 06:00).
Parts split(double oleDate) {
    if (!std::isfinite(oleDate) || std::fabs(oleDate) > 3e6) oleDate = 0.0;
    double day = std::trunc(oleDate);
    long long seconds = std::llround(std::fabs(oleDate - day) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        day += oleDate < 0 ? -1.0 : 1.0;
    }
    using namespace std::chrono;
    const sys_days epoch = year{1899} / December / 30;
    const year_month_day date{epoch + days{static_cast<long long>(day)}};
    return {static_cast<int>(date.year()),
            static_cast<int>(static_cast<unsigned>(date.month())),
            static_cast<int>(static_cast<unsigned>(date.day())),
            static_cast<int>(seconds / 3600),
            static_cast<int>(seconds / 60 % 60),
            static_cast<int>(seconds % 60)};
}

}  // namespace

std::string OleTimeText(double oleDate) {
    const Parts p = split(oleDate);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", p.hour, p.minute, p.second);
    return text;
}

std::string OleGeneralDate(double oleDate) {
    const Parts p = split(oleDate);
    char text[32];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", p.year, p.month, p.day,
                  p.hour, p.minute, p.second);
    return text;
}

}  // namespace vq

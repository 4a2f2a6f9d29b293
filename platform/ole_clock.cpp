#include "platform/ole_clock.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace vq {

double oleDateFromLocal(const QDateTime& local) {
    constexpr double msPerDay = 86400000.0;
    const QDate epoch(1899, 12, 30);
    const double days = static_cast<double>(epoch.daysTo(local.date()));
    return days + local.time().msecsSinceStartOfDay() / msPerDay;
}

}  // namespace vq

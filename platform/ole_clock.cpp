#include "platform/ole_clock.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include "model/ole_date.h"

namespace vq {

double oleDateFromLocal(const QDateTime& local) {
    const QDate d = local.date();
    const QTime t = local.time();
    const auto whole = MakeOleDate(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
    if (!whole) return 0.0;
    // A plain fraction of a day: the PC's clock is far past 1899, where dates are positive.
    return *whole + t.msec() / 86400000.0;
}

}  // namespace vq

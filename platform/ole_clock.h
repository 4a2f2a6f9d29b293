#pragma once
// Wall-clock time as an OLE automation date: days since 1899-12-30 00:00, the time of day as
// the fraction. Only dates after 1899-12-30 occur here (the clock of the PC), where the plain
// fractional form holds.

class QDateTime;

namespace vq {

double oleDateFromLocal(const QDateTime& local);

}  // namespace vq

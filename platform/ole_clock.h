#pragma once
// The PC's wall clock as an OLE automation date (model/ole_date.h), to the millisecond.

class QDateTime;

namespace vq {

// The date of a local time; 0 for a time outside the dates the program carries.
double oleDateFromLocal(const QDateTime& local);

}  // namespace vq

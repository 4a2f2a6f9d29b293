#pragma once
// "Date/Time Set" and "Write Check Data", the one flow the window and vq5100ctl both run: the
// instrument's clock as it reads, the log lines and the write.

#include <functional>
#include <string>

namespace vq {

class WriteOperations;
class InstrumentModel;

// The instrument's clock as it runs at `now` (an OLE date), from a model that read it (its
// difference from the PC's clock): "yyyy/mm/dd hh:nn:ss"; the "not read" text when `clock` is
// null.
std::string InstrumentClockText(const InstrumentModel* clock, double now);

// Logs the start line and sets the instrument clock to `when`; a failure logs its own line.
// `now` gives the PC's time for the log lines. On success `model`, when given, runs with the
// PC's clock from then on (its difference is 0).
bool RunSetClock(WriteOperations& operations, double when, const std::function<double()>& now,
                 InstrumentModel* model = nullptr);

// Logs the start line (at `now`) and writes the check date.
bool RunCheckData(WriteOperations& operations, double now);

}  // namespace vq

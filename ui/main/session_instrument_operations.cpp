#include "ui/main/session_instrument_operations.h"

#include "platform/instrument_reads.h"
#include "platform/instrument_session.h"

namespace vq {

int ReadAllFrameCount() {
    return InstrumentReads::readAllFrameCount();
}

bool SessionInstrumentOperations::GetInstrument(InstrumentModel& model) {
    return session_.reads().readAll(model);
}

bool SessionInstrumentOperations::GetRomNo(InstrumentModel& model) {
    return session_.reads().readIdentity(model);
}

bool SessionInstrumentOperations::GetLatestHistory(InstrumentModel& model) {
    return session_.reads().readLatestHistory(model);
}

bool SessionInstrumentOperations::BodyPowerOff() {
    return session_.powerOff();
}

bool SessionInstrumentOperations::GetBinDump(const std::string& path, std::int32_t first,
                                             std::int32_t last) {
    return session_.reads().flashImage(path, first, last);
}

bool SessionInstrumentOperations::GetMemoryListing(const std::string& path) {
    return session_.reads().framListing(path);
}

bool SessionInstrumentOperations::RunReadings() const {
    return session_.reads().readingsPolled();
}

}  // namespace vq

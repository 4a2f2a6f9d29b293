#include "ui/main/vqif_operations.h"

#include "platform/instrument_reads.h"
#include "platform/instrument_session.h"

namespace vq {

int ReadAllFrameCount() {
    return InstrumentReads::readAllFrameCount();
}

bool VqifOperations::GetInstrument(InstrumentModel& model) {
    return session_.reads().readAll(model);
}

bool VqifOperations::GetRomNo(InstrumentModel& model) {
    return session_.reads().readIdentity(model);
}

bool VqifOperations::GetLatestHistory(InstrumentModel& model) {
    return session_.reads().readLatestHistory(model);
}

bool VqifOperations::BodyPowerOff() {
    return session_.powerOff();
}

bool VqifOperations::GetBinDump(const std::string& path, std::int32_t first, std::int32_t last) {
    return session_.reads().flashImage(path, first, last);
}

bool VqifOperations::GetRomDump2(const std::string& path) {
    return session_.reads().framListing(path);
}

bool VqifOperations::RunDensty() const {
    return session_.reads().readingsPolled();
}

}  // namespace vq

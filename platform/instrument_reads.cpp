#include "platform/instrument_reads.h"

#include <algorithm>

#include "link/vqif.h"

namespace vq {

int InstrumentReads::readAllFrameCount() {
    const auto& table = uclVqif::CommandTable();
    return static_cast<int>(
        std::count_if(table.begin(), table.end(), [](const std::string& p) { return !p.empty(); }));
}

bool InstrumentReads::readAll(clsInstrument& model) {
    return link_->GetInstrument(&model);
}

bool InstrumentReads::readIdentity(clsInstrument& model) {
    return link_->GetRomNo(&model);
}

bool InstrumentReads::readLatestHistory(clsInstrument& model) {
    return link_->GetLatestHistory(&model);
}

bool InstrumentReads::flashImage(const std::string& path, std::int32_t first, std::int32_t last) {
    return link_->GetBinDump(path, static_cast<std::int16_t>(first),
                             static_cast<std::int16_t>(last));
}

bool InstrumentReads::framListing(const std::string& path) {
    return link_->GetRomDump2(path);
}

std::string InstrumentReads::dumpFileError() const {
    return link_->DumpFileError();
}

bool InstrumentReads::dumpMayRetry() const {
    return link_->BinaryRetry();
}

bool InstrumentReads::readingsPolled() const {
    return link_->RunDensty();
}

}  // namespace vq

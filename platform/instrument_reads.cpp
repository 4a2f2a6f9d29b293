#include "platform/instrument_reads.h"

#include <algorithm>

#include "link/instrument_link.h"
#include "link/read_failure_text.h"

namespace vq {

int InstrumentReads::readAllFrameCount() {
    const auto& table = ReadAll::CommandTable();
    return static_cast<int>(
        std::count_if(table.begin(), table.end(), [](const std::string& p) { return !p.empty(); }));
}

bool InstrumentReads::readAll(InstrumentModel& model) {
    return link_->reads().GetInstrument(&model);
}

std::string InstrumentReads::readFailureText(bool lineDropped) const {
    return ReadFailureText(
        {link_->LastFrame(), link_->LastReply(), link_->Retry() + 1, lineDropped, link_->Cancel()});
}

bool InstrumentReads::readIdentity(InstrumentModel& model) {
    return link_->reads().GetRomNo(&model);
}

bool InstrumentReads::readLatestHistory(InstrumentModel& model) {
    return link_->operations().GetLatestHistory(&model);
}

bool InstrumentReads::readGases(InstrumentModel& model) {
    return link_->operations().GetGasInfo(&model);
}

void InstrumentReads::startReadings(InstrumentModel& model) {
    link_->setInstrument(&model);
    link_->calibration().setRunReadings(true);
}

void InstrumentReads::stopReadings() {
    link_->calibration().setRunReadings(false);
    link_->setInstrument(nullptr);
}

bool InstrumentReads::readingsPolled() const {
    return link_->calibration().RunReadings();
}

int InstrumentReads::lastFlashBlock() {
    return MemoryDumps::kLastImageBlock;
}

bool InstrumentReads::flashImage(const std::string& path, std::int32_t first, std::int32_t last) {
    return link_->dumps().GetBinDump(path, static_cast<std::int16_t>(first),
                                     static_cast<std::int16_t>(last));
}

bool InstrumentReads::framListing(const std::string& path) {
    return link_->dumps().GetMemoryListing(path);
}

std::string InstrumentReads::dumpFileError() const {
    return link_->dumps().fileError();
}

bool InstrumentReads::dumpMayRetry() const {
    return link_->binaryDump().retry();
}

}  // namespace vq

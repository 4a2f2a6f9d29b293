#include "ui/main/vqif_operations.h"

#include <algorithm>

#include "link/vqif.h"

namespace vq {

int ReadAllFrameCount() {
    const auto& table = uclVqif::CommandTable();
    return static_cast<int>(
        std::count_if(table.begin(), table.end(), [](const std::string& p) { return !p.empty(); }));
}

bool VqifOperations::GetInstrument(clsInstrument& model) {
    return link_.GetInstrument(&model);
}

bool VqifOperations::GetRomNo(clsInstrument& model) {
    return link_.GetRomNo(&model);
}

bool VqifOperations::GetLatestHistory(clsInstrument& model) {
    return link_.GetLatestHistory(&model);
}

bool VqifOperations::BodyPowerOff() {
    return link_.BodyPowerOff() && link_.PowerOffAcked();
}

bool VqifOperations::GetBinDump(const std::string& path, std::int32_t first, std::int32_t last) {
    return link_.GetBinDump(path, static_cast<std::int16_t>(first),
                            static_cast<std::int16_t>(last));
}

bool VqifOperations::GetRomDump2(const std::string& path) {
    return link_.GetRomDump2(path);
}

bool VqifOperations::RunDensty() const {
    return link_.RunDensty();
}

}  // namespace vq

#include "link/read_all.h"

#include <cstdio>

#include "link/link_status.h"
#include "model/instrument.h"
#include "model/read_slots.h"
#include "model/settings_table.h"

namespace vq {

namespace {

// The fixed reads, the library and station ranges and the table's size are the model's
// (model/read_slots.h); the settings table places its own commands; the gaps are empty entries.
constexpr int kLastIdentityIndex = 4;

std::string hexPayload(const char* prefix, int number, int digits) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%0*X", prefix, digits, static_cast<unsigned>(number));
    return text;
}

std::array<std::string, ReadAll::kCommandCount> buildCommandTable() {
    std::array<std::string, ReadAll::kCommandCount> table{};
    for (const FixedRead& read : kFixedReads)
        table[static_cast<std::size_t>(read.index)] = read.payload;
    for (const Setting& s : SettingsTable()) {
        if (s.field == 1)
            table[static_cast<std::size_t>(s.readIndex)] = std::string(s.readKey()) + ",";
    }
    for (int n = 1; n <= kLibraryReads; ++n) {
        table[static_cast<std::size_t>(kFirstLibraryRead + n - 1)] = hexPayload("LI,R,", n, 2);
    }
    for (int n = 0; n < kStationReads; ++n) {
        table[static_cast<std::size_t>(kFirstStationRead + n)] = hexPayload("XS,R,", n, 4);
    }
    return table;
}

}  // namespace

const std::array<std::string, ReadAll::kCommandCount>& ReadAll::CommandTable() {
    static const std::array<std::string, kCommandCount> table = buildCommandTable();
    return table;
}

bool ReadAll::readTable(InstrumentModel* model, int lastIndex) {
    link_.setCancelled(false);
    link_.bind(model);
    model->setFailLine({});
    const auto& table = CommandTable();
    for (int i = 0; i <= lastIndex; ++i) {
        const std::string& payload = table[static_cast<std::size_t>(i)];
        if (payload.empty()) continue;
        // Cancel stops the read between two answers or inside a wait, never later.
        if (link_.cancelled()) {
            link_.setStatus(link_status::Cancelled);
            return false;
        }
        if (!WaitForReplyOrCancel(link_, link_status::AwaitRead, payload)) return false;
    }
    return true;
}

bool ReadAll::GetInstrument(InstrumentModel* model) {
    if (model == nullptr) return false;
    model->ClearDatas();
    return readTable(model, kLastReadSlot);
}

bool ReadAll::GetRomNo(InstrumentModel* model) {
    if (model == nullptr) return false;
    return readTable(model, kLastIdentityIndex);
}

void ReadAll::SendAndWait(bool& chain, std::string_view payload, bool& itemFlag) {
    if (!chain) return;
    if (WaitForReply(link_, link_status::AwaitWrite, payload)) {
        itemFlag = true;
    } else {
        chain = false;
    }
}

}  // namespace vq

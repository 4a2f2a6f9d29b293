#include "link/read_all.h"

#include <cstdio>

#include "link/link_status.h"
#include "model/instrument.h"
#include "model/settings_table.h"

namespace vq {

namespace {

// The reads outside the settings table and where they sit in the read table; the settings
// table places its own commands (model/setting_list.h); the gaps are empty entries.
struct FixedRead {
    int index;
    const char* payload;
};
constexpr FixedRead kFixedReads[] = {{0, "VP,R,"},  {1, "XZ,R,"},  {2, "XS,R,****"}, {3, "IN,R,"},
                                     {4, "HN,R,"},  {5, "HC,R,"},  {20, "GJ,R,"},    {21, "A1,R,"},
                                     {22, "A2,R,"}, {23, "AS,R,"}, {24, "AW,R,"},    {25, "HA,R,"},
                                     {26, "VS,R,"}, {28, "SA,R,"}, {50, "LS,R,"}};
constexpr int kFirstLibrary = 51;  // LI,R,01 .. LI,R,0F
constexpr int kLibraryTables = 15;
constexpr int kFirstStation = 66;  // XS,R,0000 .. XS,R,00FF
constexpr int kStations = 256;
constexpr int kLastIdentityIndex = 4;
constexpr int kLastReadIndex = 321;

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
    for (int n = 1; n <= kLibraryTables; ++n) {
        table[static_cast<std::size_t>(kFirstLibrary + n - 1)] = hexPayload("LI,R,", n, 2);
    }
    for (int n = 0; n < kStations; ++n) {
        table[static_cast<std::size_t>(kFirstStation + n)] = hexPayload("XS,R,", n, 4);
    }
    return table;
}

}  // namespace

const std::array<std::string, ReadAll::kCommandCount>& ReadAll::CommandTable() {
    static const std::array<std::string, kCommandCount> table = buildCommandTable();
    return table;
}

bool ReadAll::readTable(clsInstrument* model, int lastIndex) {
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

bool ReadAll::GetInstrument(clsInstrument* model) {
    if (model == nullptr) return false;
    model->ClearDatas();
    return readTable(model, kLastReadIndex);
}

bool ReadAll::GetRomNo(clsInstrument* model) {
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

// The station list import. Any file text either is refused with a reason and no station, or gives
// stations 1 to 256, each at most once, each a valid text; and a list that export writes imports
// back as the same stations without a change.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/station_list_csv.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const vq::StationImport imported = vq::StationsFromCsvText(text, "fuzz.csv");
    if (!imported.result.ok && (imported.result.error.empty() || !imported.entries.empty()))
        __builtin_trap();
    std::set<int> rows;
    std::vector<std::string> list(vq::stationListRows);
    for (const vq::StationEntry& entry : imported.entries) {
        if (entry.row < 0 || entry.row >= vq::stationListRows) __builtin_trap();
        if (!rows.insert(entry.row).second || !vq::IsStationText(entry.text)) __builtin_trap();
        list[static_cast<std::size_t>(entry.row)] = entry.text;
    }

    // Export and import again: nothing changes.
    const vq::StationImport back =
        vq::StationsFromCsvText(vq::StationListCsvText(list), "fuzz.csv");
    if (!back.result.ok) __builtin_trap();
    std::vector<std::string> again = list;
    if (!vq::ApplyStationEntries(back.entries, again).empty() || again != list) __builtin_trap();
    return 0;
}

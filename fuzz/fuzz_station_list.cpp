// The station list import. Any file text must give at most 256 stations without a crash or a
// leak, and a list that export writes imports back as the same stations.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/station_list_csv.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> stations = vq::StationsFromCsvText(text);
    if (stations.size() > static_cast<std::size_t>(vq::stationListRows)) __builtin_trap();

    // Export and import again: only lists the dialog would accept (valid station texts).
    std::vector<std::string> valid;
    for (const std::string& station : stations) {
        if (vq::IsStationText(station)) valid.push_back(station);
    }
    const std::vector<std::string> back = vq::StationsFromCsvText(vq::StationListCsvText(valid));
    if (back != valid) __builtin_trap();
    return 0;
}

// What one settings CSV row costs when the file is already large: a file of SIZE_MB is built
// row by row (never held in memory), then rows are appended the way a read appends them. Prints
// the median time of one append and how far the peak resident memory grew across the appends:
// an append that read or copied the file would show its size here.
// Usage: bench_csv_append FOLDER SIZE_MB

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/settings_csv.h"
#include "model/instrument.h"

namespace {

// The high-water mark of this program's own memory. Not getrusage(): its figure starts from
// the parent's at the exec, so under a larger parent (the Python that runs the benchmarks) it
// shows the parent's size and hides any growth below it.
double peakResidentMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_csv_append FOLDER SIZE_MB\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const auto target = static_cast<std::uintmax_t>(std::atof(argv[2]) * 1024 * 1024);
    const vq::InstrumentModel model;
    const double now = 46000.5;
    const std::filesystem::path csv = vq::SettingsCsvPath(folder, "");
    std::filesystem::remove(csv);
    if (!vq::ExportSettingsRow(model, vq::CsvAction::Read, folder, "", now).ok) {
        std::fprintf(stderr, "cannot write %s\n", csv.c_str());
        return 1;
    }
    {
        const std::string row = vq::CsvLine(vq::SettingsCsvRow(model, vq::CsvAction::Read, now));
        std::ofstream out(csv, std::ios::binary | std::ios::app);
        for (std::uintmax_t size = std::filesystem::file_size(csv); size < target;
             size += row.size())
            out << row;
        if (!out.flush()) {
            std::fprintf(stderr, "cannot grow %s\n", csv.c_str());
            return 1;
        }
    }
    const std::uintmax_t before = std::filesystem::file_size(csv);
    const double rssBefore = peakResidentMb();
    std::vector<double> millis;
    for (int i = 0; i < 9; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = vq::ExportSettingsRow(model, vq::CsvAction::Read, folder, "", now).ok;
        const auto spent = std::chrono::steady_clock::now() - start;
        if (!ok) {
            std::fprintf(stderr, "append failed\n");
            return 1;
        }
        millis.push_back(std::chrono::duration<double, std::milli>(spent).count());
    }
    std::sort(millis.begin(), millis.end());
    std::printf("file_mb=%.1f append_ms=%.3f rss_growth_mb=%.2f peak_rss_mb=%.2f\n",
                static_cast<double>(before) / (1024.0 * 1024.0), millis[millis.size() / 2],
                peakResidentMb() - rssBefore, peakResidentMb());
    std::filesystem::remove(csv);
    return 0;
}

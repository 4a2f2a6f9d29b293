#pragma once
// The process-wide values the main window shares with the windows it opens: what kind of transfer
// runs (the progress window and the FRAM dump read it) and the latest current readings (the
// calibration window reads them). One MainState lives in MainWindow; others get it from state().

#include <array>
#include <cstdint>
#include <optional>

namespace vq {

// TransferMode values.
namespace transfer_mode {
inline constexpr std::int16_t None = 0;
inline constexpr std::int16_t Download = 1;  // the flash download or the FRAM dump
inline constexpr std::int16_t Zero = 3;      // the calibration run adjusts zero
inline constexpr std::int16_t Span = 4;      // ... or span
}  // namespace transfer_mode

struct MainState {
    std::int16_t TransferMode = transfer_mode::None;
    std::array<float, 5> LatestReadings{};
    bool ReadingsFresh = false;
    bool CalibrationOpen = false;
    bool GridBusy = false;
    // The range mode the instrument had before a range calibration that has not been put back
    // yet. Kept beyond the calibration window, so a window opened again can still restore it.
    std::optional<std::int16_t> PendingRangeRestore;
};

}  // namespace vq

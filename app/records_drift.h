#pragma once
// What the Records chart draws: per channel, how far the sensor had drifted when it was next
// calibrated. A span's "as found" reading (the reading before it was adjusted) as a share of
// the gas applied shows the drift; the reading after adjustment equals the gas and shows none.
// Zero runs are a series of their own (their as-found reading, in the channel's units): mixed
// with spans they would draw a sawtooth. A long history is thinned to what a chart can show,
// keeping each stretch's lowest and highest point so no excursion disappears.

#include <array>
#include <cstddef>
#include <vector>

#include "app/records.h"

namespace vq {

struct DriftPoint {
    double date = 0;   // OLE date of the calibration (the instrument's, else the event's)
    double value = 0;  // span: percent of the gas applied; zero: the reading before adjustment
};

struct DriftSeries {
    std::array<std::vector<DriftPoint>, 5> span;
    std::array<std::vector<DriftPoint>, 5> zero;
    std::array<std::string, 5> gas;  // the latest name seen per channel
};

// From a timeline (any order); each series oldest first. Runs that failed, readings the
// instrument has not got and spans without a gas concentration draw no point.
DriftSeries DriftFromTimeline(const std::vector<TimelineEntry>& timeline);

// At most `maxPoints` points (at least 4 are kept): the dates are cut into equal stretches and
// each keeps its lowest and highest value, in date order.
std::vector<DriftPoint> ThinPoints(const std::vector<DriftPoint>& points, std::size_t maxPoints);

}  // namespace vq

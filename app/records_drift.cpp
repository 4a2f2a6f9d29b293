#include "app/records_drift.h"

#include <algorithm>
#include <cmath>

namespace vq {

namespace {

double runDate(const RecordEvent& e, const ChannelRecord& c) {
    if (c.history.date > 1.0) return c.history.date;
    return e.instrumentTime > 1.0 ? e.instrumentTime : e.pcTime;
}

void byDate(std::vector<DriftPoint>& points) {
    std::stable_sort(points.begin(), points.end(),
                     [](const DriftPoint& a, const DriftPoint& b) { return a.date < b.date; });
}

}  // namespace

DriftSeries DriftFromTimeline(const std::vector<TimelineEntry>& timeline) {
    DriftSeries series;
    for (const TimelineEntry& entry : timeline) {
        const RecordEvent& e = entry.event;
        for (const ChannelRecord& c : e.channels) {
            if (c.channel < 0 || c.channel >= 5) continue;
            const auto i = static_cast<std::size_t>(c.channel);
            if (!c.gas.empty()) series.gas[i] = c.gas;
            if ((e.kind != RecordKind::Zero && e.kind != RecordKind::Span) || c.result != "OK")
                continue;
            const auto found = RecordedLevel(c.history.before);
            if (!found) continue;
            if (e.kind == RecordKind::Zero) {
                series.zero[i].push_back({runDate(e, c), *found});
            } else if (std::isfinite(c.concentration) && c.concentration > 0) {
                series.span[i].push_back({runDate(e, c), *found / c.concentration * 100.0});
            }
        }
    }
    for (auto& s : series.span) byDate(s);
    for (auto& s : series.zero) byDate(s);
    return series;
}

std::vector<DriftPoint> ThinPoints(const std::vector<DriftPoint>& points, std::size_t maxPoints) {
    maxPoints = std::max<std::size_t>(maxPoints, 4);
    if (points.size() <= maxPoints) return points;
    const std::size_t buckets = maxPoints / 2;
    const double first = points.front().date;
    const double span = points.back().date - first;
    std::vector<DriftPoint> out;
    out.reserve(maxPoints);
    std::size_t at = 0;
    for (std::size_t b = 0; b < buckets && at < points.size(); ++b) {
        const double end = b + 1 == buckets ? points.back().date
                                            : first + span * static_cast<double>(b + 1) /
                                                          static_cast<double>(buckets);
        std::size_t low = at, high = at;
        const std::size_t start = at;
        while (at < points.size() && (points[at].date < end || b + 1 == buckets)) {
            if (points[at].value < points[low].value) low = at;
            if (points[at].value > points[high].value) high = at;
            ++at;
        }
        if (at == start) continue;  // an empty stretch
        out.push_back(points[std::min(low, high)]);
        if (low != high) out.push_back(points[std::max(low, high)]);
    }
    return out;
}

}  // namespace vq

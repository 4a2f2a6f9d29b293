#pragma once
// One instrument's drift over time (app/records_drift.h): per channel, each passing span's
// as-found reading as a percentage of the gas applied, against the date of the span; zero runs
// as series of their own (dashed, their as-found reading on the right-hand axis). The date axis
// labels follow the span shown, from hours within one day to months over ten years; a long
// history is thinned to what the chart's width can show.

#include <QChartView>
#include <QList>
#include <QPointF>
#include <array>
#include <vector>

#include "app/records.h"
#include "model/gas_channel.h"

class QLineSeries;
class QDateTimeAxis;
class QValueAxis;

namespace vq {

class RecordsChart final : public QChartView {
    Q_OBJECT
  public:
    static constexpr int kChannels = gasChannelCount;
    // Points per series at most: two per few pixels of a wide chart.
    static constexpr int kMaxPoints = 600;

    explicit RecordsChart(QWidget* parent = nullptr);

    // The instrument's timeline (as the store gives it).
    void setTimeline(const std::vector<TimelineEntry>& timeline);
    // Channel `ch`'s span points as drawn: (OLE date, percent of the gas applied), oldest first.
    QList<QPointF> points(int ch) const { return points_[static_cast<size_t>(ch)]; }
    // Its zero points: (OLE date, reading before the zero).
    QList<QPointF> zeroPoints(int ch) const { return zeroPoints_[static_cast<size_t>(ch)]; }
    // The legend text of channel `ch`'s span series ("CH2 CO span").
    QString seriesName(int ch) const;
    // The date axis' label format as chosen for the dates shown.
    QString dateFormat() const;

  private:
    std::array<QLineSeries*, kChannels> series_{};
    std::array<QLineSeries*, kChannels> zeroSeries_{};
    std::array<QList<QPointF>, kChannels> points_{};
    std::array<QList<QPointF>, kChannels> zeroPoints_{};
    QDateTimeAxis* dates_ = nullptr;
    QValueAxis* values_ = nullptr;
    QValueAxis* zeroValues_ = nullptr;
};

}  // namespace vq

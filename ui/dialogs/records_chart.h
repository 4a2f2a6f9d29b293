#pragma once
// One instrument's calibration results over time: per channel, the reading after each zero or
// span run the instrument accepted, against the date of the run. A refused run (result other
// than "OK") leaves the instrument's calibration as it was, so it draws no point.

#include <QChartView>
#include <QList>
#include <QPointF>
#include <array>
#include <vector>

#include "app/records.h"

class QLineSeries;
class QDateTimeAxis;
class QValueAxis;

namespace vq {

class RecordsChart final : public QChartView {
    Q_OBJECT
  public:
    static constexpr int kChannels = 5;

    explicit RecordsChart(QWidget* parent = nullptr);

    // The instrument's timeline, oldest first (as the store gives it).
    void setTimeline(const std::vector<TimelineEntry>& timeline);
    // Channel `ch`'s points: (OLE date of the run, reading after it), oldest first.
    QList<QPointF> points(int ch) const { return points_[static_cast<size_t>(ch)]; }
    // The legend text of channel `ch` ("CH2 CO"), as the series shows it.
    QString seriesName(int ch) const;

  private:
    std::array<QLineSeries*, kChannels> series_{};
    std::array<QList<QPointF>, kChannels> points_{};
    QDateTimeAxis* dates_ = nullptr;
    QValueAxis* values_ = nullptr;
};

}  // namespace vq

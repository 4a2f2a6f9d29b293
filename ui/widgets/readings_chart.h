#pragma once
// The calibration window's live chart: the five channels' current readings over the last five
// minutes. Each reading is drawn as a share of its channel's full scale, so an oxygen channel
// at 20.9 VOL% and a CO channel of 500 ppm share one axis; the legend names the channel and its
// gas. A reading without a value (channel off, no answer yet) draws no point: the chart never
// shows a zero the instrument did not report.
//
// The caller supplies the time of each sample (the link's steady clock), so the chart follows
// the virtual clock in tests and never reads a clock of its own.

#include <QChartView>
#include <QList>
#include <QPointF>
#include <array>
#include <deque>
#include <string>

#include "model/gas_channel.h"

class QLineSeries;
class QValueAxis;

namespace vq {

class ReadingsChart final : public QChartView {
    Q_OBJECT
  public:
    static constexpr int kChannels = gasChannelCount;
    static constexpr double kSpanSeconds = 300;

    explicit ReadingsChart(QWidget* parent = nullptr);

    // The legend text of channel `ch` ("1 CH4") and its full scale; a channel without a
    // full scale (switched off, unknown) is left out of the chart.
    void setChannel(int ch, const std::string& label, float fullScale);
    // Readings taken at `seconds`; a reading of levelNoValue (or any negative code) has no value.
    void add(double seconds, const std::array<float, kChannels>& readings);

    // What channel `ch` now draws, oldest first: (seconds relative to the newest sample, percent
    // of full scale).
    QList<QPointF> points(int ch) const;

  private:
    struct Sample {
        double seconds;
        std::array<float, kChannels> readings;
    };
    void redraw();

    std::array<QLineSeries*, kChannels> series_{};
    std::array<float, kChannels> fullScale_{};
    std::deque<Sample> samples_;
    QValueAxis* time_ = nullptr;
    QValueAxis* share_ = nullptr;
};

}  // namespace vq

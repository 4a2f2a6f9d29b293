#include "ui/widgets/readings_chart.h"

#include <QChart>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "messages/message_ids.h"
#include "messages/messages.h"

namespace vq {

namespace {
QString q(const std::string& text) {
    return QString::fromStdString(text);
}
// Negative readings are the instrument's codes for "no value" (levelNoValue and its kin); a gas
// reading below zero is shown as such by the table, not drawn.
bool hasValue(float reading) {
    return reading > -100.0f;
}
}  // namespace

// The chart is handed to the view at construction: a chart set later leaves the view's own first
// chart behind, never deleted.
ReadingsChart::ReadingsChart(QWidget* parent) : QChartView(new QChart(), parent) {
    QChart* chart = this->chart();
    chart->setTitle(q(ResMessage(msg::ReadingsChartTitle)));
    chart->legend()->setAlignment(Qt::AlignBottom);
    time_ = new QValueAxis(chart);
    time_->setRange(-kSpanSeconds, 0);
    time_->setTickCount(6);
    time_->setLabelFormat("%d");
    time_->setTitleText(q(ResMessage(msg::ReadingsChartSeconds)));
    share_ = new QValueAxis(chart);
    share_->setRange(0, 100);
    share_->setLabelFormat("%d");
    share_->setTitleText(q(ResMessage(msg::ReadingsChartShare)));
    chart->addAxis(time_, Qt::AlignBottom);
    chart->addAxis(share_, Qt::AlignLeft);
    for (int ch = 0; ch < kChannels; ++ch) {
        auto* line = new QLineSeries(chart);
        line->setName(QString::number(ch + 1));
        chart->addSeries(line);
        line->attachAxis(time_);
        line->attachAxis(share_);
        line->setVisible(false);
        series_[static_cast<std::size_t>(ch)] = line;
    }
    setRenderHint(QPainter::Antialiasing);
    setMinimumSize(420, 320);
}

void ReadingsChart::setChannel(int ch, const std::string& label, float fullScale) {
    if (ch < 0 || ch >= kChannels) return;
    const auto i = static_cast<std::size_t>(ch);
    fullScale_[i] = fullScale > 0 ? fullScale : 0;
    series_[i]->setName(q(label));
    series_[i]->setVisible(fullScale_[i] > 0);
    // A hidden series still has a legend marker; a channel that is not drawn is not named.
    const auto markers = chart()->legend()->markers(series_[i]);
    for (auto* marker : markers) marker->setVisible(fullScale_[i] > 0);
    redraw();
}

void ReadingsChart::add(double seconds, const std::array<float, kChannels>& readings) {
    // A clock that went back (a new link) starts the chart afresh rather than drawing backwards.
    if (!samples_.empty() && seconds < samples_.back().seconds) samples_.clear();
    samples_.push_back({seconds, readings});
    while (samples_.front().seconds < seconds - kSpanSeconds) samples_.pop_front();
    redraw();
}

QList<QPointF> ReadingsChart::points(int ch) const {
    QList<QPointF> out;
    if (ch < 0 || ch >= kChannels || samples_.empty()) return out;
    const auto i = static_cast<std::size_t>(ch);
    if (fullScale_[i] <= 0) return out;
    const double newest = samples_.back().seconds;
    for (const Sample& s : samples_) {
        if (!hasValue(s.readings[i])) continue;
        out.append({s.seconds - newest, 100.0 * s.readings[i] / fullScale_[i]});
    }
    return out;
}

void ReadingsChart::redraw() {
    double top = 100;
    for (int ch = 0; ch < kChannels; ++ch) {
        const QList<QPointF> drawn = points(ch);
        for (const QPointF& p : drawn) top = std::max(top, p.y());
        series_[static_cast<std::size_t>(ch)]->replace(drawn);
    }
    // Over range stays in sight: the axis grows past 100 % rather than cutting the line off.
    share_->setRange(0, top > 100 ? std::ceil(top / 10) * 10 : 100);
}

}  // namespace vq

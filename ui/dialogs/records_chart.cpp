#include "ui/dialogs/records_chart.h"

#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "app/records_drift.h"
#include "messages/message_ids.h"
#include "messages/messages.h"
#include "model/ole_date.h"
#include "ui/dialogs/records_fleet_model.h"

namespace vq {

namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

// The axis counts milliseconds; OLE dates are local wall-clock times, so they become local
// QDateTimes and the axis labels show the same day and hour the timeline does.
double axisMs(double oleDate) {
    const auto parts = OleDateToParts(oleDate);
    if (!parts) return 0;
    const QDateTime local(QDate(parts->year, parts->month, parts->day),
                          QTime(parts->hour, parts->minute, parts->second));
    return static_cast<double>(local.toMSecsSinceEpoch());
}

constexpr double kDayMs = 86400000.0;

// Labels that stay readable and distinct over the span shown: hours within a few days, days
// within a couple of years, months beyond.
QString formatFor(double spanMs) {
    if (spanMs <= 3 * kDayMs) return QStringLiteral("yyyy/MM/dd hh:mm");
    if (spanMs <= 730 * kDayMs) return QStringLiteral("yyyy/MM/dd");
    return QStringLiteral("yyyy/MM");
}

struct Range {
    double low = 0, high = 0;
    bool any = false;
    void add(double v) {
        low = any ? std::min(low, v) : v;
        high = any ? std::max(high, v) : v;
        any = true;
    }
};

QList<QPointF> drawn(const std::vector<DriftPoint>& points, QList<QPointF>& kept, Range& dates,
                     Range& values) {
    QList<QPointF> out;
    kept.clear();
    for (const DriftPoint& p : ThinPoints(points, RecordsChart::kMaxPoints)) {
        kept.append({p.date, p.value});
        out.append({axisMs(p.date), p.value});
        dates.add(out.back().x());
        values.add(p.value);
    }
    return out;
}

void showSeries(QChart* chart, QLineSeries* series, bool visible) {
    series->setVisible(visible);
    for (auto* marker : chart->legend()->markers(series)) marker->setVisible(visible);
}

}  // namespace

// The chart is handed to the view at construction: a chart set later leaves the view's own first
// chart behind, never deleted.
RecordsChart::RecordsChart(QWidget* parent) : QChartView(new QChart(), parent) {
    QChart* chart = this->chart();
    chart->setTitle(q(ResMessage(msg::RecordsChartTitle)));
    chart->legend()->setAlignment(Qt::AlignBottom);
    dates_ = new QDateTimeAxis(chart);
    dates_->setFormat("yyyy/MM/dd");
    dates_->setTickCount(5);
    dates_->setLabelsAngle(-45);
    dates_->setTitleText(q(ResMessage(msg::RecordsChartDate)));
    values_ = new QValueAxis(chart);
    values_->setTitleText(q(ResMessage(msg::RecordsChartDrift)));
    zeroValues_ = new QValueAxis(chart);
    zeroValues_->setTitleText(q(ResMessage(msg::RecordsChartZeroReading)));
    chart->addAxis(dates_, Qt::AlignBottom);
    chart->addAxis(values_, Qt::AlignLeft);
    chart->addAxis(zeroValues_, Qt::AlignRight);
    for (int ch = 0; ch < kChannels; ++ch) {
        auto* line = new QLineSeries(chart);
        line->setPointsVisible(true);
        chart->addSeries(line);
        line->attachAxis(dates_);
        line->attachAxis(values_);
        series_[static_cast<size_t>(ch)] = line;
        auto* zero = new QLineSeries(chart);
        zero->setPointsVisible(true);
        chart->addSeries(zero);
        zero->attachAxis(dates_);
        zero->attachAxis(zeroValues_);
        // The same colour as the channel's span line, dashed.
        QPen pen = zero->pen();
        pen.setColor(line->color());
        pen.setStyle(Qt::DashLine);
        zero->setPen(pen);
        zeroSeries_[static_cast<size_t>(ch)] = zero;
    }
    setRenderHint(QPainter::Antialiasing);
    setMinimumSize(360, 260);
    setTimeline({});
}

QString RecordsChart::seriesName(int ch) const {
    return series_[static_cast<size_t>(ch)]->name();
}

QString RecordsChart::dateFormat() const {
    return dates_->format();
}

void RecordsChart::setTimeline(const std::vector<TimelineEntry>& timeline) {
    const DriftSeries drift = DriftFromTimeline(timeline);
    Range dates, spanValues, zeroValues;
    for (int ch = 0; ch < kChannels; ++ch) {
        const auto i = static_cast<size_t>(ch);
        const std::string name = RecordsChannelName(ch, drift.gas[i]);
        const QList<QPointF> span = drawn(drift.span[i], points_[i], dates, spanValues);
        series_[i]->replace(span);
        series_[i]->setName(q(ResMessage(msg::RecordsChartSpan, {name})));
        // A channel never calibrated is neither drawn nor named in the legend.
        showSeries(chart(), series_[i], !span.isEmpty());
        const QList<QPointF> zero = drawn(drift.zero[i], zeroPoints_[i], dates, zeroValues);
        zeroSeries_[i]->replace(zero);
        zeroSeries_[i]->setName(q(ResMessage(msg::RecordsChartZero, {name})));
        showSeries(chart(), zeroSeries_[i], !zero.isEmpty());
    }
    // Without a point the axes would show the day the clock starts from and a made-up scale.
    dates_->setVisible(dates.any);
    values_->setVisible(spanValues.any);
    zeroValues_->setVisible(zeroValues.any);
    // A margin either side, so a single run is not drawn on the axis' edge.
    const double margin = std::max(kDayMs / 4, (dates.high - dates.low) * 0.03);
    dates_->setFormat(formatFor(dates.high - dates.low + 2 * margin));
    dates_->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(dates.low - margin)),
                     QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(dates.high + margin)));
    // Drift is read against 100 %: the axis always shows it.
    const double low = std::min(spanValues.any ? spanValues.low : 100.0, 100.0);
    const double high = std::max(spanValues.any ? spanValues.high : 100.0, 100.0);
    const double pad = std::max(5.0, (high - low) * 0.1);
    values_->setRange(low - pad, high + pad);
    const double zeroPad = std::max(0.5, (zeroValues.high - zeroValues.low) * 0.1);
    zeroValues_->setRange(std::min(zeroValues.low, 0.0) - zeroPad,
                          std::max(zeroValues.high, 0.0) + zeroPad);
}

}  // namespace vq

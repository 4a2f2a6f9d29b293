#include "ui/dialogs/records_chart.h"

#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

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
    dates_->setTitleText(q(ResMessage(msg::RecordsChartDate)));
    values_ = new QValueAxis(chart);
    values_->setTitleText(q(ResMessage(msg::RecordsChartReading)));
    chart->addAxis(dates_, Qt::AlignBottom);
    chart->addAxis(values_, Qt::AlignLeft);
    for (int ch = 0; ch < kChannels; ++ch) {
        auto* line = new QLineSeries(chart);
        line->setName(q(RecordsChannelName(ch, {})));
        line->setPointsVisible(true);
        chart->addSeries(line);
        line->attachAxis(dates_);
        line->attachAxis(values_);
        series_[static_cast<size_t>(ch)] = line;
    }
    setRenderHint(QPainter::Antialiasing);
    setMinimumSize(360, 260);
    setTimeline({});
}

QString RecordsChart::seriesName(int ch) const {
    return series_[static_cast<size_t>(ch)]->name();
}

void RecordsChart::setTimeline(const std::vector<TimelineEntry>& timeline) {
    std::array<std::string, kChannels> gas{};
    for (auto& p : points_) p.clear();
    for (const TimelineEntry& entry : timeline) {
        const RecordEvent& e = entry.event;
        for (const ChannelRecord& ch : e.channels) {
            if (ch.channel < 0 || ch.channel >= kChannels) continue;
            const auto i = static_cast<size_t>(ch.channel);
            if (!ch.gas.empty()) gas[i] = ch.gas;
            if (e.kind != RecordKind::Zero && e.kind != RecordKind::Span) continue;
            if (ch.result != "OK") continue;
            points_[i].append({e.pcTime, static_cast<double>(ch.history.after)});
        }
    }

    double first = 0, last = 0, low = 0, high = 1;
    bool any = false;
    for (int ch = 0; ch < kChannels; ++ch) {
        const auto i = static_cast<size_t>(ch);
        QList<QPointF> drawn;
        for (const QPointF& p : points_[i]) {
            drawn.append({axisMs(p.x()), p.y()});
            first = any ? std::min(first, drawn.back().x()) : drawn.back().x();
            last = any ? std::max(last, drawn.back().x()) : drawn.back().x();
            low = any ? std::min(low, p.y()) : std::min(0.0, p.y());
            high = any ? std::max(high, p.y()) : std::max(1.0, p.y());
            any = true;
        }
        series_[i]->replace(drawn);
        series_[i]->setName(q(RecordsChannelName(ch, gas[i])));
        // A channel never calibrated is neither drawn nor named in the legend.
        series_[i]->setVisible(!drawn.isEmpty());
        for (auto* marker : chart()->legend()->markers(series_[i]))
            marker->setVisible(!drawn.isEmpty());
    }
    // One day either side, so a single run is not drawn on the axis' edge.
    constexpr double kDayMs = 86400000.0;
    if (!any) first = last = 0;
    // Without a point the axes would show the day the clock starts from and a made-up scale.
    dates_->setVisible(any);
    values_->setVisible(any);
    dates_->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(first - kDayMs)),
                     QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(last + kDayMs)));
    values_->setRange(low, high + (high - low) * 0.1);
}

}  // namespace vq

#include "platform/calibration_run.h"

#include "link/instrument_link.h"
#include "messages/message_ids.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "model/ole_date.h"

namespace vq {

namespace {

// The poll is paused for the run and put back as it was, whatever way the run ends.
class PollPause {
  public:
    explicit PollPause(InstrumentLink& link)
        : link_(link), wasOn_(link.calibration().RunReadings()) {
        link_.calibration().setRunReadings(false);
    }
    ~PollPause() {
        if (wasOn_) link_.calibration().setRunReadings(true);
    }
    PollPause(const PollPause&) = delete;
    PollPause& operator=(const PollPause&) = delete;

  private:
    InstrumentLink& link_;
    bool wasOn_;
};

}  // namespace

ListedResults ListedResultsOf(const ChannelFlags& listed, const ChannelFlags& passed) {
    ListedResults out;
    for (int ch = 0; ch < kCalChannels; ++ch) {
        const auto i = static_cast<std::size_t>(ch);
        if (!listed[i]) continue;
        out.channels.push_back(ch);
        out.results.emplace_back(passed[i] ? "OK" : "NG");
    }
    return out;
}

CalibrationRun::CalibrationRun(InstrumentLink& link, CalibrationRunStyle style)
    : link_(link), style_(style) {}

CalibrationOutcome CalibrationRun::zero(InstrumentModel* history) {
    return run(CalibrationKind::Zero, ZeroChannelText(), history);
}

CalibrationOutcome CalibrationRun::span(const InstrumentModel& cal, const ChannelFlags& selection,
                                        InstrumentModel* history) {
    return run(CalibrationKind::Span, SpanChannelText(cal, selection), history);
}

CalibrationOutcome CalibrationRun::run(CalibrationKind kind, const std::string& channels,
                                       InstrumentModel* history) {
    outcome_ = CalibrationOutcome{};
    outcome_.kind = kind;
    state_ = State::Running;
    {
        PollPause pause(link_);
        const bool zeroRun = kind == CalibrationKind::Zero;
        if (!zeroRun && style_.logSpanStart) {
            link_.AddLog(
                ResMessage(msg::CalibrationStarted, {GeneralDate(link_.Host().localDateTime())}));
        }
        outcome_.taken =
            zeroRun ? link_.calibration().ZeroCal(channels) : link_.calibration().SpanCal(channels);
        if (outcome_.taken) {
            for (int ch = 0; ch < kCalChannels; ++ch) {
                outcome_.passed[static_cast<std::size_t>(ch)] =
                    zeroRun ? link_.calibration().ZeroStatus(ch)
                            : link_.calibration().SpanStatus(ch);
            }
        } else {
            outcome_.cancelled = link_.Cancel();
        }
        // The history after the run: what the records and the report show as "after".
        const bool wanted = outcome_.taken || (!zeroRun && style_.historyAfterRefusedSpan);
        if (wanted && history != nullptr) {
            outcome_.historyAsked = true;
            outcome_.historyRead = link_.operations().GetLatestHistory(history);
        }
    }
    state_ = State::Finished;
    return outcome_;
}

void CalibrationRun::cancel() {
    if (state_ == State::Running) link_.setCancel(true);
}

std::string CalibrationRun::failureText() {
    return ResMessage(msg::CalibrationFailInfo);
}

std::optional<RecordEvent> CalibrationRun::record(const ChannelFlags& listed,
                                                  const InstrumentModel& before,
                                                  const InstrumentModel& after,
                                                  const InstrumentModel& concentrations) const {
    if (state_ != State::Finished) return std::nullopt;
    return CalibrationRunRecord(outcome_.kind, listed, outcome_.passed, before, after,
                                concentrations, link_.Host().localDateTime());
}

RecordEvent CalibrationRunRecord(CalibrationKind kind, const ChannelFlags& listed,
                                 const ChannelFlags& passed, const InstrumentModel& before,
                                 const InstrumentModel& after,
                                 const InstrumentModel& concentrations, double pcTime) {
    const bool zeroRun = kind == CalibrationKind::Zero;
    const ListedResults listedResults = ListedResultsOf(listed, passed);
    RecordEvent event =
        CalibrationRecord(zeroRun ? RecordKind::Zero : RecordKind::Span, before, after,
                          listedResults.channels, listedResults.results, pcTime);
    if (!zeroRun) {
        for (ChannelRecord& channel : event.channels)
            channel.concentration = concentrations.AutoCalib(channel.channel);
    }
    return event;
}

}  // namespace vq

#include "app/records_state.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <vector>

#include "app/records.h"
#include "model/ole_date.h"

namespace vq {

namespace {

struct StateWord {
    InstrumentState state;
    const char* name;
};
constexpr StateWord kStateWords[] = {{InstrumentState::Failed, "failed"},
                                     {InstrumentState::Overdue, "overdue"},
                                     {InstrumentState::Due, "due"},
                                     {InstrumentState::Ok, "ok"},
                                     {InstrumentState::Unknown, "unknown"}};

// Dates before 1900 are what an instrument without a history leaves in the model.
bool knownDate(double date) {
    return std::isfinite(date) && date > 1.0;
}

bool isOxygen(const std::string& gas) {
    return gas == "O2";
}

// A calibration the instrument reports says nothing of its kind. A zero leaves the reading at
// nothing (an oxygen sensor at the 20.9 % of fresh air, where it is zeroed); a span leaves it at
// the gas applied. Only a calibration that cannot have been a zero counts as a span.
bool looksLikeSpan(const ChannelRecord& c) {
    const float after = c.history.after;
    if (!std::isfinite(after) || after <= 0) return false;  // -101: no value
    if (isOxygen(c.gas) && std::fabs(after - 20.9f) < 0.05f) return false;
    return true;
}

// A verdict replaces the last one when it is later; a failure also when it is as late, so the
// result does not depend on which of two same-time events came first.
void verdict(ChannelEvidence& c, double when, bool failed) {
    if (when > c.verdictTime || (failed && when == c.verdictTime)) {
        c.verdictTime = when;
        c.lastSpanFailed = failed;
    }
}

void passedSpan(ChannelEvidence& c, double date) {
    c.passedSpan = std::max(c.passedSpan, date);
    c.calibrated = std::max(c.calibrated, date);
    verdict(c, date, false);
}

void foldRead(InstrumentEvidence& ev, const RecordEvent& e, double order) {
    if (!e.success) return;
    if (order >= ev.readTime) {
        ev.readTime = order;
        ev.lastRead = e.pcTime;
        ev.calLimit = e.calLimit;
    }
    for (const ChannelRecord& c : e.channels) {
        if (c.channel < 0 || c.channel >= 5) continue;
        ChannelEvidence& ch = ev.channels[static_cast<std::size_t>(c.channel)];
        const bool dated = knownDate(c.history.date);
        if (order >= ch.setupTime) {
            ch.setupTime = order;
            ch.gas = c.gas;
            ch.enabled = c.enabled;
            ch.historyMissing = c.enabled && !dated;
        }
        if (!dated) continue;
        ch.calibrated = std::max(ch.calibrated, c.history.date);
        if (looksLikeSpan(c)) passedSpan(ch, c.history.date);
    }
}

void foldRun(InstrumentEvidence& ev, const RecordEvent& e, double order) {
    for (const ChannelRecord& c : e.channels) {
        if (c.channel < 0 || c.channel >= 5) continue;
        ChannelEvidence& ch = ev.channels[static_cast<std::size_t>(c.channel)];
        // Until a read says which channels are on, a run's own word for it stands.
        if (ch.setupTime <= 0) {
            ch.gas = c.gas;
            ch.enabled = c.enabled;
        }
        const bool ok = c.result == "OK";
        if (e.kind == RecordKind::Zero) {
            // A zero moves "calibrated" but never the interval, passed or not.
            if (ok && knownDate(c.history.date))
                ch.calibrated = std::max(ch.calibrated, c.history.date);
            continue;
        }
        if (ok) {
            passedSpan(ch, knownDate(c.history.date) ? c.history.date : order);
        } else {
            verdict(ch, order, true);
        }
    }
}

void appendNumber(std::string& out, double value) {
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

// A gas name never holds a tab or a line break where it comes from; should one arrive, it
// must not shift the fields after it.
void appendText(std::string& out, const std::string& text) {
    for (char c : text) out += (c == '\t' || c == '\n') ? ' ' : c;
}

void encodeEvidence(std::string& out, const InstrumentEvidence& ev) {
    out += "I\t";
    appendNumber(out, ev.readTime);
    out += '\t';
    appendNumber(out, ev.lastRead);
    out += '\t';
    appendNumber(out, ev.calLimit);
    out += '\n';
    for (const ChannelEvidence& c : ev.channels) {
        out += "C\t";
        appendText(out, c.gas);
        for (double v : {c.enabled ? 1.0 : 0.0, c.setupTime, c.historyMissing ? 1.0 : 0.0,
                         c.calibrated, c.passedSpan, c.verdictTime, c.lastSpanFailed ? 1.0 : 0.0}) {
            out += '\t';
            appendNumber(out, v);
        }
        out += '\n';
    }
}

// Powers of ten a double holds exactly.
constexpr double kExactTens[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

}  // namespace

bool ParseStateNumber(std::string_view text, double& value) {
    // The state texts hold dates such as "45672" or "54600.04" and flags: up to 15 digits
    // with a point make a whole number below 2^53 divided by an exact power of ten, one
    // correctly rounded division, so the result is exactly what from_chars gives, at a
    // fraction of its cost (the fleet list reads some 80 numbers per instrument).
    std::size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
    const bool negative = i == 1;
    std::uint64_t whole = 0;
    int digits = 0;
    int decimals = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            whole = whole * 10 + static_cast<std::uint64_t>(c - '0');
            ++digits;
            decimals += point ? 1 : 0;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (i == text.size() && digits > 0 && digits <= 15 && !(point && decimals == 0)) {
        const double magnitude = static_cast<double>(whole) / kExactTens[decimals];
        value = negative ? -magnitude : magnitude;
        return true;
    }
    // Anything else (an exponent, more digits, infinity) the long way; garbage is refused.
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

namespace {

// A state text read line by line and each line field by field, in place: the fleet list
// decodes one text per instrument, tens of thousands at a time.
class FieldReader {
  public:
    explicit FieldReader(std::string_view text) : rest_(text) {}
    // Moves to the next line; false when there is none.
    bool nextLine() {
        if (!more_) return false;
        const std::size_t at = rest_.find('\n');
        line_ = rest_.substr(0, at);
        lineOpen_ = true;
        if (at == std::string_view::npos)
            more_ = false;
        else
            rest_.remove_prefix(at + 1);
        return true;
    }
    // The line's next field; false when the line has no more.
    bool field(std::string_view& out) {
        if (!lineOpen_) return false;
        const std::size_t at = line_.find('\t');
        out = line_.substr(0, at);
        if (at == std::string_view::npos)
            lineOpen_ = false;
        else
            line_.remove_prefix(at + 1);
        return true;
    }
    bool number(double& value) {
        std::string_view text;
        return field(text) && ParseStateNumber(text, value);
    }
    bool word(std::string_view expected) {
        std::string_view text;
        return field(text) && text == expected;
    }
    bool lineEnded() const { return !lineOpen_; }
    // Passes over `lines` when the text goes on with exactly them (whole lines).
    bool skip(std::string_view lines) {
        if (!more_ || lineOpen_ || rest_.substr(0, lines.size()) != lines) return false;
        rest_.remove_prefix(lines.size());
        return true;
    }

  private:
    std::string_view rest_, line_;
    bool more_ = true;
    bool lineOpen_ = false;
};

// Six lines: the instrument, then its five channels.
bool decodeEvidence(FieldReader& in, InstrumentEvidence& ev) {
    double limit = 0;
    if (!in.nextLine() || !in.word("I") || !in.number(ev.readTime) || !in.number(ev.lastRead) ||
        !in.number(limit) || !in.lineEnded())
        return false;
    ev.calLimit = static_cast<int>(limit);
    for (ChannelEvidence& c : ev.channels) {
        std::string_view gas;
        if (!in.nextLine() || !in.word("C") || !in.field(gas)) return false;
        c.gas = std::string(gas);
        double flags[3] = {};
        if (!in.number(flags[0]) || !in.number(c.setupTime) || !in.number(flags[1]) ||
            !in.number(c.calibrated) || !in.number(c.passedSpan) || !in.number(c.verdictTime) ||
            !in.number(flags[2]) || !in.lineEnded())
            return false;
        c.enabled = flags[0] != 0;
        c.historyMissing = flags[1] != 0;
        c.lastSpanFailed = flags[2] != 0;
    }
    return true;
}

ChannelAssessment assessChannel(const ChannelEvidence& c, int calLimit, double now, int days) {
    ChannelAssessment a;
    // A failed channel keeps the date its last passing span gives: it is still the oldest.
    if (knownDate(c.passedSpan) && calLimit > 0) a.due = AddDays(c.passedSpan, calLimit);
    if (c.verdictTime > 0 && c.lastSpanFailed) {
        a.state = InstrumentState::Failed;
        return a;
    }
    if (!knownDate(c.passedSpan)) {
        // Nothing at all on an enabled channel: the instrument cannot show it was calibrated.
        if (c.historyMissing && !knownDate(c.calibrated)) a.state = InstrumentState::Failed;
        return a;
    }
    if (a.due <= 0) return a;
    const double left = DaysBetween(a.due, now);
    a.state = left < 0       ? InstrumentState::Overdue
              : left <= days ? InstrumentState::Due
                             : InstrumentState::Ok;
    return a;
}

}  // namespace

const char* InstrumentStateName(InstrumentState state) {
    for (const StateWord& word : kStateWords)
        if (word.state == state) return word.name;
    return "unknown";
}

std::optional<InstrumentState> InstrumentStateFromName(std::string_view name) {
    for (const StateWord& word : kStateWords)
        if (name == word.name) return word.state;
    return std::nullopt;
}

int StateSeverity(InstrumentState state) {
    return static_cast<int>(state);
}

bool NeedsAttention(InstrumentState state) {
    return StateSeverity(state) >= StateSeverity(InstrumentState::Due);
}

const char* RecordOriginName(RecordOrigin origin) {
    switch (origin) {
        case RecordOrigin::Imported:
            return "imported";
        case RecordOrigin::Simulated:
            return "simulated";
        case RecordOrigin::Reported:
            break;
    }
    return "reported";
}

std::string ChannelEvidence::lastSpanResult() const {
    if (verdictTime <= 0) return {};
    return lastSpanFailed ? "NG" : "OK";
}

bool InstrumentEvidence::anyChannel() const {
    return std::any_of(channels.begin(), channels.end(), [](const ChannelEvidence& c) {
        return c.setupTime > 0 || c.verdictTime > 0 || c.calibrated > 0;
    });
}

bool IsClockAhead(double pcTime, double instrumentTime, double newestTrusted) {
    if (!knownDate(newestTrusted) || !std::isfinite(pcTime)) return false;
    if (DaysBetween(pcTime, newestTrusted) <= kClockAheadDays) return false;
    // The instrument's clock agreeing within a day makes two independent witnesses.
    if (knownDate(instrumentTime) &&
        std::fabs(DaysBetween(instrumentTime, pcTime)) <= kClockAheadDays)
        return false;
    return true;
}

double EventOrderTime(const RecordEvent& e, double newestTrusted) {
    if (knownDate(e.instrumentTime)) return e.instrumentTime;
    if (e.clockAhead || IsClockAhead(e.pcTime, e.instrumentTime, newestTrusted))
        return knownDate(newestTrusted) ? std::min(e.pcTime, newestTrusted) : e.pcTime;
    return e.pcTime;
}

void FoldEvent(InstrumentRecordState& state, const RecordEvent& e, double newestTrusted) {
    if (e.origin == RecordOrigin::Simulated) return;
    InstrumentEvidence& ev = e.origin == RecordOrigin::Imported ? state.imported : state.reported;
    const double order = EventOrderTime(e, newestTrusted);
    switch (e.kind) {
        case RecordKind::Read:
            foldRead(ev, e, order);
            break;
        case RecordKind::Zero:
        case RecordKind::Span:
            foldRun(ev, e, order);
            break;
        case RecordKind::Write:
        case RecordKind::Dump:
        case RecordKind::SerialChange:
            break;
    }
}

Assessment Assess(const InstrumentRecordState& state, double now, int days) {
    const InstrumentEvidence& ev = state.evidence();
    Assessment result;
    bool anyEnabled = false;
    bool anyUnknown = false;
    int worst = -1;
    for (std::size_t i = 0; i < ev.channels.size(); ++i) {
        const ChannelEvidence& c = ev.channels[i];
        if (!c.enabled) continue;
        anyEnabled = true;
        const ChannelAssessment a = assessChannel(c, ev.calLimit, now, days);
        result.channels[i] = a;
        if (a.due > 0 && (result.due == 0 || a.due < result.due)) result.due = a.due;
        if (a.state == InstrumentState::Unknown) anyUnknown = true;
        worst = std::max(worst, StateSeverity(a.state));
    }
    if (!anyEnabled) return result;
    if (worst >= StateSeverity(InstrumentState::Due))
        result.state = static_cast<InstrumentState>(worst);
    else
        result.state = anyUnknown ? InstrumentState::Unknown : InstrumentState::Ok;
    return result;
}

std::string EncodeRecordState(const InstrumentRecordState& state) {
    std::string out = "v2\n";
    encodeEvidence(out, state.reported);
    encodeEvidence(out, state.imported);
    return out;
}

InstrumentRecordState DecodeRecordState(std::string_view text) {
    InstrumentRecordState state;
    FieldReader in(text);
    if (!in.nextLine() || !in.word("v2") || !in.lineEnded()) return {};
    // Most instruments were never imported: their empty evidence is passed over as a whole,
    // the same as reading its forty zeros one by one.
    static const std::string kNothing = [] {
        std::string text;
        encodeEvidence(text, InstrumentEvidence{});
        return text;
    }();
    for (InstrumentEvidence* ev : {&state.reported, &state.imported})
        if (!in.skip(kNothing) && !decodeEvidence(in, *ev)) return {};
    return state;
}

}  // namespace vq

// The soak: read-all, write and read-back against the virtual instrument on a line that drops,
// corrupts, splits, delays and sprinkles stray CRs over the answers, on virtual time, seeded so a
// run repeats exactly. Every cycle must either succeed with the instrument holding what the
// model says, or fail cleanly: false, the failure line in the log, within a bounded time, and no
// change flag cleared for a setting the instrument does not hold.
//
// VQ_SOAK_CYCLES and VQ_SOAK_SEED lengthen or vary the run (see the README).

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "link/instrument_link.h"
#include "link/virtual_host.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "protocol/settings_write.h"
#include "sim/faults.h"
#include "sim/inproc_port.h"
#include "sim/sim_instrument.h"
#include "tests/support/recording_events.h"

namespace vq::test {
namespace {

using Millis = EventHost::Millis;

constexpr int kRetry = 5;
constexpr int kTimeoutSeconds = 2;
// Frames a read-all sends when nothing goes wrong.
constexpr int kReadAllFrames = 307;
// Writes a cycle can send: its edits, the closing "DW,W," and up to three passes of level lists.
constexpr int kWriteFrames = 40;

// The longest an operation of `frames` requests may take: every request sent 1 + Retry times,
// each time waiting out the time-out and one link tick more.
Millis boundFor(int frames) {
    return Millis{static_cast<long long>(frames) * (kRetry + 1) * (kTimeoutSeconds * 1000 + 200)};
}

long envNumber(const char* name, long fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtol(text, nullptr, 10) : fallback;
}

std::string trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// The settings a cycle edits, compared between a model and the instrument.
enum class Field { UserID, LcdBackLight, Intervals, CalLimit, Warning0, Station };
constexpr Field kFields[] = {Field::UserID,   Field::LcdBackLight, Field::Intervals,
                             Field::CalLimit, Field::Warning0,     Field::Station};

struct Edit {
    Field field;
    int station = 0;  // for Field::Station
};

bool written(const InstrumentModel& m, const Edit& e) {
    switch (e.field) {
        case Field::UserID:
            return !m.isChanged(SettingId::UserID);
        case Field::LcdBackLight:
            return !m.isChanged(SettingId::LcdBackLight);
        case Field::Intervals:
            return !m.isChanged(SettingId::Intervals);
        case Field::CalLimit:
            return !m.isChanged(SettingId::CalLimit);
        case Field::Warning0:
            return !m.isChanged(SettingId::Warning, 0);
        case Field::Station:
            return !m.isChanged(SettingId::StationList, e.station);
    }
    return false;
}

// True when the instrument holds the model's value of the edited setting.
bool holds(const sim::SimState& s, const InstrumentModel& m, const Edit& e) {
    switch (e.field) {
        case Field::UserID:
            return trimmed(s.userId) == trimmed(m.UserID());
        case Field::LcdBackLight:
            return s.settings.lcdBackLight == m.LcdBackLight();
        case Field::Intervals:
            return s.settings.intervals == m.Intervals();
        case Field::CalLimit:
            return s.settings.calLimit == m.CalLimit();
        case Field::Warning0:
            return s.gases[0].warning == m.Warning(0);
        case Field::Station:
            return trimmed(s.stations[static_cast<std::size_t>(e.station)]) ==
                   trimmed(m.StationList(e.station));
    }
    return false;
}

// Every setting the soak can touch, and a sample of the rest, read back equal to the instrument.
std::vector<std::string> differences(const sim::SimState& s, const InstrumentModel& m) {
    std::vector<std::string> out;
    for (Field f : kFields) {
        if (f == Field::Station) continue;
        if (!holds(s, m, {f})) out.push_back("field " + std::to_string(static_cast<int>(f)));
    }
    for (int i = 0; i < sim::kStationCount; ++i) {
        if (!holds(s, m, {Field::Station, i})) {
            out.push_back("station " + std::to_string(i) + " '" + m.StationList(i) + "' vs '" +
                          s.stations[static_cast<std::size_t>(i)] + "'");
        }
    }
    for (int ch = 0; ch < sim::kGasCount; ++ch) {
        const auto& gas = s.gases[static_cast<std::size_t>(ch)];
        if (trimmed(gas.name) != trimmed(m.GasName(ch)))
            out.push_back("gas name " + std::to_string(ch));
        if (gas.alarm != m.Alarm(ch)) out.push_back("alarm " + std::to_string(ch));
    }
    if (trimmed(s.stationId) != trimmed(m.StationID())) out.push_back("station id");
    if (s.settings.alarmMode != m.AlarmMode()) out.push_back("alarm mode");
    if (s.settings.hcMode != m.HcMode()) out.push_back("hc mode");
    return out;
}

void apply(InstrumentModel& m, const Edit& e, int value) {
    switch (e.field) {
        case Field::UserID:
            m.setUserID("TECH " + std::to_string(value % 1000));
            break;
        case Field::LcdBackLight:
            m.setLcdBackLight(value % 2 ? 20 : 30);
            break;
        case Field::Intervals:
            m.setIntervals(value % 2 ? 180 : 60);
            break;
        case Field::CalLimit:
            m.setCalLimit(value % 2 ? 90 : 180);
            break;
        case Field::Warning0:
            m.setWarning(0, static_cast<float>(10 + value % 10));
            break;
        case Field::Station:
            m.setStationList(e.station, "ST " + std::to_string(value % 1000));
            break;
    }
}

struct SoakFigures {
    int cycles = 0, successes = 0, cleanFailures = 0, hangs = 0, mismatches = 0;
    Millis longestRead{0}, longestWrite{0};
};

class Soak {
  public:
    Soak(std::uint64_t seed, sim::FaultSettings faults)
        : instrument_(host_, sim::DefaultSimState(), seed, faults), rng_(seed) {
        setLanguage(Language::English);
        link_.setLogWriter([this](std::string_view text) { log_.emplace_back(text); });
        link_.setRetry(kRetry);
        link_.setTimeout(kTimeoutSeconds);
        link_.setPortOpen(true);
    }

    bool connect() {
        return host_.pumpUntil([this] { return link_.Connected(); }, Millis{600000});
    }

    void cycle(SoakFigures& f) {
        ++f.cycles;
        log_.clear();
        InstrumentModel model;
        bool hung = false;
        const bool readOk = timed(kReadAllFrames, f.longestRead, hung,
                                  [&] { return link_.reads().GetInstrument(&model); });
        if (hung) return countHang(f, "read-all");
        if (!readOk) {
            ++f.cleanFailures;
            return;
        }
        if (!mismatch(f, differences(instrument_.state(), model), "read-all")) return;

        const std::vector<Edit> edits = pickEdits();
        for (const Edit& e : edits) apply(model, e, static_cast<int>(rng_() % 100000));
        const bool writeOk = timed(kWriteFrames, f.longestWrite, hung,
                                   [&] { return link_.WriteSettings(&model).succeeded(); });
        if (hung) return countHang(f, "write");
        // A cleared flag says the instrument has the value: never a guess, success or not.
        for (const Edit& e : edits) {
            if (written(model, e) && !holds(instrument_.state(), model, e)) {
                return (void)mismatch(f, {"flag cleared, value not held"}, "write");
            }
            if (writeOk && !written(model, e)) {
                return (void)mismatch(f, {"flag left set after success"}, "write");
            }
        }
        if (!writeOk) {
            if (!logged(msg::SettingsWriteFailed)) {
                return (void)mismatch(f, {"failed write without its failure line"}, "write");
            }
            ++f.cleanFailures;
            return;
        }

        InstrumentModel back;
        const bool backOk = timed(kReadAllFrames, f.longestRead, hung,
                                  [&] { return link_.reads().GetInstrument(&back); });
        if (hung) return countHang(f, "read-back");
        if (!backOk) {
            ++f.cleanFailures;
            return;
        }
        std::vector<std::string> diff = differences(instrument_.state(), back);
        for (const Edit& e : edits) {
            if (!holds(instrument_.state(), model, e)) diff.push_back("edit not read back");
        }
        if (mismatch(f, diff, "read-back")) ++f.successes;
    }

  private:
    // Runs one operation under a watchdog that cancels it once its bound has passed.
    template <typename Op>
    bool timed(int frames, Millis& longest, bool& hung, Op op) {
        auto armed = std::make_shared<bool>(true);
        auto fired = std::make_shared<bool>(false);
        host_.callLater(boundFor(frames), [this, armed, fired] {
            if (!*armed) return;
            *fired = true;
            link_.setCancel(true);
        });
        const Millis start = host_.now();
        const bool ok = op();
        *armed = false;
        longest = std::max(longest, host_.now() - start);
        hung = *fired;
        return ok;
    }

    std::vector<Edit> pickEdits() {
        std::vector<Edit> edits;
        const int count = 1 + static_cast<int>(rng_() % 3);
        for (int i = 0; i < count; ++i) {
            Edit e{kFields[rng_() % std::size(kFields)]};
            if (e.field == Field::Station)
                e.station = static_cast<int>(rng_() % sim::kStationCount);
            edits.push_back(e);
        }
        return edits;
    }

    bool logged(int messageId) const {
        const std::string head = ResMessage(messageId, {"#"}).substr(0, 12);
        for (const std::string& line : log_) {
            if (line.rfind(head, 0) == 0) return true;
        }
        return false;
    }

    void countHang(SoakFigures& f, const char* step) {
        ++f.hangs;
        ADD_FAILURE() << "cycle " << f.cycles << ": " << step << " ran past its bound";
        link_.setCancel(false);
    }

    // True when there is nothing to report.
    bool mismatch(SoakFigures& f, const std::vector<std::string>& diff, const char* step) {
        if (diff.empty()) return true;
        ++f.mismatches;
        std::string shown;
        for (std::size_t i = 0; i < diff.size() && i < 4; ++i) shown += (i ? ", " : "") + diff[i];
        ADD_FAILURE() << "cycle " << f.cycles << ": " << step << ": " << shown
                      << (diff.size() > 4 ? " and " + std::to_string(diff.size() - 4) + " more"
                                          : "");
        return false;
    }

    VirtualHost host_;
    sim::SimInstrument instrument_;
    sim::InProcessSerialPort port_{instrument_};
    RecordingEvents events_;
    InstrumentLink link_{host_, events_, &port_, nullptr, std::string()};
    std::mt19937_64 rng_;
    std::vector<std::string> log_;
};

TEST(Soak, FaultyLineCyclesSucceedOrFailCleanly) {
    const long cycles = envNumber("VQ_SOAK_CYCLES", 200);
    const auto seed = static_cast<std::uint64_t>(envNumber("VQ_SOAK_SEED", 20261207));
    std::string error;
    const auto faults = sim::ParseFaultList(
        "drop=0.05,corrupt=0.05,split=0.3,cr=0.01,delay=" + std::to_string(kTimeoutSeconds * 1000),
        &error);
    ASSERT_TRUE(faults) << error;

    Soak soak(seed, *faults);
    ASSERT_TRUE(soak.connect());
    SoakFigures f;
    for (long i = 0; i < cycles; ++i) soak.cycle(f);

    std::printf(
        "soak seed %llu: cycles %d, successes %d, clean failures %d, hangs %d, "
        "mismatches %d; longest read-all %lld s, longest write %lld s (virtual)\n",
        static_cast<unsigned long long>(seed), f.cycles, f.successes, f.cleanFailures, f.hangs,
        f.mismatches, static_cast<long long>(f.longestRead.count() / 1000),
        static_cast<long long>(f.longestWrite.count() / 1000));
    EXPECT_EQ(f.hangs, 0);
    EXPECT_EQ(f.mismatches, 0);
    EXPECT_EQ(f.successes + f.cleanFailures, f.cycles);
    // Retry 5 against these fault rates leaves most cycles whole; a soak that only ever fails
    // would prove nothing.
    EXPECT_GT(f.successes, f.cycles / 2);
}

}  // namespace
}  // namespace vq::test

#pragma once
// The texts of a calibration: what goes on the wire for a zero, a span and an N2 step, the
// rules a typed calibration gas concentration must pass, the result lines the user reads after
// a run, and the content of the calibration report. Pure functions of the models they are given;
// the calibration windows (ui/dialogs/calibration_window.h) show and send them.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/gas_channel.h"

namespace vq {

class InstrumentModel;

inline constexpr int kCalChannels = gasChannelCount;
using ChannelFlags = std::array<bool, kCalChannels>;
using ChannelReadings = std::array<float, kCalChannels>;

// The zero run always adjusts all five channels.
std::string ZeroChannelText();

// Span: five characters, "1" for a selected channel and "0" for the others, then per channel a
// comma and either the channel's concentration (AutoCalib) in exactly five characters or
// "*****" when it is not selected. "10100, 50.0,*****,  100,*****,*****".
std::string SpanChannelText(const InstrumentModel& cal, const ChannelFlags& selection);

// N2 calibration: the latest reading of channel 1 with its decimals, right-aligned in five
// characters (a wider text is sent whole rather than cut).
std::string N2ChannelText(const InstrumentModel& cal, const ChannelReadings& readings);

// A channel can be calibrated when it has a gas and a calibration gas concentration.
bool CalibrationUsable(const InstrumentModel& cal, int channel);

// The channels a run reports on: a zero run every usable or selected channel, a span run the
// selected ones.
ChannelFlags ListedChannels(const ChannelFlags& usable, const ChannelFlags& selection,
                            bool zeroRun);

// What typing `text` into a channel's concentration cell does.
struct AutoCalEdit {
    enum Kind {
        Rejected,  // the edit is cancelled, the stored value stays
        Cleared,   // no concentration: AutoCalib -101, the channel deselected and greyed
        Stored     // AutoCalib := value
    } kind = Rejected;
    float value = 0;
    // What the user is told: why a Rejected edit was refused (the allowed range, "not a number",
    // too wide), or that a Stored value was rounded to the resolution; empty otherwise.
    std::string notice;
};
// `cal` holds the channel's gas (full scale, resolution, decimals); `limits` the settings whose
// warning level and oxygen mode bound the concentration (CheckAutoCalValue). A number is stored
// rounded to the channel's resolution, and refused when it is negative, above full scale (also
// after rounding), refused by CheckAutoCalValue, or too wide for the five-character field the
// instrument receives. A text with "--" (the no-value dashes) stores 0. A refusal for range names
// the whole allowed range: full scale and the warning level (or the fixed limit) together.
AutoCalEdit EvaluateAutoCalEdit(const InstrumentModel& cal, const InstrumentModel& limits,
                                int channel, std::string_view text);

// The display text of a channel's value with the channel's decimals ("-----" and the other
// reserved texts for reserved codes).
std::string ChannelValueText(const InstrumentModel& cal, int channel, float value);

// The result text of a run: one line per listed channel, ended by CR LF. A passed channel reads
// "NAME (channel N)  Adjustment Complete.", a failed one "NAME (channel N)(reading) Failed" with
// the latest reading (no value for a channel that is not usable).
std::string CalibResultText(const InstrumentModel& cal, const ChannelFlags& listed,
                            const ChannelFlags& results, const ChannelFlags& usable,
                            const ChannelReadings& readings);

// The span gas the user is asked to apply before a span run: one line per selected channel with
// its number, gas, concentration and unit, each ended by CR LF.
std::string SpanGasList(const InstrumentModel& cal, const ChannelFlags& selection);

// The same line for the N2 step of channel 4.
std::string N2ResultText(const InstrumentModel& cal, bool passed, bool usable,
                         const ChannelReadings& readings);

// ---- the calibration report ----
struct CalReportRow {
    std::string gas;            // gas title: name, full scale and unit
    std::string concentration;  // the calibration gas concentration (0 for a zero run)
    std::string before;         // readings from the instrument's calibration history
    std::string after;
    std::string result;  // "Adjustment Complete." or the failure word
    bool passed = false;
};

struct CalReportContent {
    std::string title;
    std::string runKind;                                        // zero or span calibration
    std::vector<std::pair<std::string, std::string>> identity;  // label, value
    std::vector<std::string> headings;                          // the row table's column titles
    std::vector<CalReportRow> rows;                             // one per listed channel
};

// Everything the report shows, in the language in use. `instrument` is the model the main window
// read (identity texts), `cal` the calibration window's model (gases, concentrations), `history`
// the calibration history read after the run, `date` the OLE date of the run.
CalReportContent BuildCalReport(const InstrumentModel& instrument, const InstrumentModel& cal,
                                const InstrumentModel& history, const ChannelFlags& listed,
                                const ChannelFlags& results, bool zeroRun, double date);

// A file name for the report: "Calibration_<serial>_<yyyymmdd>_<hhnnss>.pdf", characters a file
// name cannot hold replaced by "_".
std::string CalReportFileName(const InstrumentModel& instrument, double date);

}  // namespace vq

// records list | show SERIAL | due [--days N] | export FILE | import FILE: the instrument records
// the reads, writes, calibration runs and dumps left, without an instrument. Each takes --json;
// list, due and export leave instruments only the built-in virtual one recorded out unless
// --simulated is given.
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>

#include "app/atomic_file.h"
#include "app/export_csv.h"
#include "app/records.h"
#include "app/settings_csv.h"
#include "app/text_lines.h"
#include "cli/command_table.h"
#include "cli/commands/command_support.h"
#include "cli/commands/commands.h"
#include "cli/exit_codes.h"
#include "cli/output.h"
#include "cli/session.h"
#include "model/numeric.h"
#include "model/ole_date.h"
#include "model/setting_rules.h"
#include "model/value_codecs.h"
#include "platform/ole_clock.h"
#include "platform/records_import_file.h"

namespace vq::cli {
namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

std::string dateText(double date) {
    return date > 1.0 ? GeneralDate(date) : std::string();
}

QJsonValue jsonDate(double date) {
    return date > 1.0 ? QJsonValue(qs(GeneralDate(date))) : QJsonValue();
}

// A reading the instrument has got, or null: its no-value number never leaves the program.
QJsonValue jsonLevel(float value) {
    const auto level = RecordedLevel(value);
    return level ? QJsonValue(*level) : QJsonValue();
}

std::string levelText(float value) {
    const auto level = RecordedLevel(value);
    return level ? SingleText(static_cast<float>(*level)) : std::string();
}

// A text from the store as a terminal may show it: control characters as "\xHH".
std::string shown(const std::string& text) {
    return ShownText(text);
}

QJsonValue jsonText(const std::string& text) {
    return text.empty() ? QJsonValue() : QJsonValue(qs(text));
}

QJsonObject instrumentJson(const InstrumentSummary& s, const Assessment& a) {
    const InstrumentEvidence& ev = s.evidence();
    QJsonArray channels;
    for (std::size_t ch = 0; ch < ev.channels.size(); ++ch) {
        const ChannelEvidence& c = ev.channels[ch];
        const bool enabled = c.enabled;
        channels.append(
            QJsonObject{{"channel", static_cast<int>(ch) + 1},
                        {"gas", qs(c.gas)},
                        {"enabled", enabled},
                        {"calibrated", jsonDate(c.calibrated)},
                        {"spanPassed", jsonDate(c.passedSpan)},
                        {"result", jsonText(c.lastSpanResult())},
                        {"due", jsonDate(enabled ? a.channels[ch].due : 0)},
                        {"state", enabled ? QJsonValue(InstrumentStateName(a.channels[ch].state))
                                          : QJsonValue()}});
    }
    return QJsonObject{{"serial", qs(s.serial)},
                       {"station", qs(s.station)},
                       {"user", qs(s.user)},
                       {"manufactureNumber", jsonText(s.manufactureNo)},
                       {"simulated", s.simulated},
                       {"lastRead", jsonDate(ev.lastRead)},
                       {"calLimit", ev.calLimit > 0 ? QJsonValue(ev.calLimit) : QJsonValue()},
                       {"events", static_cast<double>(s.events)},
                       {"due", jsonDate(a.due)},
                       {"state", InstrumentStateName(a.state)},
                       {"importedOnly", s.record.importedOnly()},
                       {"channels", channels}};
}

// For people: the state first (what a reader scans for), then serial, station, user, last read,
// due date, and per enabled channel its gas and last span result.
std::string instrumentLine(const InstrumentSummary& s, const Assessment& a) {
    const InstrumentEvidence& ev = s.evidence();
    std::string text = std::string(InstrumentStateName(a.state)) + "  " + shown(s.serial) + "  " +
                       shown(s.station) + "  " + shown(s.user) + "  read " +
                       (ev.lastRead > 1 ? GeneralDate(ev.lastRead) : "-") + "  due " +
                       (a.due > 1 ? GeneralDate(a.due) : "-");
    for (std::size_t ch = 0; ch < ev.channels.size(); ++ch) {
        const ChannelEvidence& c = ev.channels[ch];
        if (!c.enabled) continue;
        const std::string result = c.lastSpanResult();
        text += "  " + shown(c.gas) + (result.empty() ? "" : " " + result);
    }
    if (s.record.importedOnly()) text += "  (imported)";
    if (s.simulated) text += "  (simulated)";
    return text;
}

double now() {
    return oleDateFromLocal(QDateTime::currentDateTime());
}

// Every instrument seen; false (the store's reason said) when the store could not give them.
bool readFleet(CommandContext& context, RecordsStore& store,
               std::vector<InstrumentSummary>& fleet) {
    const StoreStatus status = store.instruments(fleet);
    if (!status.ok) context.out.error(status.error);
    return status.ok;
}

int listInstruments(CommandContext& context, RecordsStore& store, bool simulated) {
    std::vector<InstrumentSummary> fleet;
    if (!readFleet(context, store, fleet)) return kExitFailed;
    fleet = ShownFleet(std::move(fleet), simulated);
    const double today = now();
    QJsonArray list;
    for (const InstrumentSummary& s : fleet) {
        const Assessment a = Assess(s.record, today);
        context.out.line(instrumentLine(s, a));
        list.append(instrumentJson(s, a));
    }
    context.out.field("instruments", "", list);
    return kExitSuccess;
}

// Failed and overdue instruments whatever --days says, and those due within it. Exit status 4
// when there is any, so a scheduled job can raise an alarm.
int listDue(CommandContext& context, RecordsStore& store, int days, bool simulated) {
    // Only the instruments that may need attention are read: DueList of them is DueList of all.
    const double today = now();
    std::vector<InstrumentSummary> fleet;
    if (const StoreStatus status = store.dueCandidates(today, days, fleet); !status.ok) {
        context.out.error(status.error);
        return kExitFailed;
    }
    fleet = ShownFleet(std::move(fleet), simulated);
    QJsonArray list;
    for (const DueEntry& entry : DueList(fleet, today, days)) {
        context.out.line(instrumentLine(entry.instrument, entry.assessment));
        list.append(instrumentJson(entry.instrument, entry.assessment));
    }
    if (list.isEmpty())
        context.out.line("No instrument has failed, is overdue or is due within " +
                         std::to_string(days) + " days.");
    context.out.field("days", "", days);
    context.out.field("due", "", list);
    return list.isEmpty() ? kExitSuccess : kExitAttention;
}

QJsonObject eventJson(const TimelineEntry& t) {
    const RecordEvent& e = t.event;
    QJsonObject o{{"id", static_cast<double>(t.id)},
                  {"kind", RecordKindName(e.kind)},
                  {"pcTime", jsonDate(e.pcTime)},
                  {"instrumentTime", jsonDate(e.instrumentTime)},
                  {"station", qs(e.station)},
                  {"user", qs(e.user)},
                  {"success", e.success},
                  {"origin", RecordOriginName(e.origin)},
                  {"clockAhead", e.clockAhead},
                  {"manufactureNumber", jsonText(e.manufactureNo)},
                  {"snapshot", t.hasSnapshot}};
    if (!e.previousSerial.empty()) o.insert("previousSerial", qs(e.previousSerial));
    if (e.kind == RecordKind::SerialChange) {
        o.insert("serial", qs(e.serial));
        o.insert("joined", e.serialJoined);
    }
    if (e.origin == RecordOrigin::Imported) {
        o.insert("importFile", qs(e.importFile));
        o.insert("importTime", jsonDate(e.importTime));
    }
    if (e.kind == RecordKind::Read) o.insert("calLimit", e.calLimit);
    if (!e.note.empty()) o.insert("note", qs(e.note));
    if (!e.file.empty()) {
        o.insert("file", qs(e.file));
        o.insert("size", static_cast<double>(e.size));
    }
    if (e.kind == RecordKind::Write) {
        QJsonArray changes;
        for (const RecordChange& c : e.changes)
            changes.append(QJsonObject{{"code", qs(c.code)},
                                       {"number", c.number},
                                       {"caption", qs(c.caption)},
                                       {"from", qs(c.from)},
                                       {"to", qs(c.to)}});
        o.insert("changes", changes);
    }
    QJsonArray channels;
    for (const ChannelRecord& c : e.channels) {
        channels.append(QJsonObject{{"channel", c.channel + 1},
                                    {"gas", qs(c.gas)},
                                    {"concentration", c.concentration},
                                    {"result", jsonText(c.result)},
                                    {"calibrated", jsonDate(c.history.date)},
                                    {"before", jsonLevel(c.history.before)},
                                    {"after", jsonLevel(c.history.after)},
                                    {"calibratedBefore", jsonDate(c.historyBefore.date)}});
    }
    if (e.kind != RecordKind::Write && e.kind != RecordKind::Dump) o.insert("channels", channels);
    return o;
}

std::string eventLine(const TimelineEntry& t) {
    const RecordEvent& e = t.event;
    std::string text = "#" + std::to_string(t.id) + "  " + dateText(e.pcTime) + "  " +
                       RecordKindName(e.kind) + (e.success ? "" : " (failed)") + "  " +
                       shown(e.station) + "  " + shown(e.user);
    if (e.kind == RecordKind::SerialChange) {
        text += "  serial changed from " + shown(e.previousSerial) + " to " + shown(e.serial);
        if (!e.serialJoined)
            text += " (not joined: " + shown(e.serial) + " already had a history of its own)";
    }
    if (e.clockAhead) text += "  (clock ahead)";
    if (e.origin != RecordOrigin::Reported)
        text += "  (" + std::string(RecordOriginName(e.origin)) + ")";
    for (const ChannelRecord& c : e.channels) {
        if (c.result.empty()) continue;
        text += "  CH" + std::to_string(c.channel + 1) + " " + shown(c.result);
        const std::string before = levelText(c.history.before), after = levelText(c.history.after);
        if (!before.empty() || !after.empty()) text += " " + before + " -> " + after;
    }
    for (const RecordChange& c : e.changes)
        text += "\n    " + shown(c.caption) + ": " + shown(c.from) + " -> " + shown(c.to);
    if (!e.file.empty()) text += "  " + shown(e.file) + " (" + std::to_string(e.size) + " bytes)";
    if (!e.note.empty()) text += "  " + shown(e.note);
    return text;
}

int showInstrument(CommandContext& context, RecordsStore& store, const std::string& serial) {
    std::vector<TimelineEntry> timeline;
    if (const StoreStatus status = store.timeline(serial, timeline); !status.ok) {
        context.out.error(status.error);
        return kExitFailed;
    }
    if (timeline.empty()) {
        context.out.error("no records of instrument \"" + serial + "\"");
        return kExitFailed;
    }
    QJsonArray events;
    for (const TimelineEntry& t : timeline) {
        context.out.line(eventLine(t));
        events.append(eventJson(t));
    }
    // The serial asked for may be one the instrument had before a serial change: the summary is
    // under the serial it has now.
    InstrumentSerials serials{serial, {}};
    if (const StoreStatus status = store.serials(serial, serials); !status.ok) {
        context.out.error(status.error);
        return kExitFailed;
    }
    context.out.field("serial", "", qs(serials.current));
    QJsonArray former;
    for (const std::string& s : serials.former) former.append(qs(s));
    context.out.field("formerSerials", "", former);
    // That instrument alone: the whole fleet would be tens of thousands of states to read.
    std::optional<InstrumentSummary> found;
    if (store.instrument(serials.current, found).ok && found) {
        const Assessment a = Assess(found->record, now());
        context.out.line(instrumentLine(*found, a));
        std::string identity = "  manufacture number " +
                               (found->manufactureNo.empty() ? "-" : shown(found->manufactureNo));
        for (const std::string& old : serials.former) identity += "  formerly " + shown(old);
        context.out.line(identity);
        context.out.field("instrument", "", instrumentJson(*found, a));
    }
    context.out.field("events", "", events);
    return kExitSuccess;
}

int exportFleet(CommandContext& context, RecordsStore& store, const std::string& file,
                bool simulated) {
    std::vector<InstrumentSummary> fleet;
    if (!readFleet(context, store, fleet)) return kExitFailed;
    fleet = ShownFleet(std::move(fleet), simulated);
    const double today = now();
    std::vector<std::string> header = {
        "Serial No.", "Manufacture number",       "Station ID", "User ID",
        "Last read",  "Calibration limit (days)", "Due",        "State"};
    for (int ch = 1; ch <= 5; ++ch) {
        const std::string n = std::to_string(ch);
        header.insert(header.end(), {"CH" + n + " gas", "CH" + n + " calibrated",
                                     "CH" + n + " span passed", "CH" + n + " result"});
    }
    if (simulated) header.push_back("Simulated");
    std::string text(kUtf8ByteOrderMark);
    text += ExportCsvLine(header);
    for (const InstrumentSummary& s : fleet) {
        const Assessment a = Assess(s.record, today);
        const InstrumentEvidence& ev = s.evidence();
        std::vector<std::string> row = {
            s.serial,
            s.manufactureNo,
            s.station,
            s.user,
            dateText(ev.lastRead),
            ev.calLimit > 0 ? std::to_string(ev.calLimit) : std::string(),
            dateText(a.due),
            InstrumentStateName(a.state)};
        for (const ChannelEvidence& c : ev.channels) {
            if (!c.enabled) {
                row.insert(row.end(), 4, std::string());
                continue;
            }
            row.insert(row.end(),
                       {c.gas, dateText(c.calibrated), dateText(c.passedSpan), c.lastSpanResult()});
        }
        if (simulated) row.push_back(s.simulated ? "yes" : "");
        text += ExportCsvLine(row);
    }
    const FileResult written = WriteFileAtomically(file, text);
    if (!written.ok) {
        context.out.error("the export could not be written: " + written.error);
        return kExitUsage;
    }
    context.out.field("file", "Exported", qs(file));
    context.out.field("instruments", "Instruments", static_cast<int>(fleet.size()));
    return kExitSuccess;
}

int importCsv(CommandContext& context, RecordsStore& store, const std::string& file) {
    const RecordsImportOutcome imported = ImportSettingsCsvHistoryFile(file, now(), store);
    if (!imported.ok) {
        context.out.error(imported.message);
        return imported.fileProblem ? kExitUsage : kExitFailed;
    }
    context.out.field("rows", "Rows", imported.rows);
    context.out.field("added", "Added", imported.added);
    return kExitSuccess;
}

}  // namespace

int runRecords(CommandContext& context) {
    const CommandArgs args(context.args, {"--days"}, {"--json", "--simulated"});
    if (const int status = checkArgs(context, args, 2, 1); status != kExitSuccess) return status;
    if (args.has("--json")) context.out.setJson(true);
    const std::string& what = args.positional().front();
    const std::string operand = args.positional().size() > 1 ? args.positional()[1] : "";
    const bool needsOperand = what == "show" || what == "export" || what == "import";
    if (what != "list" && what != "due" && !needsOperand) {
        context.out.error(
            "records: list, show SERIAL, due [--days N], export FILE or import FILE "
            "(--simulated: with list, due and export, instruments of --simulator runs too)");
        return kExitUsage;
    }
    if (needsOperand != (args.positional().size() == 2)) {
        context.out.error(needsOperand ? "records " + what + " needs one argument"
                                       : "unexpected argument " + operand);
        return kExitUsage;
    }
    const bool simulated = args.has("--simulated");
    if (simulated && what != "list" && what != "due" && what != "export") {
        context.out.error("--simulated goes with records list, due or export");
        return kExitUsage;
    }
    int days = kDueSoonDays;
    if (const auto given = args.value("--days")) {
        const auto n = parseInt(*given, 0, 36500);
        if (!n || what != "due") {
            context.out.error("--days takes whole days from 0 to 36500, with records due");
            return kExitUsage;
        }
        days = *n;
    }
    RecordsStore* store = nullptr;
    if (const int status = context.session.openRecords(context.out, store, what != "import");
        status != kExitSuccess)
        return status;
    if (what == "list") return listInstruments(context, *store, simulated);
    if (what == "due") return listDue(context, *store, days, simulated);
    if (what == "show") return showInstrument(context, *store, operand);
    if (what == "export") return exportFleet(context, *store, operand, simulated);
    return importCsv(context, *store, operand);
}

}  // namespace vq::cli

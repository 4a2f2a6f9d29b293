// records list | show SERIAL | due [--days N] | export FILE | import FILE: the instrument records
// the reads, writes, calibration runs and dumps left, without an instrument. Each takes --json.
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>

#include "app/atomic_file.h"
#include "app/records.h"
#include "app/records_import.h"
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
#include "platform/ole_clock.h"

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

QJsonObject instrumentJson(const InstrumentSummary& s, double now) {
    const Due due = InstrumentDue(s, now);
    QJsonArray channels;
    for (std::size_t ch = 0; ch < s.channels.size(); ++ch) {
        const ChannelSummary& c = s.channels[ch];
        channels.append(QJsonObject{{"channel", static_cast<int>(ch) + 1},
                                    {"gas", qs(c.gas)},
                                    {"enabled", c.enabled},
                                    {"calibrated", jsonDate(c.calDate)},
                                    {"result", qs(c.result)}});
    }
    return QJsonObject{{"serial", qs(s.serial)},    {"station", qs(s.station)},
                       {"user", qs(s.user)},        {"lastRead", jsonDate(s.lastRead)},
                       {"calLimit", s.calLimit},    {"events", static_cast<double>(s.events)},
                       {"due", jsonDate(due.date)}, {"dueState", DueStateName(due.state)},
                       {"channels", channels}};
}

// For people: serial, station, user, last read, due date and state, per channel gas and result.
std::string instrumentLine(const InstrumentSummary& s, const Due& due) {
    std::string text = s.serial + "  " + s.station + "  " + s.user + "  read " +
                       (s.lastRead > 1 ? GeneralDate(s.lastRead) : "-") + "  due " +
                       (due.date > 1 ? GeneralDate(due.date) : "-") + " (" +
                       DueStateName(due.state) + ")";
    for (const ChannelSummary& c : s.channels) {
        if (!c.enabled) continue;
        text += "  " + c.gas + (c.result.empty() ? "" : " " + c.result);
    }
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

int listInstruments(CommandContext& context, RecordsStore& store) {
    std::vector<InstrumentSummary> fleet;
    if (!readFleet(context, store, fleet)) return kExitFailed;
    const double today = now();
    QJsonArray list;
    for (const InstrumentSummary& s : fleet) {
        context.out.line(instrumentLine(s, InstrumentDue(s, today)));
        list.append(instrumentJson(s, today));
    }
    context.out.field("instruments", "", list);
    return kExitSuccess;
}

int listDue(CommandContext& context, RecordsStore& store, int days) {
    std::vector<InstrumentSummary> fleet;
    if (!readFleet(context, store, fleet)) return kExitFailed;
    const double today = now();
    QJsonArray list;
    for (const DueEntry& entry : DueList(fleet, today, days)) {
        context.out.line(instrumentLine(entry.instrument, entry.due));
        list.append(instrumentJson(entry.instrument, today));
    }
    if (list.isEmpty())
        context.out.line("No calibration due within " + std::to_string(days) + " days.");
    context.out.field("due", "", list);
    return kExitSuccess;
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
                  {"snapshot", t.hasSnapshot}};
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
                                    {"result", qs(c.result)},
                                    {"calibrated", jsonDate(c.history.date)},
                                    {"before", c.history.before},
                                    {"after", c.history.after},
                                    {"calibratedBefore", jsonDate(c.historyBefore.date)}});
    }
    if (e.kind != RecordKind::Write && e.kind != RecordKind::Dump) o.insert("channels", channels);
    return o;
}

std::string eventLine(const TimelineEntry& t) {
    const RecordEvent& e = t.event;
    std::string text = "#" + std::to_string(t.id) + "  " + dateText(e.pcTime) + "  " +
                       RecordKindName(e.kind) + (e.success ? "" : " (failed)") + "  " + e.station +
                       "  " + e.user;
    for (const ChannelRecord& c : e.channels)
        if (!c.result.empty()) text += "  CH" + std::to_string(c.channel + 1) + " " + c.result;
    for (const RecordChange& c : e.changes)
        text += "\n    " + c.caption + ": " + c.from + " -> " + c.to;
    if (!e.file.empty()) text += "  " + e.file + " (" + std::to_string(e.size) + " bytes)";
    if (!e.note.empty()) text += "  " + e.note;
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
    context.out.field("serial", "", qs(serial));
    context.out.field("events", "", events);
    return kExitSuccess;
}

int exportFleet(CommandContext& context, RecordsStore& store, const std::string& file) {
    std::vector<InstrumentSummary> fleet;
    if (!readFleet(context, store, fleet)) return kExitFailed;
    const double today = now();
    std::vector<std::string> header = {
        "Serial No.", "Station ID", "User ID", "Last read", "Calibration limit (days)",
        "Due",        "Due state"};
    for (int ch = 1; ch <= 5; ++ch) {
        const std::string n = std::to_string(ch);
        header.insert(header.end(),
                      {"CH" + n + " gas", "CH" + n + " calibrated", "CH" + n + " result"});
    }
    std::string text(kUtf8ByteOrderMark);
    text += CsvLine(header);
    for (const InstrumentSummary& s : fleet) {
        const Due due = InstrumentDue(s, today);
        std::vector<std::string> row = {s.serial,
                                        s.station,
                                        s.user,
                                        dateText(s.lastRead),
                                        std::to_string(s.calLimit),
                                        dateText(due.date),
                                        DueStateName(due.state)};
        for (const ChannelSummary& c : s.channels) {
            row.insert(row.end(),
                       {c.enabled ? c.gas : std::string(), dateText(c.calDate), c.result});
        }
        text += CsvLine(row);
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
    const RecordsImport read = ReadSettingsCsvHistoryFile(file);
    if (!read.ok) {
        context.out.error(read.message(file));
        return kExitUsage;
    }
    // Each slice is all or nothing and an event already stored is never added again, so an
    // import that stopped halfway can simply be run again.
    int added = 0;
    if (const StoreStatus status = store.recordAll(read.events, &added); !status.ok) {
        context.out.error(status.error);
        return kExitFailed;
    }
    context.out.field("rows", "Rows", static_cast<int>(read.events.size()));
    context.out.field("added", "Added", added);
    return kExitSuccess;
}

}  // namespace

int runRecords(CommandContext& context) {
    const CommandArgs args(context.args, {"--days"}, {"--json"});
    if (const int status = checkArgs(context, args, 2, 1); status != kExitSuccess) return status;
    if (args.has("--json")) context.out.setJson(true);
    const std::string& what = args.positional().front();
    const std::string operand = args.positional().size() > 1 ? args.positional()[1] : "";
    const bool needsOperand = what == "show" || what == "export" || what == "import";
    if (what != "list" && what != "due" && !needsOperand) {
        context.out.error("records: list, show SERIAL, due [--days N], export FILE or import FILE");
        return kExitUsage;
    }
    if (needsOperand != (args.positional().size() == 2)) {
        context.out.error(needsOperand ? "records " + what + " needs one argument"
                                       : "unexpected argument " + operand);
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
    if (what == "list") return listInstruments(context, *store);
    if (what == "due") return listDue(context, *store, days);
    if (what == "show") return showInstrument(context, *store, operand);
    if (what == "export") return exportFleet(context, *store, operand);
    return importCsv(context, *store, operand);
}

}  // namespace vq::cli

#include "protocol/settings_write.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "messages/message_ids.h"
#include "model/held_values.h"
#include "model/instrument.h"
#include "model/numeric.h"
#include "model/record_fields.h"
#include "model/settings_table.h"
#include "model/value_codecs.h"
#include "protocol/frame.h"

namespace vq {

namespace {

constexpr int kGasCount = InstrumentModel::channelCount;
constexpr int kStationCount = InstrumentModel::stationCount;

// "*****" or a number, as a level field of an answer holds it.
bool IsLevelText(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return false;
    const std::string_view t = text.substr(first);
    return t.find_first_not_of('*') == std::string_view::npos || IsNumeric(text);
}

bool anyOfGases(const InstrumentModel& model, SettingId id, int count) {
    for (int i = 0; i < count; ++i)
        if (model.isChanged(id, i)) return true;
    return false;
}

void clearGases(InstrumentModel& model, SettingId id, int count) {
    for (int i = 0; i < count; ++i) model.clearChanged(id, i);
}

// One run: the two chain flags of the write and the channel they guard.
class WriteRun {
  public:
    WriteRun(InstrumentModel& model, SettingsWriteChannel& channel)
        : model_(model), channel_(channel) {
        result_.allWritesOk = true;  // until a write fails
    }

    SettingsWriteResult run();

  private:
    // Sends the payload while no earlier write failed; true when this write succeeded. A failed
    // write stops the run and is described in the result.
    bool send(const std::string& payload);
    WriteFailure describeFailure(const std::string& payload, bool unsafe) const;
    static bool answersThisWrite(const WriteFailure& failure, const std::string& values);
    // Sends when the flag is set and clears it when the write succeeded.
    void writeFlagged(SettingId id, const std::string& payload);

    // The settings of the settings table whose write rank lies in [from, to), in rank order.
    void writeTableSettings(int from, int to);
    void writeIdentity();
    void writeGasTableAndLibrary();
    void writeAlarmLevels();
    void writeExposureLevels();
    void writeStationList();

    InstrumentModel& model_;
    SettingsWriteChannel& channel_;
    SettingsWriteResult result_;
};

bool WriteRun::send(const std::string& payload) {
    if (!result_.allWritesOk) return false;
    // Texts were checked where they were typed or loaded; this is the last guard that nothing
    // supplied by a person or a file can put a frame character onto the wire.
    const bool unsafe = std::any_of(payload.begin(), payload.end(), [](char c) {
        const auto code = static_cast<unsigned char>(c);
        return code < 32 || code == 127;
    });
    if (!unsafe && channel_.sendAndWait(payload)) {
        result_.anyWriteDone = true;
        return true;
    }
    result_.allWritesOk = false;
    result_.failure = describeFailure(payload, unsafe);
    return false;
}

WriteFailure WriteRun::describeFailure(const std::string& payload, bool unsafe) const {
    WriteFailure failure;
    failure.code = payload.substr(0, 2);
    failure.sent = payload.size() > 5 ? payload.substr(5) : std::string();
    if (unsafe) {
        failure.kind = WriteFailure::Kind::Unsafe;
        for (char& c : failure.sent)
            if (static_cast<unsigned char>(c) < 32 || c == 127) c = '?';
        return failure;
    }
    const std::string reply = channel_.lastReply();
    // The reply key sits after STX and "0001"; the first payload character is the acknowledgement.
    if (reply.size() < 11 || reply[0] != STX || reply.compare(5, 5, failure.code + ",W,") != 0)
        return failure;  // nothing answered this write
    if (reply[10] == NAK) {
        failure.kind = WriteFailure::Kind::Refused;
        return failure;
    }
    const std::string values = ReplyValues(reply, failure.code);
    if (answersThisWrite(failure, values)) {
        failure.kind = WriteFailure::Kind::Differs;
        failure.answered = values;
    }
    return failure;
}

// A station write's answer names its entry: an answer for another entry is an earlier write's.
bool WriteRun::answersThisWrite(const WriteFailure& failure, const std::string& values) {
    if (failure.code != "XS") return true;
    const auto entry = [](const std::string& text) { return text.substr(0, text.find(',')); };
    return entry(failure.sent) == entry(values);
}

void WriteRun::writeFlagged(SettingId id, const std::string& payload) {
    if (model_.isChanged(id) && send(payload)) model_.clearChanged(id);
}

void WriteRun::writeTableSettings(int from, int to) {
    std::vector<const Setting*> order;
    for (const Setting& s : SettingsTable()) {
        if (s.field == 1 && s.write != Form::None && s.writeRank >= from && s.writeRank < to)
            order.push_back(&s);
    }
    std::stable_sort(order.begin(), order.end(), [](const Setting* a, const Setting* b) {
        return a->writeRank < b->writeRank;
    });
    for (const Setting* first : order) {
        const std::vector<const Setting*> members = SettingsOfCode(first->code);
        std::string payload = std::string(first->code) + ",W,";
        bool changed = false;
        for (const Setting* member : members) {
            if (member != members.front()) payload += ',';
            payload += SettingFormText(*member, first->write, model_);
            changed = changed || member->changed(model_);
        }
        if (!changed || !send(payload) || first->afterWrite == AfterWrite::Keep) continue;
        for (const Setting* member : members) member->setChanged(model_, false);
    }
}

void WriteRun::writeIdentity() {
    writeTableSettings(1, 2);
    writeFlagged(SettingId::UserID, "XZ,W," + FixedText(model_.UserID(), 16, wireTextRule));
    writeFlagged(SettingId::StationID,
                 "XS,W,****," + FixedText(model_.StationID(), 16, wireTextRule));
    writeFlagged(SettingId::SerialNo, "IN,W," + FixedText(model_.SerialNo(), 20, wireTextRule));
    writeFlagged(SettingId::DummySerial,
                 "HN,W," + FixedText(model_.DummySerial(), 20, wireTextRule));
}

void WriteRun::writeGasTableAndLibrary() {
    // The gas table goes as one request; the fifth channel's own flag does not start it.
    if (anyOfGases(model_, SettingId::GasEnabled, 4)) {
        std::string payload = "GJ,W,";
        for (int gas = 0; gas < kGasCount; ++gas) {
            if (gas > 0) payload += ',';
            payload += GasRecordText(model_, gas, wireTextRule);
        }
        if (send(payload)) clearGases(model_, SettingId::GasEnabled, kGasCount);
    }
    if (model_.anyChanged(SettingId::LS_Entry)) {
        if (send("LS,W," + LibraryEntryText(model_, 0) + LibraryEntryText(model_, 1))) {
            model_.clearChanged(SettingId::LS_Entry, 0);
            model_.clearChanged(SettingId::LS_Entry, 1);
        }
    }
}

// The level lists are accepted whatever five levels come back, so a list counts as stored only
// when the reply is the very frame sent; a list that came back different is sent again, up to
// three times in all, and keeps its flags after that.
void WriteRun::writeAlarmLevels() {
    struct LevelWrite {
        const char* key;
        LevelKind kind;
        SettingId flags;
    };
    const std::array<LevelWrite, 3> writes{{{"A1,W,", LevelKind::Warning, SettingId::Warning},
                                            {"A2,W,", LevelKind::Alarm, SettingId::Alarm},
                                            {"SA,W,", LevelKind::AutoCalib, SettingId::AutoCalib}}};
    std::array<std::string, 3> answers;  // each list's last answer
    for (int pass = 1; pass <= 3; ++pass) {
        for (std::size_t i = 0; i < writes.size(); ++i) {
            const LevelWrite& write = writes[i];
            if (!anyOfGases(model_, write.flags, kGasCount)) continue;
            const std::string payload = write.key + LevelList(model_, write.kind);
            send(payload);
            answers[i] = channel_.lastReply();
            if (result_.allWritesOk && answers[i] == BuildFrame(payload, EOT))
                clearGases(model_, write.flags, kGasCount);
        }
    }
    // After three passes a list whose last answer still carries other levels than were sent
    // means the instrument holds other levels: the run stops here, as for any write it did not
    // take. An answer with the same levels in another layout is the instrument's word; its flags
    // stay set, so the next update sends the list again.
    for (std::size_t i = 0; i < writes.size(); ++i) {
        const LevelWrite& write = writes[i];
        if (!result_.allWritesOk || !anyOfGases(model_, write.flags, kGasCount)) continue;
        const std::string code = std::string(write.key).substr(0, 2);
        const std::string sent = LevelList(model_, write.kind);
        const std::string answered = ReplyValues(answers[i], code);
        if (SameLevelList(sent, answered)) continue;
        result_.levelsUnconfirmed = true;
        result_.allWritesOk = false;
        result_.failure = WriteFailure{WriteFailure::Kind::Differs, code, sent, answered};
    }
}

void WriteRun::writeExposureLevels() {
    if (anyOfGases(model_, SettingId::Stel, kGasCount) &&
        send("AS,W," + LevelList(model_, LevelKind::Stel)))
        clearGases(model_, SettingId::Stel, kGasCount);
    if (anyOfGases(model_, SettingId::Twa, kGasCount) &&
        send("AW,W," + LevelList(model_, LevelKind::Twa)))
        clearGases(model_, SettingId::Twa, kGasCount);
}

void WriteRun::writeStationList() {
    for (int n = 0; n < kStationCount; ++n) {
        if (!model_.isChanged(SettingId::StationList, n)) continue;
        if (send("XS,W," + HexDigits(static_cast<unsigned>(n), 4) + "," +
                 FixedText(model_.StationList(n), 16, wireTextRule)))
            model_.clearChanged(SettingId::StationList, n);
    }
}

SettingsWriteResult WriteRun::run() {
    const auto start = channel_.steadyNow();
    channel_.logMessage(msg::SettingsWriteStarted, {channel_.generalDateNow()});

    writeIdentity();
    writeGasTableAndLibrary();
    writeTableSettings(2, 100);
    writeAlarmLevels();
    writeExposureLevels();
    writeTableSettings(100, 1000);
    writeStationList();
    // Tells the instrument the settings write has ended; only after something was written.
    if (result_.anyWriteDone) send("DW,W,");

    if (result_.allWritesOk) {
        channel_.logMessage(
            msg::SettingsWriteFinished,
            {channel_.generalDateNow(), DurationText(channel_.steadyNow() - start)});
    } else {
        channel_.logMessage(msg::SettingsWriteFailed, {channel_.generalDateNow()});
    }
    return result_;
}

}  // namespace

std::string DecText(int value) {
    return std::to_string(value);
}

std::string BitText(int value) {
    return value != 0 ? "1" : "0";
}

std::string LevelList(const InstrumentModel& model, LevelKind kind) {
    std::string list;
    for (const std::string& field : LevelFields(model, kind)) {
        if (!list.empty()) list += ',';
        list += field;
    }
    return list;
}

std::string LibraryEntryText(const InstrumentModel& model, int entry) {
    std::string text;
    for (const std::string& field : LibraryEntryFields(model, entry, wireTextRule))
        text += field + ",";
    return text;
}

SettingsWriteResult RunSettingsWrite(InstrumentModel& model, SettingsWriteChannel& channel) {
    return WriteRun(model, channel).run();
}

SettingsWriteResult RefuseSettingsWrite(SettingsWriteChannel& channel) {
    channel.logMessage(msg::SettingsWriteFailed, {channel.generalDateNow()});
    return SettingsWriteResult{};
}

bool SameLevelList(std::string_view sent, std::string_view answered) {
    std::size_t sentAt = 0;
    std::size_t answerAt = 0;
    for (int gas = 0; gas < kGasCount; ++gas) {
        if (sentAt > sent.size() || answerAt > answered.size()) return false;
        const std::size_t sentEnd = std::min(sent.find(',', sentAt), sent.size());
        const std::size_t answerEnd = std::min(answered.find(',', answerAt), answered.size());
        const std::string_view a = answered.substr(answerAt, answerEnd - answerAt);
        if (!IsLevelText(a)) return false;
        if (ParseLevel(sent.substr(sentAt, sentEnd - sentAt)) != ParseLevel(a)) return false;
        sentAt = sentEnd + 1;
        answerAt = answerEnd + 1;
    }
    // Nothing may follow the fifth level but the list's own closing comma.
    return answerAt >= answered.size();
}

std::string ReplyValues(std::string_view frame, std::string_view code) {
    // STX "0001" key "," payload ETX checksum terminator.
    const std::size_t etx = frame.rfind(ETX);
    if (frame.size() < 10 || frame[0] != STX || etx == std::string_view::npos || etx < 5) return {};
    const std::string_view body = frame.substr(5, etx - 5);
    if (body.substr(0, code.size()) != code) return {};
    const std::size_t comma = body.find(',', 3);
    if (comma == std::string_view::npos) return {};
    std::string values;
    for (char c : body.substr(comma + 1)) {
        if (c == CR) c = ',';
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 32 && byte != 127) values += c;
    }
    // Short answers are padded with commas to the shortest reply length: they carry nothing.
    while (!values.empty() && values.back() == ',') values.pop_back();
    return values;
}

std::string DurationText(std::chrono::milliseconds elapsed) {
    const long long seconds = elapsed.count() < 0 ? 0 : elapsed.count() / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

}  // namespace vq

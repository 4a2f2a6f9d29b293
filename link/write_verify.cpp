#include "link/write_verify.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "link/link_status.h"
#include "link/operation_link.h"
#include "link/read_all.h"
#include "model/instrument.h"
#include "model/settings_table.h"
#include "protocol/frame.h"
#include "protocol/settings_write.h"

namespace vq {

namespace {

constexpr int kGasCount = InstrumentModel::channelCount;

std::string_view codeOf(std::string_view payload) {
    return payload.substr(0, 2);
}

// The station entry ("0005", "****") a station write names, after "XS,W,".
std::string_view stationField(std::string_view payload) {
    if (payload.size() < 9) return {};
    return payload.substr(5, 4);
}

// A channel that sends nothing: every request is taken as answered with its own echo, so the
// run encodes every request once, in order.
class EncodingChannel final : public SettingsWriteChannel {
  public:
    bool sendAndWait(const std::string& payload) override {
        payloads.push_back(payload);
        last_ = BuildFrame(payload, EOT);
        return true;
    }
    std::string lastReply() const override { return last_; }
    void logMessage(int, const std::vector<std::string>&) override {}
    std::string generalDateNow() const override { return {}; }
    std::chrono::milliseconds steadyNow() const override { return {}; }

    std::vector<std::string> payloads;

  private:
    std::string last_;
};

// The change flags of everything a request writes.
void setWriteFlags(InstrumentModel& m, std::string_view payload, bool on) {
    const std::string_view code = codeOf(payload);
    const auto gases = [&m, on](SettingId id) {
        for (int gas = 0; gas < kGasCount; ++gas) m.setChanged(id, gas, on);
    };
    if (code == "XS") {
        const std::string_view field = stationField(payload);
        if (field == "****") {
            m.setChanged(SettingId::StationID, on);
        } else {
            const int n = std::stoi(std::string(field), nullptr, 16);
            if (n >= 0 && n < InstrumentModel::stationCount)
                m.setChanged(SettingId::StationList, n, on);
        }
    } else if (code == "XZ") {
        m.setChanged(SettingId::UserID, on);
    } else if (code == "IN") {
        m.setChanged(SettingId::SerialNo, on);
    } else if (code == "HN") {
        m.setChanged(SettingId::DummySerial, on);
    } else if (code == "GJ") {
        gases(SettingId::GasEnabled);
    } else if (code == "LS") {
        for (int e = 0; e < InstrumentModel::settingsLibraryCount; ++e)
            m.setChanged(SettingId::LS_Entry, e, on);
    } else if (code == "A1") {
        gases(SettingId::Warning);
    } else if (code == "A2") {
        gases(SettingId::Alarm);
    } else if (code == "SA") {
        gases(SettingId::AutoCalib);
    } else if (code == "AS") {
        gases(SettingId::Stel);
    } else if (code == "AW") {
        gases(SettingId::Twa);
    } else {
        for (const Setting* s : SettingsOfCode(code)) s->setChanged(m, on);
    }
}

bool isLevelList(std::string_view code) {
    return code == "A1" || code == "A2" || code == "SA" || code == "AS" || code == "AW";
}

// Same values: level lists as levels, every other request as the write encodes it.
bool holdsAsSent(std::string_view sent, std::string_view held) {
    if (isLevelList(codeOf(sent))) return SameLevelList(sent.substr(5), held.substr(5));
    return sent == held;
}

int readIndexOf(const std::string& payload) {
    const auto& table = ReadAll::CommandTable();
    const auto at = std::find(table.begin(), table.end(), payload);
    return at == table.end() ? -1 : static_cast<int>(at - table.begin());
}

}  // namespace

std::string WriteKey(std::string_view writePayload) {
    std::string key(codeOf(writePayload));
    if (key == "XS") key += "," + std::string(stationField(writePayload));
    return key;
}

std::string ReadBackPayload(std::string_view writePayload) {
    const std::string_view code = codeOf(writePayload);
    std::string read = std::string(code) + ",R,";
    if (code == "XS") read += stationField(writePayload);
    // Only what the read-all itself sends.
    return readIndexOf(read) < 0 ? std::string() : read;
}

std::vector<std::pair<std::string, std::string>> WritePayloads(const InstrumentModel& model) {
    InstrumentModel all = model;
    all.SetChangeFlags(true, true);
    all.markChanged(SettingId::DummySerial);
    EncodingChannel channel;
    RunSettingsWrite(all, channel);
    std::vector<std::pair<std::string, std::string>> out;
    for (const std::string& payload : channel.payloads) {
        const std::string key = WriteKey(payload);
        const auto same = [&key](const auto& entry) { return entry.first == key; };
        if (std::none_of(out.begin(), out.end(), same)) out.emplace_back(key, payload);
    }
    return out;
}

std::set<std::string> SentWriteKeys(const InstrumentModel& model) {
    InstrumentModel copy = model;
    EncodingChannel channel;
    RunSettingsWrite(copy, channel);
    std::set<std::string> keys;
    for (const std::string& payload : channel.payloads) keys.insert(WriteKey(payload));
    return keys;
}

void VerifySettingsWrite(OperationLink& link, const InstrumentModel& sent,
                         const std::vector<std::string>& acknowledged, InstrumentModel& model,
                         SettingsWriteResult& result) {
    // The last acknowledged request of each setting, in write order.
    std::vector<std::string> written;
    for (const std::string& payload : acknowledged) {
        if (ReadBackPayload(payload).empty()) continue;
        const std::string key = WriteKey(payload);
        const auto same = [&key](const std::string& p) { return WriteKey(p) == key; };
        std::erase_if(written, same);
        written.push_back(payload);
    }
    if (written.empty()) return;

    // What the instrument acknowledged counts as held until a read says otherwise.
    auto held = std::make_shared<InstrumentModel>(sent);
    for (const std::string& payload : written) setWriteFlags(*held, payload, false);

    // Read in the read-all's own order, each command once; stop at the first not answered.
    std::set<int> reads;
    for (const std::string& payload : written) reads.insert(readIndexOf(ReadBackPayload(payload)));
    std::set<std::string> readBack;
    for (const int index : reads) {
        const std::string& read = ReadAll::CommandTable()[static_cast<std::size_t>(index)];
        ++result.readBackFrames;
        if (!ReadOne(link, read, held.get())) {
            result.unreadBack = read;
            break;
        }
        readBack.insert(read);
    }

    std::map<std::string, std::string> holds;
    for (auto& [key, payload] : WritePayloads(*held)) holds[key] = std::move(payload);
    for (const std::string& payload : written) {
        const std::string key = WriteKey(payload);
        if (!readBack.contains(ReadBackPayload(payload))) {
            result.unverified.push_back(key);
            continue;
        }
        const std::string& now = holds[key];
        if (holdsAsSent(payload, now)) {
            result.confirmed.push_back(key);
            setWriteFlags(model, payload, false);
            continue;
        }
        setWriteFlags(model, payload, true);
        result.notHeld.push_back(WriteFailure{WriteFailure::Kind::Differs, std::string(codeOf(key)),
                                              payload.substr(5),
                                              now.size() > 5 ? now.substr(5) : std::string()});
    }
    result.held = std::move(held);
    if (result.notHeld.empty() && result.unreadBack.empty()) return;
    result.allWritesOk = false;
    if (!result.failure && !result.notHeld.empty()) result.failure = result.notHeld.front();
}

}  // namespace vq

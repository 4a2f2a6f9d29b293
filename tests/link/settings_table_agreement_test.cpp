// The settings table and the virtual instrument's own table describe the same settings: every
// setting read from the instrument lands in the model property the table names, and every
// setting the settings write sends lands in the instrument's state under the table's key.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "model/settings_table.h"
#include "protocol/settings_write.h"
#include "sim/state_file.h"
#include "tests/support/sim_link.h"

namespace vq::test {
namespace {

// The value a state file line holds: "settings.bump_time = 3" -> "3"; texts unquoted and trimmed.
std::map<std::string, std::string> stateValues(const sim::SimState& state) {
    std::map<std::string, std::string> values;
    const std::string text = sim::StateToText(state);
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        const std::size_t eq = line.find(" = ");
        if (eq == std::string::npos) continue;
        std::string value = line.substr(eq + 3);
        if (!value.empty() && value.front() == '"') value = value.substr(1, value.rfind('"') - 1);
        while (!value.empty() && value.back() == ' ') value.pop_back();
        values[line.substr(0, eq)] = value;
    }
    return values;
}

// A value inside the setting's range other than `avoid`, picked from the setting's place in the
// table so neighbours differ. The logging interval takes one of its list.
std::string pick(const Setting& s, std::size_t salt, const std::string& avoid) {
    if (s.isText) {
        if (s.read == Form::TypeCode) return avoid == "2" ? "1" : "2";
        return avoid == "T-" + std::to_string(salt) ? "U-1" : "T-" + std::to_string(salt);
    }
    if (s.code == "XP") return avoid == "180" ? "300" : "180";
    const long long low = s.low < -1000 ? 1 : s.low, high = s.high > 1000 ? 999 : s.high;
    long long v = low + static_cast<long long>(salt) % (high - low + 1);
    if (std::to_string(v) == avoid) v = v == high ? low : v + 1;
    return std::to_string(v);
}

std::string modelValue(const Setting& s, const InstrumentModel& m) {
    return s.isText ? s.text(m) : std::to_string(s.number(m));
}

TEST(SettingsTableAgreement, ReadAndWriteReachTheSameSettingsAsTheVirtualInstrument) {
    const auto table = SettingsTable();
    // The instrument starts with a distinct value in every setting.
    std::string stateText;
    std::map<std::string, std::string> initial;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const Setting& s = table[i];
        ASSERT_FALSE(s.simKey.empty()) << s.prop;
        initial[std::string(s.simKey)] = pick(s, i, "");
        const std::string& v = initial[std::string(s.simKey)];
        stateText += std::string(s.simKey) + " = " + (s.isText ? "\"" + v + "\"" : v) + "\n";
    }
    std::string error;
    auto state = sim::StateFromText(stateText, &error);
    ASSERT_TRUE(state) << error;

    SimLink s(*state);
    ASSERT_TRUE(s.connect());
    ASSERT_TRUE(s.link.reads().GetInstrument(&s.model));
    for (const Setting& setting : table) {
        EXPECT_EQ(modelValue(setting, s.model), initial[std::string(setting.simKey)])
            << "read " << setting.code << " field " << setting.field << " into " << setting.prop;
    }

    // Every setting the settings write sends gets another value; the instrument must hold it.
    std::map<std::string, std::string> written;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const Setting& setting = table[i];
        if (setting.write == Form::None) continue;
        const std::string v = pick(setting, i + 7, initial[std::string(setting.simKey)]);
        written[std::string(setting.simKey)] = v;
        if (setting.isText)
            setting.setText(s.model, v);
        else
            setting.setNumber(s.model, std::stoi(v));
    }
    ASSERT_TRUE(s.link.WriteSettings(&s.model).succeeded());
    const auto held = stateValues(s.instrument.state());
    for (const Setting& setting : table) {
        const std::string key(setting.simKey);
        ASSERT_TRUE(held.count(key)) << key;
        const std::string expected = written.count(key) ? written[key] : initial[key];
        EXPECT_EQ(held.at(key), expected) << "wrote " << setting.code << " field " << setting.field;
    }
}

}  // namespace
}  // namespace vq::test

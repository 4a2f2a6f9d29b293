// Every reason the setting rules, the level rules, the values held and the settings file check
// can give, worded in English and in Japanese: one hostile input per reason, run through the real
// check. The English texts are the ones files, scripts and tests have always seen; the Japanese
// texts are the Japanese table's with the same arguments, and hold no English sentence.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/rule_reason_text.h"
#include "app/settings_file.h"
#include "app/update_validation.h"
#include "messages/messages.h"
#include "model/held_values.h"
#include "model/instrument.h"
#include "model/level_rules.h"
#include "model/setting_rules.h"
#include "model/settings_table.h"

namespace vq {
namespace {

// The block of the rules' words and sentences, and of the file check's own reasons.
constexpr int kFirstRuleId = 23200;
constexpr int kLastRuleId = 23299;
constexpr int kLastFileId = 23319;

// A word of two or more small letters: English left in a Japanese text. Quoted texts are what
// the file or the instrument holds and stay as they are; the units are the instrument's own.
bool hasEnglishWord(std::string text) {
    text = std::regex_replace(text, std::regex("\"[^\"]*\""), "");
    text = std::regex_replace(text, std::regex("「[^」]*」"), "");
    text = std::regex_replace(text, std::regex("\\b(ppm|ppb)\\b"), "");
    return std::regex_search(text, std::regex("[A-Za-z]*[a-z]{2,}"));
}

// A model every rule accepts: channel 1 a combustible gas with its levels, a listed interval.
InstrumentModel fitted() {
    InstrumentModel m;
    m.setIntervals(60);
    m.setGasEnabled(0, true);
    m.setGasName(0, "CH4");
    m.setGasFullScale(0, 100);
    m.setResolution(0, 1);
    m.setGasPoint(0, 0);
    m.setGasUnit(0, "%LEL");
    m.setWarning(0, 10);
    m.setAlarm(0, 50);
    m.setAutoCalib(0, 50);
    return m;
}

// Channel 3 a toxic gas (its STEL and TWA are checked).
void fitToxic(InstrumentModel& m) {
    m.setGasEnabled(2, true);
    m.setGasName(2, "H2S");
    m.setGasFullScale(2, 30);
    m.setResolution(2, 1);
    m.setGasPoint(2, 0);
    m.setGasUnit(2, "ppm");
    m.setWarning(2, 5);
    m.setAlarm(2, 10);
    m.setTwa(2, 5);
}

// Channel 2 oxygen in the alarm mode `mode`.
void fitOxygen(InstrumentModel& m, int mode, float warning, float alarm) {
    m.setGasEnabled(1, true);
    m.setGasName(1, "O2");
    m.setGasFullScale(1, 25);
    m.setResolution(1, 0.1f);
    m.setGasPoint(1, 1);
    m.setGasUnit(1, "vol%");
    m.setAlarmO2(static_cast<std::int16_t>(mode));
    m.setWarning(1, warning);
    m.setAlarm(1, alarm);
    m.setAutoCalib(1, -101);
}

void fitLibrary(InstrumentModel& m, int entry) {
    LibraryEntry e;
    e.Name = "USERGAS";
    e.FullScale = 100;
    e.Digit = 1;
    e.Unit = "ppm";
    e.elem_vol = 300;
    e.Ratio = 1.5f;
    e.Linear1_b = 1;
    m.setLS_Entry(entry, e);
}

// The reason the whole-model check (a settings file) gives for the line `code`.
Reason fileProblem(const InstrumentModel& m, const std::string& code) {
    for (const SettingProblem& p : CheckSettingRules(m, RuleScope::All))
        if (p.code == code) return p.reason;
    ADD_FAILURE() << "no problem on " << code;
    return {};
}

// The reason "Update" gives for what it would send on the line `code`.
Reason changedProblem(InstrumentModel m, const std::function<void(InstrumentModel&)>& edit,
                      const std::string& code) {
    m.ClearChangeFlags();
    edit(m);
    for (const SettingProblem& p : CheckSettingRules(m, RuleScope::Changed))
        if (p.code == code) return p.reason;
    ADD_FAILURE() << "no problem on " << code;
    return {};
}

Reason levelBreak(const InstrumentModel& m, int channel, LevelSetting kind) {
    for (const LevelBreak& b : LevelRuleBreaks(m))
        if (b.channel == channel && b.kind == kind) return b.reason;
    ADD_FAILURE() << "no break on channel " << channel + 1;
    return {};
}

const Setting& settingOf(std::string_view prop) {
    for (const Setting& s : SettingsTable())
        if (s.prop == prop) return s;
    throw std::logic_error("no setting " + std::string(prop));
}

template <typename Spoil>
InstrumentModel spoiled(Spoil spoil) {
    InstrumentModel m = fitted();
    spoil(m);
    return m;
}

struct Case {
    const char* name;
    std::function<Reason()> reason;
    const char* english;
    const char* japanese;
};

std::vector<Case> cases() {
    using M = InstrumentModel;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    return {
        {"a number out of its range", [] { return NumberRuleProblem(settingOf("BumpTime"), 9); },
         "bump test time 9 is not between 0 and 3",
         "バンプテスト時間の値 9 は 0 から 3 の範囲外です"},
        {"an interval not in the list",
         [] { return NumberRuleProblem(settingOf("Intervals"), 45); },
         "logging interval 45 is not one of 10, 20, 30, 60, 180, 300, 600",
         "インターバルトレンド時間の値 45 は 10, 20, 30, 60, 180, 300, 600 のいずれでもありません"},
        {"a value held out of range",
         [] {
             M m = fitted();
             m.setLcdBackLight(0);
             for (const HeldValueProblem& p : OutOfRangeValues(m))
                 if (p.code == "XT") return p.reason;
             return Reason();
         },
         "LCD backlight time 0 is not between 1 and 255",
         "LCD バックライト時間の値 0 は 1 から 255 の範囲外です"},
        {"a level with more decimals than the field",
         [] { return fileProblem(spoiled([](M& m) { m.setWarning(0, 10.5f); }), "A1"); },
         "warning 10.5 of channel 1 is not a level of 0 decimals that fits five characters",
         "チャンネル 1 の注意 (10.5) は小数 0 桁で 5 文字に収まる値ではありません"},
        {"a full scale of no value",
         [] { return fileProblem(spoiled([](M& m) { m.setGasFullScale(0, -101); }), "GJ"); },
         "channel 1: full scale \"*****\" (no value) is not taken by the instrument",
         "チャンネル 1: フルスケールを「*****」(値なし) にすることはできません"},
        {"a full scale of 0 held",
         [] { return GasScaleProblem(spoiled([](M& m) { m.setGasFullScale(0, 0); }), 0); },
         "channel 1: full scale 0 is not above 0",
         "チャンネル 1: フルスケールの値 0 が 0 より大きくありません"},
        {"a resolution finer than the decimals",
         [] { return fileProblem(spoiled([](M& m) { m.setResolution(0, 0.5f); }), "GJ"); },
         "channel 1: resolution 0.5 does not fit five characters at 0 decimals",
         "チャンネル 1: 分解能の値 0.5 は小数 0 桁で 5 文字に収まりません"},
        {"an unknown unit",
         [] { return fileProblem(spoiled([](M& m) { m.setGasUnit(0, "mg"); }), "GJ"); },
         "channel 1: unit \"mg\" is not one of %LEL, VOL%, %, ppm, ppb",
         "チャンネル 1: 単位「mg」は %LEL、VOL%、%、ppm、ppb のいずれでもありません"},
        {"a gas without a name",
         [] { return fileProblem(spoiled([](M& m) { m.setGasName(0, ""); }), "GJ"); },
         "channel 1: the gas has no name", "チャンネル 1: ガス名がありません"},
        {"a resolution above the full scale",
         [] { return fileProblem(spoiled([](M& m) { m.setResolution(0, 200); }), "GJ"); },
         "channel 1: resolution 200 is above the full scale 100",
         "チャンネル 1: 分解能 200 がフルスケール 100 を超えています"},
        {"a gas name beyond ASCII",
         [] { return fileProblem(spoiled([](M& m) { m.setGasName(0, "\xC3\xA9"); }), "GJ"); },
         "channel 1: the byte \\xC3 is not printable ASCII",
         "チャンネル 1: バイト \\xC3 は表示できる ASCII 文字ではありません"},
        {"an unused library entry with no ratio",
         [nan] {
             M m = fitted();
             LibraryEntry e = m.LS_Entry(0);
             e.Name.clear();
             e.Ratio = nan;
             m.setLS_Entry(0, e);
             return fileProblem(m, "LS");
         },
         "entry 0: the ratio is not a number", "エントリ 0: 比率が数値ではありません"},
        {"a negative ratio",
         [] {
             M m = fitted();
             fitLibrary(m, 1);
             LibraryEntry e = m.LS_Entry(1);
             e.Ratio = -5;
             m.setLS_Entry(1, e);
             return fileProblem(m, "LS");
         },
         "entry 1: ratio -5 is not above 0", "エントリ 1: 比率 -5 が 0 より大きくありません"},
        {"a sensor voltage of 0",
         [] {
             M m = fitted();
             fitLibrary(m, 1);
             LibraryEntry e = m.LS_Entry(1);
             e.elem_vol = 0;
             m.setLS_Entry(1, e);
             return fileProblem(m, "LS");
         },
         "entry 1: the sensor voltage is 0", "エントリ 1: センサー電圧が 0 です"},
        {"an infinite coefficient",
         [inf] {
             M m = fitted();
             fitLibrary(m, 1);
             LibraryEntry e = m.LS_Entry(1);
             e.Linear1_a = inf;
             m.setLS_Entry(1, e);
             return fileProblem(m, "LS");
         },
         "entry 1: a coefficient is not a number", "エントリ 1: 係数に数値でないものがあります"},
        {"a type number with a file's separator",
         [] { return fileProblem(spoiled([](M& m) { m.setSpecNo("A;B"); }), "BS"); },
         "type number: the character \";\" is not allowed", "仕様番号: 文字「;」は使えません"},
        {"an unknown destination",
         [] { return fileProblem(spoiled([](M& m) { m.setSpecType("7"); }), "UJ"); },
         "destination \"7\" is not 0, 1 or 2", "仕向け「7」は 0、1、2 のいずれでもありません"},
        {"a user id too long",
         [] {
             return changedProblem(
                 fitted(), [](M& m) { m.setUserID("AAAAAAAAAAAAAAAAA"); }, "XZ");
         },
         "user id: \"AAAAAAAAAAAAAAAAA\" is longer than 16 characters",
         "ユーザーID: 「AAAAAAAAAAAAAAAAA」が 16 文字を超えています"},
        {"a station id with a control character",
         [] {
             return changedProblem(
                 fitted(), [](M& m) { m.setStationID("A\x01"); }, "XS");
         },
         "station: a control character is not allowed", "ステーションID: 制御文字は使えません"},
        {"a serial number in lower case",
         [] {
             return changedProblem(
                 fitted(), [](M& m) { m.setSerialNo("abc"); }, "IN");
         },
         "serial number: the character \"a\" is not allowed",
         "シリアル番号: 文字「a」は使えません"},
        {"a station list entry with a file's separator",
         [] {
             return changedProblem(
                 fitted(), [](M& m) { m.setStationList(7, "BAD;NAME"); }, "XS");
         },
         "station list entry 8: the character \";\" is not allowed",
         "ステーションリストの 8 番: 文字「;」は使えません"},
        {"a level text that is a word", [] { return LevelTextProblem("abc"); },
         "\"abc\" is not a number or \"*****\"", "「abc」は数値でも「*****」でもありません"},
        {"a negative level text", [] { return LevelTextProblem("-5"); }, "\"-5\" is negative",
         "「-5」は負の値です"},
        {"an oxygen alarm mode with no such level",
         [] {
             M m = fitted();
             fitOxygen(m, 3, 19, 18);
             return levelBreak(m, 1, LevelSetting::Warning);
         },
         "warning 19 of channel 2: the channel takes no such level",
         "チャンネル 2 の注意 (19): このチャンネルにはこの警報値がありません"},
        {"a warning not set",
         [] { return fileProblem(spoiled([](M& m) { m.setWarning(0, -101); }), "A1"); },
         "warning not set of channel 1 must be set",
         "チャンネル 1 の注意 (未設定) が設定されていません"},
        {"a STEL out of range",
         [] {
             return fileProblem(spoiled([](M& m) {
                                    fitToxic(m);
                                    m.setStel(2, 31);
                                }),
                                "AS");
         },
         "STEL 31 of channel 3 is not between 0 and 30",
         "チャンネル 3 のSTEL (31) が 0 から 30 の範囲外です"},
        {"a TWA out of range",
         [] {
             return fileProblem(spoiled([](M& m) {
                                    fitToxic(m);
                                    m.setTwa(2, 31);
                                }),
                                "AW");
         },
         "TWA 31 of channel 3 is not between 0 and 30",
         "チャンネル 3 のTWA (31) が 0 から 30 の範囲外です"},
        {"an auto-calibration value below the warning",
         [] { return fileProblem(spoiled([](M& m) { m.setAutoCalib(0, 5); }), "SA"); },
         "auto-calibration value 5 of channel 1 is below 10",
         "チャンネル 1 の自動校正値 (5) が 10 未満です"},
        {"an alarm above its limit",
         [] { return fileProblem(spoiled([](M& m) { m.setAlarm(0, 150); }), "A2"); },
         "alarm 150 of channel 1 is above 60", "チャンネル 1 の警報 (150) が 60 を超えています"},
        {"a warning above the alarm",
         [] { return fileProblem(spoiled([](M& m) { m.setAlarm(0, 5); }), "A2"); },
         "warning 10 of channel 1 is not at or below its alarm 5",
         "チャンネル 1 の注意 10 が警報 5 以下ではありません"},
        {"an oxygen warning below its alarm in L-LL mode",
         [] {
             M m = fitted();
             fitOxygen(m, 1, 19, 20);
             return levelBreak(m, 1, LevelSetting::Alarm);
         },
         "warning 19 of channel 2 is not at or above its alarm 20",
         "チャンネル 2 の注意 19 が警報 20 以上ではありません"},
        {"an auto-calibration value above the full scale",
         [] { return fileProblem(spoiled([](M& m) { m.setAutoCalib(0, 150); }), "SA"); },
         "auto-calibration value 150 of channel 1 is above the full scale 100",
         "チャンネル 1 の自動校正値 (150) がフルスケール 100 を超えています"},
    };
}

void collectIds(const Reason& reason, std::set<int>& ids) {
    ids.insert(static_cast<int>(reason.id));
    for (const Reason& arg : reason.args) collectIds(arg, ids);
}

TEST(RuleReasons, EveryReasonInBothLanguages) {
    std::set<int> seen;
    for (const Case& c : cases()) {
        const Reason reason = c.reason();
        ASSERT_FALSE(reason.empty()) << c.name;
        collectIds(reason, seen);
        EXPECT_EQ(ReasonText(Language::English, reason), c.english) << c.name;
        const std::string japanese = ReasonText(Language::Japanese, reason);
        EXPECT_EQ(japanese, c.japanese) << c.name;
        EXPECT_FALSE(hasEnglishWord(japanese)) << c.name << ": " << japanese;
        // The process's language chooses.
        setLanguage(Language::Japanese);
        EXPECT_EQ(ReasonText(reason), japanese) << c.name;
        setLanguage(Language::English);
        EXPECT_EQ(ReasonText(reason), c.english) << c.name;
    }
    // Every name of a numeric setting is a word of its own (next test); every other word and
    // sentence of the block is reached by one of the inputs above.
    for (const Setting& s : SettingsTable())
        if (SettingName(s) != ReasonId::None) seen.insert(static_cast<int>(SettingName(s)));
    for (int id = kFirstRuleId; id <= kLastRuleId; ++id)
        if (hasMessage(Language::English, id)) {
            EXPECT_TRUE(seen.count(id)) << "not reached: " << id;
        }
}

// A refusal names a setting by the words of the table; the English name is the one the settings
// list gives it, so no name is written twice in two ways.
TEST(RuleReasons, EveryNumericSettingHasANameInBothLanguages) {
    int named = 0;
    for (const Setting& s : SettingsTable()) {
        const bool judged = !s.isText && s.writeRank > 0;
        if (!judged && s.prop != "SpecNo") continue;
        const ReasonId name = SettingName(s);
        ASSERT_NE(name, ReasonId::None) << s.prop;
        EXPECT_EQ(ReasonText(Language::English, name), s.what) << s.prop;
        const std::string japanese = ReasonText(Language::Japanese, name);
        EXPECT_FALSE(japanese.empty()) << s.prop;
        EXPECT_NE(japanese, std::string(s.what)) << s.prop;
        EXPECT_FALSE(hasEnglishWord(japanese)) << s.prop << ": " << japanese;
        // A value out of the range reads in Japanese with the Japanese name.
        if (judged) {
            const Reason out = NumberRuleProblem(s, s.high + 1);
            ASSERT_FALSE(out.empty()) << s.prop;
            EXPECT_NE(ReasonText(Language::Japanese, out).find(japanese), std::string::npos)
                << s.prop;
        }
        ++named;
    }
    EXPECT_GT(named, 20);
}

// No text of the block is English in the Japanese table.
TEST(RuleReasons, JapaneseTableHoldsNoEnglishSentence) {
    int texts = 0;
    for (int id = kFirstRuleId; id <= kLastFileId; ++id) {
        if (!hasMessage(Language::English, id)) continue;
        ASSERT_TRUE(hasMessage(Language::Japanese, id)) << id;
        const std::string japanese = ResMessage(Language::Japanese, id);
        const std::string english = ResMessage(Language::English, id);
        if (hasEnglishWord(english)) {
            EXPECT_NE(japanese, english) << id;
        }
        EXPECT_FALSE(hasEnglishWord(japanese)) << id << ": " << japanese;
        ++texts;
    }
    EXPECT_GT(texts, 70);
}

// The settings file check's own reasons, and a rule's reason on the line that breaks it.
TEST(RuleReasons, SettingsFileRefusalsInBothLanguages) {
    // A gas line whose first record carries an eleven-character name.
    std::string gasLine = SettingsFileText(fitted());
    gasLine = gasLine.substr(gasLine.find("GJ,W,"));
    gasLine = gasLine.substr(0, gasLine.find("\r\n") + 2);
    gasLine.replace(5, 11, "ABCDEFGHIJK");
    struct FileCase {
        const char* name;
        std::string text;
        int line;
        const char* english;
        const char* japanese;
    };
    const FileCase fileCases[] = {
        {"a line break of another kind", "LP,W,1,\r\nXW,W,0,\nAP,W,0,\r\n", 2,
         "a line break (LF) inside the line, where the file's lines end with CR LF",
         "行の途中に改行 (LF) があります (このファイルの行末は CR LF です)"},
        {"a field cut short", "XT,W,1E,\r\n", 1,
         "XT: field 1 \"1E\" is not four hexadecimal digits",
         "XT: フィールド 1 の \"1E\" は 4 桁の 16 進数ではありません"},
        {"a gas name of eleven characters", gasLine, 1,
         "GJ: field 1: the gas name \"ABCDEFGHIJK\" is longer than 10 characters",
         "GJ: フィールド 1: ガス名 \"ABCDEFGHIJK\" が 10 文字を超えています"},
        {"a byte-order mark inside", "LP,W,1,\r\n\xEF\xBB\xBFXW,W,0,\r\n", 2,
         "a byte-order mark inside the file", "ファイルの途中にバイトオーダーマークがあります"},
        {"a line given twice", "LP,W,1,\r\nLP,W,2,\r\n", 2, "LP: given again (first on line 1)",
         "LP: 同じ行が 2 回あります (最初は 1 行目)"},
        {"one field too many", "LP,W,1,2,\r\n", 1, "LP: 2 fields where the line has 1",
         "LP: フィールドが 2 個あります (この行のフィールドは 1 個です)"},
        {"a number out of its range", "BU,W,9,1,0,1,\r\n", 1,
         "BU: bump test time 9 is not between 0 and 3",
         "BU: バンプテスト時間の値 9 は 0 から 3 の範囲外です"},
        {"an alarm above its limit",
         SettingsFileText(spoiled([](InstrumentModel& m) { m.setAlarm(0, 150); })), 0,
         "A2: alarm 150 of channel 1 is above 60",
         "A2: チャンネル 1 の警報 (150) が 60 を超えています"},
        {"no settings lines", "; nothing\r\n", 0, "no settings lines", "設定の行がありません"},
    };
    for (const FileCase& c : fileCases) {
        for (const Language language : {Language::English, Language::Japanese}) {
            setLanguage(language);
            InstrumentModel m = fitted();
            const InstrumentModel before = m;
            const SettingsReadResult r = ReadSettingsText(m, c.text);
            EXPECT_FALSE(r.ok) << c.name;
            if (c.line > 0) {
                EXPECT_EQ(r.line, c.line) << c.name;
            }
            EXPECT_EQ(r.reason, language == Language::English ? c.english : c.japanese) << c.name;
            if (language == Language::Japanese) {
                EXPECT_FALSE(hasEnglishWord(r.reason)) << c.name << ": " << r.reason;
            }
            // A refused file changes nothing.
            EXPECT_EQ(SettingsFileText(m), SettingsFileText(before)) << c.name;
        }
    }
    setLanguage(Language::English);
}

// "Update" and "Update ID" give the rule's reason in the language of the window and of
// vq5100ctl, under the refusal's own text.
TEST(RuleReasons, UpdateRefusalsInBothLanguages) {
    struct UpdateCase {
        const char* name;
        std::function<void(InstrumentModel&)> edit;
        bool idOnly;
        const char* english;
        const char* japanese;
    };
    const UpdateCase updateCases[] = {
        {"an alarm above its limit", [](InstrumentModel& m) { m.setAlarm(0, 150); }, false,
         "alarm 150 of channel 1 is above 60", "チャンネル 1 の警報 (150) が 60 を超えています"},
        {"a user id in lower case", [](InstrumentModel& m) { m.setUserID("abc"); }, true,
         "XZ: user id: the character \"a\" is not allowed",
         "XZ: ユーザーID: 文字「a」は使えません"},
        {"a bump test time out of range", [](InstrumentModel& m) { m.setBumpTime(9); }, false,
         "BU: bump test time 9 is not between 0 and 3",
         "BU: バンプテスト時間の値 9 は 0 から 3 の範囲外です"},
    };
    for (const UpdateCase& c : updateCases) {
        for (const Language language : {Language::English, Language::Japanese}) {
            setLanguage(language);
            InstrumentModel m = fitted();
            m.setHcMode(1);  // channel 1 alone is the combustible channel
            m.ClearChangeFlags();
            c.edit(m);
            const std::optional<std::string> refusal = UpdateRefusalReason(m, c.idOnly, nullptr);
            ASSERT_TRUE(refusal.has_value()) << c.name;
            const std::string reason = language == Language::English ? c.english : c.japanese;
            EXPECT_NE(refusal->find(reason), std::string::npos) << c.name << ": " << *refusal;
            if (language == Language::Japanese) {
                EXPECT_FALSE(hasEnglishWord(*refusal)) << c.name << ": " << *refusal;
            }
        }
    }
    setLanguage(Language::English);
}

}  // namespace
}  // namespace vq

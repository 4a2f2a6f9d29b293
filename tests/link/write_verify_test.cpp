// The read-back after a settings write, through the real link and decoder on the virtual clock:
// an instrument that acknowledges what it does not keep, or keeps something else, fails the run
// naming the setting with both values; an honest one passes a full write with no false mismatch;
// a run that stopped part-way reads back what was acknowledged; a read-back that is not answered
// fails the run without calling anything held.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "link/read_all.h"
#include "link/read_failure_text.h"
#include "link/write_failure_text.h"
#include "link/write_verify.h"
#include "model/instrument.h"
#include "model/settings_review.h"
#include "protocol/frame.h"
#include "protocol/settings_write.h"
#include "tests/support/link_harness.h"
#include "tests/support/sim_link.h"

namespace vq {
namespace {

using test::Reply;

bool contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

bool anyLineStarts(const std::vector<std::string>& lines, const std::string& prefix) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
}

// Every request the write can send is read back by a command of the read-all, and only by one.
TEST(WriteVerify, EveryWriteRequestHasItsReadAllCommand) {
    const auto payloads = WritePayloads(InstrumentModel());
    ASSERT_GT(payloads.size(), 280u);  // the settings, the levels, the library and 256 stations
    const auto& table = ReadAll::CommandTable();
    for (const auto& [key, payload] : payloads) {
        SCOPED_TRACE(payload);
        if (key == "DW") continue;  // ends the write; nothing to read
        const std::string read = ReadBackPayload(payload);
        ASSERT_FALSE(read.empty());
        EXPECT_EQ(std::count(table.begin(), table.end(), read), 1);
        EXPECT_EQ(read.substr(0, 2), payload.substr(0, 2));
    }
    EXPECT_EQ(ReadBackPayload("DW,W,"), "");
    EXPECT_EQ(ReadBackPayload("XS,W,002A,PUMP"), "XS,R,002A");
    EXPECT_EQ(ReadBackPayload("XS,W,****,TANK"), "XS,R,****");
    EXPECT_EQ(WriteKey("XS,W,002A,PUMP"), "XS,002A");
    EXPECT_EQ(WriteKey("BU,W,1,2,3,4"), "BU");
}

// An instrument that answers a write with a bare ACK (as it may for "BU", "WB" and "XS") and
// keeps its old values, or that cuts a text to its own width: the acknowledgement is not taken
// for the value. The run fails naming the setting, the value sent and the value held; the
// model's flag stays set for the next write, and what the instrument holds is the model as read.
TEST(WriteVerify, AnAcknowledgedWriteTheInstrumentDidNotKeepFailsTheRun) {
    struct Case {
        const char* name;
        const char* forget;  // the virtual instrument's writes acknowledged and dropped
        std::function<void(InstrumentModel&)> edit;
        std::string code;
        std::string sent;
        std::string held;
        std::function<bool(const InstrumentModel&)> flagged;
    };
    const Case cases[] = {
        {"bump group acknowledged bare", "BU",
         [](InstrumentModel& m) {
             m.setBumpTime(3);
             m.setBumpThreshold(4);
         },
         "BU", "3,4,0,1", "2,1,0,1",
         [](const InstrumentModel& m) {
             return m.isChanged(SettingId::BumpTime) && m.isChanged(SettingId::BumpThreshold);
         }},
        {"backlight group acknowledged bare", "WB", [](InstrumentModel& m) { m.setLcBhMode(1); },
         "WB", "1,0,0", "0,0,0",
         [](const InstrumentModel& m) { return m.isChanged(SettingId::LcBhMode); }},
        {"station acknowledged bare", "XS",
         [](InstrumentModel& m) { m.setStationList(5, "NEW GATE"); }, "XS", "0005,NEW GATE",
         "0005,", [](const InstrumentModel& m) { return m.isChanged(SettingId::StationList, 5); }},
        {"gas name cut to the instrument's ten", "",
         [](InstrumentModel& m) {
             m.setGasName(0, "METHANE-XYZ");
             m.markChanged(SettingId::GasEnabled, 0);  // as a settings file's "GJ" line marks it
         },
         "GJ", "METHANE-XYZ", "METHANE-XY ",
         [](const InstrumentModel& m) { return m.isChanged(SettingId::GasEnabled, 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::SimState state = sim::DefaultSimState();
        state.forgetWrites = c.forget;
        test::SimLink s(state);
        ASSERT_TRUE(s.connect(2, 2));
        InstrumentModel before;
        ASSERT_TRUE(s.link.reads().GetInstrument(&before));
        InstrumentModel model = before;
        model.ClearChangeFlags();
        c.edit(model);
        const InstrumentModel sent = model;

        const SettingsWriteResult result = s.link.WriteSettings(&model);

        EXPECT_FALSE(result.succeeded());
        ASSERT_TRUE(result.failure);
        // Caught by the read-back (the cut name already by the write's answer, which echoes
        // it as stored: read back all the same, so the model as read takes it).
        EXPECT_EQ(result.notHeld.size(), 1u);
        EXPECT_EQ(result.failure->kind, WriteFailure::Kind::Differs);
        EXPECT_EQ(result.failure->code, c.code);
        EXPECT_NE(result.failure->sent.find(c.sent), std::string::npos) << result.failure->sent;
        EXPECT_NE(result.failure->answered.find(c.held), std::string::npos)
            << result.failure->answered;
        EXPECT_TRUE(result.confirmed.empty());
        EXPECT_TRUE(c.flagged(model));  // still owed to the instrument
        const auto lines = WriteRunFailureLines(result);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_NE(lines[0].find("\"" + c.code + "\" was not written"), std::string::npos);
        EXPECT_TRUE(anyLineStarts(s.logLines(), "---Instrument Read-back Failed: "));

        // The model as last read takes what the instrument holds: nothing changed.
        ASSERT_TRUE(result.held);
        const InstrumentModel held = HeldAfterWrite(before, sent, *result.held);
        InstrumentModel again;
        ASSERT_TRUE(s.link.reads().GetInstrument(&again));
        EXPECT_EQ(held.BumpTime(), again.BumpTime());
        EXPECT_EQ(held.LcBhMode(), again.LcBhMode());
        EXPECT_EQ(held.StationList(5), again.StationList(5));
        EXPECT_EQ(held.GasName(0), again.GasName(0));
        EXPECT_EQ(held.GasName(3), again.GasName(3));
    }
}

// "Update" sends every setting: the honest virtual instrument holds each as sent, read back as
// values, so the run is written, every flag (also those a confirmed write keeps) is cleared, and
// the read-back sends each read-all command it needs once.
TEST(WriteVerify, AFullWriteToAnHonestInstrumentIsVerifiedWithoutAFalseMismatch) {
    test::SimLink s;
    ASSERT_TRUE(s.connect());
    InstrumentModel model;
    ASSERT_TRUE(s.link.reads().GetInstrument(&model));
    model.setWarning(2, 7);
    model.setLcdBackLight(45);
    model.setBumpThreshold(3);
    model.setStationList(0x2A, "PUMP HOUSE");
    model.setLS_Ratio(1, 1.75f);
    model.SetChangeFlags(true, true);
    s.port.frames.clear();

    const SettingsWriteResult result = s.link.WriteSettings(&model);

    ASSERT_TRUE(result.succeeded()) << (result.failure ? WriteFailureText(*result.failure) : "");
    EXPECT_TRUE(result.notHeld.empty());
    EXPECT_TRUE(result.unreadBack.empty());
    EXPECT_TRUE(result.unverified.empty());
    EXPECT_TRUE(contains(result.confirmed, "BU"));
    EXPECT_TRUE(contains(result.confirmed, "XS,002A"));
    EXPECT_FALSE(model.isChanged(SettingId::BumpThreshold) || model.isChanged(SettingId::HcMode) ||
                 model.isChanged(SettingId::LcBuzzer));
    EXPECT_FALSE(model.isChanged(SettingId::StationList, 0x2A) ||
                 model.isChanged(SettingId::Warning, 2));

    const auto payloads = s.port.payloads();
    std::vector<std::string> reads;
    for (const std::string& p : payloads)
        if (p.size() > 3 && p.compare(2, 3, ",R,") == 0) reads.push_back(p);
    EXPECT_EQ(static_cast<int>(reads.size()), result.readBackFrames);
    EXPECT_EQ(std::set<std::string>(reads.begin(), reads.end()).size(), reads.size());
    // Every read comes after "DW,W," ends the write.
    const auto dw = std::find(payloads.begin(), payloads.end(), "DW,W,");
    ASSERT_NE(dw, payloads.end());
    EXPECT_TRUE(std::all_of(payloads.begin(), dw,
                            [](const std::string& p) { return p.compare(2, 3, ",R,") != 0; }));
    EXPECT_TRUE(anyLineStarts(s.logLines(), "---Instrument Read-back: every setting written"));
}

// A write refused part-way: what the instrument acknowledged before is read back and confirmed;
// the refused write stays the run's failure.
TEST(WriteVerify, ARunThatStoppedReadsBackWhatWasAcknowledged) {
    test::SimLink s;
    ASSERT_TRUE(s.connect(2, 2));
    InstrumentModel model;
    ASSERT_TRUE(s.link.reads().GetInstrument(&model));
    model.ClearChangeFlags();
    model.setLcdBackLight(45);  // "XT", rank 16
    model.setBumpTime(3);       // "BU", rank 19: refused
    const std::string nak(1, NAK);
    s.port.rewrite = [nak](std::string bytes) {
        return bytes.find("BU,W") == std::string::npos ? bytes : BuildFrame("BU,W," + nak, EOT);
    };
    s.port.frames.clear();

    const SettingsWriteResult result = s.link.WriteSettings(&model);

    EXPECT_FALSE(result.succeeded());
    ASSERT_TRUE(result.failure);
    EXPECT_EQ(result.failure->kind, WriteFailure::Kind::Refused);
    EXPECT_EQ(result.failure->code, "BU");
    EXPECT_EQ(result.confirmed, std::vector<std::string>{"XT"});
    EXPECT_TRUE(result.notHeld.empty());
    EXPECT_EQ(result.readBackFrames, 1);
    EXPECT_TRUE(contains(s.port.payloads(), "XT,R,"));
    EXPECT_FALSE(model.isChanged(SettingId::LcdBackLight));
    EXPECT_TRUE(model.isChanged(SettingId::BumpTime));
    ASSERT_TRUE(result.held);
    EXPECT_EQ(result.held->LcdBackLight(), 45);
}

// An instrument that acknowledges the writes and then answers no read: nothing is called held,
// the run fails naming the read-back, and the acknowledged settings are said to be only that.
TEST(WriteVerify, AReadBackNotAnsweredFailsTheRunWithoutCallingAnythingHeld) {
    test::LinkHarness h;
    h.connect(1, 1);
    InstrumentModel model;
    model.setLcdBackLight(0x2D);
    model.setAlarmMode(1);
    h.script.answer("AP,W,", Reply("AP,W,1"));
    h.script.answer("XT,W,", Reply("XT,W,002D"));
    h.script.answer("DW,W,", Reply(std::string("DW,W,") + ACK));

    const SettingsWriteResult result = h.link.WriteSettings(&model);

    EXPECT_FALSE(result.succeeded());
    EXPECT_EQ(result.unreadBack, "AP,R,");
    EXPECT_EQ(result.unverified, (std::vector<std::string>{"AP", "XT"}));
    EXPECT_TRUE(result.confirmed.empty());
    EXPECT_EQ(result.readBackFrames, 1);  // the read-back stops at the first read not answered
    const auto lines = WriteRunFailureLines(result);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("could not be read back (\"AP,R,\" was not answered)"),
              std::string::npos)
        << lines[0];
    EXPECT_NE(lines[1].find("not read back: AP, XT"), std::string::npos) << lines[1];
}

// A read that stopped is named with its setting and the reason, and an answer's bytes that are
// not plain text are shown escaped.
TEST(WriteVerify, AReadFailureNamesTheReadAndItsReason) {
    setLanguage(Language::English);
    const std::string sent = BuildFrame("WB,R,", EOT);
    const struct {
        ReadFailure failure;
        const char* expected;
    } cases[] = {
        {{sent, "", 4, false, false}, "reading the settings failed at \"WB,R,\" ("},
        {{sent, "", 4, false, false}, "): no answer after 4 tries"},
        {{sent, BuildFrame("WB,R," + std::string(1, NAK), EOT), 4, false, false},
         ": the instrument refused it"},
        {{sent, BuildFrame("WB,R,9\x1B\xC3\xA9", EOT), 4, false, false},
         ": its answer could not be taken (WB,R,9\\x1B\\xC3\\xA9)"},
        {{sent, BuildFrame("XT,R,001E", EOT), 2, false, false}, ": no answer after 2 tries"},
        {{sent, "", 4, true, false}, ": the line dropped"},
        {{BuildFrame("XS,R,0005", EOT), "", 1, false, true}, "failed at \"XS,R,0005\": cancelled"},
    };
    for (const auto& c : cases) {
        const std::string text = ReadFailureText(c.failure);
        EXPECT_NE(text.find(c.expected), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace vq

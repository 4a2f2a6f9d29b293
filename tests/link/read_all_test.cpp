// The sequencer against the virtual instrument: the read table, the read-all and the identity
// read with the real decoder, a rejected clock stopping the read-all, progress texts, the
// single read rebinding the model it found, and the write step of a settings chain.

#include <gtest/gtest.h>

#include "model/ole_date.h"
#include "model/value_codecs.h"
#include "protocol/frame.h"
#include "tests/support/change_flags.h"
#include "tests/support/sim_link.h"

namespace vq::test {
namespace {

// The read-all as the instrument should see it, written out independently of the table.
std::vector<std::string> expectedReadAll() {
    std::vector<std::string> payloads = {
        "VP,R,", "XZ,R,", "XS,R,****", "IN,R,", "HN,R,", "HC,R,", "AP,R,", "XP,R,", "SD,R,",
        "SM,R,", "SC,R,", "XB,R,",     "XW,R,", "XT,R,", "HF,R,", "GJ,R,", "A1,R,", "A2,R,",
        "AS,R,", "AW,R,", "HA,R,",     "VS,R,", "SA,R,", "AT,R,", "UJ,R,", "SJ,R,", "SG,R,",
        "LP,R,", "CP,R,", "AM,R,",     "UQ,R,", "BU,R,", "WB,R,", "AF,R,", "BS,R,", "LS,R,"};
    const char* hex = "0123456789ABCDEF";
    for (int n = 1; n <= 15; ++n) payloads.push_back(std::string("LI,R,0") + hex[n]);
    for (int n = 0; n < 256; ++n) {
        payloads.push_back(std::string("XS,R,00") + hex[n / 16] + hex[n % 16]);
    }
    return payloads;
}

std::string trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

TEST(CommandTable, HoldsTheReadsAtTheirIndicesAndTheGapsEmpty) {
    const auto& table = ReadAll::CommandTable();
    ASSERT_EQ(table.size(), 323u);
    std::vector<std::string> filled;
    std::vector<int> empty;
    for (int i = 0; i < 323; ++i) {
        if (table[static_cast<std::size_t>(i)].empty()) {
            empty.push_back(i);
        } else {
            filled.push_back(table[static_cast<std::size_t>(i)]);
        }
    }
    EXPECT_EQ(filled, expectedReadAll());
    EXPECT_EQ(empty,
              (std::vector<int>{6, 9, 13, 14, 18, 27, 29, 31, 32, 33, 34, 35, 36, 38, 41, 322}));
    EXPECT_EQ(table[50], "LS,R,");
    EXPECT_EQ(table[51], "LI,R,01");
    EXPECT_EQ(table[66], "XS,R,0000");
    EXPECT_EQ(table[321], "XS,R,00FF");
}

TEST(ReadAll, SendsTheTableInOrderAndLeavesTheModelAsTheInstrumentIs) {
    SimLink s;
    ASSERT_TRUE(s.connect());
    const auto linesBefore = s.logLines().size();
    s.model.SetChangeFlags(true, true);  // an edit pending before the read: the read replaces it
    s.model.setFailLine("XS,R");

    ASSERT_TRUE(s.link.reads().GetInstrument(&s.model));
    EXPECT_EQ(s.port.payloads(), expectedReadAll());
    EXPECT_EQ(s.link.Instrument(), &s.model);
    EXPECT_EQ(s.link.Status(), link_status::Done);
    EXPECT_EQ(s.model.FailLine(), "");
    EXPECT_EQ(SetChangeFlagNames(s.model), std::vector<std::string>{});

    const sim::SimState& state = s.instrument.state();
    const InstrumentModel& m = s.model;
    EXPECT_EQ(m.RomNumber(), state.romNumber);
    // The identity texts travel padded to their fields.
    EXPECT_EQ(m.SerialNo(), trimmed(state.serialNo));
    EXPECT_EQ(m.UserID(), trimmed(state.userId));
    EXPECT_EQ(m.StationID(), trimmed(state.stationId));
    for (int n = 0; n < sim::kStationCount; ++n) EXPECT_EQ(m.StationList(n), state.stations[n]);
    for (int g = 0; g < sim::kGasCount; ++g) {
        EXPECT_FLOAT_EQ(m.GasFullScale(g), state.gases[g].fullScale);
        EXPECT_FLOAT_EQ(m.Alarm(g), state.gases[g].alarm);
        EXPECT_FLOAT_EQ(m.AutoCalib(g), state.gases[g].autoCal);
    }
    for (int i = 1; i < sim::kLibraryCount; ++i) {
        EXPECT_EQ(m.LI_Ratio(i), state.library[i].ratio);
    }
    // The instrument clock is the host's: the virtual local clock.
    EXPECT_EQ(GeneralDate(m.SysDate()).substr(0, 10),
              GeneralDate(s.host.localDateTime()).substr(0, 10));
    // Every frame sent and received went to the log.
    const auto lines = s.logLines();
    EXPECT_EQ(std::count_if(lines.begin() + static_cast<std::ptrdiff_t>(linesBefore), lines.end(),
                            [](const std::string& l) { return l.starts_with("R : "); }),
              307);
}

TEST(ReadAll, AnImpossibleClockStopsTheReadAllBeforeTheNextCommand) {
    SimLink s;
    ASSERT_TRUE(s.connect(3, 2));
    s.port.rewrite = [](std::string bytes) {
        if (bytes.find("HC,R") == std::string::npos) return bytes;
        return BuildFrame("HC,R,261307080000", EOT);  // month 13
    };
    EXPECT_FALSE(s.link.reads().GetInstrument(&s.model));
    auto payloads = s.port.payloads();
    ASSERT_EQ(payloads.size(), 5u + 4u);  // five reads, then the clock sent once and resent 3 times
    const auto all = expectedReadAll();
    EXPECT_EQ(std::vector<std::string>(payloads.begin(), payloads.begin() + 5),
              std::vector<std::string>(all.begin(), all.begin() + 5));
    for (std::size_t i = 5; i < payloads.size(); ++i) EXPECT_EQ(payloads[i], "HC,R,");
    EXPECT_EQ(s.model.FailLine(), "HC,R");
    EXPECT_EQ(s.link.Status(), link_status::Failed);
    const auto lines = s.logLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "<<< improper date at HC >>> 261307080000"),
              lines.end());
}

TEST(ReadAll, IdentityReadSendsFiveFramesAndKeepsTheRestOfTheModel) {
    SimLink s;
    ASSERT_TRUE(s.connect());
    s.model.setIntervals(17);
    ASSERT_TRUE(s.link.reads().GetRomNo(&s.model));
    EXPECT_EQ(s.port.payloads(),
              (std::vector<std::string>{"VP,R,", "XZ,R,", "XS,R,****", "IN,R,", "HN,R,"}));
    EXPECT_EQ(s.model.Intervals(), 17);  // not cleared
    EXPECT_EQ(s.model.SerialNo(), trimmed(s.instrument.state().serialNo));
}

TEST(ReadAll, WithoutAModelNothingIsSent) {
    SimLink s;
    ASSERT_TRUE(s.connect());
    EXPECT_FALSE(s.link.reads().GetInstrument(nullptr));
    EXPECT_FALSE(s.link.reads().GetRomNo(nullptr));
    EXPECT_FALSE(s.link.operations().GetGasInfo(nullptr));
    EXPECT_FALSE(s.link.operations().ReadHcMode(nullptr));
    EXPECT_TRUE(s.port.frames.empty());
}

// A host that cancels once the read-all is under way.
class CancellingEvents : public RecordingEvents {
  public:
    InstrumentLink* link = nullptr;
    int cancelAfter = 0;
    void StsTransmit() override {
        if (++transmits == cancelAfter && link) link->setCancel(true);
    }
};

TEST(ReadAll, CancelEndsTheReadAllWithFalse) {
    VirtualHost host;
    sim::SimInstrument instrument(host, sim::DefaultSimState());
    TappedPort port{instrument};
    CancellingEvents events;
    TempDir dir;
    InstrumentLink link{host, events, &port, nullptr, dir.path()};
    link.setRetry(3);
    link.setTimeout(2);
    link.setPortOpen(true);
    ASSERT_TRUE(host.pumpUntil([&] { return link.Connected(); }, EventHost::Millis{10000}));
    port.frames.clear();
    events.link = &link;
    events.cancelAfter = events.transmits + 20;  // ten frames out and ten replies in
    InstrumentModel model;
    EXPECT_FALSE(link.reads().GetInstrument(&model));
    EXPECT_LT(port.frames.size(), 15u);
    EXPECT_EQ(link.Status(), link_status::Cancelled);
}

// On a line where nothing answers, a Cancel ends the read at once: not after the resends and
// time-outs still owed (here 4 x 2 s), and nothing more is sent; the resends so far are counted.
TEST(ReadAll, CancelOnASilentLineEndsTheReadAtOnce) {
    SimLink s;
    ASSERT_TRUE(s.connect(3, 2));
    // Switched off: it answers nothing from now on.
    ASSERT_TRUE(s.link.WaitFor(link_status::AwaitWrite, "RO,W,"));
    ASSERT_FALSE(s.instrument.poweredOn());
    const std::int32_t resendsBefore = s.link.ResendCount();
    std::size_t framesAtCancel = 0;
    std::int32_t resendsAtCancel = 0;
    const EventHost::Millis cancelAt = s.host.now() + EventHost::Millis{4500};
    s.host.callLater(EventHost::Millis{4500}, [&] {
        framesAtCancel = s.port.frames.size();
        resendsAtCancel = s.link.ResendCount();
        s.link.setCancel(true);
    });
    InstrumentModel model;
    EXPECT_FALSE(s.link.reads().GetInstrument(&model));
    EXPECT_EQ(s.link.Status(), link_status::Cancelled);
    EXPECT_LE(s.host.now() - cancelAt, EventHost::Millis{100});
    EXPECT_EQ(resendsAtCancel - resendsBefore, 2);  // at 2 s and at 4 s
    EXPECT_EQ(s.port.frames.size(), framesAtCancel);
    s.host.runFor(EventHost::Millis{10000});  // nothing is resent later either
    EXPECT_EQ(s.port.frames.size(), framesAtCancel);
    EXPECT_EQ(s.link.ResendCount(), resendsAtCancel);
}

TEST(ReadAll, ProgressTextsAreRaisedOnceAndCleared) {
    LinkHarness h;
    h.connect();
    // A block (ETB) of the answer carries a progress text; the wait runs a turn before the end.
    h.link.setReplyDecoder([&](std::string& frame) {
        if (frame.back() == ETB) h.link.Instrument()->setMessageString("Reading");
        return true;
    });
    // Each answer carries its request's key, as the instrument's do.
    auto answer = [](const std::string& key) {
        return std::vector<PortScript::Chunk>{{EventHost::Millis{5}, Reply(key + ",1", ETB)},
                                              {EventHost::Millis{20}, Reply(key + ",2")}};
    };
    h.script.answerChunks("SO,R,", answer("SO,R"));
    h.script.answerChunks("GJ,R,", answer("GJ,R"));

    InstrumentModel model;
    ASSERT_TRUE(h.link.operations().GetLatestHistory(&model));
    EXPECT_EQ(h.events.raised, std::vector<std::string>{"InterMessage Reading"});
    EXPECT_EQ(model.MessageString(), "");

    h.events.raised.clear();
    InstrumentModel gasModel;
    ASSERT_TRUE(h.link.operations().GetGasInfo(&gasModel));
    EXPECT_EQ(h.events.raised, std::vector<std::string>{"InstMessage Reading"});
    EXPECT_EQ(gasModel.MessageString(), "");
    // The single read binds the model it found again.
    EXPECT_EQ(h.link.Instrument(), &model);
}

TEST(ReadAll, AFailedGasReadBlanksTheChannels) {
    SimLink s;
    ASSERT_TRUE(s.connect(1, 1));
    ASSERT_TRUE(s.link.operations().GetGasInfo(&s.model));
    EXPECT_EQ(s.model.GasName(3), "CO");
    s.port.rewrite = [](std::string) { return std::string(); };  // the instrument goes quiet
    EXPECT_FALSE(s.link.operations().GetGasInfo(&s.model));
    EXPECT_EQ(s.link.Status(), link_status::Stopped);
    InstrumentModel blank;
    DecodeGasRecord(std::string(25, '*'), blank, 0);
    for (int g = 0; g < 5; ++g) EXPECT_EQ(s.model.GasName(g), blank.GasName(0));
    EXPECT_FALSE(s.link.operations().GetAutoCalReadings(&s.model));
    for (int g = 0; g < 5; ++g) EXPECT_FLOAT_EQ(s.model.AutoCalib(g), -101.0f);
}

TEST(ReadAll, SendAndWaitSkipsABrokenChainAndMarksWhatWasWritten) {
    LinkHarness h;
    h.connect(3, 1);
    h.link.setRetry(0);
    h.link.setReplyDecoder(
        [](std::string& frame) { return frame.find("GOOD") != std::string::npos; });
    h.script.answer("UD,W,1", Reply("UD,W,GOOD"));
    h.script.answer("UD,W,2", Reply("UD,W,BAD"));

    bool chain = true;
    bool first = false, second = false, third = false;
    h.link.reads().SendAndWait(chain, "UD,W,1", first);
    h.link.reads().SendAndWait(chain, "UD,W,2", second);
    h.link.reads().SendAndWait(chain, "UD,W,1", third);
    EXPECT_TRUE(first);
    EXPECT_FALSE(second);
    EXPECT_FALSE(third);
    EXPECT_FALSE(chain);
    EXPECT_EQ(h.sent(), (std::vector<std::string>{"UD,W,1", "UD,W,2"}));
}

}  // namespace
}  // namespace vq::test

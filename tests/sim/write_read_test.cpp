// A write followed by a read returns what was written: the program's own settings writer sends
// its requests to the virtual instrument, and a fresh read-all finds the new values.

#include <gtest/gtest.h>

#include "protocol/settings_write.h"
#include "sim/state_file.h"
#include "sim_test_support.h"

namespace vq::sim::testing {
namespace {

// The writer's view of the link: one attempt per write, decided by the program's decoder.
class BenchChannel : public SettingsWriteChannel {
  public:
    explicit BenchChannel(Bench& bench) : bench_(bench) {}
    std::vector<std::string> sent;

    bool sendAndWait(const std::string& payload) override {
        sent.push_back(payload);
        const Reply reply = bench_.ask(payload);
        if (reply.size() != 1) return false;
        last_ = reply[0].bytes;
        return bench_.decoder.DecodeReply(last_, &bench_.model, bench_.host);
    }
    std::string lastReply() const override { return last_; }
    void logMessage(int, const std::vector<std::string>&) override {}
    std::string generalDateNow() const override { return "2026/12/07 08:00:00"; }
    std::chrono::milliseconds steadyNow() const override { return {}; }

  private:
    Bench& bench_;
    std::string last_;
};

void readAll(Bench& bench) {
    for (const std::string& payload : ReadAllPayloads())
        ASSERT_TRUE(bench.exchange(payload)) << payload;
}

TEST(SimWriteRead, EverySettingWrittenIsReadBack) {
    Bench bench;
    readAll(bench);
    InstrumentModel& m = bench.model;
    m.setSpecNo("TYPE-77");
    m.setUserID("TECH 7");
    m.setStationID("PLANT NORTH");
    m.setSerialNo("SN-42");
    m.setDummySerial("SN-42B");
    m.setGasName(2, "H2S-B");
    m.setGasEnabled(2, true);
    m.setLS_Ratio(0, 2.5f);
    m.setLS_Linear1_a(0, 0.125);
    m.setHcMode(2);
    m.setAlarmMode(1);
    m.setDispCalLimit(1);
    m.setCalCheck(2);
    m.setConfirmation(12);  // sent in decimal, read back in hexadecimal
    m.setLogOverWrite(1);
    m.setLcdBackLight(20);
    m.setautoBackLight(0);
    m.setStelTwaOnOff(0);
    m.setBumpTime(3);
    m.setBumpThreshold(4);
    m.setLcBhMode(2);
    m.setBhTime(1);
    m.setLcBuzzer(1);
    m.setAlarmOnOff(0);
    m.setAlarmO2(2);
    m.setWarning(0, 15);
    m.setAlarm(3, 100);
    m.setAutoCalib(1, 15.5f);
    m.setStel(2, 7.5f);
    m.setTwa(3, noValue);
    m.setCalLimit(90);
    m.setIntervals(180);
    m.setSpecType("2");
    m.setAutoZero(1);
    m.setDemandZero(1);
    m.setStationList(10, "PUMP HOUSE 10");
    const InstrumentModel written = m;

    BenchChannel channel(bench);
    const SettingsWriteResult result = RunSettingsWrite(m, channel);
    EXPECT_TRUE(result.succeeded());
    EXPECT_FALSE(result.levelsUnconfirmed);  // the level lists came back as sent
    EXPECT_EQ(channel.sent.back(), "DW,W,");

    Bench reread(bench.responder.state());
    readAll(reread);
    const InstrumentModel& r = reread.model;
    EXPECT_EQ(r.SpecNo(), "TYPE-77");
    EXPECT_EQ(r.UserID(), "TECH 7");
    EXPECT_EQ(r.StationID(), "PLANT NORTH");
    EXPECT_EQ(r.SerialNo(), "SN-42");
    EXPECT_EQ(r.DummySerial(), "SN-42B");
    EXPECT_EQ(r.GasName(2), "H2S-B");
    EXPECT_EQ(r.LS_Ratio(0), 2.5f);
    EXPECT_EQ(r.LS_Linear1_a(0), 0.125);
    EXPECT_EQ(r.HcMode(), 2);
    EXPECT_EQ(r.AlarmMode(), 1);
    EXPECT_EQ(r.DispCalLimit(), 1);
    EXPECT_EQ(r.CalCheck(), 2);
    EXPECT_EQ(r.Confirmation(), 12);
    EXPECT_EQ(r.LogOverWrite(), 1);
    EXPECT_EQ(r.LcdBackLight(), 20);
    EXPECT_EQ(r.autoBackLight(), 0);
    EXPECT_EQ(r.StelTwaOnOff(), 0);
    EXPECT_EQ(r.BumpTime(), 3);
    EXPECT_EQ(r.BumpThreshold(), 4);
    EXPECT_EQ(r.LcBhMode(), 2);
    EXPECT_EQ(r.BhTime(), 1);
    EXPECT_EQ(r.LcBuzzer(), 1);
    EXPECT_EQ(r.AlarmOnOff(), 0);
    EXPECT_EQ(r.AlarmO2(), 2);
    EXPECT_FLOAT_EQ(r.Warning(0), 15);
    EXPECT_FLOAT_EQ(r.Alarm(3), 100);
    EXPECT_FLOAT_EQ(r.AutoCalib(1), 15.5f);
    EXPECT_FLOAT_EQ(r.Stel(2), 7.5f);
    EXPECT_FLOAT_EQ(r.Twa(3), noValue);
    EXPECT_EQ(r.CalLimit(), 90);
    EXPECT_EQ(r.Intervals(), 180);
    EXPECT_EQ(r.SpecType(), "2");
    EXPECT_EQ(r.AutoZero(), 1);
    EXPECT_EQ(r.DemandZero(), 1);
    EXPECT_EQ(r.StationList(10), written.StationList(10) + std::string(3, ' '));
}

TEST(SimWriteRead, SingleSettingsEchoTheStoredValue) {
    Bench bench;
    // Hexadecimal settings keep negative values; the echo is what was stored.
    EXPECT_EQ(bench.replyText("HF,W,FFF6"), Request("HF,W,FFF6"));
    EXPECT_EQ(bench.responder.state().settings.pressOffset, -10);
    EXPECT_EQ(bench.replyText("CP,W,0001F400"), Request("CP,W,0001F400"));
    EXPECT_EQ(bench.replyText("SJ,W,1"), Request("SJ,W,1,"));
    // A group value out of range is not stored; the others are.
    EXPECT_EQ(bench.replyText("BU,W,2,7,1,0"), Request("BU,W,2,1,1,0"));
    // An unknown SpecType is refused by answering with the type kept.
    EXPECT_EQ(bench.replyText("UJ,W,5"), Request("UJ,W,0,"));
    // A clock set is answered with the request itself; the clock runs on from there.
    EXPECT_EQ(bench.replyText("HC,W,240305140709"), Request("HC,W,240305140709"));
    bench.seconds = 61;
    EXPECT_EQ(bench.replyText("HC,R,"), Request("HC,R,240305140810"));
}

TEST(SimWriteRead, MalformedWritesAreRefusedAndChangeNothing) {
    Bench bench;
    const SimState before = bench.responder.state();
    for (const char* payload :
         {"LP,W,x", "SC,W,12345", "HC,W,241305140709", "HC,W,2403051407", "A1,W,1,2,3,4",
          "A1,W,1,2,3,4,WORD", "GJ,W,short", "XS,W,0100,TOO FAR", "BP,W,2", "SZ,W,11", "S2,W,10000",
          "LI,R,10", "LS,W,C9,x"}) {
        SCOPED_TRACE(payload);
        const Reply reply = bench.ask(payload);
        ASSERT_EQ(reply.size(), 1u);
        EXPECT_EQ(reply[0].bytes.substr(10, 1), std::string(1, NAK));
    }
    EXPECT_EQ(StateToText(bench.responder.state()), StateToText(before));
}

}  // namespace
}  // namespace vq::sim::testing

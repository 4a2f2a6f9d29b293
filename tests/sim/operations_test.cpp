// The instrument's multi-step operations: confirm polls, zero and span calibration with
// per-channel failures, N2 calibration, power-off, check data and the memory dumps.

#include <gtest/gtest.h>

#include "sim/state_file.h"
#include "sim_test_support.h"

namespace vq::sim::testing {
namespace {

char firstPayloadChar(const std::string& frame) {
    return frame.size() > 10 ? frame[10] : 0;
}

TEST(SimOperations, ClearIsBusyForAFewSecondsThenAcknowledged) {
    Bench bench;
    EXPECT_TRUE(bench.exchange("XC,W,"));
    EXPECT_EQ(bench.responder.state().flash[kLoggerStart], 0xFF);  // the body log is gone
    EXPECT_EQ(bench.responder.state().flash[0], 'V');              // the header page stays
    bench.seconds = 5;
    EXPECT_TRUE(bench.exchange("XC,C,"));
    EXPECT_FALSE(bench.host.confirmAcked.value_or(false));
    bench.seconds = 10;
    EXPECT_TRUE(bench.exchange("XC,C,"));
    EXPECT_TRUE(bench.host.confirmAcked.value_or(false));
    bench.seconds = 15;  // asked again (the answer was lost): still done
    EXPECT_TRUE(bench.exchange("XC,C,"));
    EXPECT_TRUE(bench.host.confirmAcked.value_or(false));
}

TEST(SimOperations, ConfirmWithoutAStartedJobIsNeverAcknowledged) {
    Bench bench;
    for (const char* poll : {"XC,C,", "XY,C,", "UX,C,"}) {
        EXPECT_TRUE(bench.exchange(poll)) << poll;
        EXPECT_FALSE(bench.host.confirmAcked.value_or(false)) << poll;
    }
    // The jobs are separate: a running clear does not confirm a defaults restore.
    EXPECT_TRUE(bench.exchange("XY,W,"));
    bench.seconds = 30;
    EXPECT_TRUE(bench.exchange("UX,C,"));
    EXPECT_FALSE(bench.host.confirmAcked.value_or(false));
}

TEST(SimOperations, DefaultsRestoreUserSettingsButKeepIdentity) {
    Bench bench;
    EXPECT_EQ(bench.replyText("XZ,W,SOMEONE"), Request("XZ,W,SOMEONE         "));
    EXPECT_EQ(bench.replyText("LP,W,2"), Request("LP,W,2,"));
    EXPECT_EQ(bench.replyText("A1,W,   40, 19.5,  5.0,   25,   50"),
              Request("A1,W,   40, 19.5,  5.0,   25,   50"));
    EXPECT_TRUE(bench.exchange("UX,W,"));
    EXPECT_EQ(bench.responder.state().settings.hcMode, 0);
    EXPECT_FLOAT_EQ(bench.responder.state().gases[0].warning, 10);
    EXPECT_EQ(bench.responder.state().userId, FixedWidth("SOMEONE", kUserIdWidth));
}

TEST(SimOperations, ZeroAnswersBusyWhileWorkingThenOneCharacterPerChannel) {
    SimState state = DefaultSimState();
    state.gases[3].zeroFails = true;
    Bench bench(state);
    EXPECT_TRUE(bench.exchange("SZ,W,11111"));
    bench.seconds = 1;
    const std::string busy = bench.replyText("SZ,C,");
    EXPECT_EQ(firstPayloadChar(busy), SUB);
    EXPECT_TRUE(bench.decoder.DecodeReply(busy, &bench.model, bench.host));
    EXPECT_EQ(bench.host.zeroCalResult.value_or(""), "");
    bench.seconds = 3;
    EXPECT_TRUE(bench.exchange("SZ,C,"));
    EXPECT_EQ(bench.host.zeroCalResult.value_or(""), "00010");

    EXPECT_TRUE(bench.exchange("DN,R,"));
    EXPECT_EQ(bench.host.readings()[0], 0.0f);  // zeroed channels read exactly zero
    // Zero is done in fresh air: oxygen reads the air's 20.9 %, give or take a step of noise.
    EXPECT_NEAR(bench.host.readings()[1], 20.9f, 0.11f);
    EXPECT_NEAR(bench.host.readings()[3], 3.0f, 1.01f);  // the failing channel kept its drift

    EXPECT_TRUE(bench.exchange("SO,R,"));
    EXPECT_FLOAT_EQ(bench.model.CalibBefore(0), 2.0f);
    EXPECT_FLOAT_EQ(bench.model.CalibAfter(0), 0.0f);
    EXPECT_FLOAT_EQ(bench.model.CalibAfter(1), 20.9f);
    EXPECT_FLOAT_EQ(bench.model.CalibBefore(3), kNoValue);  // never calibrated
}

TEST(SimOperations, ZeroPollWithoutAZeroIsAnError) {
    Bench bench;
    EXPECT_FALSE(bench.exchange("SZ,C,"));
}

TEST(SimOperations, SpanBringsSelectedChannelsToTheGivenConcentration) {
    SimState state = DefaultSimState();
    state.gases[2].spanFails = true;
    Bench bench(state);
    // Channels 0, 2 and 3; channel 3 asked above its full scale.
    EXPECT_TRUE(bench.exchange("S2,W,10110,   50,*****, 25.0,  900,*****"));
    EXPECT_EQ(bench.host.spanCalResult.value_or(""), "0-11-");
    EXPECT_TRUE(bench.exchange("S2,C,"));
    EXPECT_EQ(bench.host.spanCalResult.value_or(""), "0-11-");
    bench.responder.state().noiseSteps = 0;
    EXPECT_TRUE(bench.exchange("DN,R,"));
    EXPECT_EQ(bench.host.readings()[0], 50.0f);
    EXPECT_EQ(bench.host.readings()[2], 0.3f);
}

TEST(SimOperations, N2CalibrationReportsTheSecondCombustibleChannel) {
    Bench bench;
    EXPECT_TRUE(bench.exchange("SN,W, 20.9"));
    EXPECT_EQ(bench.host.o2CalResult.value_or(""), "----0");
    EXPECT_EQ(bench.responder.state().gases[4].reading, 0.0f);

    SimState failing = DefaultSimState();
    failing.gases[4].spanFails = true;
    Bench refused(failing);
    EXPECT_FALSE(refused.exchange("SN,W, 20.9"));
    EXPECT_EQ(refused.host.o2CalResult.value_or(""), "");
}

TEST(SimOperations, PowerOffAnswersThenNothingAnswersUntilSwitchedOn) {
    Bench bench;
    EXPECT_TRUE(bench.exchange("XC,W,"));  // a job in progress is lost with the power
    EXPECT_TRUE(bench.exchange("RO,W,"));
    EXPECT_FALSE(bench.responder.poweredOn());
    // Every read of a read-all, a write, polls, dumps, the power-off itself, an unknown command:
    // no answer, not even after the port was opened again.
    std::vector<std::string> requests = ReadAllPayloads();
    for (const char* more :
         {"A1,W,   40, 19.5,  5.0,   25,   50", "XC,C,", "EP,R,0000", "EF,R,", "RO,W,", "ZZ,R,"})
        requests.push_back(more);
    for (int opening = 0; opening < 2; ++opening) {
        for (const std::string& request : requests)
            EXPECT_TRUE(bench.ask(request).empty()) << request;
        bench.responder.portOpened();
    }
    bench.responder.switchOn();
    EXPECT_TRUE(bench.exchange("RC,R,"));
    bench.seconds = 30;
    bench.host.confirmAcked.reset();
    bench.exchange("XC,C,");
    EXPECT_FALSE(bench.host.confirmAcked.value_or(false));  // the job did not survive
}

TEST(SimOperations, CheckDataIsWrittenToFram) {
    Bench bench;
    EXPECT_TRUE(bench.exchange("XH,E,"));
    const auto& fram = bench.responder.state().fram;
    EXPECT_EQ(std::string(fram.begin() + kCheckDataAddress, fram.begin() + kCheckDataAddress + 6),
              "CHECK ");
}

TEST(SimOperations, FlashBlocksAreRawImageBytes) {
    Bench bench;
    const Reply reply = bench.ask("EP,R,0008");
    ASSERT_EQ(reply.size(), 1u);
    EXPECT_TRUE(reply[0].raw);
    const auto& flash = bench.responder.state().flash;
    EXPECT_EQ(reply[0].bytes, std::string(flash.begin() + 8 * 512, flash.begin() + 9 * 512));
    EXPECT_EQ(bench.ask("EP,R,03FF").size(), 1u);
    EXPECT_TRUE(bench.ask("EP,R,0400").empty());  // beyond the image: no bytes at all
}

TEST(SimOperations, FramListingIsAcknowledgedBlockByBlock) {
    Bench bench;
    Reply reply = bench.ask("EF,R,");
    std::size_t blocks = 0;
    while (reply.size() == 1) {
        const std::string frame = reply[0].bytes;
        ++blocks;
        ASSERT_TRUE(bench.decoder.DecodeReply(frame, &bench.model, bench.host)) << blocks;
        if (blocks == 3 || frame.back() == EOT) {
            // A NAK asks for the same block again, the last one (EOT) as well.
            const Reply again = bench.ask(std::string(1, NAK) + "EF,R,", ETB);
            ASSERT_EQ(again.size(), 1u);
            EXPECT_EQ(again[0].bytes, frame);
        }
        if (frame.back() == EOT) break;
        ASSERT_EQ(frame.back(), ETB);
        // The link acknowledges with ACK and the start of the frame it last sent.
        reply = bench.ask(std::string(1, ACK) + "EF,R,", ETB);
    }
    EXPECT_EQ(blocks, kFramSize / kFramBlock);
    ASSERT_EQ(bench.host.dumpLines.size(), kFramSize / 16);
    const auto& fram = bench.responder.state().fram;
    EXPECT_EQ(bench.host.dumpLines[0].second, 0u);
    EXPECT_EQ(bench.host.dumpLines[0].first.substr(0, 4), "5651");  // "VQ"
    EXPECT_EQ(bench.host.dumpLines.back().second, kFramSize - 16);
    EXPECT_EQ(fram.size(), kFramSize);
    // After the last block an acknowledgement starts nothing new.
    EXPECT_TRUE(bench.ask(std::string(1, ACK) + "EF,R,", ETB).empty());
}

}  // namespace
}  // namespace vq::sim::testing

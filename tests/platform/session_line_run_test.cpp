// What vq5100ctl runs through the session's line and reads, end to end over the virtual instrument
// on the virtual clock: the tuning the run gives the link, the reads, the words for a read that
// stopped, the readings poll and the memory dumps into real files.
#include "platform/session_line.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <memory>

#include "link/virtual_host.h"
#include "model/instrument.h"
#include "platform/instrument_reads.h"
#include "platform/instrument_session.h"
#include "sim/inproc_port.h"
#include "sim/sim_instrument.h"
#include "sim/sim_state.h"

namespace vq {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

struct Bench {
    Bench() : instrument(host, sim::DefaultSimState(), 1, {}) {
        PortOptions options;
        options.mode = PortMode::Serial;
        options.device = "/dev/ttyS0";
        session = std::make_unique<InstrumentSession>(
            InstrumentSession::Parts{host, &serial, &socket, {}, &instrument}, options,
            dir.path().toStdString(), [](std::string_view) { return FoundPorts{}; });
        QObject::connect(session.get(), &InstrumentSession::readings,
                         [this](const std::array<float, 5>&) { ++readings; });
    }
    ~Bench() { session.reset(); }

    bool connect(const LinkTuning& tuning) {
        SessionLine ops = session->line();
        ops.tune(tuning);
        session->openPort(session->choosePort());
        if (!ops.portOpen()) return false;
        const auto limit = ops.now() + ops.probeLimit();
        ops.pumpWhile([&] { return !ops.instrumentConnected() && ops.now() < limit; });
        return ops.instrumentConnected();
    }

    QTemporaryDir dir;
    VirtualHost host;
    sim::SimInstrument instrument;
    sim::InProcessSerialPort serial{instrument};
    sim::InProcessSocketPort socket{instrument};
    int readings = 0;
    std::unique_ptr<InstrumentSession> session;
};

LinkTuning tuning(int retry, int timeout) {
    LinkTuning t;
    t.serialLog = false;
    t.probeAtOnce = true;
    t.retry = retry;
    t.timeoutSeconds = timeout;
    t.pauses = milliseconds(50);
    return t;
}

// The waits follow the tuning: a probe round (12 ticks) per try plus the time-out, and the time-out
// per try for one command.
TEST(SessionLine, TheWaitsFollowTheTuning) {
    struct Case {
        int retry, timeout;
        milliseconds probe, reply;
    };
    for (const Case& c : {Case{3, 3, milliseconds(4 * 1200 + 3000), seconds(12)},
                          Case{0, 1, milliseconds(1200 + 1000), seconds(1)},
                          Case{5, 10, milliseconds(6 * 1200 + 10000), seconds(60)}}) {
        Bench bench;
        SessionLine ops = bench.session->line();
        ops.tune(tuning(c.retry, c.timeout));
        EXPECT_EQ(ops.probeLimit(), c.probe) << c.retry << "/" << c.timeout;
        EXPECT_EQ(ops.replyLimit(), c.reply) << c.retry << "/" << c.timeout;
    }
}

TEST(InstrumentReads, ReadsWhatTheInstrumentHolds) {
    Bench bench;
    ASSERT_TRUE(bench.connect(tuning(3, 3)));
    SessionLine line = bench.session->line();
    // Right after connecting, the last reply is the probe's answer.
    EXPECT_NE(line.lastReply().find("RC,R,"), std::string::npos) << line.lastReply();
    InstrumentReads ops = bench.session->reads();

    // The instrument holds its texts padded to their width; the model holds them trimmed.
    std::string held = bench.instrument.state().serialNo;
    held.erase(held.find_last_not_of(' ') + 1);
    ASSERT_FALSE(held.empty());
    InstrumentModel identity;
    ASSERT_TRUE(ops.readIdentity(identity));
    EXPECT_EQ(identity.SerialNo(), held);
    InstrumentModel gases;
    ASSERT_TRUE(ops.readGases(gases));
    EXPECT_FALSE(gases.GasName(0).empty());
    InstrumentModel all;
    ASSERT_TRUE(ops.readAll(all));
    EXPECT_TRUE(ops.readLatestHistory(all));
    EXPECT_EQ(all.SerialNo(), held);
    EXPECT_EQ(all.GasName(0), gases.GasName(0));
}

// A read that stops is named: the command and how often it was tried, and a dropped line is
// given as the reason.
TEST(InstrumentReads, AReadThatStopsIsNamed) {
    Bench bench;
    ASSERT_TRUE(bench.connect(tuning(1, 1)));
    // Switched off, the instrument answers nothing more.
    ASSERT_TRUE(bench.session->powerOff());
    InstrumentReads ops = bench.session->reads();
    InstrumentModel model;
    EXPECT_FALSE(ops.readAll(model));
    const std::string quiet = ops.readFailureText(false);
    EXPECT_NE(quiet.find("\": no answer after 2 tries"), std::string::npos) << quiet;
    const std::string dropped = ops.readFailureText(true);
    EXPECT_NE(dropped.find("\": the line dropped"), std::string::npos) << dropped;
    EXPECT_EQ(dropped.substr(0, dropped.find(':')), quiet.substr(0, quiet.find(':'))) << dropped;
}

// The poll decodes into the model it was started with, once a second, and stops when told.
TEST(InstrumentReads, TheReadingsPollStartsAndStops) {
    Bench bench;
    ASSERT_TRUE(bench.connect(tuning(3, 3)));
    InstrumentReads ops = bench.session->reads();
    InstrumentModel model;
    ops.startReadings(model);
    bench.host.runFor(milliseconds(3500));
    EXPECT_EQ(bench.readings, 3);
    ops.stopReadings();
    bench.host.runFor(milliseconds(3000));
    EXPECT_EQ(bench.readings, 3);
}

// Both dumps land in real files; a file that cannot be written is the reason given, not a failed
// transfer.
TEST(InstrumentReads, TheDumpsWriteTheirFilesOrSayWhyNot) {
    Bench bench;
    ASSERT_TRUE(bench.connect(tuning(3, 3)));
    InstrumentReads ops = bench.session->reads();
    const std::filesystem::path dir = bench.dir.path().toStdString();
    const int last = InstrumentReads::lastFlashBlock();
    EXPECT_EQ(last, 1023);
    ASSERT_TRUE(ops.flashImage((dir / "image.dat").string(), last - 1, last));
    EXPECT_EQ(std::filesystem::file_size(dir / "image.dat"), 524288u);
    EXPECT_TRUE(ops.dumpFileError().empty());
    ASSERT_TRUE(ops.framListing((dir / "listing.dat").string()));
    EXPECT_GT(std::filesystem::file_size(dir / "listing.dat"), 0u);

    const std::string nowhere = (dir / "missing" / "listing.dat").string();
    EXPECT_FALSE(ops.framListing(nowhere));
    EXPECT_NE(ops.dumpFileError().find("missing"), std::string::npos) << ops.dumpFileError();
}

}  // namespace
}  // namespace vq

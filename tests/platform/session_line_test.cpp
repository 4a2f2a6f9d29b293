// What the main window does through the session's line and reads: every read and dump sends what
// the link's own call sends, against the virtual instrument on the virtual clock; the line's
// answers (connected, unanswered, answered, cancelled) follow what really happened on it; its
// settings, model, log, port and clock reach the link and the host.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "model/ole_date.h"
#include "platform/instrument_reads.h"
#include "platform/session_line.h"
#include "tests/support/connected_sim_link.h"

namespace vq::test {
namespace {

using Millis = EventHost::Millis;

TEST(InstrumentReads, EachReadSendsWhatTheLinkSendsAndFillsTheSameModel) {
    struct Case {
        const char* name;
        std::function<bool(InstrumentReads&, InstrumentModel&, const std::string& folder)> viaReads;
        std::function<bool(InstrumentLink&, InstrumentModel&, const std::string& folder)> viaLink;
    };
    const std::vector<Case> cases = {
        {"read-all", [](InstrumentReads& r, InstrumentModel& m, auto&) { return r.readAll(m); },
         [](InstrumentLink& l, InstrumentModel& m, auto&) { return l.reads().GetInstrument(&m); }},
        {"identity",
         [](InstrumentReads& r, InstrumentModel& m, auto&) { return r.readIdentity(m); },
         [](InstrumentLink& l, InstrumentModel& m, auto&) { return l.reads().GetRomNo(&m); }},
        {"latest history",
         [](InstrumentReads& r, InstrumentModel& m, auto&) { return r.readLatestHistory(m); },
         [](InstrumentLink& l, InstrumentModel& m, auto&) {
             return l.operations().GetLatestHistory(&m);
         }},
        {"flash image, two blocks",
         [](InstrumentReads& r, InstrumentModel&, const std::string& folder) {
             return r.flashImage(folder + "/image.dat", 0, 1);
         },
         [](InstrumentLink& l, InstrumentModel&, const std::string& folder) {
             return l.dumps().GetBinDump(folder + "/image.dat", 0, 1);
         }},
        {"FRAM listing",
         [](InstrumentReads& r, InstrumentModel&, const std::string& folder) {
             return r.framListing(folder + "/DumpEF.dat");
         },
         [](InstrumentLink& l, InstrumentModel&, const std::string& folder) {
             return l.dumps().GetMemoryListing(folder + "/DumpEF.dat");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConnectedSimLink viaReads;
        ConnectedSimLink viaLink;
        InstrumentReads reads(viaReads.s.link);
        InstrumentModel a;
        InstrumentModel l;
        EXPECT_TRUE(c.viaReads(reads, a, viaReads.s.dir.path()));
        EXPECT_TRUE(c.viaLink(viaLink.s.link, l, viaLink.s.dir.path()));
        EXPECT_FALSE(viaReads.s.port.payloads().empty());
        EXPECT_EQ(viaReads.s.port.payloads(), viaLink.s.port.payloads());
        EXPECT_EQ(a.SerialNo(), l.SerialNo());
        EXPECT_EQ(a.RomNumber(), l.RomNumber());
        EXPECT_EQ(a.SUM(), l.SUM());
        EXPECT_EQ(reads.dumpFileError(), "");
        EXPECT_FALSE(reads.readingsPolled());
    }
}

TEST(InstrumentReads, TheReadAllFrameCountIsWhatAReadAllSends) {
    ConnectedSimLink b;
    InstrumentReads reads(b.s.link);
    ASSERT_TRUE(reads.readAll(b.s.model));
    // No line faults, so no resends: one frame per command of the read-all, which is what the
    // window's progress bar counts up to.
    EXPECT_EQ(static_cast<int>(b.s.port.frames.size()), InstrumentReads::readAllFrameCount());
    EXPECT_GT(InstrumentReads::readAllFrameCount(), 5);
}

TEST(InstrumentReads, ADumpIntoAFolderThatIsNotThereNamesTheFileError) {
    ConnectedSimLink b;
    InstrumentReads reads(b.s.link);
    EXPECT_FALSE(reads.framListing(b.s.dir.path() + "/no such folder/DumpEF.dat"));
    EXPECT_NE(reads.dumpFileError(), "");
}

// A line whose instrument can fall silent: what is written to it then reaches nobody.
class SilenceablePort : public TappedPort {
  public:
    using TappedPort::TappedPort;
    bool silent = false;
    void write(const std::string& bytes) override {
        if (silent) {
            frames.push_back(bytes);
            return;
        }
        TappedPort::write(bytes);
    }
};

struct SilenceableLink {
    SilenceableLink() { setLanguage(Language::English); }
    VirtualHost host;
    sim::SimInstrument instrument{host, sim::DefaultSimState()};
    SilenceablePort port{instrument};
    RecordingEvents events;
    TempDir dir;
    InstrumentLink link{host, events, &port, nullptr, dir.path()};
    InstrumentModel model;
};

// What the window asks of the line after a command, by what happened on it.
TEST(SessionLine, TheAnswersFollowWhatHappenedOnTheLine) {
    struct Case {
        const char* name;
        bool silent;        // the instrument answers nothing
        bool firstLost;     // its first reply is lost on the way: the frame is sent again
        bool cancelBefore;  // the user cancels while it runs
        bool readOk;
        bool unanswered;
        bool answered;
    };
    const std::vector<Case> cases = {
        {"answered", false, false, false, true, false, true},
        {"silent", true, false, false, false, true, false},
        {"silent but cancelled", true, false, true, false, false, false},
        {"one reply lost, then answered", false, true, false, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SilenceableLink b;
        SessionLine line(b.link, b.host);
        line.setRetries(1, 1);
        b.link.setPortOpen(true);
        ASSERT_TRUE(b.host.pumpUntil([&] { return line.instrumentConnected(); }, Millis{10000}));
        b.port.silent = c.silent;
        bool lost = false;
        if (c.firstLost)
            b.port.rewrite = [&lost](std::string bytes) {
                if (lost || bytes.empty()) return bytes;
                lost = true;
                return std::string();
            };
        // The user's Cancel comes while the read waits (a read forgets an earlier one).
        if (c.cancelBefore) b.host.callLater(Millis{50}, [&line] { line.requestCancel(); });
        // The read-all, as the window runs it: a failure leaves the link's own verdict in place.
        EXPECT_EQ(InstrumentReads(b.link).readAll(b.model), c.readOk);
        EXPECT_EQ(lost, c.firstLost);
        EXPECT_EQ(line.lastCommandUnanswered(), c.unanswered) << "status " << b.link.Status();
        EXPECT_EQ(line.instrumentAnswered(), c.answered);
        EXPECT_EQ(line.cancelRequested(), c.cancelBefore);
        EXPECT_EQ(line.lastFrame(), b.link.LastFrame());
        EXPECT_FALSE(line.lastFrame().empty());
    }
}

TEST(SessionLine, SettingsModelLogPortAndClockReachTheLink) {
    ConnectedSimLink b;
    SessionLine line(b.s.link, b.s.host);
    line.setRetries(5, 7);
    EXPECT_EQ(b.s.link.Retry(), 5);
    EXPECT_EQ(b.s.link.Timeout(), 7);

    InstrumentModel own;
    line.bindModel(own);
    EXPECT_EQ(b.s.link.Instrument(), &own);
    InstrumentModel loaded;
    line.adoptLoadedModel(loaded);
    EXPECT_EQ(b.s.link.Instrument(), &loaded);

    line.log("= a line of the window =");
    const auto log = b.s.logLines();
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& l) {
                                return l.find("= a line of the window =") != std::string::npos;
                            }),
              1);

    EXPECT_EQ(line.now(), b.s.host.now());
    b.s.host.setLocalDateTime(*MakeOleDate(2026, 12, 8, 9, 45, 0));
    EXPECT_DOUBLE_EQ(line.localDateTime(), *MakeOleDate(2026, 12, 8, 9, 45, 0));

    int polls = -1;
    line.onConfirmPoll([&](int count, int, SessionLine::Millis) { polls = count; });
    EXPECT_EQ(polls, -1);  // only stored: nothing polls until a clear runs

    EXPECT_FALSE(line.serialInUse());  // the tests' link starts as the window starts: no serial
    line.closePort();
    EXPECT_FALSE(b.s.link.PortOpen());
    b.s.link.setPortOpen(true);
    EXPECT_TRUE(b.s.link.TimerEnabled());
    line.stop();
    EXPECT_FALSE(b.s.link.TimerEnabled());
    EXPECT_FALSE(b.s.link.PortOpen());
}

TEST(SessionLine, TheProgressWindowsWatchCountsFromWhenItIsMadeAndItsStopCancels) {
    ConnectedSimLink b;
    SessionLine line(b.s.link, b.s.host);
    b.s.link.setRetry(3);
    int lost = 0;
    b.s.port.rewrite = [&](std::string bytes) {
        if (lost == 0 && bytes.find("SO,R") != std::string::npos) {
            ++lost;
            return std::string();
        }
        return bytes;
    };
    ASSERT_TRUE(b.s.link.operations().GetLatestHistory(&b.s.model));
    TransferWatch watch = line.transferWatch();
    EXPECT_TRUE(watch.attached());
    EXPECT_EQ(watch.resendsSinceStart(), 0);
    lost = 0;
    ASSERT_TRUE(b.s.link.operations().GetLatestHistory(&b.s.model));
    EXPECT_EQ(watch.resendsSinceStart(), 1);
    EXPECT_FALSE(line.cancelRequested());
    watch.stop("= User Cancel =");
    EXPECT_TRUE(line.cancelRequested());
}

}  // namespace
}  // namespace vq::test

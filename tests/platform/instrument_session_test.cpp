// The instrument session: which port an opening uses, and the link's events as signals, over the
// virtual instrument on the virtual clock.
#include "platform/instrument_session.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>

#include "link/instrument_link.h"
#include "link/link_status.h"
#include "link/virtual_host.h"
#include "model/instrument.h"
#include "sim/inproc_port.h"
#include "sim/sim_instrument.h"
#include "sim/sim_state.h"

namespace vq {
namespace {

using std::chrono::milliseconds;

// A session over the in-process instrument, its ports made here, the finder scripted.
struct Bench {
    explicit Bench(PortOptions options, FoundPorts converters = {}, sim::FaultSettings faults = {})
        : instrument(host, sim::DefaultSimState(), 1, faults) {
        session = std::make_unique<InstrumentSession>(
            InstrumentSession::Parts{host, &serial, &socket,
                                     [this](const std::string& d) { chosen.push_back(d); },
                                     &instrument},
            options, dir.path().toStdString(), [this, converters](std::string_view id) {
                ++finderCalls;
                EXPECT_EQ(id, kConverterHardwareId);
                return converters;
            });
        session->link().setRetry(3);
        session->link().setTimeout(3);
        // Every signal, in the order raised.
        InstrumentSession* s = session.get();
        QObject::connect(s, &InstrumentSession::connected,
                         [this] { heard.push_back("connected"); });
        QObject::connect(s, &InstrumentSession::transmitted, [this] { sent = true; });
        QObject::connect(s, &InstrumentSession::readings,
                         [this](const std::array<float, 5>&) { heard.push_back("readings"); });
        QObject::connect(s, &InstrumentSession::lineDropped,
                         [this] { heard.push_back("lineDropped"); });
        QObject::connect(s, &InstrumentSession::alarmMessage,
                         [this](const std::string&) { heard.push_back("alarm"); });
    }
    ~Bench() { session.reset(); }

    bool connect() {
        return host.pumpUntil([this] { return session->link().Connected(); },
                              std::chrono::seconds(30));
    }

    QTemporaryDir dir;
    VirtualHost host;
    sim::SimInstrument instrument;
    sim::InProcessSerialPort serial{instrument};
    sim::InProcessSocketPort socket{instrument};
    std::vector<std::string> chosen;
    std::vector<std::string> heard;
    bool sent = false;
    int finderCalls = 0;
    std::unique_ptr<InstrumentSession> session;
};

PortOptions withMode(PortMode mode, std::string device = {}) {
    PortOptions options;
    options.mode = mode;
    options.device = std::move(device);
    return options;
}

TEST(InstrumentSession, ThePortOptionsOrTheFinderChooseThePort) {
    struct Case {
        const char* what;
        PortOptions options;
        FoundPorts converters;
        bool serial;
        std::string device;
        std::vector<std::string> several;
        int finderCalls;
    };
    const std::vector<Case> cases = {
        {"no converter: the socket", withMode(PortMode::Auto), {}, false, "", {}, 1},
        {"one converter: its serial port",
         withMode(PortMode::Auto),
         {1, {"/dev/ttyUSB7"}},
         true,
         "/dev/ttyUSB7",
         {},
         1},
        {"several: the socket, and they are named",
         withMode(PortMode::Auto),
         {2, {"/dev/ttyUSB0", "/dev/ttyUSB1"}},
         false,
         "",
         {"/dev/ttyUSB0", "/dev/ttyUSB1"},
         1},
        {"--port: that device, the finder not asked",
         withMode(PortMode::Serial, "/dev/ttyS4"),
         {2, {"/dev/ttyUSB0", "/dev/ttyUSB1"}},
         true,
         "/dev/ttyS4",
         {},
         0},
        {"--socket: the socket, the finder not asked",
         withMode(PortMode::Socket),
         {1, {"/dev/ttyUSB0"}},
         false,
         "",
         {},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bench bench(c.options, c.converters);
        const InstrumentSession::PortChoice choice = bench.session->choosePort();
        EXPECT_EQ(choice.serial, c.serial);
        EXPECT_EQ(choice.device, c.device);
        EXPECT_EQ(choice.several, c.several);
        EXPECT_EQ(bench.finderCalls, c.finderCalls);
        // Every opening asks again: a converter may come or go between two.
        bench.session->choosePort();
        EXPECT_EQ(bench.finderCalls, 2 * c.finderCalls);
    }
}

TEST(InstrumentSession, OpensTheChosenPortAndConnects) {
    struct Case {
        PortOptions options;
        FoundPorts converters;
        std::string description;
        std::vector<std::string> chosen;
    };
    PortOptions slowSerial = withMode(PortMode::Serial, "/dev/ttyS2");
    slowSerial.settings = "9600,e,7,2";
    PortOptions otherSocket = withMode(PortMode::Socket);
    otherSocket.address = {"10.1.2.3", 7001};
    const std::vector<Case> cases = {
        {withMode(PortMode::Auto), {1, {"/dev/ttyUSB7"}}, "serial /dev/ttyUSB7", {"/dev/ttyUSB7"}},
        {withMode(PortMode::Auto), {}, "socket 127.0.0.1:5100", {}},
        {slowSerial, {}, "serial /dev/ttyS2", {"/dev/ttyS2"}},
        {otherSocket, {}, "socket 10.1.2.3:7001", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        Bench bench(c.options, c.converters);
        bench.session->openPort(bench.session->choosePort());
        EXPECT_TRUE(bench.session->link().PortOpen());
        EXPECT_EQ(bench.session->describe(), c.description);
        EXPECT_EQ(bench.chosen, c.chosen);
        EXPECT_EQ(bench.session->link().SerialComm(), !c.chosen.empty());
        if (!c.chosen.empty()) {
            EXPECT_EQ(bench.serial.settings(), c.options.settings);
        }
        ASSERT_TRUE(bench.connect());
        EXPECT_TRUE(bench.sent);
        EXPECT_EQ(bench.heard, std::vector<std::string>{"connected"});
    }
}

TEST(InstrumentSession, RaisesReadings) {
    Bench bench(withMode(PortMode::Serial, "/dev/ttyS0"));
    bench.session->openPort(bench.session->choosePort());
    ASSERT_TRUE(bench.connect());
    InstrumentModel model;
    bench.session->link().setInstrument(&model);
    bench.session->link().calibration().setRunReadings(true);
    bench.host.runFor(milliseconds(3500));
    bench.session->link().calibration().setRunReadings(false);
    EXPECT_EQ(bench.heard,
              (std::vector<std::string>{"connected", "readings", "readings", "readings"}));
}

TEST(InstrumentSession, RaisesTheAlarmWhenProbingGivesUp) {
    sim::FaultSettings deaf;
    deaf.drop = 1;
    Bench bench(withMode(PortMode::Socket), {}, deaf);
    bench.session->link().setRetry(1);
    bench.session->openPort(bench.session->choosePort());
    EXPECT_TRUE(
        bench.host.pumpUntil([&] { return !bench.heard.empty(); }, std::chrono::minutes(5)));
    EXPECT_EQ(bench.heard, std::vector<std::string>{"alarm"});
    EXPECT_FALSE(bench.session->link().Connected());
}

// What the windows show about the instrument follows the link through a session's life: nothing
// before the probe is answered, "busy" while a read waits, "settled" after it, and a switched-off
// built-in instrument once the power-off has reopened the port.
TEST(InstrumentSession, ItsStateFollowsTheLink) {
    Bench bench(withMode(PortMode::Serial, "/dev/ttyS0"));
    bench.session->link().setPowerOffPause(milliseconds(200));
    EXPECT_EQ(bench.session->state(), SessionState::NotConnected);
    bench.session->openPort(bench.session->choosePort());
    ASSERT_TRUE(bench.connect());
    // The answered probe is a transaction of its own: the link has had its say.
    EXPECT_EQ(bench.session->state(), SessionState::Settled);
    InstrumentModel model;
    bench.session->link().setInstrument(&model);
    SessionState during = SessionState::Connected;
    ASSERT_TRUE(bench.session->link().WaitFor(link_status::AwaitRead, "HC,R,",
                                              [&] { during = bench.session->state(); }));
    EXPECT_EQ(during, SessionState::Busy);
    EXPECT_EQ(bench.session->state(), SessionState::Settled);
    EXPECT_TRUE(SettingsShown(bench.session->state(), true));
    EXPECT_FALSE(SettingsShown(bench.session->state(), false));
    EXPECT_TRUE(bench.session->powerOff());
    ASSERT_TRUE(bench.host.pumpUntil(
        [&] { return bench.session->state() != SessionState::Settled; }, std::chrono::seconds(5)));
    EXPECT_EQ(bench.session->state(), SessionState::SwitchedOff);
    EXPECT_FALSE(SettingsShown(bench.session->state(), true));
}

TEST(InstrumentSession, TheBuiltInInstrumentIsTheSerialPort) {
    QTemporaryDir dir;
    InstrumentSession session(withMode(PortMode::Simulator), dir.path().toStdString());
    ASSERT_NE(session.simulator(), nullptr);
    const InstrumentSession::PortChoice choice = session.choosePort();
    EXPECT_TRUE(choice.serial);
    EXPECT_EQ(session.describe(), "simulator");
    InstrumentSession socket(withMode(PortMode::Socket), dir.path().toStdString());
    EXPECT_EQ(socket.simulator(), nullptr);
}

}  // namespace
}  // namespace vq

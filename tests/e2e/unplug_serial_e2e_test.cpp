// Live unplug: the serial port vanishes in the middle of a read-all (the far end of the
// pseudo-terminal closes, as a USB converter pulled out) and comes back later. The real pieces
// run: the Qt serial port on a pty, the link on the Qt event loop, the virtual instrument's
// responder answering on the master side. The port is reached through a symbolic link, as a
// converter keeps its stable device name across a replug while the pty behind it is new.

#include <gtest/gtest.h>

#include <QSocketNotifier>
#include <QTemporaryDir>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/instrument_link.h"
#include "link/link_events.h"
#include "link/link_status.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "platform/pty_pair.h"
#include "platform/pump.h"
#include "platform/qt_event_host.h"
#include "platform/qt_serial_port.h"
#include "protocol/frame.h"
#include "sim/responder.h"
#include "sim/sim_state.h"

namespace vq::test {
namespace {

struct Events : LinkEvents {
    void OnConnect() override { ++connects; }
    void LineDropped() override { ++drops; }
    void StsTransmit() override {
        if (farEndGone && farEndGone()) ++sendsAfterUnplug;
    }
    int connects = 0;
    int drops = 0;
    // Frames the link sent once the far end had vanished: resends into a dead line.
    std::function<bool()> farEndGone;
    int sendsAfterUnplug = 0;
};

// The instrument's side of one pty: every frame the port sends is answered by the responder.
// After `answersBeforeUnplug` answers the far end closes, in the middle of whatever runs.
class FarEnd {
  public:
    FarEnd(sim::Responder& responder, int answersBeforeUnplug)
        : responder_(responder), left_(answersBeforeUnplug) {
        notifier_ = std::make_unique<QSocketNotifier>(pty_.master(), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { serve(); });
    }
    bool ok() const { return pty_.ok(); }
    const std::string& path() const { return pty_.slavePath(); }
    bool unplugged() const { return unplugged_; }
    int answers() const { return answers_; }

  private:
    void serve() {
        const std::string bytes = pty_.receive();
        if (bytes.empty() || unplugged_) return;
        const sim::Reply reply = responder_.receive(bytes, {std::chrono::milliseconds(0), 0});
        for (const sim::Emission& e : reply) {
            if (left_ == 0) {
                unplug();
                return;
            }
            pty_.send(e.bytes);
            ++answers_;
            if (left_ > 0) --left_;
        }
    }
    void unplug() {
        unplugged_ = true;
        notifier_->setEnabled(false);
        pty_.closeSlave();
        pty_.closeMaster();
    }

    PtyPair pty_;
    sim::Responder& responder_;
    std::unique_ptr<QSocketNotifier> notifier_;
    int left_;
    int answers_ = 0;
    bool unplugged_ = false;
};

void pointLink(const std::filesystem::path& link, const std::string& target) {
    std::filesystem::remove(link);
    std::filesystem::create_symlink(target, link);
}

TEST(UnplugE2E, PortLostDuringAReadFailsItAndTheLinkComesBackWithThePort) {
    setLanguage(Language::English);
    QTemporaryDir dir;
    const std::filesystem::path device = dir.filePath("ttyVQ").toStdString();
    sim::Responder responder(sim::DefaultSimState());
    auto first = std::make_unique<FarEnd>(responder, 60);
    ASSERT_TRUE(first->ok());
    pointLink(device, first->path());

    QtEventHost host;
    Events events;
    QtSerialPort port(device.string());
    std::vector<std::string> portLog;
    port.setLogSink([&](const std::string& line) { portLog.push_back(line); });
    InstrumentLink link(host, events, &port, nullptr, dir.path().toStdString());
    link.setRetry(3);
    link.setTimeout(2);
    port.setSettings("921600,n,8,1");
    link.setPortOpen(true);
    ASSERT_TRUE(pumpUntil(host, [&] { return link.Connected(); }));

    // The read-all runs until the far end vanishes under it: it fails, at once, not by waiting
    // out its resends, and the line is reported dropped.
    // A read that missed the drop would wait out its time-outs and resend into the dead line.
    InstrumentModel model;
    events.farEndGone = [&first] { return first != nullptr && first->unplugged(); };
    EXPECT_FALSE(link.reads().GetInstrument(&model));
    EXPECT_TRUE(first->unplugged());
    EXPECT_EQ(events.sendsAfterUnplug, 0) << "the read went on after the line was gone";
    events.farEndGone = nullptr;
    EXPECT_EQ(events.drops, 1);
    EXPECT_EQ(link.LinkMode(), link_mode::Offline);
    EXPECT_FALSE(port.isOpen());
    ASSERT_FALSE(portLog.empty());
    EXPECT_NE(portLog.back().find("Serial port " + device.string() + " lost"), std::string::npos)
        << portLog.back();

    // While the device is missing nothing connects; the attempts are not logged every second.
    first.reset();
    std::filesystem::remove(device);
    const std::size_t linesWhileGone = portLog.size();
    EXPECT_FALSE(pumpUntil(
        host, [&] { return link.Connected(); }, std::chrono::milliseconds(1500)));
    EXPECT_EQ(portLog.size(), linesWhileGone);

    // Plugged in again (a new pty behind the same name): the port reopens by itself, the probe
    // connects, and a whole read-all succeeds.
    FarEnd second(responder, -1);
    ASSERT_TRUE(second.ok());
    pointLink(device, second.path());
    ASSERT_TRUE(pumpUntil(host, [&] { return link.Connected(); }));
    EXPECT_EQ(events.connects, 2);
    EXPECT_NE(portLog.back().find("is back"), std::string::npos) << portLog.back();
    InstrumentModel again;
    EXPECT_TRUE(link.reads().GetInstrument(&again));
    // The last entry of the table arrived, as the instrument holds it.
    EXPECT_EQ(again.StationList(255).substr(0, responder.state().stations[255].size()),
              responder.state().stations[255]);
    EXPECT_EQ(link.Status(), link_status::Done);
}

}  // namespace
}  // namespace vq::test

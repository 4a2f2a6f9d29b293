#pragma once
// Ports wired straight to an in-process virtual instrument, in both roles the link knows: a
// serial port and a socket. Writes reach the instrument at once; its answers arrive through
// the event host (callLater), never from inside a call the link makes. Closing the port drops
// what is still on its way; opening it does not switch a powered-off instrument on (only
// SimInstrument::switchOn does). The instrument must outlive its ports.

#include <chrono>
#include <memory>
#include <string>

#include "link/port.h"
#include "sim/sim_instrument.h"

namespace vq::sim {

// The wire between a port and the instrument; both port roles use one.
class InProcessLine {
  public:
    explicit InProcessLine(SimInstrument& instrument);
    ~InProcessLine();
    InProcessLine(const InProcessLine&) = delete;
    InProcessLine& operator=(const InProcessLine&) = delete;

    void open(int eventAfterOpen);
    void close();
    bool isOpen() const { return open_; }
    void write(const std::string& bytes);
    std::string readAll();
    void setEventSink(Port::EventSink sink) { sink_ = std::move(sink); }
    // Raises `code` on the next turn of the event loop, as the port would.
    void signal(int code) { raise(std::chrono::milliseconds{0}, code); }
    // Answers still on their way are lost (the cable was pulled under them).
    void dropPending();

  private:
    void raise(std::chrono::milliseconds delay, int code);

    SimInstrument& instrument_;
    Port::EventSink sink_;
    std::string received_;
    bool open_ = false;
    int generation_ = 0;  // answers of an earlier opening are dropped
    std::chrono::milliseconds lastArrival_{0};
    std::shared_ptr<InProcessLine*> self_;
};

// What both roles do alike: everything but opening goes straight to the line. `OpenEvent` is
// what the link hears once the port is open.
template <class Role, int OpenEvent>
class InProcessPort : public Role {
  public:
    explicit InProcessPort(SimInstrument& instrument) : line_(instrument) {}

    bool open() override {
        line_.open(OpenEvent);
        return true;
    }
    void close() override { line_.close(); }
    bool isOpen() const override { return line_.isOpen(); }
    void write(const std::string& bytes) override { line_.write(bytes); }
    std::string readAll() override { return line_.readAll(); }
    void setEventSink(Port::EventSink sink) override { line_.setEventSink(std::move(sink)); }

  protected:
    InProcessLine line_;
};

// Opening raises Cts once, as a port whose modem lines are always on.
class InProcessSerialPort : public InProcessPort<SerialPort, port_event::Cts> {
  public:
    using InProcessPort::InProcessPort;

    void setSettings(const std::string& settings) override { settings_ = settings; }
    std::string settings() const override { return settings_; }
    void setDtr(bool) override {}
    void setRts(bool) override {}
    void setHandshaking(int) override {}
    int modemStatus() override { return line_.isOpen() && plugged_ ? kModemCts | kModemDsr : 0; }
    void write(const std::string& bytes) override {
        if (plugged_) line_.write(bytes);
    }
    // The cable pulled out (false) or put back (true) while the port stays open: the modem lines
    // follow and the link hears of it; nothing gets through while it is out.
    void setPlugged(bool plugged) {
        plugged_ = plugged;
        if (!plugged) line_.dropPending();
        line_.signal(port_event::Cts);
    }

  private:
    std::string settings_ = "921600,n,8,1";
    bool plugged_ = true;
};

// Connecting succeeds on the next turn of the event loop.
class InProcessSocketPort : public InProcessPort<SocketPort, port_event::LinkEstablished> {
  public:
    using InProcessPort::InProcessPort;

    int lastError() const override { return 0; }
    void poll() override {}
};

}  // namespace vq::sim

#pragma once
// An in-memory port pair on an event host. The near end is the SerialPort or SocketPort the
// link holds; the far end (MemoryChannel) is driven by a test, a benchmark, a fuzzer or the
// in-process instrument: it sees every write and sends bytes and line events back. Everything it
// sends reaches the near end through EventHost::callLater, so the link is never re-entered from
// inside its own calls and the order of arrival is the order of the clock.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/event_host.h"
#include "link/port.h"

namespace vq {

class MemoryChannel {
  public:
    using Millis = EventHost::Millis;
    using Responder = std::function<void(const std::string& bytes)>;
    struct Written {
        Millis at;
        std::string bytes;
    };

    explicit MemoryChannel(EventHost& host);
    MemoryChannel(const MemoryChannel&) = delete;
    MemoryChannel& operator=(const MemoryChannel&) = delete;

    // --- far end ---
    // The bytes arrive after `delay` as one Receive event (dropped if the near end is closed
    // by then).
    void send(std::string bytes, Millis delay = Millis{0});
    // Raises any port event at the near end after `delay` (only while it is open).
    void raise(int code, Millis delay = Millis{0});
    // Called with every write of the near end, as it is written.
    void setResponder(Responder responder) { responder_ = std::move(responder); }
    const std::vector<Written>& written() const { return written_; }
    void clearWritten() { written_.clear(); }
    EventHost& host() const { return host_; }

    // --- near end, used by the memory ports ---
    bool isOpen() const { return open_; }
    void setOpen(bool open);
    void write(const std::string& bytes);
    std::string readAll();
    void setEventSink(Port::EventSink sink) { sink_ = std::move(sink); }

  private:
    void deliver(int code);

    EventHost& host_;
    // Calls still queued on the host check it: the channel may be gone before they run.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    bool open_ = false;
    std::string input_;
    std::vector<Written> written_;
    Responder responder_;
    Port::EventSink sink_;
};

// What both roles do alike: everything but opening goes straight to the channel.
template <class Role>
class MemoryPort : public Role {
  public:
    explicit MemoryPort(EventHost& host) : channel_(host) {}

    MemoryChannel& farEnd() { return channel_; }

    void close() override { channel_.setOpen(false); }
    bool isOpen() const override { return channel_.isOpen(); }
    void write(const std::string& bytes) override { channel_.write(bytes); }
    std::string readAll() override { return channel_.readAll(); }
    void setEventSink(Port::EventSink sink) override { channel_.setEventSink(std::move(sink)); }

  protected:
    MemoryChannel channel_;
};

class MemorySerialPort : public MemoryPort<SerialPort> {
  public:
    using MemoryPort::MemoryPort;

    // Far end: the modem lines (kModemCts | kModemDsr). A change raises Cts while open.
    void setModemLines(int bits);
    // Far end: make open() fail, as a port held by another program does.
    void setOpenFails(bool fails) { openFails_ = fails; }

    bool open() override;
    void setSettings(const std::string& settings) override { settings_ = settings; }
    std::string settings() const override { return settings_; }
    void setDtr(bool on) override { dtr_ = on; }
    void setRts(bool on) override { rts_ = on; }
    void setHandshaking(int mode) override { handshaking_ = mode; }
    int modemStatus() override { return modemLines_; }

    bool dtr() const { return dtr_; }
    bool rts() const { return rts_; }
    int handshaking() const { return handshaking_; }

  private:
    std::string settings_;
    bool dtr_ = false;
    bool rts_ = false;
    int handshaking_ = 0;
    int modemLines_ = kModemCts | kModemDsr;
    bool openFails_ = false;
};

class MemorySocketPort : public MemoryPort<SocketPort> {
  public:
    using Millis = EventHost::Millis;
    using MemoryPort::MemoryPort;

    // Far end: what the next open() gives after `delay`: 0 connects (LinkEstablished), any other
    // number fails with SocketError and that lastError().
    void setConnectResult(int errorNumber, Millis delay = Millis{10});
    // Far end: the connection breaks (the near end is closed; no event, as a quiet drop).
    void drop() { channel_.setOpen(false); }
    int pollCount() const { return polls_; }
    void setLastError(int errorNumber) { lastError_ = errorNumber; }

    bool open() override;
    int lastError() const override { return lastError_; }
    // Reconnects when disconnected.
    void poll() override;

  private:
    int connectError_ = 0;
    Millis connectDelay_{10};
    int lastError_ = 0;
    int polls_ = 0;
    bool connecting_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vq

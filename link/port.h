#pragma once
// The two port roles under the link: a serial port and a socket. The Qt implementations live in
// platform/, the in-process virtual instrument in sim/, an in-memory pair with a scriptable far
// end in link/memory_port.h.
// Bytes travel as std::string, one char per byte (char code = byte value).
//
// Events are delivered through the sink from inside EventHost::pumpOnce(), never from inside a
// call the link makes (open, write, ...), so the link is never re-entered by its own calls.

#include <functional>
#include <string>

namespace vq {

// Event codes, as the link's event table numbers them.
namespace port_event {
inline constexpr int Receive = 2;  // bytes are waiting
inline constexpr int Cts = 3;      // CTS changed
inline constexpr int Dsr = 4;      // DSR changed
inline constexpr int Break = 1001;
inline constexpr int Framing = 1004;
inline constexpr int Overrun = 1006;
inline constexpr int RxOverflow = 1008;
inline constexpr int Parity = 1009;
inline constexpr int TxFull = 1010;
inline constexpr int DeviceControl = 1011;
inline constexpr int LinkEstablished = 1020;  // socket connected
inline constexpr int SocketError = 1021;      // socket error; the number is lastError()
}  // namespace port_event

// Modem status bits returned by SerialPort::modemStatus().
inline constexpr int kModemCts = 0x10;
inline constexpr int kModemDsr = 0x20;

class Port {
  public:
    using EventSink = std::function<void(int code)>;

    virtual ~Port() = default;

    // Opens the port; false when it cannot be opened. Never throws.
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Queues bytes for sending; never blocks.
    virtual void write(const std::string& bytes) = 0;
    // Everything received and not yet read.
    virtual std::string readAll() = 0;

    virtual void setEventSink(EventSink sink) = 0;

    // Called by the link on every 100 ms timer tick: the serial port polls its modem lines here
    // and raises Cts/Dsr on a change; the socket does nothing.
    virtual void tick() {}
};

class SerialPort : public Port {
  public:
    // "921600,n,8,1": baud, parity (n, e, o, m, s), data bits, stop bits.
    virtual void setSettings(const std::string& settings) = 0;
    virtual std::string settings() const = 0;
    virtual void setDtr(bool on) = 0;
    virtual void setRts(bool on) = 0;
    // 0 none, 2 RTS/CTS.
    virtual void setHandshaking(int mode) = 0;
    // kModemCts | kModemDsr as the lines stand. A port whose lines cannot be read (a
    // pseudo-terminal, some adapters) reports both on and raises Cts once after opening, so
    // probing starts right away.
    virtual int modemStatus() = 0;
};

class SocketPort : public Port {
  public:
    // Connecting is asynchronous: open() starts it; LinkEstablished or SocketError follows.
    // Socket error numbers are Windows-style: 10060 timed out, 10048 address in use, 10061
    // refused, 10050 any other.
    virtual int lastError() const = 0;
    // Called every sixth link tick: reconnects when disconnected.
    virtual void poll() = 0;
};

}  // namespace vq

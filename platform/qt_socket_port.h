#pragma once
// The link's socket port: a TCP client to a serial-to-network bridge or to the virtual
// instrument. Connecting is asynchronous; a connection raises LinkEstablished, a failure
// SocketError with a Windows-style number in lastError(). Events reach the sink through the Qt
// event queue, never from inside a call the link makes.

#include <QObject>
#include <QTcpSocket>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "link/port.h"

namespace vq {

inline constexpr const char* kDefaultSocketHost = "127.0.0.1";
inline constexpr std::uint16_t kDefaultSocketPort = 5100;

// Socket error numbers as the link reports them.
namespace socket_error {
inline constexpr int TimedOut = 10060;
inline constexpr int AddressInUse = 10048;
inline constexpr int Refused = 10061;
inline constexpr int Other = 10050;
}  // namespace socket_error

struct SocketAddress {
    std::string host = kDefaultSocketHost;
    std::uint16_t port = kDefaultSocketPort;
};

// "HOST:PORT", "HOST" (default port) or ":PORT" (default host); "[::1]:PORT" for IPv6. Nothing
// when the port is not a number from 1 to 65535 or the host is malformed.
std::optional<SocketAddress> parseSocketAddress(const std::string& text);

class QtSocketPort : public QObject, public SocketPort {
    Q_OBJECT
  public:
    using LogSink = std::function<void(const std::string& line)>;

    explicit QtSocketPort(SocketAddress address = {});
    ~QtSocketPort() override;

    void setAddress(SocketAddress address) { address_ = std::move(address); }
    const SocketAddress& address() const { return address_; }
    // How long one connection attempt may take before it fails with TimedOut.
    void setConnectTimeoutMs(int ms) { connectTimeoutMs_ = ms; }
    void setLogSink(LogSink sink) { log_ = std::move(sink); }

    bool open() override;
    void close() override;
    bool isOpen() const override;
    void write(const std::string& bytes) override;
    std::string readAll() override;
    void setEventSink(EventSink sink) override { sink_ = std::move(sink); }

    int lastError() const override { return lastError_; }
    void poll() override;

    // The number the link reports for a Qt socket error.
    static int errorNumber(QAbstractSocket::SocketError error);

  private:
    void connectNow();
    void onConnected();
    void onError(QAbstractSocket::SocketError error);
    void onConnectTimeout();
    void raise(int code);
    void log(const std::string& line);

    QTcpSocket socket_;
    SocketAddress address_;
    int connectTimeoutMs_ = 5000;
    QTimer connectTimer_;
    // open() was called and close() was not: poll() keeps the connection up.
    bool wanted_ = false;
    int lastError_ = 0;
    EventSink sink_;
    LogSink log_;
};

}  // namespace vq

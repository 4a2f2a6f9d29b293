#include "platform/qt_socket_port.h"

#include <QHostAddress>
#include <QMetaObject>
#include <charconv>

namespace vq {

std::optional<SocketAddress> parseSocketAddress(const std::string& text) {
    SocketAddress address;
    std::string host;
    std::string port;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos) return std::nullopt;
        host = text.substr(1, close - 1);
        const std::string rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') return std::nullopt;
            port = rest.substr(1);
            if (port.empty()) return std::nullopt;
        }
        if (host.empty()) return std::nullopt;
    } else {
        const auto colon = text.rfind(':');
        if (colon != std::string::npos && text.find(':') != colon) return std::nullopt;
        host = text.substr(0, colon);
        if (colon != std::string::npos) {
            port = text.substr(colon + 1);
            if (port.empty()) return std::nullopt;
        }
    }
    if (host.find_first_of(" \t/") != std::string::npos) return std::nullopt;
    if (!host.empty()) address.host = host;
    if (!port.empty()) {
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (ec != std::errc() || end != port.data() + port.size() || value == 0 || value > 65535) {
            return std::nullopt;
        }
        address.port = static_cast<std::uint16_t>(value);
    }
    return address;
}

QtSocketPort::QtSocketPort(SocketAddress address) : address_(std::move(address)) {
    connectTimer_.setSingleShot(true);
    connect(&connectTimer_, &QTimer::timeout, this, &QtSocketPort::onConnectTimeout);
    connect(&socket_, &QTcpSocket::connected, this, &QtSocketPort::onConnected);
    connect(&socket_, &QTcpSocket::errorOccurred, this, &QtSocketPort::onError);
    connect(&socket_, &QTcpSocket::readyRead, this, [this] { raise(port_event::Receive); });
}

QtSocketPort::~QtSocketPort() {
    // No event may reach the sink once the port is gone.
    socket_.disconnect(this);
    socket_.abort();
}

bool QtSocketPort::open() {
    wanted_ = true;
    if (socket_.state() == QAbstractSocket::UnconnectedState) connectNow();
    return true;
}

void QtSocketPort::close() {
    wanted_ = false;
    connectTimer_.stop();
    socket_.abort();
}

bool QtSocketPort::isOpen() const {
    return wanted_;
}

void QtSocketPort::write(const std::string& bytes) {
    if (socket_.state() != QAbstractSocket::ConnectedState || bytes.empty()) return;
    socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::string QtSocketPort::readAll() {
    const QByteArray data = socket_.readAll();
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

void QtSocketPort::poll() {
    if (wanted_ && socket_.state() == QAbstractSocket::UnconnectedState) connectNow();
}

int QtSocketPort::errorNumber(QAbstractSocket::SocketError error) {
    switch (error) {
        case QAbstractSocket::SocketTimeoutError:
            return socket_error::TimedOut;
        case QAbstractSocket::AddressInUseError:
            return socket_error::AddressInUse;
        case QAbstractSocket::ConnectionRefusedError:
            return socket_error::Refused;
        default:
            return socket_error::Other;
    }
}

void QtSocketPort::connectNow() {
    connectTimer_.start(connectTimeoutMs_);
    socket_.connectToHost(QString::fromStdString(address_.host), address_.port);
}

void QtSocketPort::onConnected() {
    connectTimer_.stop();
    lastError_ = 0;
    raise(port_event::LinkEstablished);
}

void QtSocketPort::onError(QAbstractSocket::SocketError error) {
    connectTimer_.stop();
    lastError_ = errorNumber(error);
    log("Socket " + address_.host + ":" + std::to_string(address_.port) + ": " +
        socket_.errorString().toStdString());
    // Leave the socket unconnected so the next poll() tries again.
    if (socket_.state() != QAbstractSocket::UnconnectedState) socket_.abort();
    raise(port_event::SocketError);
}

void QtSocketPort::onConnectTimeout() {
    if (socket_.state() == QAbstractSocket::ConnectedState) return;
    socket_.abort();
    lastError_ = socket_error::TimedOut;
    log("Socket " + address_.host + ":" + std::to_string(address_.port) + ": connect timed out");
    raise(port_event::SocketError);
}

void QtSocketPort::raise(int code) {
    QMetaObject::invokeMethod(
        this,
        [this, code] {
            if (sink_) sink_(code);
        },
        Qt::QueuedConnection);
}

void QtSocketPort::log(const std::string& line) {
    if (log_) log_(line);
}

}  // namespace vq

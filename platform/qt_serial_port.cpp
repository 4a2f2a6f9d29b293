#include "platform/qt_serial_port.h"

#include <QMetaObject>

namespace vq {
namespace {

QSerialPort::Parity qtParity(SerialSettings::Parity parity) {
    switch (parity) {
        case SerialSettings::Parity::Even:
            return QSerialPort::EvenParity;
        case SerialSettings::Parity::Odd:
            return QSerialPort::OddParity;
        case SerialSettings::Parity::Mark:
            return QSerialPort::MarkParity;
        case SerialSettings::Parity::Space:
            return QSerialPort::SpaceParity;
        case SerialSettings::Parity::None:
            break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits qtStopBits(SerialSettings::StopBits stopBits) {
    switch (stopBits) {
        case SerialSettings::StopBits::OneAndHalf:
            return QSerialPort::OneAndHalfStop;
        case SerialSettings::StopBits::Two:
            return QSerialPort::TwoStop;
        case SerialSettings::StopBits::One:
            break;
    }
    return QSerialPort::OneStop;
}

// A scope in which port errors come from this class's own calls.
class OwnCall {
  public:
    explicit OwnCall(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
    ~OwnCall() { flag_ = saved_; }
    OwnCall(const OwnCall&) = delete;
    OwnCall& operator=(const OwnCall&) = delete;

  private:
    bool& flag_;
    bool saved_;
};

}  // namespace

QtSerialPort::QtSerialPort(std::string portName) {
    port_.setPortName(QString::fromStdString(portName));
    connect(&port_, &QSerialPort::readyRead, this, [this] {
        if (port_.isOpen()) raise(port_event::Receive);
    });
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::onErrorOccurred);
}

QtSerialPort::~QtSerialPort() = default;

void QtSerialPort::setPortName(const std::string& name) {
    port_.setPortName(QString::fromStdString(name));
}

std::string QtSerialPort::portName() const {
    return port_.portName().toStdString();
}

bool QtSerialPort::open() {
    reopenAfterLoss_ = false;
    return openPort(false);
}

bool QtSerialPort::openPort(bool quiet) {
    if (port_.isOpen()) return true;
    {
        OwnCall own(ownCall_);
        applySettings();
        if (!port_.open(QIODevice::ReadWrite)) {
            if (!quiet) {
                log("Serial port " + portName() +
                    " cannot be opened: " + port_.errorString().toStdString());
            }
            port_.clearError();
            return false;
        }
        port_.clear();
        applySettings();
        applyLines();
    }
    const int lines = readLines();
    linesReadable_ = lines >= 0;
    lastLines_ = linesReadable_ ? lines : 0;
    // Probing starts on a line event. When the lines cannot be read, or the instrument already
    // holds them on, no change will ever come: raise one now.
    if (!linesReadable_ || lastLines_ != 0) raise(port_event::Cts);
    return true;
}

void QtSerialPort::close() {
    reopenAfterLoss_ = false;
    if (!port_.isOpen()) return;
    OwnCall own(ownCall_);
    port_.close();
    port_.clearError();
    lastLines_ = 0;
    lostPending_ = false;
}

bool QtSerialPort::isOpen() const {
    return port_.isOpen();
}

void QtSerialPort::write(const std::string& bytes) {
    if (!port_.isOpen() || bytes.empty()) return;
    port_.write(bytes.data(), static_cast<qint64>(bytes.size()));
    // QSerialPort would hand the bytes to the device on the loop's next turn; a frame goes out
    // now, which is one wake-up less between an answer and the next request.
    port_.flush();
}

std::string QtSerialPort::readAll() {
    if (!port_.isOpen()) return {};
    const QByteArray data = port_.readAll();
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

void QtSerialPort::tick() {
    if (!port_.isOpen() && reopenAfterLoss_ && ++ticksSinceLoss_ >= kReopenTicks) tryReopen();
    if (!port_.isOpen() || !linesReadable_) return;
    const int lines = readLines();
    if (lines < 0) return;
    const int changed = lines ^ lastLines_;
    lastLines_ = lines;
    if (changed & kModemCts) raise(port_event::Cts);
    if (changed & kModemDsr) raise(port_event::Dsr);
}

void QtSerialPort::setSettings(const std::string& settings) {
    const auto parsed = parseSerialSettings(settings);
    settingsAccepted_ = parsed.has_value();
    if (!parsed) {
        log("Serial settings \"" + settings + "\" are not valid; keeping " +
            formatSerialSettings(settings_));
        return;
    }
    settings_ = *parsed;
    if (port_.isOpen()) {
        OwnCall own(ownCall_);
        applySettings();
    }
}

std::string QtSerialPort::settings() const {
    return formatSerialSettings(settings_);
}

void QtSerialPort::setDtr(bool on) {
    dtr_ = on;
    OwnCall own(ownCall_);
    applyLines();
}

void QtSerialPort::setRts(bool on) {
    rts_ = on;
    OwnCall own(ownCall_);
    applyLines();
}

void QtSerialPort::setHandshaking(int mode) {
    handshaking_ = mode;
    OwnCall own(ownCall_);
    applySettings();
    applyLines();
}

int QtSerialPort::modemStatus() {
    if (!port_.isOpen() || lostPending_) return 0;
    if (!linesReadable_) return kModemCts | kModemDsr;
    const int lines = readLines();
    return lines < 0 ? lastLines_ : lines;
}

void QtSerialPort::applySettings() {
    // QSerialPort keeps these while closed and applies them itself on open.
    port_.setBaudRate(settings_.baud);
    port_.setDataBits(static_cast<QSerialPort::DataBits>(settings_.dataBits));
    port_.setParity(qtParity(settings_.parity));
    port_.setStopBits(qtStopBits(settings_.stopBits));
    port_.setFlowControl(handshaking_ == 2 ? QSerialPort::HardwareControl
                                           : QSerialPort::NoFlowControl);
    port_.clearError();
}

void QtSerialPort::applyLines() {
    if (!port_.isOpen()) return;
    port_.setDataTerminalReady(dtr_);
    // Under hardware handshaking the driver owns RTS.
    if (handshaking_ != 2) port_.setRequestToSend(rts_);
    port_.clearError();
}

int QtSerialPort::readLines() {
    OwnCall own(ownCall_);
    const QSerialPort::PinoutSignals pins = port_.pinoutSignals();
    if (port_.error() != QSerialPort::NoError) {
        port_.clearError();
        return -1;
    }
    int lines = 0;
    if (pins & QSerialPort::ClearToSendSignal) lines |= kModemCts;
    if (pins & QSerialPort::DataSetReadySignal) lines |= kModemDsr;
    return lines;
}

void QtSerialPort::onErrorOccurred(QSerialPort::SerialPortError error) {
    if (error == QSerialPort::NoError || ownCall_) return;
    const QString reason = port_.errorString();
    switch (error) {
        case QSerialPort::ResourceError:
        case QSerialPort::DeviceNotFoundError:
        case QSerialPort::ReadError:
            // A read that fails, or finds end of file on a terminal, means the device is gone
            // (unplugged converter, closed far end of a pseudo-terminal). Left open, its
            // descriptor would wake the loop again at once, for ever.
            portLost(reason);
            return;
        default:
            log("Serial port error: " + reason.toStdString());
            break;
    }
    port_.clearError();
}

void QtSerialPort::portLost(const QString& reason) {
    // The error arrives from inside QSerialPort's own read handler, which must not have its port
    // closed under it: the rest happens on the next turn of the loop.
    if (lostPending_) return;
    lostPending_ = true;
    log("Serial port " + portName() + " lost: " + reason.toStdString());
    QMetaObject::invokeMethod(
        this,
        [this] {
            // A close (and perhaps a reopen) by the link since then has dealt with it.
            if (!lostPending_) return;
            // The line event goes out while the port still counts as open, so the link takes
            // it; the lines read off, and the link drops the line and fails what was waiting.
            if (sink_) sink_(port_event::Cts);
            close();
            reopenAfterLoss_ = true;
            ticksSinceLoss_ = 0;
        },
        Qt::QueuedConnection);
}

void QtSerialPort::tryReopen() {
    ticksSinceLoss_ = 0;
    if (!openPort(true)) return;
    reopenAfterLoss_ = false;
    log("Serial port " + portName() + " is back");
}

void QtSerialPort::raise(int code) {
    QMetaObject::invokeMethod(
        this,
        [this, code] {
            if (sink_) sink_(code);
        },
        Qt::QueuedConnection);
}

void QtSerialPort::log(const std::string& line) {
    if (log_) log_(line);
}

}  // namespace vq

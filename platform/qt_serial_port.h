#pragma once
// The link's serial port on QSerialPort. Settings, DTR, RTS and handshaking are kept here and
// applied whenever the port opens, so they can be set before open() as the link does. Every
// event reaches the sink through the Qt event queue, never from inside a call the link makes.

#include <QObject>
#include <QSerialPort>
#include <functional>
#include <string>

#include "link/port.h"
#include "platform/serial_settings.h"

namespace vq {

class QtSerialPort : public QObject, public SerialPort {
    Q_OBJECT
  public:
    using LogSink = std::function<void(const std::string& line)>;

    // portName: a device such as "/dev/ttyUSB0", or a bare name ("ttyUSB0") as the device finder
    // returns it.
    explicit QtSerialPort(std::string portName = {});
    ~QtSerialPort() override;

    void setPortName(const std::string& name);
    std::string portName() const;

    // Lines about port faults that have no event code of their own.
    void setLogSink(LogSink sink) { log_ = std::move(sink); }

    // False when the last setSettings() text was rejected (the previous settings stay).
    bool settingsAccepted() const { return settingsAccepted_; }

    bool open() override;
    void close() override;
    bool isOpen() const override;
    void write(const std::string& bytes) override;
    std::string readAll() override;
    void setEventSink(EventSink sink) override { sink_ = std::move(sink); }
    void tick() override;

    void setSettings(const std::string& settings) override;
    std::string settings() const override;
    void setDtr(bool on) override;
    void setRts(bool on) override;
    void setHandshaking(int mode) override;
    int modemStatus() override;

  private:
    void applySettings();
    void applyLines();
    // The CTS/DSR bits of the lines, or -1 when they cannot be read.
    int readLines();
    void onErrorOccurred(QSerialPort::SerialPortError error);
    void portLost(const QString& reason);
    // Queues an event for the sink; it runs from the event loop.
    void raise(int code);
    void log(const std::string& line);
    // Opens the port and raises the line event; `quiet` leaves a refusal out of the log.
    bool openPort(bool quiet);
    // One quiet attempt to open the lost port again (a refused open is not logged every second).
    void tryReopen();

    QSerialPort port_;
    SerialSettings settings_;
    bool settingsAccepted_ = true;
    bool dtr_ = false;
    bool rts_ = false;
    int handshaking_ = 0;
    // Whether the modem lines can be read on this port, and how they stood at the last tick.
    bool linesReadable_ = false;
    int lastLines_ = 0;
    // Set while this class itself talks to the port, so a refused line ioctl (a pseudo-terminal
    // has no DTR) is not taken for a port fault.
    bool ownCall_ = false;
    // The port was lost and is closed on the next turn of the loop; its lines read off till then.
    bool lostPending_ = false;
    // The port was lost (not closed by its owner): every kReopenTicks ticks it is tried again,
    // so the instrument comes back by itself when the converter is plugged in again. An open
    // raises the line event that starts the probe.
    bool reopenAfterLoss_ = false;
    int ticksSinceLoss_ = 0;
    static constexpr int kReopenTicks = 10;  // one second of link ticks
    EventSink sink_;
    LogSink log_;
};

}  // namespace vq

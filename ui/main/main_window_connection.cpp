// MainWindow: opening the port, the session's events, and a lost instrument and its return.

#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <charconv>
#include <string_view>

#include "messages/messages.h"
#include "platform/device_finder.h"
#include "platform/instrument_session.h"
#include "platform/qt_socket_port.h"
#include "ui/dialogs/progress_window.h"
#include "ui/main/main_window.h"
#include "ui/main/user_asker.h"

namespace vq {

namespace {

// Calls `action` on a double-click of the object it watches.
class DoubleClickWatch : public QObject {
  public:
    DoubleClickWatch(QObject* watched, std::function<void()> action)
        : QObject(watched), action_(std::move(action)) {
        setObjectName("doubleClickWatch");
        watched->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonDblClick) {
            action_();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> action_;
};

}  // namespace

bool MainWindow::OpenInstrumentPort() {
    const InstrumentSession::PortChoice choice = session_.choosePort();
    if (!choice.several.empty()) {
        // "More than one USB Serial Converter is connected." / "module finder error"
        asker_.error(this, ResMessage(msg::SeveralConverters), ResMessage(msg::FinderError));
    }
    session_.openPort(choice);
    return choice.serial;
}

void MainWindow::connectAgain() {
    if (session_.builtInSwitchedOff()) session_.switchOnBuiltIn();
    // Closed and opened: the lines come up again and the link probes afresh.
    line_.closePort();
    OpenInstrumentPort();
}

void MainWindow::offerSwitchOn() {
    QLabel* lamp = lampLabels_[1];
    AddInfo(ResMessage(msg::BuiltInStaysOff), info_colour::Progress);
    lamp->setToolTip(QString::fromStdString(ResMessage(msg::ConnectLampTip)));
    if (lamp->findChild<QObject*>("doubleClickWatch") != nullptr) return;
    new DoubleClickWatch(lamp, [this] {
        // Only while it is off: a double-click at any other time means nothing.
        if (!session_.builtInSwitchedOff()) return;
        lampLabels_[1]->setToolTip({});
        connectAgain();
    });
}

void MainWindow::listenToSession() {
    // The clears and DEFAULT take seconds: their progress window says what the wait is for.
    line_.onConfirmPoll([this](int polls, int limit, SessionLine::Millis pause) {
        if (!upload_) return;
        const std::string seconds =
            std::to_string(std::chrono::duration_cast<std::chrono::seconds>(pause).count());
        upload_->setLabel(QString::fromStdString(
            polls == 0 ? ResMessage(msg::ConfirmPollFirst, {seconds})
                       : ResMessage(msg::ConfirmPollCount,
                                    {std::to_string(polls), std::to_string(limit), seconds})));
    });
    InstrumentSession* s = &session_;
    connect(s, &InstrumentSession::connected, this, &MainWindow::onConnect);
    connect(s, &InstrumentSession::readings, this, &MainWindow::onReadings);
    connect(s, &InstrumentSession::connectRetry, this, &MainWindow::onConnectRetry);
    connect(s, &InstrumentSession::instMessage, this, &MainWindow::onLinkText);
    connect(s, &InstrumentSession::interMessage, this, &MainWindow::onLinkText);
    connect(s, &InstrumentSession::alarmMessage, this, &MainWindow::onLinkText);
    connect(s, &InstrumentSession::dumpMessage, this, &MainWindow::onDumpMessage);
    connect(s, &InstrumentSession::lineDropped, this, &MainWindow::onLineDropped);
    connect(s, &InstrumentSession::socketError, this, &MainWindow::onSocketError);
    connect(s, &InstrumentSession::transmitted, this, &MainWindow::onTransmit);
}

void MainWindow::onConnect() {
    if (!line_.instrumentConnected()) return;
    if (loss_ != Loss::None) {
        instrumentBack();
    } else {
        AddInfo(ResMessage(msg::ConnectedInfo),
                info_colour::Connected);  // "VQ-5100 ...Connection Successful."
        present_ = true;
    }
    setLamp(0, LampOn);
    setLamp(1, LampOn);
    UpdateCommandStates();
}

void MainWindow::loseInstrument(Loss why, int socketError) {
    // Only news is logged: a line that was never up, or a loss already told, says nothing more.
    const bool news = present_ || why == Loss::SwitchedOff;
    present_ = false;
    loss_ = why;
    // The clock shown is the one last seen; greyed, it does not pass for a running one.
    settingLabels_[6]->setEnabled(false);
    if (!news) return;
    const std::vector<std::string> where{nowText(), session_.describe(),
                                         std::to_string(socketError)};
    switch (why) {
        case Loss::LineDropped:
            AddInfo(ResMessage(msg::InstrumentLineLost, where), info_colour::Failure);
            break;
        case Loss::Silent:
            AddInfo(ResMessage(msg::InstrumentSilent, where), info_colour::Failure);
            break;
        case Loss::Socket:
            AddInfo(ResMessage(msg::InstrumentSocketLost, where), info_colour::Failure);
            break;
        case Loss::SwitchedOff:
            AddInfo(ResMessage(msg::InstrumentSwitchedOff, where), info_colour::Progress);
            break;
        case Loss::None:
            break;
    }
}

void MainWindow::instrumentBack() {
    loss_ = Loss::None;
    present_ = true;
    settingLabels_[6]->setEnabled(true);
    AddInfo(ResMessage(msg::InstrumentBack, {nowText(), session_.describe()}),
            info_colour::Connected);
}

void MainWindow::checkInstrumentAnswered() {
    if (!line_.instrumentConnected()) return;
    // A command that went unanswered through every resend: the instrument is connected no more,
    // whatever the link still believes.
    if (line_.lastCommandUnanswered()) {
        loseInstrument(Loss::Silent);
        setLamp(1, LampOff);
    } else if (loss_ != Loss::None && line_.instrumentAnswered()) {
        instrumentBack();
        setLamp(0, LampOn);
        setLamp(1, LampOn);
    }
}

void MainWindow::onReadings(const std::array<float, 5>& readings) {
    state_.LatestReadings = readings;
    state_.ReadingsFresh = true;
    emit readingsArrived();
}

void MainWindow::onConnectRetry(std::int16_t count) {
    AddInfo(ResMessage(msg::ConnectRetryInfo, {std::to_string(count)}), info_colour::Progress);
}

void MainWindow::onLinkText(const std::string& text) {
    AddInfo(text, info_colour::Link);
}

void MainWindow::onDumpMessage(const std::string& text) {
    // Progress of a dump only means something while its progress window is up.
    if (!upload_) return;
    // The link's "Get FLASH Image XXXX": block XXXX (hexadecimal, from 0) of the image is in;
    // people read "block N of M", counted from 1.
    constexpr std::string_view blockText = "Get FLASH Image ";
    if (framesTotal_ > 0 && text.size() > blockText.size() && text.starts_with(blockText)) {
        const char* first = text.data() + blockText.size();
        const char* last = text.data() + text.size();
        int block = 0;
        const auto [end, error] = std::from_chars(first, last, block, 16);
        if (error == std::errc() && end == last && block >= 0 && block < framesTotal_) {
            upload_->setLabel(QString::fromStdString(
                ResMessage(msg::FlashBlockProgress,
                           {std::to_string(block + 1), std::to_string(framesTotal_)})));
            upload_->setProgress(block + 1, framesTotal_);
            return;
        }
    }
    upload_->setLabel(QString::fromStdString(text));
}

void MainWindow::onLineDropped() {
    loseInstrument(Loss::LineDropped);
    // No line, no port to speak of: both lamps say so.
    setLamp(0, LampError);
    setLamp(1, LampOff);
    UpdateCommandStates();
    setLampVisible(2, false);
    setLampVisible(3, false);
}

void MainWindow::onSocketError(std::int16_t code) {
    if (present_) {
        loseInstrument(Loss::Socket, code);
        setLamp(0, LampError);
        setLamp(1, LampOff);
    }
    if (code != socket_error::TimedOut && code != socket_error::AddressInUse) return;
    const std::string text =
        ResMessage(msg::PortErrorText);  // "Cominucation Ports Error. Restart this program."
    AddInfo(text, info_colour::Failure);
    setLamp(0, LampError);
    setLamp(1, LampOff);
    asker_.error(this, text, ResMessage(msg::PortErrorTitle));  // "Port Error."
}

void MainWindow::onTransmit() {
    if (upload_) upload_->refreshResends();
    // Every new frame of a read-all moves the bar; a resend repeats the last frame and does not.
    if (!upload_ || framesTotal_ <= 0 || state_.TransferMode != transfer_mode::None) return;
    const std::string& frame = line_.lastFrame();
    if (frame.empty() || frame == lastCountedFrame_) return;
    lastCountedFrame_ = frame;
    ++framesDone_;
    upload_->setProgress(framesDone_, framesTotal_);
}

}  // namespace vq

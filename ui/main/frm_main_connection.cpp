// frmMain: opening the port and the link's events.

#include "link/vqif.h"
#include "messages/messages.h"
#include "platform/device_finder.h"
#include "platform/instrument_session.h"
#include "platform/qt_socket_port.h"
#include "ui/dialogs/frm_upload.h"
#include "ui/main/frm_main.h"
#include "ui/main/user_asker.h"

namespace vq {

bool frmMain::OpenInstrumentPort() {
    const InstrumentSession::PortChoice choice = session_.choosePort();
    if (!choice.several.empty()) {
        // "More than one USB Serial Converter is connected." / "module finder error"
        asker_.error(this, ResMessage(msg::SeveralConverters), ResMessage(msg::FinderError));
    }
    session_.openPort(choice);
    return choice.serial;
}

void frmMain::listenToSession() {
    InstrumentSession* s = &session_;
    connect(s, &InstrumentSession::connected, this, &frmMain::onConnect);
    connect(s, &InstrumentSession::readings, this, &frmMain::onDensty);
    connect(s, &InstrumentSession::connectRetry, this, &frmMain::onConnectRetry);
    connect(s, &InstrumentSession::instMessage, this, &frmMain::onLinkText);
    connect(s, &InstrumentSession::interMessage, this, &frmMain::onLinkText);
    connect(s, &InstrumentSession::alarmMessage, this, &frmMain::onLinkText);
    connect(s, &InstrumentSession::dumpMessage, this, &frmMain::onDumpMessage);
    connect(s, &InstrumentSession::lineDropped, this, &frmMain::onLineDropped);
    connect(s, &InstrumentSession::socketError, this, &frmMain::onIrDAError);
    connect(s, &InstrumentSession::transmitted, this, &frmMain::onTransmit);
}

void frmMain::onConnect() {
    if (!link_->Connected()) return;
    AddInfo(ResMessage(msg::ConnectedInfo),
            info_colour::Connected);  // "VQ-5100 ...Connection Successful."
    setLamp(0, LampOn);
    setLamp(1, LampOn);
    UpdateCommandStates();
}

void frmMain::onDensty(const std::array<float, 5>& readings) {
    state_.LatestReadings = readings;
    state_.ReadingsFresh = true;
    emit readingsArrived();
}

void frmMain::onConnectRetry(std::int16_t count) {
    AddInfo(ResMessage(msg::ConnectRetryInfo, {std::to_string(count)}), info_colour::Progress);
}

void frmMain::onLinkText(const std::string& text) {
    AddInfo(text, info_colour::Link);
}

void frmMain::onDumpMessage(const std::string& text) {
    // Progress of a dump only means something while its progress window is up.
    if (!upload_) return;
    upload_->setLabel(QString::fromStdString(text));
    // "Get FLASH Image XXXX": block XXXX of the flash image is in.
    const std::string prefix = ResMessage(msg::GetFlashImage, {""});
    if (framesTotal_ > 0 && text.size() > prefix.size() && text.rfind(prefix, 0) == 0) {
        try {
            const int block = std::stoi(text.substr(prefix.size()), nullptr, 16);
            upload_->setProgress(block + 1, framesTotal_);
        } catch (const std::exception&) {
            // Not a block number: the label alone tells the progress.
        }
    }
}

void frmMain::onLineDropped() {
    setLamp(0, LampOn);
    setLamp(1, LampOff);
    UpdateCommandStates();
    setLampVisible(2, false);
    setLampVisible(3, false);
}

void frmMain::onIrDAError(std::int16_t code) {
    if (code != socket_error::TimedOut && code != socket_error::AddressInUse) return;
    const std::string text =
        ResMessage(msg::PortErrorText);  // "Cominucation Ports Error. Restart this program."
    AddInfo(text, info_colour::Failure);
    setLamp(0, LampError);
    setLamp(1, LampOff);
    asker_.error(this, text, ResMessage(msg::PortErrorTitle));  // "Port Error."
}

void frmMain::onTransmit() {
    // Every new frame of a read-all moves the bar; a resend repeats the last frame and does not.
    if (!upload_ || framesTotal_ <= 0 || state_.TransferMode != transfer_mode::None) return;
    const std::string& frame = link_->LastFrame();
    if (frame.empty() || frame == lastCountedFrame_) return;
    lastCountedFrame_ = frame;
    ++framesDone_;
    upload_->setProgress(framesDone_, framesTotal_);
}

}  // namespace vq

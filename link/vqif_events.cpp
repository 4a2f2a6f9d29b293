// uclVqif's port event tables: the serial port's receive, modem-line and line-error events and
// the socket's receive, connect and error events.

#include <string>

#include "app/messages.h"
#include "link/link_texts.h"
#include "link/vqif.h"

namespace vq {

namespace {
// A line fault that ends a transaction: an operation still waiting has no reply and fails;
// otherwise the transaction is closed as before.
std::int32_t endedByFault(std::int32_t status) {
    return link_status::IsAwaiting(status) ? link_status::Failed : link_status::Done;
}
}  // namespace

void uclVqif::onSerialEvent(int code) {
    if (serial_ == nullptr || !serial_->isOpen()) return;
    switch (code) {
        case port_event::Receive:
            onDataReceived(*serial_, false);
            break;
        case port_event::Cts:
        case port_event::Dsr:
            modemLinesChanged();
            break;
        case port_event::Break:
            lineFault(link_text::BreakFound, status_);
            break;
        case port_event::Framing:
            lineFault(link_text::FramingError, link_status::Failed);
            break;
        case port_event::Overrun:
            lineFault(link_text::PortOverrun, link_status::Failed);
            break;
        case port_event::RxOverflow:
            lineFault(link_text::ReceiveOverflow, link_status::Failed);
            break;
        case port_event::Parity:
            lineFault(link_text::ParityError, link_status::Failed);
            break;
        case port_event::TxFull:
            // The probe is sent again anyway.
            if (linkMode_ != link_mode::Probing) {
                lineFault(link_text::SendOverflow, endedByFault(status_));
            }
            break;
        case port_event::DeviceControl:
            lineFault(link_text::DeviceControlError, endedByFault(status_));
            break;
        default:
            break;
    }
}

void uclVqif::lineFault(int messageId, std::int32_t newStatus) {
    countFault();
    AddLog(ResMessage(messageId, {now()}));
    status_ = newStatus;
}

void uclVqif::modemLinesChanged() {
    const int lines = serial_->modemStatus();
    retryCount_ = 0;
    if (lines & (kModemCts | kModemDsr)) {
        startProbing();
        return;
    }
    linkMode_ = link_mode::Offline;
    status_ = endedByFault(status_);
    events_.LineDropped();
}

void uclVqif::onSocketEvent(int code) {
    if (!socketActive()) return;
    switch (code) {
        case port_event::Receive:
            onDataReceived(*socket_, true);
            break;
        case port_event::LinkEstablished:
            if (linkMode_ == link_mode::Offline) {
                AddLog(ResMessage(link_text::SocketConnected, {now()}));
                retryCount_ = 0;
                scanner_.clear();
                probeTicks_ = 0;
                startProbing();
            }
            break;
        case port_event::SocketError: {
            countFault();
            status_ = link_status::Failed;
            const int error = socket_->lastError();
            AddLog(ResMessage(link_text::SocketError, {now(), std::to_string(error)}));
            std::int16_t number = static_cast<std::int16_t>(error);
            events_.IrDAError(number);
            break;
        }
        default:
            countFault();
            status_ = link_status::Failed;
            AddLog(ResMessage(link_text::OtherSocketEvent,
                              {now(), std::to_string(code), std::to_string(socket_->lastError())}));
            break;
    }
}

}  // namespace vq

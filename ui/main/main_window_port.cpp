// MainWindow: "Port...", the user's choice of the port the instrument is reached through (a
// converter plugged in again can come back as another device), kept in the configuration file
// and used again at the next start unless a port option is given.

#include <QPushButton>

#include "messages/messages.h"
#include "platform/instrument_session.h"
#include "ui/dialogs/port_dialog.h"
#include "ui/main/main_window.h"

namespace vq {

namespace {

constexpr std::string_view kSerialPrefix = "serial:";
constexpr std::string_view kSocketPrefix = "socket:";

std::string socketText(const SocketAddress& address) {
    return address.host + ":" + std::to_string(address.port);
}

}  // namespace

std::vector<PortEntry> MainWindow::portEntries() const {
    const PortOptions& options = session_.options();
    const bool socketInUse = !line_.serialInUse();
    return PortEntries(listPorts_ ? listPorts_() : listSerialPorts(), socketText(options.address),
                       session_.device(), socketInUse);
}

void MainWindow::portClicked() {
    const std::vector<PortEntry> entries = portEntries();
    PortDialog dialog(entries, this);
    dialog.setFont(font());
    if (dialog.exec() != QDialog::Accepted) return;
    const int chosen = dialog.chosen();
    if (chosen < 0 || chosen >= static_cast<int>(entries.size())) return;
    usePort(entries[static_cast<std::size_t>(chosen)]);
}

void MainWindow::usePort(const PortEntry& entry) {
    // Never in the middle of a command: its transaction runs on the port in use.
    if (!session_.canChoosePort() || busy()) return;
    // The old port is closed first: the instrument may be on the new one already.
    line_.closePort();
    if (entry.socket) {
        session_.useSocket();
        config_.instrumentPort =
            std::string(kSocketPrefix) + socketText(session_.options().address);
    } else {
        session_.useSerialDevice(entry.device);
        config_.instrumentPort = std::string(kSerialPrefix) + entry.device;
    }
    OpenInstrumentPort();
    AddInfo(ResMessage(msg::PortChosenInfo, {session_.describe()}), info_colour::Connected);
    saveConfig();
    UpdateCommandStates();
}

void MainWindow::applySavedPort() {
    // A port option on the command line wins over the saved choice.
    if (session_.options().mode != PortMode::Auto || !session_.canChoosePort()) return;
    const std::string& saved = config_.instrumentPort;
    if (saved.rfind(kSerialPrefix, 0) == 0 && saved.size() > kSerialPrefix.size())
        session_.useSerialDevice(saved.substr(kSerialPrefix.size()));
    else if (saved.rfind(kSocketPrefix, 0) == 0)
        session_.useSocket();
}

}  // namespace vq

#include "ui/dialogs/port_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "messages/messages.h"

namespace vq {

namespace {

constexpr UsbHardwareId kConverterId{0x10C4, 0xEA60};

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

std::vector<PortEntry> PortEntries(const std::vector<SerialPortRecord>& ports,
                                   const std::string& socketAddress, const std::string& inUseDevice,
                                   bool socketInUse) {
    std::vector<PortEntry> entries;
    for (const SerialPortRecord& port : ports) {
        PortEntry entry;
        entry.device = port.systemLocation;
        entry.converter = port.usbId && *port.usbId == kConverterId;
        entry.text = entry.converter
                         ? ResMessage(msg::PortConverterItem, {port.systemLocation, "10C4:EA60"})
                         : ResMessage(msg::PortSerialItem, {port.systemLocation});
        entry.inUse = !socketInUse && port.systemLocation == inUseDevice;
        entries.push_back(entry);
    }
    std::stable_sort(entries.begin(), entries.end(), [](const PortEntry& a, const PortEntry& b) {
        return a.converter && !b.converter;
    });
    PortEntry socket;
    socket.socket = true;
    socket.text = ResMessage(msg::PortSocketItem, {socketAddress});
    socket.inUse = socketInUse;
    entries.push_back(socket);
    for (PortEntry& entry : entries)
        if (entry.inUse) entry.text = ResMessage(msg::PortCurrentMark, {entry.text});
    return entries;
}

PortDialog::PortDialog(const std::vector<PortEntry>& entries, QWidget* parent)
    : QDialog(parent), list_(new QListWidget(this)) {
    setObjectName("frmPort");
    setWindowTitle(q(ResMessage(msg::PortDialogTitle)));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(q(ResMessage(msg::PortDialogHeading)), this));
    list_->setObjectName("lstPorts");
    int current = -1;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        auto* item = new QListWidgetItem(q(entries[i].text), list_);
        if (entries[i].converter || entries[i].inUse) {
            QFont bold = item->font();
            bold.setBold(true);
            item->setFont(bold);
        }
        if (entries[i].inUse) current = static_cast<int>(i);
    }
    const bool serialFound = std::any_of(entries.begin(), entries.end(),
                                         [](const PortEntry& entry) { return !entry.socket; });
    layout->addWidget(list_, 1);
    if (!serialFound) {
        auto* none = new QLabel(q(ResMessage(msg::PortNoneFound)), this);
        none->setObjectName("lblNoSerialPort");
        layout->addWidget(none);
    }
    list_->setCurrentRow(current >= 0 ? current : 0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(q(ResMessage(msg::OkButton)));
    buttons->button(QDialogButtonBox::Cancel)->setText(q(ResMessage(msg::CancelButton)));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(buttons);
    list_->setFocus();
    resize(std::max(360, list_->sizeHintForColumn(0) + 60), sizeHint().height());
}

int PortDialog::chosen() const {
    return list_->currentRow();
}

}  // namespace vq

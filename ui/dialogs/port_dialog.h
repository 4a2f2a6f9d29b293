#pragma once
// "Port...": the ports the instrument can be reached through, for the user to pick one when the
// converter came back as another device. Serial ports are listed with the USB converters of the
// instrument (USB id 10C4:EA60) first and marked; the socket of the options comes last; the port
// in use is marked. Enter picks the selected entry, Escape keeps the port as it is.

#include <QDialog>
#include <string>
#include <vector>

#include "platform/device_finder.h"

class QListWidget;

namespace vq {

struct PortEntry {
    bool socket = false;
    std::string device;  // the serial port's system location; empty for the socket
    std::string text;    // as listed
    bool converter = false;
    bool inUse = false;
};

// The list the dialog shows: converters first, then the other serial ports in the system's
// order, then the socket at `socketAddress` ("HOST:PORT"). `inUseDevice` or `socketInUse` marks
// the port in use.
std::vector<PortEntry> PortEntries(const std::vector<SerialPortRecord>& ports,
                                   const std::string& socketAddress, const std::string& inUseDevice,
                                   bool socketInUse);

class PortDialog final : public QDialog {
  public:
    PortDialog(const std::vector<PortEntry>& entries, QWidget* parent = nullptr);
    // The entry picked (an index of the entries), -1 when none.
    int chosen() const;
    QListWidget* list() const { return list_; }

  private:
    QListWidget* list_;
};

}  // namespace vq

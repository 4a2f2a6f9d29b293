#pragma once
// The main window's controls the settings commands work on: the main window builds them and hands
// out only these (MainWindow::settingsControls); the settings wiring (write_commands_wiring.h)
// connects them to the settings grid, the identity boxes and the write and file commands.

#include <array>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace vq {

struct SettingsControls {
    // Serial number, station id and user id.
    std::array<QLineEdit*, 3> identityBoxes{};
    // The station list and the logging interval list.
    QComboBox* station = nullptr;
    QComboBox* interval = nullptr;
    // The write commands by index (the window's writeButton 0 to 7).
    std::array<QPushButton*, 8> writeCommands{};
    // "Export" and "Import" of a settings file.
    QPushButton* exportSettings = nullptr;
    QPushButton* importSettings = nullptr;
};

}  // namespace vq

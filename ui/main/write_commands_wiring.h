#pragma once
// Puts the settings grid, the identity boxes, the write commands and the settings file commands
// into the main window: the grid goes into the status frame, the identity boxes get their key
// filter, and cmdOption(0..7), cmdExportSetting and cmdImportSetting are connected. Everything
// works on the window's model, configuration, link and message boxes. Lives as long as the
// window (its child); build it before the window is first shown.

#include <QObject>
#include <memory>
#include <optional>

namespace vq {

class IdentityBoxes;
class LinkWriteOperations;
class SettingsFileCommands;
class SettingsGrid;
class WriteCommands;
class frmMain;

class MainWindowSettings : public QObject {
    Q_OBJECT
  public:
    explicit MainWindowSettings(frmMain& main);
    ~MainWindowSettings() override;

    SettingsGrid* grid() const { return grid_; }
    WriteCommands& writes() const { return *writes_; }
    SettingsFileCommands& files() const { return *files_; }

  protected:
    // While a write runs the window is disabled, but the window manager can still ask it to
    // close: that close is refused until the write is over.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The gas selection window for a channel, modal.
    std::optional<int> chooseGas(int channel);
    void buildWriteCommands();
    void buildFileCommands();

    frmMain& main_;
    SettingsGrid* grid_ = nullptr;
    IdentityBoxes* identity_ = nullptr;
    std::unique_ptr<LinkWriteOperations> operations_;
    WriteCommands* writes_ = nullptr;
    SettingsFileCommands* files_ = nullptr;
};

}  // namespace vq

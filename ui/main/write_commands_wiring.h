#pragma once
// Puts the settings grid, the identity boxes, the write commands and the settings file commands
// into the main window: the grid goes into the status frame, the identity boxes get their key
// filter, and writeButton(0..7), exportSettingsButton and importSettingsButton are connected.
// Everything works on the window's model, configuration, session and message boxes, reached through
// the narrow SettingsHost (ui/main/settings_host.h) the main window implements. The write commands
// run as the window's commands (SettingsHost::runToEnd): a close asked for meanwhile waits for
// their end. Lives as long as the window (its child); build it before the window is first shown.

#include <QObject>
#include <memory>
#include <optional>
#include <string>

#include "ui/main/settings_file_commands.h"
#include "ui/main/settings_grid.h"
#include "ui/main/write_commands.h"

class QLabel;

namespace vq {

class IdentityBoxes;
class SettingsHost;

class MainWindowSettings : public QObject,
                           private SettingsGridWindow,
                           private WriteCommandWindow,
                           private SettingsFileWindow {
    Q_OBJECT
  public:
    explicit MainWindowSettings(SettingsHost& host);
    ~MainWindowSettings() override;

    SettingsGrid* grid() const { return grid_; }
    // The line under the grid with the count of settings not on the instrument yet (hidden
    // before a read), and the line with the last refusal or notice of the grid or the boxes.
    QLabel* pendingLine() const { return pendingLine_; }
    QLabel* noticeLine() const { return noticeLine_; }
    WriteCommands& writes() const { return *writes_; }
    SettingsFileCommands& files() const { return *files_; }

  private:
    // The grid's window: the gas selection window for a channel, modal.
    bool connected() const override;
    SessionState sessionState() const override;
    std::optional<int> chooseGas(int channel) override;
    void buildWriteCommands();
    // The write commands run in the main window (enableWindow serves the file commands as well).
    void addInfo(const std::string& text, const QColor& colour) override;
    void enableWindow(bool on) override;
    void showProgress() override;
    void closeProgress() override;
    void openCalibration() override;
    double now() const override;
    std::string csvSuffix() const override;
    bool confirmDiscardEdits() override;
    const InstrumentModel* lastRead() const override;
    void setLastRead(const InstrumentModel& model) override;
    void recordWrite(const InstrumentModel& written, bool ok) override;
    void readAgain() override;
    // The settings file commands (showInstrument serves the grid as well).
    std::string chooseFile(bool save) override;
    void setLinkDone() override;
    void showInstrument() override;
    void buildFileCommands();
    QWidget* buildGridArea();
    // The pending count line follows the window's own count (SettingsHost::pendingEdits).
    void showPending();

    SettingsHost& host_;
    SettingsGrid* grid_ = nullptr;
    QLabel* pendingLine_ = nullptr;
    QLabel* noticeLine_ = nullptr;
    IdentityBoxes* identity_ = nullptr;
    WriteCommands* writes_ = nullptr;
    SettingsFileCommands* files_ = nullptr;
};

}  // namespace vq

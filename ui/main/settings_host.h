#pragma once
// What the settings wiring (MainWindowSettings, write_commands_wiring.h) needs from the main
// window: the controls it connects, the grid area, the last-read settings and the pending count,
// the progress window, the window's commands, and the two notices that the model was shown or
// replaced. The calibration window opened by the write commands gets the same window through
// CalibrationHost. The main window implements it; the wiring sees nothing else of it.

#include <QMetaObject>
#include <cstdint>
#include <functional>

#include "ui/dialogs/calibration_host.h"
#include "ui/main/settings_controls.h"

class QObject;
class QWidget;

namespace vq {

struct AppConfig;
class ProgressWindow;

class SettingsHost : public CalibrationHost {
  public:
    virtual AppConfig& config() = 0;
    virtual SettingsControls settingsControls() const = 0;
    // Puts the settings grid into the window's grid area (the window takes ownership).
    virtual void setSettingsGrid(QWidget* grid) = 0;

    // The settings as the instrument held them at the last read or confirmed write; null before.
    virtual const InstrumentModel* lastRead() const = 0;
    virtual void setLastRead(const InstrumentModel& model) = 0;
    // How many settings the window holds that differ from the instrument's (0 before a read).
    virtual int pendingEdits() const = 0;
    // True when nothing is pending or the user agrees to lose it.
    virtual bool confirmDiscardEdits() = 0;
    // Marks the identity boxes and the interval that differ from the instrument's values.
    virtual void markPendingBoxes() = 0;
    // Settings were loaded from a file: the model shown is no longer the start defaults.
    virtual void settingsLoaded() = 0;
    virtual void ShowInstrument() = 0;
    virtual bool ReadInstrument() = 0;

    // The progress window of the running command (gone after closeProgress).
    virtual ProgressWindow* showProgress(std::int16_t transferMode, int captionId) = 0;
    virtual void closeProgress() = 0;
    // Runs a write command with the window busy; a close asked for meanwhile waits for its end
    // (a write broken off could leave the instrument half written).
    virtual void runToEnd(const std::function<void()>& command) = 0;

    // Calls `slot` when the window has shown the model.
    virtual QMetaObject::Connection whenInstrumentShown(QObject* receiver,
                                                        std::function<void()> slot) = 0;
    // Calls `slot` when the model was replaced by a read or went back to the start state.
    virtual QMetaObject::Connection whenSettingsReplaced(QObject* receiver,
                                                         std::function<void()> slot) = 0;

  protected:
    ~SettingsHost() = default;
};

}  // namespace vq

#pragma once
// MainWindow, the program's main window. It works over the instrument session it is given (its
// line, reads, writes and events; the window holds no link), owns the one working instrument model
// and the program's configuration, and runs the read commands, Power Off, the debug dump commands,
// the session's events, the four lamps, the information log logBox and the clock labels.
//
// How the other windows plug in (without editing these files): each gets the window through a
// narrow interface the window implements, and sees nothing else of it.
//   - the settings grid, the identity boxes, the write and settings file commands
//     (MainWindowSettings) through SettingsHost (ui/main/settings_host.h): model(), config(),
//     settingsControls() and setSettingsGrid(), the last-read settings and the pending count,
//     the progress window, runToEnd() for a write command, and the notices that the model was
//     shown or replaced;
//   - the calibration window (OpenCalibrationWindow) through CalibrationHost
//     (ui/dialogs/calibration_host.h): session(), model(), state() (TransferMode, LatestReadings,
//     ReadingsFresh, CalibrationOpen), asker(), AddInfo(), and the notices of new readings (every
//     NewReadings event) and of a close put off.
//
// The window's code is split by concern: main_window.cpp (controls, start, closing),
// main_window_layout.cpp (captions, sizes, command states, lamps), main_window_connection.cpp (the
// port and the session's events), main_window_read.cpp (read commands, Power Off),
// main_window_dump.cpp (the flash and FRAM dumps, the A/D list), main_window_logs.cpp (logBox, the
// clock, the log files).

#include <QColor>
#include <QPointer>
#include <QWidget>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_config.h"
#include "model/instrument.h"
#include "platform/device_finder.h"
#include "platform/session_line.h"
#include "ui/dialogs/port_dialog.h"
#include "ui/dialogs/progress_window.h"
#include "ui/main/main_state.h"
#include "ui/main/settings_controls.h"
#include "ui/main/settings_host.h"

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QTimer;
class QVBoxLayout;

namespace vq {

class InstrumentOperations;
class InstrumentSession;
class RecordsStore;
class UserAsker;
class ProgressWindow;

// Information-log colours.
namespace info_colour {
inline const QColor Progress{0, 192, 0};   // progress and success
inline const QColor Failure{255, 0, 0};    // failures
inline const QColor Link{0, 0, 192};       // texts the session passes on from the instrument
inline const QColor Connected{0, 0, 255};  // connection success
inline const QColor Analog{0, 128, 64};    // the A/D values list
inline const QColor Dump{128, 32, 0};      // start and end of the FRAM dump
}  // namespace info_colour

// Lamp colour pairs (fill, border).
struct LampColours {
    QColor fill;
    QColor border;
    friend bool operator==(const LampColours&, const LampColours&) = default;
};
inline const LampColours LampOn{{0, 255, 0}, {0, 192, 0}};
inline const LampColours LampOff{{160, 160, 160}, {128, 128, 128}};
inline const LampColours LampError{{254, 0, 0}, {192, 0, 0}};
// The background of a box whose value is not on the instrument yet (the grid's amber).
inline const QColor PendingBoxColour{255, 214, 110};

// What the main window is built with.
struct MainWindowDeps {
    // The session: its line, reads, writes, events and working folder (the current directory of
    // the program).
    InstrumentSession& session;
    UserAsker& asker;
    bool debugMode = false;
    // Makes the operations on the window's session; empty: the program's own
    // (SessionInstrumentOperations).
    std::function<std::unique_ptr<InstrumentOperations>(InstrumentSession&)> makeOperations;
    // The screen size in pixels for the first-run size; empty: the primary screen's.
    QSize screenSize;
};

class MainWindow : public QWidget, public SettingsHost {
    Q_OBJECT
  public:
    // 15 twips a pixel; the window's smallest size in twips.
    static constexpr int kTwipsPerPixel = 15;
    static constexpr int kMinWidthTwips = 11640;
    static constexpr int kMinHeightTwips = 9285;
    static constexpr int kClockIntervalMs = 100;
    // Room on each side of a command button's text, in pixels.
    static constexpr int kButtonPadding = 12;
    static constexpr const char* kDataFileName = "VQ5100.DAT";
    static constexpr const char* kDumpFileName = "DumpEF.dat";

    explicit MainWindow(MainWindowDeps deps, QWidget* parent = nullptr);
    ~MainWindow() override;

    // ---- collaborators, for the windows that plug in ----
    InstrumentModel& model() override { return model_; }
    // The settings as the instrument held them at the last read or confirmed write; null before.
    const InstrumentModel* lastRead() const override { return lastRead_ ? &*lastRead_ : nullptr; }
    InstrumentSession& session() override { return session_; }
    void setLastRead(const InstrumentModel& model) override { lastRead_ = model; }
    // How many settings the window holds that differ from the instrument's (0 before a read).
    int pendingEdits() const override;
    // True when nothing is pending or the user agrees to lose it (asked, naming the count).
    bool confirmDiscardEdits() override;
    AppConfig& config() override { return config_; }
    MainState& state() override { return state_; }
    UserAsker& asker() override { return asker_; }

    // ---- window operations ----
    // One line at the end of logBox in the colour; the log is never trimmed.
    void AddInfo(const std::string& text, const QColor& colour) override;
    // One line of the communication log.
    void AddLog(const std::string& text);
    bool ReadInstrument() override;
    void ShowInstrument() override;
    // The identity boxes and the interval marked when they differ from the instrument's values
    // as last read (called by ShowInstrument and after each edit).
    void markPendingBoxes() override;
    static bool boxPending(const QWidget* box);
    // Settings were loaded from a file: the model shown is no longer the start defaults.
    void settingsLoaded() override { defaultsShown_ = false; }
    void UpdateCommandStates();

    // ---- the port (main_window_port.cpp) ----
    std::vector<PortEntry> portEntries() const;
    // Closes the port in use, opens the entry's and keeps the choice.
    void usePort(const PortEntry& entry);
    // Lists the serial ports instead of the system (tests).
    void setPortLister(std::function<std::vector<SerialPortRecord>()> list) {
        listPorts_ = std::move(list);
    }

    // The read commands by index: 1 Instruments, 2 Download (debug), 4 Power Off, 5 Get && Save.
    void readButtonClicked(int index);
    // The factory setting dialog on the model, modal; the model is shown again afterwards.
    void factorySettingsClicked();
    // Records for the Records window to show instead of the session's (tests); null with the
    // reason they could not be opened.
    void setRecords(RecordsStore* store, std::string unavailable);
    // The Records window, opened (or raised when it is open already).
    void recordsClicked();
    QWidget* recordsWindow() const { return recordsWindow_; }

    // The progress window of the running command (created by showProgress, gone after
    // closeProgress).
    ProgressWindow* showProgress(std::int16_t transferMode, int captionId) override;
    void closeProgress() override;
    ProgressWindow* progress() const { return upload_; }

    // Puts a settings grid into the grid area of statusGroup (the window takes ownership).
    void setSettingsGrid(QWidget* grid) override;
    QWidget* settingsGrid() const { return settingsGrid_; }

    LampColours lampColours(int i) const { return lamps_.at(static_cast<std::size_t>(i)); }
    bool firstActivation() const { return FirstActivation_; }
    // True while a command runs. A close asked for meanwhile is put off: the window closes, through
    // its usual question, once the command is over.
    bool busy() const { return busy_ > 0; }
    // What a close asked for while a command runs does to the command: reads and dumps are
    // cancelled; writes, calibration and Power Off run to their end, since breaking them off
    // could leave the instrument half written or in range mode.
    enum class OnClose { CancelCommand, FinishCommand };
    // Runs `command` with the window busy; a close put off meanwhile is carried out afterwards.
    void runCommand(OnClose onClose, const std::function<void()>& command);
    bool closePending() const override { return closePending_; }

    // The smallest size in pixels.
    static QSize minimumPixels();

    // The controls the settings commands work on (ui/main/settings_controls.h); the window keeps
    // the rest of its widgets to itself.
    SettingsControls settingsControls() const override;

    // True from the moment the instrument was lost (line dropped, no answer, socket error,
    // switched off) until it answers again.
    bool instrumentLost() const { return loss_ != Loss::None; }

  signals:
    // ShowInstrument has shown the model: the settings grid refreshes itself.
    void instrumentShown();
    // The model was replaced by a read or went back to the start state: notes about earlier
    // edits no longer apply.
    void settingsReplaced();
    // New current readings are in state().LatestReadings.
    void readingsArrived();
    // A close was put off because a command runs: a window that runs the command (the
    // calibration window) may close itself so the command can end.
    void closeDeferred();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // ---- the rest of SettingsHost and CalibrationHost, reached only through them
    // (main_window.cpp)
    QWidget& widget() override { return *this; }
    // A write command: a close asked for meanwhile waits for its end.
    void runToEnd(const std::function<void()>& command) override;
    QMetaObject::Connection whenReadingsArrive(QObject* receiver,
                                               std::function<void()> slot) override;
    QMetaObject::Connection whenCloseDeferred(QObject* receiver,
                                              std::function<void()> slot) override;
    QMetaObject::Connection whenInstrumentShown(QObject* receiver,
                                                std::function<void()> slot) override;
    QMetaObject::Connection whenSettingsReplaced(QObject* receiver,
                                                 std::function<void()> slot) override;

    // ---- the session's events (main_window_connection.cpp) ----
    void onConnect();
    void onReadings(const std::array<float, 5>& readings);
    void onConnectRetry(std::int16_t count);
    void onLinkText(const std::string& text);
    void onDumpMessage(const std::string& text);
    void onLineDropped();
    void onSocketError(std::int16_t code);
    void onTransmit();
    void EnableCommandFrames(bool on);
    void ListAnalogValues();
    bool OpenInstrumentPort();
    // The user connects again: a switched-off built-in instrument is switched on (as a person
    // presses the power switch of a real one) and the port opened afresh, so the link probes.
    // The window's own reopening after a power-off never does this.
    void connectAgain();
    // The flash image into `path`, which it replaces only when the image is complete.
    bool DownloadLogMemory(const std::string& path);
    // Shifts SerialLog.log and its older generations up by one (nine kept); false with the
    // reason in the information log when a file could not be moved.
    bool RotateSerialLogs();
    // "Port...": the serial ports and the socket listed, the chosen one opened and kept in the
    // configuration file.
    void portClicked();
    void memoryDumpClicked();

    // main_window_connection.cpp: the session's signals go to the on... handlers.
    void listenToSession();
    // Why the instrument is not there any more.
    enum class Loss { None, LineDropped, Silent, Socket, SwitchedOff };
    // A log line with the time and the port (once per loss), the instrument clock greyed.
    void loseInstrument(Loss why, int socketError = 0);
    // The line that says it is back, the clock running again.
    void instrumentBack();
    // After a power-off of the built-in instrument: a double-click on the "Connect" lamp is the
    // user's way to switch it on again.
    void offerSwitchOn();
    // After a command: did the instrument answer, or stop answering?
    void checkInstrumentAnswered();

    // main_window.cpp
    void buildControls();
    QWidget* buildCommandFrames();
    QWidget* buildStatusFrame();
    QWidget* buildLampFrame();
    void startUp();
    void FirstActivate();
    void InitDefaults();
    void reloadConfig();
    void saveConfig();
    // main_window_port.cpp: the port saved by "Port..." for this start (unless a port option).
    void applySavedPort();

    // main_window_layout.cpp
    void ApplyCaptions();
    void applyFont();
    void applyStartSize();
    // The smallest size: the fixed one, or more when the commands of this language and mode
    // need it (a button is never squashed below its text).
    void applyMinimumSize();
    void hideDebugCommands();
    void setLamp(int i, const LampColours& colours);
    void setLampVisible(int i, bool visible);
    void setTextEnabled(QWidget* box, bool on);

    // main_window_read.cpp
    void instrumentsCommand(bool saveCsv);
    bool suffixIsValid();
    void powerOffCommand();
    void returnToStartState();
    void ApplyLockedGases();
    void dateDifferenceWarning();
    void writeSettingsCsv();

    // main_window_dump.cpp
    void downloadCommand();
    void framDumpCommand();

    // main_window_logs.cpp
    void tickTimerFired();
    void clearOldLog();
    std::string nowText() const;
    std::string elapsedText(std::chrono::milliseconds start) const;

    InstrumentSession& session_;
    // The session's line: connection, Cancel, settings, log and clock.
    SessionLine line_;
    UserAsker& asker_;
    std::string workDir_;
    bool debugMode_;
    QSize screenSize_;
    std::string DataFilePath;

    AppConfig config_;
    InstrumentModel model_;
    std::optional<InstrumentModel> lastRead_;
    MainState state_;
    std::unique_ptr<InstrumentOperations> ops_;

    bool FirstActivation_ = true;
    // The model shown is the start defaults (no read, no file, no interval chosen): the interval
    // shows dashes as the other fields do.
    bool defaultsShown_ = true;
    int busy_ = 0;
    OnClose onClose_ = OnClose::CancelCommand;
    bool closePending_ = false;
    bool closing_ = false;
    // Frames counted for the progress bar of a read-all.
    int framesDone_ = 0;
    int framesTotal_ = 0;
    std::string lastCountedFrame_;
    std::string clockTag_;
    // The instrument answered since the port opened and has not been lost since.
    bool present_ = false;
    Loss loss_ = Loss::None;

    QPointer<ProgressWindow> upload_;

    std::array<QGroupBox*, 3> commandGroups_{};
    QGroupBox* serviceGroup_ = nullptr;
    // The read commands, numbered as their buttons' object names (cmdDown1 ...) are.
    enum ReadCommand { ReadSettings = 1, Download = 2, PowerOff = 4, GetAndSave = 5 };
    // In the order their column shows them.
    static constexpr std::array<ReadCommand, 4> kReadCommands{ReadSettings, GetAndSave, Download,
                                                              PowerOff};
    std::array<QPushButton*, 6> readButtons_{};  // by ReadCommand
    std::array<QPushButton*, 8> writeButtons_{};
    QPushButton* memoryDumpButton_ = nullptr;
    QPushButton* portButton_ = nullptr;
    std::function<std::vector<SerialPortRecord>()> listPorts_;
    QPushButton* exportSettingsButton_ = nullptr;
    QPushButton* importSettingsButton_ = nullptr;
    QPushButton* factorySettingsButton_ = nullptr;
    QPushButton* recordsButton_ = nullptr;
    // The store the Records window reads: the session's, unless one was given (tests).
    RecordsStore* recordsStore(std::string& why);
    bool recordsGiven_ = false;
    RecordsStore* records_ = nullptr;
    std::string recordsUnavailable_;
    QPointer<QWidget> recordsWindow_;
    QPushButton* exitButton_ = nullptr;
    QLabel* suffixLabel_ = nullptr;
    QLineEdit* suffixBox_ = nullptr;
    QGroupBox* statusGroup_ = nullptr;
    std::array<QLabel*, 8> settingLabels_{};
    std::array<QLineEdit*, 3> identityBoxes_{};
    QComboBox* stationBox_ = nullptr;
    QComboBox* intervalBox_ = nullptr;
    QLabel* programNumberCaption_ = nullptr;
    QLabel* programNumberLabel_ = nullptr;
    QLabel* sumCaption_ = nullptr;
    QLabel* sumLabel_ = nullptr;
    QGroupBox* lampGroup_ = nullptr;
    std::array<QFrame*, 4> lampFrames_{};
    std::array<QLabel*, 4> lampLabels_{};
    std::array<LampColours, 4> lamps_{};
    QLabel* titleLabel_ = nullptr;
    QTextEdit* logBox_ = nullptr;
    QTimer* tickTimer_ = nullptr;
    QVBoxLayout* gridArea_ = nullptr;
    QWidget* settingsGrid_ = nullptr;
};

}  // namespace vq

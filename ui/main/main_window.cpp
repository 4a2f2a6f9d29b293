// MainWindow: the controls, the start sequence and closing.

#include "ui/main/main_window.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "app/config_file.h"
#include "messages/messages.h"
#include "platform/instrument_session.h"
#include "ui/dialogs/factory_settings_dialog.h"
#include "ui/dialogs/progress_window.h"
#include "ui/dialogs/records_window.h"
#include "ui/main/instrument_operations.h"
#include "ui/main/session_instrument_operations.h"
#include "ui/main/user_asker.h"

namespace vq {

namespace {

QPushButton* button(const char* name, QWidget* parent) {
    auto* b = new QPushButton(parent);
    b->setObjectName(name);
    return b;
}

QLabel* label(const QString& name, QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    return l;
}

// The logging interval list, in the order of IntervalIndex.
const char* const kIntervals[] = {"10", "20", "30", "60", "180", "300", "600"};

}  // namespace

MainWindow::MainWindow(MainWindowDeps deps, QWidget* parent)
    : QWidget(parent),
      session_(deps.session),
      line_(deps.session.line()),
      asker_(deps.asker),
      workDir_(deps.session.workDir()),
      debugMode_(deps.debugMode),
      screenSize_(deps.screenSize) {
    setObjectName("frmMain");
    setAttribute(Qt::WA_DeleteOnClose, false);
    listenToSession();
    ops_ = deps.makeOperations ? deps.makeOperations(session_)
                               : std::make_unique<SessionInstrumentOperations>(session_);
    buildControls();
    startUp();
}

MainWindow::~MainWindow() {
    // The session outlives the window: its line stops here, so nothing it raises reaches a window
    // half gone.
    line_.stop();
    ops_.reset();
}

void MainWindow::buildControls() {
    auto* outer = new QHBoxLayout(this);
    outer->addWidget(buildCommandFrames(), 0);
    auto* right = new QVBoxLayout;
    right->addWidget(buildStatusFrame(), 3);
    auto* logRow = new QHBoxLayout;
    auto* logColumn = new QVBoxLayout;
    titleLabel_ = label("lblTitle", this);
    logBox_ = new QTextEdit(this);
    logBox_->setObjectName("rtbLog");
    logBox_->setReadOnly(true);
    logColumn->addWidget(titleLabel_);
    logColumn->addWidget(logBox_, 1);
    logRow->addLayout(logColumn, 1);
    logRow->addWidget(buildLampFrame(), 0, Qt::AlignTop);
    right->addLayout(logRow, 2);
    outer->addLayout(right, 1);

    tickTimer_ = new QTimer(this);
    tickTimer_->setObjectName("tmrInter");
    connect(tickTimer_, &QTimer::timeout, this, &MainWindow::tickTimerFired);
}

QWidget* MainWindow::buildCommandFrames() {
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    for (int f = 0; f < 3; ++f) {
        commandGroups_[static_cast<std::size_t>(f)] = new QGroupBox(column);
        commandGroups_[static_cast<std::size_t>(f)]->setObjectName(QString("fraCommand%1").arg(f));
    }
    // Read commands.
    auto* read = new QVBoxLayout(commandGroups_[0]);
    for (const ReadCommand i : kReadCommands) {
        readButtons_[static_cast<std::size_t>(i)] =
            button(QString("cmdDown%1").arg(i).toLatin1().constData(), commandGroups_[0]);
        read->addWidget(readButtons_[static_cast<std::size_t>(i)]);
        connect(readButtons_[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
                [this, i] { readButtonClicked(i); });
    }
    suffixLabel_ = label("lblSuffix", commandGroups_[0]);
    suffixBox_ = new QLineEdit(commandGroups_[0]);
    suffixBox_->setObjectName("txtSuffix");
    // The suffix counts when the box is left, as the configuration keeps it.
    connect(suffixBox_, &QLineEdit::editingFinished, this,
            [this] { config_.factoryRecordSuffix = suffixBox_->text().toStdString(); });
    read->addWidget(suffixLabel_);
    read->addWidget(suffixBox_);
    memoryDumpButton_ = button("cmdFRAMDump", commandGroups_[0]);
    read->addWidget(memoryDumpButton_);
    connect(memoryDumpButton_, &QPushButton::clicked, this, &MainWindow::memoryDumpClicked);

    // Write commands: the handlers belong to the write-command module.
    auto* write = new QVBoxLayout(commandGroups_[1]);
    // The commands that erase what the instrument holds stand apart in a group of their own, so
    // a hurried click meant for "Update" never lands on one of them. Inside frame 1, they are
    // enabled and disabled with it.
    serviceGroup_ = new QGroupBox(commandGroups_[1]);
    serviceGroup_->setObjectName("fraService");
    serviceGroup_->setStyleSheet("QGroupBox#fraService { color: #b00000; font-weight: bold; }");
    auto* service = new QVBoxLayout(serviceGroup_);
    for (int i = 0; i < 8; ++i) {
        const bool erases = i >= 3 && i <= 5;
        QWidget* frame = erases ? static_cast<QWidget*>(serviceGroup_) : commandGroups_[1];
        writeButtons_[static_cast<std::size_t>(i)] =
            button(QString("cmdOption%1").arg(i).toLatin1().constData(), frame);
        (erases ? service : write)->addWidget(writeButtons_[static_cast<std::size_t>(i)]);
    }
    write->addSpacing(12);
    write->addWidget(serviceGroup_);
    // Setting commands.
    auto* setting = new QVBoxLayout(commandGroups_[2]);
    exportSettingsButton_ = button("cmdExportSetting", commandGroups_[2]);
    importSettingsButton_ = button("cmdImportSetting", commandGroups_[2]);
    factorySettingsButton_ = button("cmdFactorySetting", commandGroups_[2]);
    setting->addWidget(exportSettingsButton_);
    setting->addWidget(importSettingsButton_);
    setting->addWidget(factorySettingsButton_);
    connect(factorySettingsButton_, &QPushButton::clicked, this,
            &MainWindow::factorySettingsClicked);
    recordsButton_ = button("cmdRecords", commandGroups_[2]);
    setting->addWidget(recordsButton_);
    connect(recordsButton_, &QPushButton::clicked, this, &MainWindow::recordsClicked);

    for (QGroupBox* frame : commandGroups_) layout->addWidget(frame);
    layout->addStretch(1);
    exitButton_ = button("cmdExit", column);
    connect(exitButton_, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(exitButton_);
    return column;
}

QWidget* MainWindow::buildStatusFrame() {
    statusGroup_ = new QGroupBox(this);
    statusGroup_->setObjectName("fraStatus");
    for (int i = 0; i < 8; ++i)
        settingLabels_[static_cast<std::size_t>(i)] =
            label(QString("lblOption%1").arg(i), statusGroup_);
    programNumberCaption_ = label("lblInst6", statusGroup_);
    programNumberLabel_ = label("lblInst7", statusGroup_);
    sumCaption_ = label("lblInst8", statusGroup_);
    sumLabel_ = label("lblInst9", statusGroup_);
    for (QLabel* value : {programNumberLabel_, sumLabel_}) {
        value->setFrameShape(QFrame::Panel);
        value->setFrameShadow(QFrame::Sunken);
    }
    const int lengths[] = {20, 16, 16};
    for (int i = 0; i < 3; ++i) {
        auto* box = new QLineEdit(statusGroup_);
        box->setObjectName(QString("txtOption%1").arg(i));
        // The key filter and storing into the model come with the settings module
        // (identity_boxes.h).
        box->setMaxLength(lengths[i]);
        identityBoxes_[static_cast<std::size_t>(i)] = box;
    }
    stationBox_ = new QComboBox(statusGroup_);
    stationBox_->setObjectName("cmbStation");
    connect(stationBox_, &QComboBox::activated, this,
            [this](int index) { model_.setStationID(model_.StationList(index)); });
    intervalBox_ = new QComboBox(statusGroup_);
    intervalBox_->setObjectName("cmbInterval");
    for (const char* seconds : kIntervals) intervalBox_->addItem(seconds);
    intervalBox_->setPlaceholderText("-----");
    connect(intervalBox_, &QComboBox::activated, this, [this](int index) {
        defaultsShown_ = false;  // chosen by the user: shown from now on
        model_.setIntervals(static_cast<std::int16_t>(std::stoi(kIntervals[index])));
    });
    settingLabels_[5]->setFrameShape(QFrame::Panel);
    settingLabels_[5]->setFrameShadow(QFrame::Sunken);
    settingLabels_[6]->setFrameShape(QFrame::Panel);
    settingLabels_[6]->setFrameShadow(QFrame::Sunken);

    auto* grid = new QGridLayout;
    grid->addWidget(settingLabels_[0], 0, 0);
    grid->addWidget(identityBoxes_[0], 0, 1);
    grid->addWidget(programNumberCaption_, 0, 2);
    grid->addWidget(programNumberLabel_, 0, 3);
    grid->addWidget(settingLabels_[1], 1, 0);
    grid->addWidget(identityBoxes_[1], 1, 1);
    grid->addWidget(sumCaption_, 1, 2);
    grid->addWidget(sumLabel_, 1, 3);
    grid->addWidget(stationBox_, 2, 1);
    grid->addWidget(settingLabels_[2], 3, 0);
    grid->addWidget(identityBoxes_[2], 3, 1);
    grid->addWidget(settingLabels_[7], 3, 2);
    grid->addWidget(intervalBox_, 3, 3);
    grid->addWidget(settingLabels_[3], 4, 0);
    grid->addWidget(settingLabels_[5], 4, 1);
    grid->addWidget(settingLabels_[4], 5, 0);
    grid->addWidget(settingLabels_[6], 5, 1);
    // Captions keep their full width; the boxes share what is left.
    for (QLabel* caption :
         {settingLabels_[0], settingLabels_[1], settingLabels_[2], settingLabels_[3],
          settingLabels_[4], settingLabels_[7], programNumberCaption_, sumCaption_})
        caption->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    for (QWidget* box :
         {static_cast<QWidget*>(identityBoxes_[0]), static_cast<QWidget*>(identityBoxes_[1]),
          static_cast<QWidget*>(identityBoxes_[2]), static_cast<QWidget*>(stationBox_),
          static_cast<QWidget*>(intervalBox_), static_cast<QWidget*>(programNumberLabel_),
          static_cast<QWidget*>(sumLabel_), static_cast<QWidget*>(settingLabels_[5]),
          static_cast<QWidget*>(settingLabels_[6])})
        box->setMinimumWidth(60);
    // The two clocks are read at a glance: they never lose a digit.
    for (QLabel* clock : {settingLabels_[5], settingLabels_[6]})
        clock->setMinimumWidth(clock->fontMetrics().horizontalAdvance("0000/00/00 00:00:00") + 8);
    // The boxes stop at a width of their own (ApplyCaptions); the room left over on a wide
    // window goes to the empty column on the right.
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), 0, 4);
    grid->setColumnStretch(4, 1);

    auto* layout = new QVBoxLayout(statusGroup_);
    layout->addLayout(grid);
    gridArea_ = new QVBoxLayout;
    layout->addLayout(gridArea_, 1);
    return statusGroup_;
}

QWidget* MainWindow::buildLampFrame() {
    lampGroup_ = new QGroupBox(this);
    lampGroup_->setObjectName("fraTransStatus");
    auto* layout = new QGridLayout(lampGroup_);
    for (int i = 0; i < 4; ++i) {
        auto* lamp = new QFrame(lampGroup_);
        lamp->setObjectName(QString("shpStatus%1").arg(i));
        lamp->setFixedSize(16, 16);
        lampFrames_[static_cast<std::size_t>(i)] = lamp;
        lampLabels_[static_cast<std::size_t>(i)] = label(QString("lblStatus%1").arg(i), lampGroup_);
        layout->addWidget(lamp, i, 0);
        layout->addWidget(lampLabels_[static_cast<std::size_t>(i)], i, 1);
    }
    // The port is chosen under the lamps that show it; the command columns keep their places.
    portButton_ = button("cmdPort", lampGroup_);
    layout->addWidget(portButton_, 4, 0, 1, 2);
    connect(portButton_, &QPushButton::clicked, this, &MainWindow::portClicked);
    return lampGroup_;
}

void MainWindow::setSettingsGrid(QWidget* grid) {
    if (settingsGrid_) {
        gridArea_->removeWidget(settingsGrid_);
        settingsGrid_->deleteLater();
    }
    settingsGrid_ = grid;
    if (grid) {
        grid->setParent(statusGroup_);
        gridArea_->addWidget(grid);
        // Tab goes through the status boxes, the grid, then the log, top to bottom.
        QWidget* table = grid->findChild<QAbstractItemView*>();
        if (!table) table = grid;
        QWidget::setTabOrder(intervalBox_, table);
        QWidget::setTabOrder(table, logBox_);
    }
    applyMinimumSize();
    UpdateCommandStates();
}

void MainWindow::factorySettingsClicked() {
    // The dialog edits a copy and hands back only what the user changed.
    FactorySettingsDialog::edit(model_, this, font(), [this](const std::string& text) {
        AddInfo(text, info_colour::Progress);
    });
    ShowInstrument();
}

void MainWindow::setRecords(RecordsStore* store, std::string unavailable) {
    recordsGiven_ = true;
    records_ = store;
    recordsUnavailable_ = std::move(unavailable);
}

RecordsStore* MainWindow::recordsStore(std::string& why) {
    if (recordsGiven_) {
        why = recordsUnavailable_;
        return records_;
    }
    StoreStatus status;
    RecordsStore* store = session_.records().store(status);
    if (store == nullptr) why = status.error;
    return store;
}

void MainWindow::recordsClicked() {
    // The window only reads the records, so it stays open beside the main window while the
    // instrument is read and written; one is enough.
    if (recordsWindow_) {
        static_cast<RecordsWindow*>(recordsWindow_.data())->refresh();
        recordsWindow_->raise();
        recordsWindow_->activateWindow();
        return;
    }
    auto* window = new RecordsWindow({[this](std::string& why) { return recordsStore(why); },
                                      [this] { return line_.localDateTime(); }, asker_, workDir_},
                                     this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setFont(font());
    recordsWindow_ = window;
    window->show();
}

void MainWindow::startUp() {
    DataFilePath = (std::filesystem::path(workDir_) / kDataFileName).string();
    FillBuiltInDefaults(config_);
    InitDefaults();
    applyFont();
    reloadConfig();
    ApplyCaptions();
    line_.setRetries(config_.retry, config_.timeout);
    line_.startOnSocket();
    // The old logs move aside before the new run can write its first line; with the log
    // switched off no log is written at all, and the previous run's goes.
    line_.setSerialLog(config_.serialLog, [this](const std::string& reason) {
        AddInfo(ResMessage(msg::SerialLogNotWritten, {reason}), info_colour::Failure);
    });
    if (config_.serialLog) RotateSerialLogs();
    clearOldLog();
    applySavedPort();
    OpenInstrumentPort();
    // The hidden commands take no room, so the smallest size is known only after they go.
    if (!debugMode_) hideDebugCommands();
    applyStartSize();
    suffixBox_->setText(QString::fromStdString(config_.factoryRecordSuffix));
}

void MainWindow::InitDefaults() {
    tickTimer_->setInterval(kClockIntervalMs);
    tickTimer_->start();
    setLamp(0, LampOn);
    for (int i = 1; i < 4; ++i) setLamp(i, LampOff);
    // The log is kept: after Power Off it still tells what happened before.
    UpdateCommandStates();
    setLampVisible(2, false);
    setLampVisible(3, false);
    state_.CalibrationOpen = false;
    line_.setRetries(3, 3);
}

void MainWindow::reloadConfig() {
    const ConfigLoadResult result = LoadConfig(config_, workDir_);
    session_.records().setConfiguredLocation(config_.recordsLocation);
    session_.records().setReport(
        [this](const std::string& line) { AddInfo(line, info_colour::Failure); });
    const std::filesystem::path path = ConfigFilePath(workDir_);
    for (const ConfigProblem& problem : result.problems)
        AddInfo(ConfigProblemMessage(problem, path), info_colour::Failure);
    if (!result.complete && result.problems.empty()) {
        // Nothing of the file was taken: it is kept in a backup when the file is next written.
        const std::string backup = path.string() + ".bak";
        AddInfo(ResMessage(msg::ConfigUnreadable, {result.error, backup}), info_colour::Failure);
    }
}

void MainWindow::saveConfig() {
    const ConfigSaveResult result = SaveConfig(config_, workDir_, line_.localDateTime());
    if (!result.ok) {
        const std::string text = ResMessage(msg::ConfigNotWritten, {result.error});
        AddInfo(text, info_colour::Failure);
        asker_.error(this, text, AppTitle());
    }
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (FirstActivation_) FirstActivate();
}

void MainWindow::FirstActivate() {
    AddLog(ResMessage(msg::PortStandbyLog, {nowText()}));  // "Serial Port Standby. Date = ~1"
    // The default model can be edited and written without reading an instrument first.
    model_.SetChangeFlags(true, true);
    model_.setImportFlag(1);
    line_.adoptLoadedModel(model_);
    defaultsShown_ = true;
    ShowInstrument();
    FirstActivation_ = false;
}

void MainWindow::runCommand(OnClose onClose, const std::function<void()>& command) {
    const OnClose outer = onClose_;
    onClose_ = onClose;
    ++busy_;
    struct Done {
        MainWindow& window;
        OnClose outer;
        ~Done() {
            --window.busy_;
            window.onClose_ = outer;
        }
    } done{*this, outer};
    command();
    checkInstrumentAnswered();
    if (busy_ > 1 || !closePending_) return;
    closePending_ = false;
    // After the command's own boxes, from the event loop.
    QTimer::singleShot(0, this, [this] { close(); });
}

void MainWindow::runToEnd(const std::function<void()>& command) {
    runCommand(OnClose::FinishCommand, command);
}

QMetaObject::Connection MainWindow::whenReadingsArrive(QObject* receiver,
                                                       std::function<void()> slot) {
    return connect(this, &MainWindow::readingsArrived, receiver, std::move(slot));
}

QMetaObject::Connection MainWindow::whenCloseDeferred(QObject* receiver,
                                                      std::function<void()> slot) {
    return connect(this, &MainWindow::closeDeferred, receiver, std::move(slot));
}

QMetaObject::Connection MainWindow::whenInstrumentShown(QObject* receiver,
                                                        std::function<void()> slot) {
    return connect(this, &MainWindow::instrumentShown, receiver, std::move(slot));
}

QMetaObject::Connection MainWindow::whenSettingsReplaced(QObject* receiver,
                                                         std::function<void()> slot) {
    return connect(this, &MainWindow::settingsReplaced, receiver, std::move(slot));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (busy()) {
        // A command is waiting inside the link: the window closes once it is over.
        closePending_ = true;
        if (onClose_ == OnClose::CancelCommand) line_.requestCancel();
        event->ignore();
        emit closeDeferred();
        return;
    }
    if (!closing_ &&
        (!confirmDiscardEdits() || !asker_.question(this, ResMessage(msg::EndQuestion),
                                                    ResMessage(msg::EndTitle)))) {  // "End ?"
        event->ignore();
        return;
    }
    closing_ = true;
    line_.stopTimer();
    tickTimer_->stop();
    if (!isMaximized()) {
        config_.windowWidth = static_cast<float>(width() * kTwipsPerPixel);
        config_.windowHeight = static_cast<float>(height() * kTwipsPerPixel);
        config_.windowLeft = static_cast<float>(x() * kTwipsPerPixel);
        config_.windowTop = static_cast<float>(y() * kTwipsPerPixel);
        config_.windowPositionKnown = true;
    }
    config_.windowState = isMaximized() ? 2 : 0;
    saveConfig();
    event->accept();
}

}  // namespace vq

#include "ui/main/write_commands_wiring.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/app_config.h"
#include "app/records.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "platform/instrument_session.h"
#include "platform/session_line.h"
#include "ui/dialogs/calibration_open.h"
#include "ui/dialogs/gas_select_dialog.h"
#include "ui/dialogs/progress_window.h"
#include "ui/main/identity_boxes.h"
#include "ui/main/main_state.h"
#include "ui/main/settings_file_commands.h"
#include "ui/main/settings_grid.h"
#include "ui/main/settings_host.h"
#include "ui/main/write_commands.h"

namespace vq {

MainWindowSettings::MainWindowSettings(SettingsHost& host) : QObject(&host.widget()), host_(host) {
    setObjectName("MainWindowSettings");
    grid_ = new SettingsGrid(
        SettingsGridDeps{host.model(), host.config(), host.asker(), host.state().GridBusy, *this});
    host.setSettingsGrid(buildGridArea());
    host.whenInstrumentShown(grid_, [grid = grid_] { grid->refresh(); });
    host.whenSettingsReplaced(grid_, [grid = grid_] { grid->clearNotice(); });
    const SettingsControls controls = host.settingsControls();
    identity_ = new IdentityBoxes(controls.identityBoxes, host.model(), {}, this);
    connect(identity_, &IdentityBoxes::stored, this, &MainWindowSettings::showPending);
    connect(identity_, &IdentityBoxes::refused, noticeLine_, &QLabel::setText);
    // The window stores these choices into the model itself; the count follows.
    connect(controls.station, &QComboBox::activated, this, &MainWindowSettings::showPending);
    connect(controls.interval, &QComboBox::activated, this, &MainWindowSettings::showPending);
    buildWriteCommands();
    buildFileCommands();
}

MainWindowSettings::~MainWindowSettings() = default;

QWidget* MainWindowSettings::buildGridArea() {
    auto* area = new QWidget;
    area->setObjectName("vfgOptionArea");
    pendingLine_ = new QLabel(area);
    pendingLine_->setObjectName("lblPendingEdits");
    pendingLine_->setWordWrap(true);
    pendingLine_->hide();
    noticeLine_ = new QLabel(area);
    noticeLine_->setObjectName("lblGridNotice");
    noticeLine_->setWordWrap(true);
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid_, 1);
    layout->addWidget(pendingLine_);
    layout->addWidget(noticeLine_);
    connect(grid_, &SettingsGrid::pendingChanged, this, &MainWindowSettings::showPending);
    connect(grid_, &SettingsGrid::noticeShown, noticeLine_, &QLabel::setText);
    return area;
}

void MainWindowSettings::showPending() {
    host_.markPendingBoxes();
    if (host_.lastRead() == nullptr || !grid_->modelShown()) {
        pendingLine_->hide();
        return;
    }
    const int count = host_.pendingEdits();
    pendingLine_->setText(QString::fromStdString(
        count > 1    ? ResMessage(msg::PendingEditsLine, {std::to_string(count)})
        : count == 1 ? ResMessage(msg::PendingEditOneLine)
                     : ResMessage(msg::NoPendingEdits)));
    // The same amber as the marked cells, so the line reads as their legend.
    pendingLine_->setStyleSheet(
        count > 0 ? QString("QLabel { background: %1; font-weight: bold; padding: 2px; }")
                        .arg(SettingsGrid::pendingBack.name())
                  : QString("QLabel { padding: 2px; }"));
    pendingLine_->show();
}

bool MainWindowSettings::connected() const {
    return host_.session().line().instrumentConnected();
}

SessionState MainWindowSettings::sessionState() const {
    return host_.session().state();
}

std::optional<int> MainWindowSettings::chooseGas(int channel) {
    GasSelectDialog window(host_.model(), host_.config().gasTable,
                           host_.session().line().instrumentConnected(), &host_.widget());
    window.setGasNo(static_cast<std::int16_t>(channel));
    window.exec();
    if (!window.Flags()) return std::nullopt;
    return window.SelNum();
}

void MainWindowSettings::buildWriteCommands() {
    writes_ = new WriteCommands(host_.session().writes(), host_.model(), host_.asker(),
                                &host_.widget(), host_.session().workDir(), *this, this);
    const SettingsControls controls = host_.settingsControls();
    for (int i = 0; i < 8; ++i)
        connect(controls.writeCommands[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
                [this, i] { host_.runToEnd([this, i] { writes_->commandClicked(i); }); });
}

void MainWindowSettings::addInfo(const std::string& text, const QColor& colour) {
    host_.AddInfo(text, colour);
}

void MainWindowSettings::enableWindow(bool on) {
    host_.widget().setEnabled(on);
}

void MainWindowSettings::showProgress() {
    ProgressWindow* progress =
        host_.showProgress(transfer_mode::None, msg::UploadProgressTitle);      // "Upload"
    progress->setLabel(QString::fromStdString(ResMessage(msg::NowUploading)));  // "Now Uploading"
    progress->setBusy();
}

void MainWindowSettings::closeProgress() {
    host_.closeProgress();
}

void MainWindowSettings::openCalibration() {
    OpenCalibrationWindow(host_);
}

double MainWindowSettings::now() const {
    return host_.session().line().localDateTime();
}

std::string MainWindowSettings::csvSuffix() const {
    return host_.config().factoryRecordSuffix;
}

bool MainWindowSettings::confirmDiscardEdits() {
    return host_.confirmDiscardEdits();
}

void MainWindowSettings::recordWrite(const InstrumentModel& written, bool ok) {
    const InstrumentModel* before = host_.lastRead();
    host_.session().records().record(WriteRecord(before ? *before : written, written, ok, now()));
}

const InstrumentModel* MainWindowSettings::lastRead() const {
    return host_.lastRead();
}

void MainWindowSettings::setLastRead(const InstrumentModel& model) {
    host_.setLastRead(model);
    // What was written is no longer pending.
    grid_->MarkPendingCells();
}

void MainWindowSettings::readAgain() {
    host_.ReadInstrument();
}

std::string MainWindowSettings::chooseFile(bool save) {
    return ChooseSettingsFile(&host_.widget(), host_.session().workDir(), save);
}

void MainWindowSettings::setLinkDone() {
    host_.settingsLoaded();
    host_.session().line().adoptLoadedModel(host_.model());
}

void MainWindowSettings::showInstrument() {
    host_.ShowInstrument();
}

void MainWindowSettings::buildFileCommands() {
    files_ = new SettingsFileCommands(host_.model(), host_.config(), host_.asker(), &host_.widget(),
                                      *this, this);
    const SettingsControls controls = host_.settingsControls();
    connect(controls.exportSettings, &QPushButton::clicked, files_,
            &SettingsFileCommands::ExportSettings);
    connect(controls.importSettings, &QPushButton::clicked, files_,
            &SettingsFileCommands::ImportSettings);
}

}  // namespace vq

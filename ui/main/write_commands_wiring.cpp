#include "ui/main/write_commands_wiring.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/records.h"
#include "messages/messages.h"
#include "platform/instrument_session.h"
#include "platform/session_line.h"
#include "ui/dialogs/cal_open.h"
#include "ui/dialogs/frm_gas_sel.h"
#include "ui/dialogs/frm_upload.h"
#include "ui/main/frm_main.h"
#include "ui/main/identity_boxes.h"
#include "ui/main/settings_file_commands.h"
#include "ui/main/settings_grid.h"
#include "ui/main/write_commands.h"

namespace vq {

MainWindowSettings::MainWindowSettings(frmMain& main) : QObject(&main), main_(main) {
    setObjectName("MainWindowSettings");
    grid_ = new SettingsGrid(
        SettingsGridDeps{main.model(), main.config(), main.asker(), main.state().GridBusy, *this});
    main.setSettingsGrid(buildGridArea());
    connect(&main, &frmMain::instrumentShown, grid_, &SettingsGrid::refresh);
    connect(&main, &frmMain::settingsReplaced, grid_, &SettingsGrid::clearNotice);
    const SettingsControls controls = main.settingsControls();
    identity_ = new IdentityBoxes(controls.identityBoxes, main.model(), {}, this);
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
    main_.markPendingBoxes();
    if (main_.lastRead() == nullptr || !grid_->modelShown()) {
        pendingLine_->hide();
        return;
    }
    const int count = main_.pendingEdits();
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
    return main_.session().line().instrumentConnected();
}

SessionState MainWindowSettings::sessionState() const {
    return main_.session().state();
}

std::optional<int> MainWindowSettings::chooseGas(int channel) {
    frmGasSel window(main_.model(), main_.config().gasTable,
                     main_.session().line().instrumentConnected(), &main_);
    window.setGasNo(static_cast<std::int16_t>(channel));
    window.exec();
    if (!window.Flags()) return std::nullopt;
    return window.SelNum();
}

void MainWindowSettings::buildWriteCommands() {
    writes_ = new WriteCommands(main_.session().writes(), main_.model(), main_.asker(), &main_,
                                main_.session().workDir(), *this, this);
    const SettingsControls controls = main_.settingsControls();
    for (int i = 0; i < 8; ++i)
        connect(controls.writeCommands[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
                [this, i] {
                    main_.runCommand(frmMain::OnClose::FinishCommand,
                                     [this, i] { writes_->cmdOptionClick(i); });
                });
}

void MainWindowSettings::addInfo(const std::string& text, const QColor& colour) {
    main_.AddInfo(text, colour);
}

void MainWindowSettings::enableWindow(bool on) {
    main_.setEnabled(on);
}

void MainWindowSettings::showProgress() {
    frmUpload* progress =
        main_.showProgress(transfer_mode::None, msg::UploadProgressTitle);      // "Upload"
    progress->setLabel(QString::fromStdString(ResMessage(msg::NowUploading)));  // "Now Uploading"
    progress->setBusy();
}

void MainWindowSettings::closeProgress() {
    main_.closeProgress();
}

void MainWindowSettings::openCalibration() {
    OpenCalibrationWindow(main_);
}

double MainWindowSettings::now() const {
    return main_.session().line().localDateTime();
}

std::string MainWindowSettings::csvSuffix() const {
    return main_.config().factoryRecordSuffix;
}

bool MainWindowSettings::confirmDiscardEdits() {
    return main_.confirmDiscardEdits();
}

void MainWindowSettings::recordWrite(const clsInstrument& written, bool ok) {
    const clsInstrument* before = main_.lastRead();
    main_.session().records().record(WriteRecord(before ? *before : written, written, ok, now()));
}

const clsInstrument* MainWindowSettings::lastRead() const {
    return main_.lastRead();
}

void MainWindowSettings::setLastRead(const clsInstrument& model) {
    main_.setLastRead(model);
    // What was written is no longer pending.
    grid_->MarkPendingCells();
}

void MainWindowSettings::readAgain() {
    main_.ReadInstrument();
}

std::string MainWindowSettings::chooseFile(bool save) {
    return ChooseSettingsFile(&main_, main_.session().workDir(), save);
}

void MainWindowSettings::setLinkDone() {
    main_.settingsLoaded();
    main_.session().line().adoptLoadedModel(main_.model());
}

void MainWindowSettings::showInstrument() {
    main_.ShowInstrument();
}

void MainWindowSettings::buildFileCommands() {
    files_ =
        new SettingsFileCommands(main_.model(), main_.config(), main_.asker(), &main_, *this, this);
    const SettingsControls controls = main_.settingsControls();
    connect(controls.exportSettings, &QPushButton::clicked, files_,
            &SettingsFileCommands::ExportSettings);
    connect(controls.importSettings, &QPushButton::clicked, files_,
            &SettingsFileCommands::ImportSettings);
}

}  // namespace vq

#include "ui/main/write_commands_wiring.h"

#include <QLineEdit>
#include <QPushButton>

#include "app/messages.h"
#include "link/link_status.h"
#include "link/vqif.h"
#include "ui/dialogs/cal_open.h"
#include "ui/dialogs/frm_gas_sel.h"
#include "ui/dialogs/frm_upload.h"
#include "ui/main/frm_main.h"
#include "ui/main/identity_boxes.h"
#include "ui/main/settings_file_commands.h"
#include "ui/main/settings_grid.h"
#include "ui/main/write_commands.h"
#include "ui/main/write_commands_link.h"

namespace vq {

MainWindowSettings::MainWindowSettings(frmMain& main) : QObject(&main), main_(main) {
    setObjectName("MainWindowSettings");
    grid_ = new SettingsGrid(SettingsGridDeps{
        main.model(), main.config(), main.asker(), main.state().GridBusy,
        [this] { return main_.link().Connected(); }, [this] { return main_.link().Status(); },
        [this](int channel) { return chooseGas(channel); }, [this] { main_.ShowInstrument(); }});
    main.setSettingsGrid(grid_);
    connect(&main, &frmMain::instrumentShown, grid_, &SettingsGrid::refresh);
    identity_ = new IdentityBoxes({main.txtOption(0), main.txtOption(1), main.txtOption(2)},
                                  main.model(), {}, this);
    buildWriteCommands();
    buildFileCommands();
}

MainWindowSettings::~MainWindowSettings() = default;

std::optional<int> MainWindowSettings::chooseGas(int channel) {
    frmGasSel window(main_.model(), main_.config().gasTable, main_.link().Connected(), &main_);
    window.setGasNo(static_cast<std::int16_t>(channel));
    window.exec();
    if (!window.Flags()) return std::nullopt;
    return window.SelNum();
}

void MainWindowSettings::buildWriteCommands() {
    operations_ = std::make_unique<LinkWriteOperations>(main_.link());
    WriteCommandHooks hooks;
    hooks.addInfo = [this](const std::string& text, const QColor& colour) {
        main_.AddInfo(text, colour);
    };
    hooks.enableWindow = [this](bool on) { main_.setEnabled(on); };
    hooks.showProgress = [this] {
        frmUpload* progress = main_.showProgress(transfer_mode::None, 6009);  // "Upload"
        progress->setLabel(QString::fromStdString(ResMessage(6004)));         // "Now Uploading"
        progress->setBusy();
    };
    hooks.closeProgress = [this] { main_.closeProgress(); };
    hooks.openCalibration = [this] { OpenCalibrationWindow(main_); };
    hooks.now = [this] { return main_.host().localDateTime(); };
    hooks.csvSuffix = [this] { return main_.config().factoryRecordSuffix; };
    writes_ = new WriteCommands(*operations_, main_.model(), main_.asker(), &main_, main_.workDir(),
                                hooks, this);
    for (int i = 0; i < 8; ++i)
        connect(main_.cmdOption(i), &QPushButton::clicked, this, [this, i] {
            main_.runCommand(frmMain::OnClose::FinishCommand,
                             [this, i] { writes_->cmdOptionClick(i); });
        });
}

void MainWindowSettings::buildFileCommands() {
    SettingsFileHooks hooks;
    hooks.enableWindow = [this](bool on) { main_.setEnabled(on); };
    hooks.setLinkDone = [this] { main_.link().AdoptLoadedModel(&main_.model()); };
    hooks.showInstrument = [this] { main_.ShowInstrument(); };
    files_ = new SettingsFileCommands(main_.model(), main_.config(), main_.asker(), &main_,
                                      main_.workDir(), hooks, this);
    connect(main_.cmdExportSetting(), &QPushButton::clicked, files_,
            &SettingsFileCommands::ExportSettings);
    connect(main_.cmdImportSetting(), &QPushButton::clicked, files_,
            &SettingsFileCommands::ImportSettings);
}

}  // namespace vq

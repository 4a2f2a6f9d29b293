#include "ui/main/settings_file_commands.h"

#include <QApplication>
#include <QColor>
#include <QFileDialog>
#include <QStringList>
#include <filesystem>

#include "app/app_config.h"
#include "app/settings_file.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "ui/main/user_asker.h"

namespace vq {

namespace {

// The table's filter is "label|pattern|label|pattern|": Qt needs only the labels, which carry
// their patterns in brackets.
QStringList filterLabels() {
    const QStringList parts =
        QString::fromStdString(ResMessage(msg::SettingsFileFilter)).split('|');
    QStringList labels;
    for (int i = 0; i + 1 < parts.size(); i += 2) labels << parts[i];
    return labels;
}

// The box's own words come from the table; the detail names the field and value as the file
// holds them.
std::string importErrorText(const SettingsReadResult& result) {
    const std::string file = result.file.string();
    if (result.line > 0)
        return ResMessage(msg::SettingsFileBadLine,
                          {file, std::to_string(result.line), result.reason});
    return ResMessage(msg::SettingsFileUnreadable, {file, result.reason});
}

// The log names the file whatever folder the dialog was in when it was picked.
std::string fullPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

const QColor kDoneColour{0, 192, 0};

}  // namespace

SettingsFileCommands::SettingsFileCommands(InstrumentModel& model, AppConfig& config,
                                           UserAsker& asker, QWidget* window,
                                           SettingsFileWindow& host, QObject* parent)
    : QObject(parent),
      model_(model),
      config_(config),
      asker_(asker),
      window_(window),
      host_(host) {}

QString SettingsFileCommands::fileFilter() {
    return filterLabels().join(";;");
}

QString SettingsFileCommands::settingsFilter() {
    const QStringList labels = filterLabels();
    return labels.size() > 1 ? labels[1] : QString();
}

std::string ChooseSettingsFile(QWidget* parent, const std::string& folder, bool save) {
    QFileDialog dialog(parent, QString::fromStdString(AppTitle()), QString::fromStdString(folder),
                       SettingsFileCommands::fileFilter());
    dialog.selectNameFilter(SettingsFileCommands::settingsFilter());
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix("seq");
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first().toStdString();
}

bool SettingsFileCommands::ExportSettings() {
    const std::string path = host_.chooseFile(true);
    if (path.empty()) return false;
    const FileResult result = WriteSettingsFile(model_, path);
    if (!result.ok) {
        asker_.error(window_, result.error, AppTitle());
        return false;
    }
    host_.addInfo(ResMessage(msg::SettingsStoredInfo, {fullPath(path)}), kDoneColour);
    asker_.information(window_, ResMessage(msg::SettingsStoredBox, {path}), AppTitle());
    return true;
}

bool SettingsFileCommands::ImportSettings() {
    if (!host_.confirmDiscardEdits()) return false;
    const std::string path = host_.chooseFile(false);
    if (path.empty()) return false;
    host_.enableWindow(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const SettingsReadResult result = ImportSettingsFile(model_, path);
    if (result.ok) {
        host_.setLinkDone();
        ApplyLockedGases();
    }
    QApplication::restoreOverrideCursor();
    host_.enableWindow(true);
    if (!result.ok) {
        asker_.error(window_, importErrorText(result), AppTitle());
        return false;
    }
    host_.addInfo(ResMessage(msg::SettingsLoadedInfo, {fullPath(path)}), kDoneColour);
    asker_.information(window_, ResMessage(msg::SettingsLoadedBox, {path}), AppTitle());
    return true;
}

void SettingsFileCommands::ApplyLockedGases() {
    // A locked channel is a fitted sensor: a file cannot switch it off.
    for (int ch = 0; ch < 4; ++ch)
        if (config_.gasLocked[static_cast<std::size_t>(ch)] && !model_.GasEnabled(ch))
            model_.setGasEnabled(ch, true);
    host_.showInstrument();
}

}  // namespace vq

// frmMain: the debug dump commands (the flash image download and the FRAM listing) and the A/D
// values list written after every read.

#include <QApplication>
#include <charconv>
#include <cstdio>
#include <filesystem>

#include "app/records.h"
#include "link/vqif.h"
#include "messages/messages.h"
#include "platform/instrument_session.h"
#include "ui/dialogs/frm_upload.h"
#include "ui/main/frm_main.h"
#include "ui/main/instrument_operations.h"
#include "ui/main/user_asker.h"

namespace vq {

namespace {

// Blocks of the flash image: 524288 bytes in blocks of 512.
constexpr int kFlashBlocks = 1024;

std::string volts(std::int16_t millivolts) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3fV", millivolts / 1000.0);
    return text;
}

std::string shortest(float value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

}  // namespace

void frmMain::ListAnalogValues() {
    AddInfo(ResMessage(msg::AnalogListTitle), info_colour::Analog);
    for (int i = 0; i < 8; ++i)
        AddInfo(ResMessage(msg::AnalogLine,
                           {ResMessage(msg::AnalogLabelCh0 + i), volts(model_.AnalogValue(i))}),
                info_colour::Analog);
    AddInfo(ResMessage(msg::AnalogLine,
                       {ResMessage(msg::AnalogLabelExt), shortest(model_.AdrealValue())}),
            info_colour::Analog);
}

void frmMain::downloadCommand() {
    state_.TransferMode = transfer_mode::Download;
    showProgress(state_.TransferMode, msg::DownloadProgressTitle);  // "Download"
    framesTotal_ = kFlashBlocks;
    upload_->setProgress(0, framesTotal_);
    EnableCommandFrames(false);
    DownloadLogMemory();
    closeProgress();
    EnableCommandFrames(true);
    state_.TransferMode = transfer_mode::None;
}

bool frmMain::DownloadLogMemory() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct RestoreCursor {
        ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
    } restore;
    if (!link_->Connected()) {
        AddInfo(ResMessage(msg::NoResponse), info_colour::Failure);
        AddLog(ResMessage(msg::TrendNoResponseLog, {nowText()}));
        return false;
    }
    AddInfo(ResMessage(msg::LogDownloadInfo),
            info_colour::Progress);  // "VQ-5100 Log Data Download"
    AddLog(ResMessage(msg::TrendDownloadStartedLog, {nowText()}));
    bool retried = false;
    for (;;) {
        if (!ops_->GetRomNo(model_)) {
            AddInfo(ResMessage(msg::DownloadFailedInfo),
                    info_colour::Failure);  // "Data Download Failed.~c"
            return false;
        }
        if (ops_->GetBinDump(DataFilePath, 0, kFlashBlocks - 1)) {
            session_.records().record(DumpRecord(model_, DataFilePath, host_.localDateTime()));
            return true;
        }
        // A block that timed out may be fetched once more; a cancel by the user ends it.
        if (!link_->BinaryRetry() && link_->Cancel()) return false;
        if (!link_->BinaryRetry() || retried) {
            AddInfo(ResMessage(msg::DownloadFailedInfo), info_colour::Failure);
            return false;
        }
        retried = true;
        if (upload_)
            upload_->setLabel(
                QString::fromStdString(ResMessage(msg::OneMoreTime)));  // "One more time !"
    }
}

void frmMain::cmdFRAMDumpClick() {
    runCommand(OnClose::CancelCommand, [this] { framDumpCommand(); });
}

void frmMain::framDumpCommand() {
    if (ops_->RunDensty() || state_.TransferMode == transfer_mode::Span) {
        // "It can not be performed due to operating of other issues."
        asker_.information(this, ResMessage(msg::FramRefusedText),
                           ResMessage(msg::FramRefusedTitle));
        return;
    }
    // "FRAM Dump List Download~cReady?" / "FRAM Dump"
    if (!asker_.question(this, ResMessage(msg::FramDumpQuestion), ResMessage(msg::FramDumpTitle)))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    state_.TransferMode = transfer_mode::Download;
    showProgress(state_.TransferMode, msg::FramDumpProgressTitle);  // "FRAM Dump List"
    EnableCommandFrames(false);
    upload_->setLabel(
        QString::fromStdString(ResMessage(msg::DataDownloadNow)));  // "Data download now"
    AddInfo(ResMessage(msg::DumpListStartInfo, {kDumpFileName}), info_colour::Dump);
    const auto start = host_.now();
    AddLog(ResMessage(msg::DumpStarted, {nowText()}));
    const std::string path = (std::filesystem::path(workDir_) / kDumpFileName).string();
    const bool ok = ops_->GetRomDump2(path);
    if (ok) session_.records().record(DumpRecord(model_, path, host_.localDateTime()));
    AddLog(ResMessage(msg::DumpFinished, {nowText(), elapsedText(start)}));
    closeProgress();
    EnableCommandFrames(true);
    state_.TransferMode = transfer_mode::None;
    AddInfo(ResMessage(msg::DumpListFinishedInfo, {kDumpFileName}), info_colour::Dump);
    if (!ok)
        AddInfo(ResMessage(msg::DownloadFailedInfo),
                info_colour::Failure);  // the dump did not complete
    QApplication::restoreOverrideCursor();
}

}  // namespace vq

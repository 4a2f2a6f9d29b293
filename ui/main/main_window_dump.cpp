// MainWindow: the debug dump commands (the flash image download and the FRAM listing) and the A/D
// values list written after every read.

#include <QApplication>
#include <QProgressBar>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>

#include "app/records.h"
#include "app/staged_file.h"
#include "messages/messages.h"
#include "platform/instrument_reads.h"
#include "platform/instrument_session.h"
#include "ui/dialogs/progress_window.h"
#include "ui/main/instrument_operations.h"
#include "ui/main/main_window.h"
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

std::string fullPath(const std::filesystem::path& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return (ec ? path : full.lexically_normal()).string();
}

std::string shortest(float value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

}  // namespace

void MainWindow::ListAnalogValues() {
    AddInfo(ResMessage(msg::AnalogListTitle), info_colour::Analog);
    for (int i = 0; i < 8; ++i)
        AddInfo(ResMessage(msg::AnalogLine,
                           {ResMessage(msg::AnalogLabelCh0 + i), volts(model_.AnalogValue(i))}),
                info_colour::Analog);
    AddInfo(ResMessage(msg::AnalogLine,
                       {ResMessage(msg::AnalogLabelExt), shortest(model_.AdrealValue())}),
            info_colour::Analog);
}

void MainWindow::downloadCommand() {
    // An earlier image may be worth keeping: the user says where this one goes.
    const std::string path = asker_.saveFile(this, ResMessage(msg::LoggerFileTitle), DataFilePath,
                                             ResMessage(msg::LoggerFileFilter));
    if (path.empty()) return;
    state_.TransferMode = transfer_mode::Download;
    showProgress(state_.TransferMode, msg::DownloadProgressTitle);  // "Download"
    framesTotal_ = kFlashBlocks;
    upload_->setProgress(0, framesTotal_);
    EnableCommandFrames(false);
    DownloadLogMemory(path);
    closeProgress();
    EnableCommandFrames(true);
    state_.TransferMode = transfer_mode::None;
}

bool MainWindow::DownloadLogMemory(const std::string& path) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct RestoreCursor {
        ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
    } restore;
    if (!line_.instrumentConnected()) {
        AddInfo(ResMessage(msg::NoResponse), info_colour::Failure);
        AddLog(ResMessage(msg::TrendNoResponseLog, {nowText()}));
        return false;
    }
    AddInfo(ResMessage(msg::LogDownloadInfo),
            info_colour::Progress);  // "VQ-5100 Log Data Download"
    AddLog(ResMessage(msg::TrendDownloadStartedLog, {nowText()}));
    // The image fills a temporary file as the blocks arrive; only a complete one takes the name,
    // so a cancel or a failure leaves an earlier file as it was.
    StagedFile image(path);
    if (const FileResult made = image.prepare(false); !made) {
        AddInfo(ResMessage(msg::LoggerDataNotSaved, {made.error}), info_colour::Failure);
        return false;
    }
    bool retried = false;
    for (;;) {
        if (!ops_->GetRomNo(model_)) {
            AddInfo(ResMessage(msg::DownloadFailedInfo),
                    info_colour::Failure);  // "Data Download Failed.~c"
            return false;
        }
        if (ops_->GetBinDump(image.path().string(), 0, kFlashBlocks - 1)) {
            if (const FileResult saved = image.commit(); !saved) {
                AddInfo(ResMessage(msg::LoggerDataNotSaved, {saved.error}), info_colour::Failure);
                return false;
            }
            session_.records().record(
                DumpRecord(model_, image.target().string(), line_.localDateTime()));
            AddInfo(ResMessage(msg::LoggerDataSavedInfo, {fullPath(image.target())}),
                    info_colour::Progress);
            return true;
        }
        // A disk that did not take the image ends it, named; the earlier file stays.
        if (const std::string error = session_.reads().dumpFileError(); !error.empty()) {
            AddInfo(ResMessage(msg::LoggerDataNotSaved, {error}), info_colour::Failure);
            return false;
        }
        // A block that timed out may be fetched once more; a cancel by the user ends it, and
        // the log says so, with how far it had come.
        if (!session_.reads().dumpMayRetry() && line_.cancelRequested()) {
            const int done = upload_ ? std::max(upload_->progressBar()->value(), 0) : 0;
            AddInfo(ResMessage(msg::LoggerDownloadCancelled,
                               {std::to_string(done), std::to_string(kFlashBlocks)}),
                    info_colour::Failure);
            AddLog(ResMessage(msg::CancelledLog, {nowText()}));
            return false;
        }
        if (!session_.reads().dumpMayRetry() || retried) {
            AddInfo(ResMessage(msg::DownloadFailedInfo), info_colour::Failure);
            return false;
        }
        retried = true;
        if (upload_)
            upload_->setLabel(
                QString::fromStdString(ResMessage(msg::OneMoreTime)));  // "One more time !"
    }
}

void MainWindow::memoryDumpClicked() {
    runCommand(OnClose::CancelCommand, [this] { framDumpCommand(); });
}

void MainWindow::framDumpCommand() {
    if (ops_->RunReadings() || state_.TransferMode == transfer_mode::Span) {
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
    const auto start = line_.now();
    AddLog(ResMessage(msg::DumpStarted, {nowText()}));
    StagedFile listing(std::filesystem::path(workDir_) / kDumpFileName);
    FileResult saved = listing.prepare(false);
    bool ok = saved && ops_->GetMemoryListing(listing.path().string());
    // A disk that did not take the listing is said with the file's name.
    if (const std::string error = session_.reads().dumpFileError(); !ok && saved && !error.empty())
        saved = FileResult::failure(error);
    if (ok) saved = listing.commit();
    if (ok && saved)
        session_.records().record(
            DumpRecord(model_, listing.target().string(), line_.localDateTime()));
    AddLog(ResMessage(msg::DumpFinished, {nowText(), elapsedText(start)}));
    closeProgress();
    EnableCommandFrames(true);
    state_.TransferMode = transfer_mode::None;
    AddInfo(ResMessage(msg::DumpListFinishedInfo, {kDumpFileName}), info_colour::Dump);
    if (!saved)
        AddInfo(ResMessage(msg::FramDumpNotSaved, {saved.error}), info_colour::Failure);
    else if (!ok)
        AddInfo(ResMessage(msg::DownloadFailedInfo),
                info_colour::Failure);  // the dump did not complete
    else
        AddInfo(ResMessage(msg::FramDumpSavedInfo, {fullPath(listing.target())}),
                info_colour::Progress);
    QApplication::restoreOverrideCursor();
}

}  // namespace vq

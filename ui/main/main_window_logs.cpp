// MainWindow: the information log, the clock labels and the communication log files.

#include <QLabel>
#include <QTextCursor>
#include <QTextEdit>
#include <cstdio>
#include <filesystem>

#include "app/serial_log_rotation.h"
#include "messages/messages.h"
#include "model/ole_date.h"
#include "platform/instrument_session.h"
#include "ui/main/main_window.h"

namespace vq {

void MainWindow::AddInfo(const std::string& text, const QColor& colour) {
    QTextCursor cursor(logBox_->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(colour);
    // Every line starts on a new line; a text's own CR LF ends in an empty line after it.
    QString line = QString::fromStdString(text);
    line.remove(QChar('\r'));
    if (!logBox_->document()->isEmpty()) cursor.insertBlock();
    cursor.insertText(line, format);
    logBox_->setTextCursor(cursor);
    logBox_->ensureCursorVisible();
}

void MainWindow::AddLog(const std::string& text) {
    line_.log(text);
}

std::string MainWindow::nowText() const {
    return GeneralDate(line_.localDateTime());
}

std::string MainWindow::elapsedText(std::chrono::milliseconds start) const {
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(line_.now() - start).count();
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

void MainWindow::tickTimerFired() {
    const double now = line_.localDateTime();
    if (SettingsShown(session_.state(), model_.CommFlags() != 0)) {
        // Settings came from an instrument: its clock runs beside the PC's.
        const std::string pc = GeneralDate(now);
        if (pc == clockTag_) return;
        clockTag_ = pc;
        settingLabels_[5]->setText(QString::fromStdString(pc));
        // A lost instrument's clock is not known to run on: it stays as last seen.
        if (loss_ == Loss::None)
            settingLabels_[6]->setText(
                QString::fromStdString(GeneralDate(AddDays(now, -model_.SysDateOffset()))));
        return;
    }
    settingLabels_[5]->setText(QString::fromStdString(GeneralDate(now)));
    if (loss_ == Loss::None) settingLabels_[6]->clear();
}

bool MainWindow::RotateSerialLogs() {
    std::string error;
    if (vq::RotateSerialLogs(workDir_, &error)) return true;
    AddInfo(error, info_colour::Failure);
    return false;
}

void MainWindow::clearOldLog() {
    // With the switch off the previous run's log goes; a file that cannot be removed is left
    // (the new lines are appended to it) rather than waited for.
    std::error_code ec;
    const auto path = std::filesystem::path(workDir_) / "SerialLog.log";
    if (std::filesystem::exists(path, ec) && !std::filesystem::remove(path, ec))
        AddInfo(path.string() + ": " + ec.message(), info_colour::Failure);
}

}  // namespace vq

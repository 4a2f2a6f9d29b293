// MainWindow: captions, font, sizes, the lamps, which commands are enabled, and the model shown in
// the status frame.

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>

#include "messages/messages.h"
#include "model/text_rules.h"
#include "model/value_codecs.h"
#include "platform/instrument_session.h"
#include "ui/main/main_window.h"
#include "ui/widgets/access_keys.h"

namespace vq {

namespace {

QString text(int id) {
    return QString::fromStdString(ResMessage(id));
}

QString trimmed(const std::string& s) {
    return QString::fromStdString(s).trimmed();
}

}  // namespace

QSize MainWindow::minimumPixels() {
    return {kMinWidthTwips / kTwipsPerPixel, kMinHeightTwips / kTwipsPerPixel};
}

void MainWindow::ApplyCaptions() {
    const char* programNumber = isJapaneseTag() ? "31742" : "31743";
    setWindowTitle(
        QString::fromStdString(ResMessage(msg::MainCaption, {AppTitle(), programNumber})));
    for (int f = 0; f < 3; ++f)
        commandGroups_[static_cast<std::size_t>(f)]->setTitle(text(msg::ReadCommandsFrame + f));
    // Every command has an access key, the same letter in both languages, none used twice.
    SetCaptionWithKey(readButtons_[ReadSettings], text(msg::InstrumentInfoButton), 'I');
    SetCaptionWithKey(readButtons_[Download], text(msg::DownloadLoggerButton), 'D');
    SetCaptionWithKey(readButtons_[PowerOff], text(msg::PowerOffButton), 'P');
    SetCaptionWithKey(readButtons_[GetAndSave], text(msg::InfoGetSaveButton), 'G');
    SetCaptionWithKey(portButton_, text(msg::PortButton), 'O');
    suffixLabel_->setText(text(msg::FileSuffixLabel));
    SetCaptionWithKey(memoryDumpButton_, text(msg::FramDumpButton), 'M');
    // Update, Date/Time Set, Calibration, DEFAULT, Clear Power Log, Clear Logger Data, Write
    // Check Data, Update ID.
    const char keys[] = {'U', 'T', 'C', 'F', 'W', 'E', 'K', 'A'};
    for (int i = 0; i < 8; ++i)
        SetCaptionWithKey(writeButtons_[static_cast<std::size_t>(i)], text(msg::UpdateButton + i),
                          keys[i]);
    SetCaptionWithKey(exportSettingsButton_, text(msg::StoreLocalFileButton), 'S');
    SetCaptionWithKey(importSettingsButton_, text(msg::LoadLocalFileButton), 'L');
    SetCaptionWithKey(factorySettingsButton_, text(msg::DetailSettingsButton), 'N');
    SetCaptionWithKey(recordsButton_, text(msg::RecordsButton), 'R');
    SetCaptionWithKey(exitButton_, text(msg::ExitButton), 'X');
    serviceGroup_->setTitle(text(msg::ServiceFrame));
    // Japanese texts set in a Latin style's button touch its borders; every command button
    // keeps room on both sides of its text.
    for (QPushButton* b : findChildren<QPushButton*>()) {
        // The text as shown: an access key's "&" takes no room, "&&" shows one "&".
        QString shown = b->text();
        shown.replace("&&", QChar(0x1)).remove('&').replace(QChar(0x1), '&');
        b->setMinimumWidth(b->fontMetrics().horizontalAdvance(shown) + 2 * kButtonPadding);
    }
    // On a wide window the boxes stop at the width their longest text needs, in the font the
    // configuration chose, instead of stretching across the screen.
    for (QLineEdit* box : identityBoxes_)
        box->setMaximumWidth(
            box->fontMetrics().horizontalAdvance(QString(box->maxLength() + 2, 'W')));
    for (QWidget* box :
         {static_cast<QWidget*>(stationBox_), static_cast<QWidget*>(intervalBox_),
          static_cast<QWidget*>(programNumberLabel_), static_cast<QWidget*>(sumLabel_),
          static_cast<QWidget*>(settingLabels_[5]), static_cast<QWidget*>(settingLabels_[6])})
        box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QString(24, 'W')));
    statusGroup_->setTitle(text(msg::StatusFrame));
    settingLabels_[0]->setText(text(msg::SerialNoCaption));
    settingLabels_[1]->setText(text(msg::StationIdCaption));
    settingLabels_[2]->setText(text(msg::UserIdCaption));
    settingLabels_[3]->setText(text(msg::PcDateTimeCaption));
    settingLabels_[4]->setText(text(msg::InstrumentDateTimeCaption));
    settingLabels_[7]->setText(text(msg::IntervalTrendTimeCaption));
    programNumberCaption_->setText(text(msg::ProgramNumberCaption));
    sumCaption_->setText(text(msg::SumCaption));
    lampGroup_->setTitle(text(msg::StatusLampFrame));
    for (int i = 0; i < 4; ++i)
        lampLabels_[static_cast<std::size_t>(i)]->setText(text(msg::SerialPortLamp + i));
    titleLabel_->setText(text(msg::DownloadStateTitle));
    // The A/D list lines up its values at one tab stop past the longest channel label.
    int labelWidth = 0;
    for (int id = msg::AnalogLabelCh0; id <= msg::AnalogLabelExt; ++id)
        labelWidth = std::max(labelWidth, logBox_->fontMetrics().horizontalAdvance(text(id)));
    logBox_->setTabStopDistance(labelWidth + logBox_->fontMetrics().horizontalAdvance("MM"));
}

void MainWindow::applyFont() {
    QFont font = QApplication::font();
    if (!config_.font.name.empty()) font.setFamily(QString::fromStdString(config_.font.name));
    font.setPointSizeF(config_.font.size > 0 ? config_.font.size : 9);
    font.setBold(config_.font.bold);
    font.setItalic(config_.font.italic);
    font.setUnderline(config_.font.underline);
    setFont(font);  // children inherit it
}

void MainWindow::applyStartSize() {
    applyMinimumSize();
    const QSize minimum = minimumSize();
    QSize screen = screenSize_;
    if (!screen.isValid()) {
        if (const QScreen* primary = QGuiApplication::primaryScreen())
            screen = primary->availableGeometry().size();
    }
    QSize size = minimum;
    // The first run is the one without a configuration file (the count it writes is 1, so a
    // count of 1 read back is already the second run, with a size saved by the first).
    if (config_.executeCount == 0) {
        // First run: most of the screen, never below the smallest size.
        size = {std::max(minimum.width(), screen.width() * 80 / 100),
                std::max(minimum.height(), screen.height() * 60 / 100)};
    } else {
        size = {
            std::max(minimum.width(), static_cast<int>(config_.windowWidth) / kTwipsPerPixel),
            std::max(minimum.height(), static_cast<int>(config_.windowHeight) / kTwipsPerPixel)};
    }
    resize(size);
    const QPoint saved(static_cast<int>(config_.windowLeft) / kTwipsPerPixel,
                       static_cast<int>(config_.windowTop) / kTwipsPerPixel);
    // A saved position on a screen that is gone (a second monitor unplugged) would put the
    // window out of reach: its title bar must still be on a screen.
    if (config_.windowPositionKnown && QGuiApplication::screenAt(saved + QPoint(20, 10)))
        move(saved);
    else if (screen.isValid())
        move(std::max(0, (screen.width() - size.width()) / 2),
             std::max(0, (screen.height() - size.height()) / 2));
    if (config_.windowState == 2) setWindowState(Qt::WindowMaximized);
}

void MainWindow::applyMinimumSize() {
    setMinimumSize(minimumPixels().expandedTo(layout()->minimumSize()));
}

void MainWindow::hideDebugCommands() {
    readButtons_[Download]->hide();
    memoryDumpButton_->hide();
    for (const int i : {3, 4, 5, 6}) writeButtons_[static_cast<std::size_t>(i)]->hide();
    serviceGroup_->hide();
}

void MainWindow::setLamp(int i, const LampColours& colours) {
    lamps_[static_cast<std::size_t>(i)] = colours;
    lampFrames_[static_cast<std::size_t>(i)]->setStyleSheet(
        QString("QFrame { background-color: %1; border: 2px solid %2; border-radius: 8px; }")
            .arg(colours.fill.name(), colours.border.name()));
}

void MainWindow::setLampVisible(int i, bool visible) {
    lampFrames_[static_cast<std::size_t>(i)]->setVisible(visible);
    lampLabels_[static_cast<std::size_t>(i)]->setVisible(visible);
}

void MainWindow::setTextEnabled(QWidget* box, bool on) {
    // The palette follows the state: window colours when on, button face and grey text when off.
    box->setEnabled(on);
}

void MainWindow::EnableCommandFrames(bool on) {
    for (QGroupBox* frame : commandGroups_) frame->setEnabled(on);
    portButton_->setEnabled(on && session_.canChoosePort());
}

SettingsControls MainWindow::settingsControls() const {
    return SettingsControls{identityBoxes_, stationBox_,           intervalBox_,
                            writeButtons_,  exportSettingsButton_, importSettingsButton_};
}

void MainWindow::UpdateCommandStates() {
    const bool connected = line_.instrumentConnected();
    const bool data = model_.CommFlags() != 0 || model_.ImportFlag() != 0;
    for (QLineEdit* box : identityBoxes_) setTextEnabled(box, data);
    setTextEnabled(intervalBox_, data);
    setTextEnabled(stationBox_, data);
    for (const ReadCommand i : kReadCommands) readButtons_[i]->setEnabled(connected);
    memoryDumpButton_->setEnabled(connected);
    // Chosen also while nothing answers: that is when another port is wanted.
    portButton_->setEnabled(session_.canChoosePort());
    factorySettingsButton_->setEnabled(true);
    recordsButton_->setEnabled(true);
    importSettingsButton_->setEnabled(true);
    exportSettingsButton_->setEnabled(true);
    for (const int i : {0, 2, 7})
        writeButtons_[static_cast<std::size_t>(i)]->setEnabled(connected && data);
    for (const int i : {1, 3, 4, 5, 6})
        writeButtons_[static_cast<std::size_t>(i)]->setEnabled(connected);
    setTextEnabled(suffixBox_, connected);
    if (settingsGrid_) settingsGrid_->setEnabled(data);
}

void MainWindow::ShowInstrument() {
    UpdateCommandStates();
    // Without settings read or loaded the boxes stay empty, as the grid's rows do; the program
    // number and SUM are the instrument's own and come only with a read.
    const bool shown =
        SettingsShown(session_.state(), model_.CommFlags() != 0 || model_.ImportFlag() != 0);
    const bool read = shown && model_.CommFlags() != 0;
    identityBoxes_[0]->setText(shown ? trimmed(model_.SerialNo()) : QString());
    identityBoxes_[1]->setText(shown ? trimmed(model_.StationID()) : QString());
    identityBoxes_[2]->setText(shown ? trimmed(model_.UserID()) : QString());
    programNumberLabel_->setText(read ? QString::asprintf("%05d", model_.RomNumber()) : QString());
    sumLabel_->setText(read ? QString::fromStdString(model_.SUM()) : QString());
    // Without settings shown the interval shows dashes (its placeholder), as the other fields
    // show nothing: a "300" before any read would look like the instrument's.
    intervalBox_->setCurrentIndex(shown && !defaultsShown_ ? IntervalIndex(model_.Intervals())
                                                           : -1);

    stationBox_->clear();
    const QString station = trimmed(model_.StationID());
    int selected = -1;
    for (int i = 0; i < InstrumentModel::stationCount; ++i) {
        const QString name = QString::fromStdString(model_.StationList(i));
        stationBox_->addItem(name);
        if (selected < 0 && name.trimmed() == station) selected = i;
    }
    stationBox_->setCurrentIndex(std::max(selected, 0));
    markPendingBoxes();
    emit instrumentShown();
}

void MainWindow::markPendingBoxes() {
    const bool shown =
        SettingsShown(session_.state(), model_.CommFlags() != 0 || model_.ImportFlag() != 0);
    const InstrumentModel* before = shown ? lastRead() : nullptr;
    // Marked as the grid's cells are: amber and bold, the instrument's value in the tooltip. The
    // comparison is the review's (model/settings_review.h), so a mark and the count agree.
    const auto mark = [](QWidget* box, const char* type, bool pending, const std::string& held) {
        box->setProperty("pending", pending);
        box->setStyleSheet(pending ? QString("%1 { background: %2; font-weight: bold; }")
                                         .arg(type, PendingBoxColour.name())
                                   : QString());
        box->setToolTip(pending ? QString::fromStdString(ResMessage(msg::OnInstrumentTip, {held}))
                                : QString());
    };
    const auto differs = [before, this](std::string (InstrumentModel::*get)() const) {
        return before != nullptr && (before->*get)() != (model_.*get)();
    };
    mark(identityBoxes_[0], "QLineEdit", differs(&InstrumentModel::SerialNo),
         before ? TrimText(before->SerialNo()) : std::string());
    mark(identityBoxes_[1], "QLineEdit", differs(&InstrumentModel::StationID),
         before ? TrimText(before->StationID()) : std::string());
    mark(identityBoxes_[2], "QLineEdit", differs(&InstrumentModel::UserID),
         before ? TrimText(before->UserID()) : std::string());
    mark(intervalBox_, "QComboBox", before != nullptr && before->Intervals() != model_.Intervals(),
         before ? std::to_string(before->Intervals()) : std::string());
}

bool MainWindow::boxPending(const QWidget* box) {
    return box->property("pending").toBool();
}

}  // namespace vq

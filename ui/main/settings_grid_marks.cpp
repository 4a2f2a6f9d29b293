// SettingsGrid: the cells marked as not on the instrument yet, and the notices that say why an
// edit was refused or what the grid changed by itself.

#include <QApplication>
#include <QToolTip>
#include <map>

#include "app/app_config.h"
#include "app/settings_review_text.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "model/settings_review.h"
#include "ui/main/settings_grid.h"

namespace vq {

namespace {

// The grid column of a channel review row, by the command that carries it.
const std::map<std::string, int>& columnOfCode() {
    static const std::map<std::string, int> columns{
        {"GJ", SettingsGrid::colGas},   {"A1", SettingsGrid::colWarning},
        {"A2", SettingsGrid::colAlarm}, {"AS", SettingsGrid::colStel},
        {"AW", SettingsGrid::colTwa},   {"SA", SettingsGrid::colAutoCal}};
    return columns;
}

}  // namespace

void SettingsGrid::MarkPendingCells() {
    for (int ch = 0; ch < channels; ++ch)
        for (int column = 0; column < columns; ++column) clearPendingMark(rowOf(ch), column);
    const InstrumentModel* before = window_.lastRead();
    if (before != nullptr && modelShown()) {
        // The same rows that count the window's pending edits, so a marked cell and the count
        // can never disagree.
        for (const ReviewRow& row : ReviewRows(*before, model_)) {
            if (row.group != ReviewGroup::Channels || !row.differs()) continue;
            const auto column = columnOfCode().find(row.code);
            if (column == columnOfCode().end()) continue;
            const int ch = row.number - 1;
            const QString onInstrument = QString::fromStdString(ReviewValueText(row.onInstrument));
            setPendingMark(rowOf(ch), column->second, onInstrument);
            if (column->second == colGas && before->GasEnabled(ch) != model_.GasEnabled(ch))
                setPendingMark(rowOf(ch), colEnable, onInstrument);
        }
    }
    emit pendingChanged();
}

bool SettingsGrid::pendingMarked(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell && cell->data(pendingRole).isValid();
}

void SettingsGrid::setPendingMark(int row, int column, const QString& onInstrument) {
    QTableWidgetItem* cell = item(row, column);
    if (!cell) return;
    const bool wasBusy = gridBusy_;
    gridBusy_ = true;  // the enable box's itemChanged is not a click
    cell->setData(pendingRole, onInstrument);
    cell->setBackground(pendingBack);
    QFont bold = font();
    bold.setBold(true);
    cell->setFont(bold);
    updateTip(row, column);
    gridBusy_ = wasBusy;
}

void SettingsGrid::clearPendingMark(int row, int column) {
    QTableWidgetItem* cell = item(row, column);
    if (!cell || !cell->data(pendingRole).isValid()) return;
    const bool wasBusy = gridBusy_;
    gridBusy_ = true;
    cell->setData(pendingRole, QVariant());
    cell->setBackground(plainBackground(row, column));
    cell->setFont(font());
    updateTip(row, column);
    gridBusy_ = wasBusy;
}

QBrush SettingsGrid::plainBackground(int row, int column) const {
    const int ch = row - headerRows;
    if (column == colGas) return palette().base();
    if (column == colEnable)
        return config_.gasLocked[static_cast<std::size_t>(ch)] ? QBrush(lockedBack)
                                                               : palette().base();
    return columnEditable(ch, column) ? palette().base() : QBrush(lockedBack);
}

void SettingsGrid::notify(int row, int column, const QString& text, bool refused) {
    lastNotice_ = text;
    refusedNoticeShown_ = false;
    if (refused) {
        if (beep_)
            beep_();
        else
            QApplication::beep();
    }
    // Where the user is looking: at the cell.
    if (const QTableWidgetItem* cell = item(row, column); cell && isVisible())
        QToolTip::showText(viewport()->mapToGlobal(visualItemRect(cell).bottomLeft()), text,
                           viewport());
    emit noticeShown(text, refused);
}

void SettingsGrid::clearNotice() {
    refusedNoticeShown_ = false;
    if (lastNotice_.isEmpty()) return;
    lastNotice_.clear();
    emit noticeShown(QString(), false);
}

void SettingsGrid::refuse(int row, int column, int messageId,
                          const std::vector<std::string>& args) {
    notify(row, column, QString::fromStdString(ResMessage(messageId, args)), true);
}

}  // namespace vq

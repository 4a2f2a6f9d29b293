// SettingsGrid: the end of a value edit. An accepted value goes into the model at once and the
// cell shows it as the model holds it; a refused one keeps the editor open.

#include <QLineEdit>
#include <cmath>
#include <limits>

#include "app/update_validation.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "model/numeric.h"
#include "model/text_rules.h"
#include "model/value_codecs.h"
#include "ui/main/settings_grid.h"

namespace vq {

namespace {

// What the editor shows for a cleared cell.
const QString kNotSetText = QStringLiteral("-----");

}  // namespace

float SettingsGrid::levelOf(int ch, int column) const {
    switch (column) {
        case colWarning:
            return model_.Warning(ch);
        case colAlarm:
            return model_.Alarm(ch);
        case colStel:
            return model_.Stel(ch);
        case colTwa:
            return model_.Twa(ch);
        case colAutoCal:
            return model_.AutoCalib(ch);
        default:
            return levelNoValue;
    }
}

void SettingsGrid::setLevelOf(int ch, int column, float value) {
    switch (column) {
        case colWarning:
            model_.setWarning(ch, value);
            break;
        case colAlarm:
            model_.setAlarm(ch, value);
            break;
        case colStel:
            model_.setStel(ch, value);
            break;
        case colTwa:
            model_.setTwa(ch, value);
            break;
        case colAutoCal:
            model_.setAutoCalib(ch, value);
            break;
        default:
            break;
    }
}

bool SettingsGrid::finishEdit(int row, int column, const QString& text, QString* shownText) {
    if (gridBusy_) return true;
    const int ch = row - headerRows;
    if (ch < 0 || ch >= channels || column < colWarning || column > colAutoCal) return true;
    // A reason given for an earlier edit says nothing about this one.
    if (!lastNotice_.isEmpty()) {
        lastNotice_.clear();
        emit noticeShown(QString(), false);
    }
    gridBusy_ = true;
    const bool accepted = column == colAutoCal ? finishAutoCal(ch, text, shownText)
                                               : finishAlarmPoint(ch, column, text, shownText);
    gridBusy_ = false;
    MarkRefusedCells();
    MarkPendingCells();
    return accepted;
}

QString SettingsGrid::boundText(float value, int ch) const {
    return valueText(value, ch).trimmed();
}

void SettingsGrid::refuseOutOfRange(int ch, int column, float low, float high) {
    const bool hasLow = std::isfinite(low);
    const bool hasHigh = std::isfinite(high);
    const std::string lowText = boundText(low, ch).toStdString();
    const std::string highText = boundText(high, ch).toStdString();
    if (hasLow && hasHigh)
        refuse(rowOf(ch), column, msg::RefusedRange, {lowText, highText});
    else if (hasLow)
        refuse(rowOf(ch), column, msg::RefusedAtLeast, {lowText});
    else
        refuse(rowOf(ch), column, msg::RefusedAtMost, {highText});
}

void SettingsGrid::noticeRounding(int ch, int column, float typed, float stored) {
    if (typed == stored) return;
    const std::string resolution = TrimText(SingleText(model_.Resolution(ch)));
    notify(rowOf(ch), column,
           QString::fromStdString(
               ResMessage(msg::RoundedNotice,
                          {SingleText(typed), boundText(stored, ch).toStdString(), resolution})),
           false);
}

bool SettingsGrid::finishAlarmPoint(int ch, int column, const QString& text, QString* shownText) {
    const std::string typed = text.trimmed().toStdString();
    const auto kind = static_cast<AlarmPointKind>(column - 1);
    const std::optional<ValueRange> range = AlarmPointRange(model_, ch, kind);
    const auto refuseRange = [&] {
        if (range) refuseOutOfRange(ch, column, range->low, range->high);
    };
    if (typed.empty()) {
        // Not set: stored at once, but an alarm point is expected here, so the editor stays.
        setLevelOf(ch, column, levelNoValue);
        item(rowOf(ch), column)->setText(kNotSetText);
        if (shownText) *shownText = kNotSetText;
        refuseRange();
        return false;
    }
    const std::optional<float> number = ParseSingle(typed);
    if (!number) {
        refuse(rowOf(ch), column, msg::RefusedNotNumber, {typed});
        return false;
    }
    // A negative alarm point has no meaning; rounding would silently make it 0.
    if (*number < 0) {
        refuse(rowOf(ch), column, msg::RefusedNegative);
        return false;
    }
    const float value = RoundToStep(*number, model_.Resolution(ch));
    if (!CheckAlarmPoint(model_, ch, value, kind)) {
        refuseRange();
        return false;
    }
    // The instrument takes five characters: a value they cannot hold would arrive cut.
    if (!LevelFits5(value, model_.GasPoint(ch))) {
        refuse(rowOf(ch), column, msg::RefusedTooWide, {typed});
        return false;
    }
    setLevelOf(ch, column, value);
    const QString shown = valueText(levelOf(ch, column), ch);
    item(rowOf(ch), column)->setText(shown);
    if (shownText) *shownText = shown;
    noticeRounding(ch, column, *number, value);
    return true;
}

bool SettingsGrid::finishAutoCal(int ch, const QString& text, QString* shownText) {
    const std::string typed = text.trimmed().toStdString();
    if (typed.empty()) {
        // No auto-calibration concentration is a valid choice.
        model_.setAutoCalib(ch, levelNoValue);
        item(rowOf(ch), colAutoCal)->setText(kNotSetText);
        if (shownText) *shownText = kNotSetText;
        return true;
    }
    const std::optional<float> number = ParseSingle(typed);
    if (!number) {
        refuse(rowOf(ch), colAutoCal, msg::RefusedNotNumber, {typed});
        return false;
    }
    if (*number < 0 || *number > model_.GasFullScale(ch)) {
        refuseOutOfRange(ch, colAutoCal, 0, model_.GasFullScale(ch));
        return false;
    }
    if (!CheckAutoCalValue(model_, ch, *number)) {
        const AutoCalBound bound = AutoCalLimit(model_, ch);
        const float infinite = std::numeric_limits<float>::infinity();
        if (bound.atMost)
            refuseOutOfRange(ch, colAutoCal, -infinite, bound.bound);
        else
            refuseOutOfRange(ch, colAutoCal, bound.bound, infinite);
        return false;
    }
    const float value = RoundToStep(*number, model_.Resolution(ch));
    if (!LevelFits5(value, model_.GasPoint(ch))) {
        refuse(rowOf(ch), colAutoCal, msg::RefusedTooWide, {typed});
        return false;
    }
    model_.setAutoCalib(ch, value);
    const QString shown = valueText(model_.AutoCalib(ch), ch);
    item(rowOf(ch), colAutoCal)->setText(shown);
    if (shownText) *shownText = shown;
    noticeRounding(ch, colAutoCal, *number, value);
    return true;
}

bool SettingsGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (trigger != NoEditTriggers && !canEdit(index.row(), index.column())) return false;
    const bool opened = QTableWidget::edit(index, trigger, event);
    if (opened) editing_ = index;
    return opened;
}

void SettingsGrid::commitData(QWidget* editor) {
    auto* line = qobject_cast<QLineEdit*>(editor);
    const QModelIndex index = editing_.isValid() ? QModelIndex(editing_) : currentIndex();
    if (!line || !index.isValid()) {
        QTableWidget::commitData(editor);
        return;
    }
    QString shown;
    const bool accepted = finishEdit(index.row(), index.column(), line->text(), &shown);
    if (!shown.isEmpty()) line->setText(shown);
    if (!accepted) {
        refused_ = true;
        return;
    }
    // The cell already shows the stored value; the editor holds the same text.
    gridBusy_ = true;
    QTableWidget::commitData(editor);
    gridBusy_ = false;
}

void SettingsGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (refused_ && hint != QAbstractItemDelegate::RevertModelCache) {
        // The refusal has beeped and said why (finishEdit).
        refused_ = false;
        editor->setFocus();
        return;
    }
    refused_ = false;
    // Tab in an editor ends the edit and leaves the grid, as Tab does outside one.
    const bool leave = hint == QAbstractItemDelegate::EditNextItem ||
                       hint == QAbstractItemDelegate::EditPreviousItem;
    QTableWidget::closeEditor(editor, leave ? QAbstractItemDelegate::NoHint : hint);
    if (leave) focusNextPrevChild(hint == QAbstractItemDelegate::EditNextItem);
    // A value changed in the editor and then abandoned (Escape) leaves the stored one shown.
    if (hint == QAbstractItemDelegate::RevertModelCache) refresh();
}

}  // namespace vq

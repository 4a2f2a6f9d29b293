// SettingsGrid: layout, the model shown in the cells, the non-editable look and the colours.

#include "ui/main/settings_grid.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QStringList>
#include <QStyle>
#include <algorithm>
#include <cmath>
#include <limits>

#include "app/app_config.h"
#include "app/rule_reason_text.h"
#include "app/update_validation.h"
#include "messages/messages.h"
#include "model/held_values.h"
#include "model/instrument.h"
#include "model/numeric.h"
#include "model/setting_rules.h"
#include "model/value_codecs.h"

namespace vq {

const QColor SettingsGrid::goodText{0, 0, 0};
const QColor SettingsGrid::badText{255, 0, 0};
const QColor SettingsGrid::lockedBack{224, 224, 224};
// Amber, far from the red of a refused value and from the grey of a locked cell.
const QColor SettingsGrid::pendingBack{255, 214, 110};

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// Header captions of columns 0-6 in row 1.
constexpr int kColumnCaptions[] = {msg::GasColumn,    msg::EnableColumn, msg::WarningColumn,
                                   msg::AlarmColumn,  msg::StelColumn,   msg::TwaColumn,
                                   msg::AutoCalColumn};

// Value cells that never take an edit: no STEL or TWA on the combustible and oxygen channels,
// and no alarm points on the second combustible channel.
bool fixedByChannel(int ch, int column) {
    const bool stelOrTwa = column == SettingsGrid::colStel || column == SettingsGrid::colTwa;
    if ((ch == 0 || ch == 1) && stelOrTwa) return true;
    if (ch == 4 && column >= SettingsGrid::colWarning && column <= SettingsGrid::colTwa)
        return true;
    return false;
}

}  // namespace

SettingsGrid::SettingsGrid(SettingsGridDeps deps, QWidget* parent)
    : QTableWidget(parent),
      model_(deps.model),
      config_(deps.config),
      asker_(deps.asker),
      gridBusy_(deps.gridBusy),
      window_(deps.window) {
    setObjectName("vfgOption");
    setColumnCount(columns);
    setRowCount(headerRows + channels);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);  // layoutColumns
    verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // The arrow keys move between cells; Tab and Shift+Tab leave the grid like any other control,
    // so a keyboard alone reaches the commands after an edit.
    setTabKeyNavigation(false);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    connect(this, &QTableWidget::itemChanged, this, &SettingsGrid::onItemChanged);
    // The gas of a channel changes from its gas cell: a double-click or the context menu.
    connect(this, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        if (column == colGas && row >= headerRows) changeGas(row - headerRows);
    });
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QModelIndex index = indexAt(at);
        if (!index.isValid()) index = currentIndex();  // the menu key
        if (QMenu* menu = contextMenuFor(index.row(), index.column())) {
            menu->exec(viewport()->mapToGlobal(at));
            delete menu;
        }
    });
    refresh();
}

SettingsGrid::~SettingsGrid() = default;

bool SettingsGrid::modelShown() const {
    return SettingsShown(window_.sessionState(),
                         model_.CommFlags() != 0 || model_.ImportFlag() != 0);
}

void SettingsGrid::showInstrument() {
    window_.showInstrument();
}

void SettingsGrid::refresh() {
    gridBusy_ = true;
    clearSpans();
    buildHeader();
    if (!modelShown()) {
        clearChannelRows();
    } else {
        applyFactoryAutoCal();
        for (int ch = 0; ch < channels; ++ch) {
            showChannel(ch);
            // A channel that is on again (a read, a file) has nothing of its own to restore.
            if (model_.GasEnabled(ch)) switchedOff_[static_cast<std::size_t>(ch)].reset();
        }
        MarkRefusedCells();
    }
    MarkPendingCells();
    gridBusy_ = false;
    layoutColumns();
}

void SettingsGrid::resizeEvent(QResizeEvent* event) {
    QTableWidget::resizeEvent(event);
    layoutColumns();
}

int SettingsGrid::gasTextWidth() const {
    int widest = 0;
    for (int row = 0; row < rowCount(); ++row)
        if (const QTableWidgetItem* cell = item(row, colGas))
            widest = std::max(widest, QFontMetrics(cell->font()).horizontalAdvance(cell->text()));
    // The cell's padding and focus frame on both sides.
    const int margin = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 4);
    return widest + margin;
}

void SettingsGrid::layoutColumns() {
    // The gas column takes its share of the width (less in Japanese, whose headings are
    // shorter), but never less than its longest title needs; the others share the rest.
    const int width = viewport()->width();
    if (width <= 0) return;
    const int share = width * (isJapaneseTag() ? 13 : 15) / 100;
    const int gas = std::min(std::max(share, gasTextWidth()), width / 2);
    const int others = columns - 1;
    const int rest = width - gas;
    setColumnWidth(colGas, gas);
    for (int column = 1; column < columns; ++column)
        setColumnWidth(column, rest / others + (column <= rest % others ? 1 : 0));
}

void SettingsGrid::buildHeader() {
    for (int column = 0; column < columns; ++column) {
        setCell(0, column, QString(), false);
        setCell(1, column, qs(ResMessage(kColumnCaptions[column])), false);
    }
    setCell(0, colWarning, qs(ResMessage(msg::WarningAlarmPointCaption)),
            false);  // "Warning and Alarm point"
    setSpan(0, colWarning, 1, colTwa - colWarning + 1);
    for (int row = 0; row < headerRows; ++row)
        for (int column = 0; column < columns; ++column) {
            QTableWidgetItem* cell = item(row, column);
            cell->setFlags(Qt::ItemIsEnabled);  // captions: never selected, never edited
            cell->setTextAlignment(Qt::AlignCenter);
            cell->setBackground(palette().button());
            QFont bold = font();
            bold.setBold(true);
            cell->setFont(bold);
        }
}

void SettingsGrid::clearChannelRows() {
    for (int ch = 0; ch < channels; ++ch) {
        for (int column = 0; column < columns; ++column)
            setCell(rowOf(ch), column, QString(), false);
    }
}

void SettingsGrid::applyFactoryAutoCal() {
    // The calibration window offers these as the factory concentrations.
    for (int ch = 0; ch < 4; ++ch) {
        const float own = model_.AutoCalib(ch);
        config_.factoryAutoCal[static_cast<std::size_t>(ch)] =
            own == levelNoValue ? config_.ConfigDefaults.AutoCalib(ch) : own;
    }
}

void SettingsGrid::showChannel(int ch) {
    const int row = rowOf(ch);
    setCell(row, colGas,
            qs(GasTitle(ShownText(model_.GasName(ch)), ShownText(model_.GasUnit(ch)),
                        model_.GasFullScale(ch), model_.GasPoint(ch))),
            false);
    const bool locked = config_.gasLocked[static_cast<std::size_t>(ch)];
    setEnableBox(ch, model_.GasEnabled(ch), !locked);
    for (int column = colWarning; column <= colAutoCal; ++column)
        setCell(row, column, valueText(levelOf(ch, column), ch), columnEditable(ch, column));
}

bool SettingsGrid::columnEditable(int ch, int column) const {
    return column >= colWarning && column <= colAutoCal && !fixedByChannel(ch, column);
}

QString SettingsGrid::valueText(float value, int ch) const {
    return qs(ValueText(value, model_.GasPoint(ch), false, config_.conversionFactor));
}

void SettingsGrid::setCell(int row, int column, const QString& text, bool editable) {
    QTableWidgetItem* cell = item(row, column);
    if (!cell) {
        cell = new QTableWidgetItem;
        setItem(row, column, cell);
    }
    cell->setData(Qt::CheckStateRole, QVariant());
    cell->setText(text);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (editable) flags |= Qt::ItemIsEditable;
    cell->setFlags(flags);
    const Qt::Alignment alignment =
        column == colGas ? (Qt::AlignLeft | Qt::AlignVCenter) : (Qt::AlignRight | Qt::AlignVCenter);
    cell->setTextAlignment(alignment);
    // A title is whole at any width the window allows (layoutColumns); with a large configured
    // font the whole text is still a hover away.
    cell->setToolTip(column == colGas && row >= headerRows ? text : QString());
    cell->setForeground(goodText);
    cell->setFont(font());
    if (row >= headerRows)
        cell->setBackground(editable || column == colGas ? palette().base() : QBrush(lockedBack));
}

void SettingsGrid::setEnableBox(int ch, bool ticked, bool editable) {
    const int row = rowOf(ch);
    setCell(row, colEnable, QString(), false);
    QTableWidgetItem* box = item(row, colEnable);
    // A locked box still takes the click, so the user is told why it stays on.
    box->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    box->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    box->setBackground(editable ? palette().base() : QBrush(lockedBack));
}

void SettingsGrid::setTextColour(int row, int column, const QColor& colour) {
    if (QTableWidgetItem* cell = item(row, column)) cell->setForeground(colour);
}

namespace {

int columnOf(CheckedValue value) {
    switch (value) {
        case CheckedValue::Gas:
            return SettingsGrid::colGas;
        case CheckedValue::Warning:
            return SettingsGrid::colWarning;
        case CheckedValue::Alarm:
            return SettingsGrid::colAlarm;
        case CheckedValue::Stel:
            return SettingsGrid::colStel;
        case CheckedValue::Twa:
            return SettingsGrid::colTwa;
        case CheckedValue::AutoCal:
            return SettingsGrid::colAutoCal;
    }
    return SettingsGrid::colGas;
}

// Set on a cell whose value "Update" refuses; holds why.
constexpr int kRefusedRole = Qt::UserRole + 23;

}  // namespace

QString SettingsGrid::rangeText(int ch, float low, float high) const {
    const std::string lowText = valueText(low, ch).trimmed().toStdString();
    const std::string highText = valueText(high, ch).trimmed().toStdString();
    if (std::isfinite(low) && std::isfinite(high))
        return qs(ResMessage(msg::RefusedRange, {lowText, highText}));
    if (std::isfinite(low)) return qs(ResMessage(msg::RefusedAtLeast, {lowText}));
    return qs(ResMessage(msg::RefusedAtMost, {highText}));
}

QString SettingsGrid::refusalText(int ch, CheckedValue value, const UpdateRefusal& refusal) const {
    // The text of the box "Update" would show, then the rule this very value breaks (the
    // combination text names its channels already).
    QString text = qs(UpdateRefusalText(model_, refusal));
    QString rule;
    const int column = columnOf(value);
    if (value == CheckedValue::Warning || value == CheckedValue::Alarm) {
        if (!CheckWarningBelowAlarm(model_, ch)) {
            const bool lowLow = ch == 1 && model_.AlarmO2() == 1;
            rule = qs(
                ResMessage(lowLow ? msg::RefusedWarningBelowAlarm : msg::RefusedWarningAboveAlarm,
                           {valueText(model_.Warning(ch), ch).trimmed().toStdString(),
                            valueText(model_.Alarm(ch), ch).trimmed().toStdString()}));
        }
    }
    if (rule.isEmpty() && column >= colWarning && column <= colTwa) {
        const auto kind = static_cast<AlarmPointKind>(column - 1);
        if (const std::optional<ValueRange> range = AlarmPointRange(model_, ch, kind))
            rule = rangeText(ch, range->low, range->high);
    }
    if (value == CheckedValue::AutoCal) {
        const AutoCalBound bound = AutoCalLimit(model_, ch);
        const float infinite = std::numeric_limits<float>::infinity();
        rule = bound.atMost ? rangeText(ch, -infinite, bound.bound)
                            : rangeText(ch, bound.bound, infinite);
    }
    return rule.isEmpty() ? text : text + "\n" + rule;
}

QString SettingsGrid::refusedReason(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->data(kRefusedRole).toString() : QString();
}

void SettingsGrid::updateTip(int row, int column) {
    QTableWidgetItem* cell = item(row, column);
    if (!cell || row < headerRows) return;
    // The title (a long one is whole here), why "Update" refuses the value, and what the
    // instrument holds while the value is pending.
    QStringList parts;
    if (column == colGas) parts << cell->text();
    if (const QString why = refusedReason(row, column); !why.isEmpty()) parts << why;
    if (const QVariant held = cell->data(pendingRole); held.isValid())
        parts << qs(ResMessage(msg::OnInstrumentTip, {held.toString().toStdString()}));
    cell->setToolTip(parts.join('\n'));
}

void SettingsGrid::MarkRefusedCells() {
    if (!modelShown()) return;
    const bool wasBusy = gridBusy_;
    gridBusy_ = true;
    for (int ch = 0; ch < channels; ++ch)
        for (int column : {int(colGas), int(colWarning), int(colAlarm), int(colStel), int(colTwa),
                           int(colAutoCal)}) {
            setTextColour(rowOf(ch), column, goodText);
            if (QTableWidgetItem* cell = item(rowOf(ch), column)) cell->setData(kRefusedRole, {});
        }
    QString first;
    for (const RefusedValue& refused : RefusedValues(model_)) {
        const int row = rowOf(refused.channel);
        const int column = columnOf(refused.value);
        setTextColour(row, column, badText);
        const QString why = refusalText(refused.channel, refused.value, refused.refusal);
        if (QTableWidgetItem* cell = item(row, column)) cell->setData(kRefusedRole, why);
        if (first.isEmpty())
            first = qs(ResMessage(
                msg::RefusedCellNotice,
                {std::to_string(refused.channel + 1), ResMessage(kColumnCaptions[column]),
                 QString(why).replace('\n', ' ').toStdString()}));
    }
    for (int ch = 0; ch < channels; ++ch)
        for (int column = 0; column < columns; ++column) updateTip(rowOf(ch), column);
    gridBusy_ = wasBusy;
    // The line under the grid says why a cell is red, unless it tells of the edit just made.
    if (lastNotice_.isEmpty() || refusedNoticeShown_) {
        if (first != lastNotice_) {
            lastNotice_ = first;
            emit noticeShown(first, false);
        }
        refusedNoticeShown_ = !first.isEmpty();
    }
    // A gas record the instrument holds with a full scale or resolution no gas can have: shown as
    // held, red, and the reason a hover away.
    for (int ch = 0; ch < channels; ++ch) {
        const std::string reason = ReasonText(GasScaleProblem(model_, ch));
        if (reason.empty()) continue;
        setTextColour(rowOf(ch), colGas, badText);
        QTableWidgetItem* cell = item(rowOf(ch), colGas);
        cell->setToolTip(cell->text() + "\n" + qs(ResMessage(msg::HeldOutOfRangeTip, {reason})));
    }
}

bool SettingsGrid::canEdit(int row, int column) const {
    if (gridBusy_ || row < headerRows || row >= headerRows + channels) return false;
    const QTableWidgetItem* cell = item(row, column);
    return cell && (cell->flags() & Qt::ItemIsEditable);
}

QString SettingsGrid::cellText(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

QColor SettingsGrid::cellColour(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->foreground().color() : QColor();
}

bool SettingsGrid::enableTicked(int channel) const {
    const QTableWidgetItem* box = item(rowOf(channel), colEnable);
    return box && box->checkState() == Qt::Checked;
}

}  // namespace vq

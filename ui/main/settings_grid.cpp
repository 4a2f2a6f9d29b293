// SettingsGrid: layout, the model shown in the cells, the non-editable look and the colours.

#include "ui/main/settings_grid.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QStyle>
#include <algorithm>

#include "app/app_config.h"
#include "app/update_validation.h"
#include "link/link_status.h"
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
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    connect(this, &QTableWidget::itemChanged, this, &SettingsGrid::onItemChanged);
    refresh();
}

SettingsGrid::~SettingsGrid() = default;

bool SettingsGrid::modelShown() const {
    const std::int32_t status = window_.linkStatus();
    const bool data = model_.CommFlags() != 0 || model_.ImportFlag() != 0;
    return status != link_status::Ready && status != 1 && data;
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

void SettingsGrid::MarkRefusedCells() {
    if (!modelShown()) return;
    for (int ch = 0; ch < channels; ++ch)
        for (int column : {int(colGas), int(colWarning), int(colAlarm), int(colStel), int(colTwa),
                           int(colAutoCal)})
            setTextColour(rowOf(ch), column, goodText);
    for (const RefusedValue& refused : RefusedValues(model_)) {
        int column = colGas;
        switch (refused.value) {
            case CheckedValue::Gas:
                column = colGas;
                break;
            case CheckedValue::Warning:
                column = colWarning;
                break;
            case CheckedValue::Alarm:
                column = colAlarm;
                break;
            case CheckedValue::Stel:
                column = colStel;
                break;
            case CheckedValue::Twa:
                column = colTwa;
                break;
            case CheckedValue::AutoCal:
                column = colAutoCal;
                break;
        }
        setTextColour(rowOf(refused.channel), column, badText);
    }
    // A gas record the instrument holds with a full scale or resolution no gas can have: shown as
    // held, red, and the reason a hover away.
    for (int ch = 0; ch < channels; ++ch) {
        const std::string reason = GasScaleProblem(model_, ch);
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

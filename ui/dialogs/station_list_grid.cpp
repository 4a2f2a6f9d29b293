#include "ui/dialogs/station_list_grid.h"

#include <QHeaderView>

#include "app/station_list_csv.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "ui/dialogs/factory_cell_delegate.h"
#include "ui/dialogs/factory_key_filter.h"

namespace vq {
namespace {

constexpr int numberColumn = 0;
const QColor invalidColour(255, 0, 0);
const QColor validColour(Qt::white);

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

StationListGrid::StationListGrid(QWidget* parent) : QTableWidget(stationListRows, 2, parent) {
    setObjectName("vfgStation");
    verticalHeader()->hide();
    const QStringList gasHeader = qs(ResMessage(msg::GasTableHeader)).split('|');
    setHorizontalHeaderLabels({gasHeader.value(0), qs(ResMessage(msg::StationListLabel))});
    horizontalHeader()->setStretchLastSection(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    for (int row = 0; row < stationListRows; ++row) {
        auto* number = new QTableWidgetItem(QString::number(row + 1));
        number->setFlags(Qt::ItemIsEnabled);
        setItem(row, numberColumn, number);
        setItem(row, textColumn, new QTableWidgetItem());
    }
    resizeColumnToContents(numberColumn);

    auto describe = [](int, int) {
        FactoryEditorKind kind;
        // Upper case as typed, as the main window's identity texts.
        kind.keys = {true, static_cast<int>(stationTextMax)};
        return kind;
    };
    auto* delegate = new FactoryCellDelegate(
        describe,
        [this](int row, int, const QString& text) {
            editStation(row, text);
            return true;  // any text is kept; an invalid one shows red
        },
        this);
    connect(delegate, &FactoryCellDelegate::editorTextChanged, this,
            [this](int, int, const QString& text) {
                emit spaceCountText(qs(ResMessage(msg::LeftSpace, {std::to_string(text.size())})));
            });
    connect(delegate, &FactoryCellDelegate::editorClosed, this,
            [this] { emit spaceCountText({}); });
    connect(this, &QTableWidget::currentCellChanged, this, [this](int, int column) {
        if (column != textColumn) emit spaceCountText({});
    });
    setItemDelegate(delegate);
}

// An editor still open is destroyed with the viewport, after this class's part of the object
// is gone: its "closed" signal must not reach the handlers above by then.
StationListGrid::~StationListGrid() {
    if (QAbstractItemDelegate* delegate = itemDelegate()) delegate->disconnect(this);
}

void StationListGrid::focusOutEvent(QFocusEvent* event) {
    QTableWidget::focusOutEvent(event);
    // Focus moving into the cell editor is not leaving the grid.
    if (state() != QAbstractItemView::EditingState) emit spaceCountText({});
}

void StationListGrid::load(const InstrumentModel& model) {
    for (int row = 0; row < stationListRows; ++row) {
        item(row, textColumn)->setText(qs(model.StationList(row)));
        colourRow(row);
    }
}

void StationListGrid::store(InstrumentModel& model) const {
    for (int row = 0; row < stationListRows; ++row) {
        const std::string text = item(row, textColumn)->text().toStdString();
        if (text != model.StationList(row)) model.setStationList(row, text);
    }
}

void StationListGrid::editStation(int row, const QString& text) {
    if (row < 0 || row >= stationListRows) return;
    item(row, textColumn)->setText(text);
    colourRow(row);
}

std::size_t StationListGrid::importStations(const std::vector<StationEntry>& entries,
                                            InstrumentModel& work) {
    std::vector<std::string> texts = stations();
    const std::vector<int> changed = ApplyStationEntries(entries, texts);
    for (const int row : changed) {
        item(row, textColumn)->setText(qs(texts[static_cast<std::size_t>(row)]));
        work.markChanged(SettingId::StationList, row);
    }
    for (int row = 0; row < stationListRows; ++row) colourRow(row);
    return changed.size();
}

std::vector<std::string> StationListGrid::stations() const {
    std::vector<std::string> texts;
    for (int row = 0; row < stationListRows; ++row)
        texts.push_back(item(row, textColumn)->text().toStdString());
    return texts;
}

bool StationListGrid::isInvalid(int row) const {
    return !IsStationText(item(row, textColumn)->text().toStdString());
}

bool StationListGrid::hasInvalid() const {
    for (int row = 0; row < stationListRows; ++row)
        if (isInvalid(row)) return true;
    return false;
}

void StationListGrid::colourRow(int row) {
    // A red row says why (a pasted or imported text may be too long or hold any character).
    QTableWidgetItem* cell = item(row, textColumn);
    const QString text = cell->text();
    QString why;
    if (static_cast<std::size_t>(text.size()) > stationTextMax)
        why = qs(ResMessage(msg::RefusedLength, {std::to_string(stationTextMax)}));
    else if (isInvalid(row))
        why =
            qs(ResMessage(msg::RefusedNameCharacter, {FirstNonNameCharacter(text).toStdString()}));
    cell->setBackground(why.isEmpty() ? validColour : invalidColour);
    cell->setToolTip(why);
}

}  // namespace vq

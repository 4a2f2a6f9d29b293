#include "ui/dialogs/records_fleet_model.h"

#include <cmath>

#include "messages/message_ids.h"
#include "messages/messages.h"
#include "model/ole_date.h"

namespace vq {

namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

bool hasDate(double date) {
    return std::isfinite(date) && date > 1.0;
}

}  // namespace

QString RecordsDateText(double date) {
    if (!hasDate(date)) return {};
    // The day is enough in a list of calibrations; the time of day stays in the timeline.
    return q(GeneralDate(date)).left(10);
}

QString RecordsStateText(InstrumentState state) {
    switch (state) {
        case InstrumentState::Failed:
            return q(ResMessage(msg::RecordsStateFailed));
        case InstrumentState::Overdue:
            return q(ResMessage(msg::RecordsStateOverdue));
        case InstrumentState::Due:
            return q(ResMessage(msg::RecordsStateDue));
        case InstrumentState::Ok:
            return q(ResMessage(msg::RecordsStateOk));
        case InstrumentState::Unknown:
            break;
    }
    return q(ResMessage(msg::RecordsStateUnknown));
}

QVariant RecordsStateColour(InstrumentState state) {
    if (state == InstrumentState::Failed || state == InstrumentState::Overdue)
        return kOverdueColour;
    if (state == InstrumentState::Due) return kDueSoonColour;
    return {};
}

QString RecordsResultText(const std::string& result) {
    if (result == "OK") return q(ResMessage(msg::RecordsResultOk));
    if (result == "NG") return q(ResMessage(msg::RecordsResultNg));
    return q(result);
}

std::string RecordsChannelName(int channel, const std::string& gas) {
    const std::string number = std::to_string(channel + 1);
    return gas.empty() ? ResMessage(msg::RecordsChannel, {number})
                       : ResMessage(msg::RecordsChannelGas, {number, gas});
}

RecordsFleetModel::RecordsFleetModel(QObject* parent) : QAbstractTableModel(parent) {}

void RecordsFleetModel::setFleet(std::vector<InstrumentSummary> fleet, double now) {
    beginResetModel();
    fleet_ = std::move(fleet);
    assessed_.clear();
    for (const InstrumentSummary& instrument : fleet_)
        assessed_.push_back(Assess(instrument.record, now));
    endResetModel();
}

int RecordsFleetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(fleet_.size());
}

int RecordsFleetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant RecordsFleetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case Serial:
            return q(ResMessage(msg::RecordsColSerial));
        case Station:
            return q(ResMessage(msg::RecordsColStation));
        case User:
            return q(ResMessage(msg::RecordsColUser));
        case State:
            return q(ResMessage(msg::RecordsColState));
        case LastRead:
            return q(ResMessage(msg::RecordsColLastRead));
        case DueDate:
            return q(ResMessage(msg::RecordsColDue));
        default:
            break;
    }
    const int ch = (section - FirstChannel) / kChannelColumns;
    const int id = msg::RecordsColGas + (section - FirstChannel) % kChannelColumns;
    return q(ResMessage(id, {std::to_string(ch + 1)}));
}

QVariant RecordsFleetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const int row = index.row();
    switch (role) {
        case Qt::DisplayRole:
            return display(row, index.column());
        case SortRole:
            return sortValue(row, index.column());
        case Qt::BackgroundRole:
            return RecordsStateColour(assessed_[static_cast<size_t>(row)].state);
        default:
            return {};
    }
}

QVariant RecordsFleetModel::display(int row, int column) const {
    const InstrumentSummary& it = fleet_[static_cast<size_t>(row)];
    switch (column) {
        case Serial:
            return it.simulated ? q(ResMessage(msg::RecordsSimulatedSerial, {it.serial}))
                                : q(it.serial);
        case Station:
            return q(it.station);
        case User:
            return q(it.user);
        case State:
            return RecordsStateText(assessed_[static_cast<size_t>(row)].state);
        case LastRead:
            return hasDate(it.evidence().lastRead) ? q(GeneralDate(it.evidence().lastRead))
                                                   : QString();
        case DueDate:
            return RecordsDateText(assessed_[static_cast<size_t>(row)].due);
        default:
            break;
    }
    const ChannelEvidence& ch =
        it.evidence().channels[static_cast<size_t>((column - FirstChannel) / kChannelColumns)];
    // A channel switched off has nothing due; its gas still names what the sensor is.
    if (!ch.enabled && (column - FirstChannel) % kChannelColumns != 0) return QString();
    switch ((column - FirstChannel) % kChannelColumns) {
        case 0:
            return q(ch.gas);
        case 1:
            return RecordsDateText(ch.calibrated);
        default:
            return RecordsResultText(ch.lastSpanResult());
    }
}

QVariant RecordsFleetModel::sortValue(int row, int column) const {
    const InstrumentSummary& it = fleet_[static_cast<size_t>(row)];
    switch (column) {
        case State:
            return StateSeverity(assessed_[static_cast<size_t>(row)].state);
        case LastRead:
            return it.evidence().lastRead;
        case DueDate: {
            // Unknown dates sort after every known one.
            const double due = assessed_[static_cast<size_t>(row)].due;
            return due > 0 ? due : 1e12;
        }
        default:
            break;
    }
    if (column >= FirstChannel && (column - FirstChannel) % kChannelColumns == 1)
        return it.evidence()
            .channels[static_cast<size_t>((column - FirstChannel) / kChannelColumns)]
            .calibrated;
    return display(row, column);
}

RecordsFleetFilter::RecordsFleetFilter(QObject* parent) : QSortFilterProxyModel(parent) {
    setSortRole(RecordsFleetModel::SortRole);
    setSortCaseSensitivity(Qt::CaseInsensitive);
}

void RecordsFleetFilter::setText(const QString& text) {
    text_ = text.trimmed();
    invalidateFilter();
}

void RecordsFleetFilter::setShowSimulated(bool show) {
    showSimulated_ = show;
    invalidateFilter();
}

bool RecordsFleetFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    const auto* fleet = qobject_cast<const RecordsFleetModel*>(sourceModel());
    if (!showSimulated_ && fleet != nullptr && sourceRow < fleet->rowCount() &&
        fleet->instrument(sourceRow).simulated)
        return false;
    if (text_.isEmpty()) return true;
    for (int column :
         {RecordsFleetModel::Serial, RecordsFleetModel::Station, RecordsFleetModel::User}) {
        const QString cell =
            sourceModel()->index(sourceRow, column, sourceParent).data(Qt::DisplayRole).toString();
        if (cell.contains(text_, Qt::CaseInsensitive)) return true;
    }
    return false;
}

}  // namespace vq

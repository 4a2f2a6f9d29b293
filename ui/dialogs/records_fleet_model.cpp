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
    due_.clear();
    for (const InstrumentSummary& instrument : fleet_)
        due_.push_back(InstrumentDue(instrument, now));
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
        case Qt::BackgroundRole: {
            const DueState state = due_[static_cast<size_t>(row)].state;
            if (state == DueState::Overdue) return kOverdueColour;
            if (state == DueState::DueSoon) return kDueSoonColour;
            return {};
        }
        default:
            return {};
    }
}

QVariant RecordsFleetModel::display(int row, int column) const {
    const InstrumentSummary& it = fleet_[static_cast<size_t>(row)];
    switch (column) {
        case Serial:
            return q(it.serial);
        case Station:
            return q(it.station);
        case User:
            return q(it.user);
        case LastRead:
            return hasDate(it.lastRead) ? q(GeneralDate(it.lastRead)) : QString();
        case DueDate: {
            const Due due = due_[static_cast<size_t>(row)];
            const QString date = RecordsDateText(due.date);
            if (due.state == DueState::Overdue)
                return q(ResMessage(msg::RecordsDueState,
                                    {date.toStdString(), ResMessage(msg::RecordsOverdue)}));
            if (due.state == DueState::DueSoon)
                return q(ResMessage(msg::RecordsDueState,
                                    {date.toStdString(), ResMessage(msg::RecordsDueSoon)}));
            return date;
        }
        default:
            break;
    }
    const ChannelSummary& ch =
        it.channels[static_cast<size_t>((column - FirstChannel) / kChannelColumns)];
    // A channel switched off has nothing due; its gas still names what the sensor is.
    switch ((column - FirstChannel) % kChannelColumns) {
        case 0:
            return q(ch.gas);
        case 1:
            return RecordsDateText(ch.calDate);
        default:
            return RecordsResultText(ch.result);
    }
}

QVariant RecordsFleetModel::sortValue(int row, int column) const {
    const InstrumentSummary& it = fleet_[static_cast<size_t>(row)];
    switch (column) {
        case LastRead:
            return it.lastRead;
        case DueDate: {
            // Unknown dates sort after every known one.
            const Due due = due_[static_cast<size_t>(row)];
            return due.state == DueState::Unknown ? 1e12 : due.date;
        }
        default:
            break;
    }
    if (column >= FirstChannel && (column - FirstChannel) % kChannelColumns == 1)
        return it.channels[static_cast<size_t>((column - FirstChannel) / kChannelColumns)].calDate;
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

bool RecordsFleetFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
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

#pragma once
// The Records window's list of instruments: one row per instrument seen, with its state
// (app/records_state.h), calibration due date and, per channel, the gas, the last calibration
// date and result. Failed and overdue rows are red, due rows amber; a simulated instrument's
// serial says so. The proxy filters on serial
// number, station and user and sorts every column by its value (dates as dates, not as text).

#include <QAbstractTableModel>
#include <QColor>
#include <QSortFilterProxyModel>
#include <string>
#include <vector>

#include "app/records.h"

namespace vq {

inline const QColor kOverdueColour{255, 200, 200};  // failed and overdue
inline const QColor kDueSoonColour{255, 225, 150};

class RecordsFleetModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { Serial, Station, User, State, LastRead, DueDate, FirstChannel };
    static constexpr int kChannelColumns = 3;  // gas, calibration date, result
    static constexpr int kColumns = FirstChannel + 5 * kChannelColumns;
    // The value a column sorts by.
    static constexpr int SortRole = Qt::UserRole + 1;

    explicit RecordsFleetModel(QObject* parent = nullptr);

    // The fleet as the store gave it; due dates are worked out against `now` (OLE date).
    void setFleet(std::vector<InstrumentSummary> fleet, double now);
    const InstrumentSummary& instrument(int row) const { return fleet_[static_cast<size_t>(row)]; }
    const Assessment& assessment(int row) const { return assessed_[static_cast<size_t>(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    QVariant display(int row, int column) const;
    QVariant sortValue(int row, int column) const;

    std::vector<InstrumentSummary> fleet_;
    std::vector<Assessment> assessed_;
};

// Case-insensitive substring of serial number, station or user; empty shows every row.
// Instruments only the built-in virtual instrument recorded are shown only when asked.
class RecordsFleetFilter final : public QSortFilterProxyModel {
    Q_OBJECT
  public:
    explicit RecordsFleetFilter(QObject* parent = nullptr);
    void setText(const QString& text);
    void setShowSimulated(bool show);
    bool showSimulated() const { return showSimulated_; }

  protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

  private:
    QString text_;
    bool showSimulated_ = false;
};

// A date as the window shows it ("yyyy/mm/dd"), empty when there is none.
QString RecordsDateText(double date);
// The state's word in the language in use.
QString RecordsStateText(InstrumentState state);
// Its row colour: red for failed and overdue, amber for due, none otherwise.
QVariant RecordsStateColour(InstrumentState state);
// A channel's calibration result in the language in use: the instrument reports "OK" or "NG";
// anything else is shown as it was stored.
QString RecordsResultText(const std::string& result);
// "CH2 CO" (channel index from 0), or "CH2" for a channel without a gas name.
std::string RecordsChannelName(int channel, const std::string& gas);

}  // namespace vq

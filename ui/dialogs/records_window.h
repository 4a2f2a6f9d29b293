#pragma once
// The Records window: the instruments the records hold, with their calibration due dates
// (overdue red, due within a week amber), filtered and sorted; for the instrument selected its
// timeline of events and a chart of its calibration results; two snapshots compared as the
// review list; the list and the history exported as CSV or PDF. It only reads the records.

#include <QFutureWatcher>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "app/records.h"
#include "ui/dialogs/records_compare_dialog.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QTableView;

namespace vq {

class RecordsChart;
class RecordsFleetFilter;
class RecordsFleetModel;
class UserAsker;

struct RecordsWindowDeps {
    // The store, asked at every use (a store that failed is opened afresh by its owner, so a
    // pointer kept from before could be gone); null when the records cannot be opened, with the
    // reason in `why`.
    std::function<RecordsStore*(std::string& why)> store;
    // The PC's local time as an OLE date (the event host's), for the due dates.
    std::function<double()> now;
    UserAsker& asker;
    // Where the export file dialogs open.
    std::string folder;
};

// A timeline read on another thread, handed to the window.
struct TimelineRead {
    StoreStatus status;
    std::vector<TimelineEntry> entries;
};

class RecordsWindow final : public QWidget {
    Q_OBJECT
  public:
    explicit RecordsWindow(RecordsWindowDeps deps, QWidget* parent = nullptr);
    ~RecordsWindow() override;

    // Reads the fleet again (and the selected instrument's timeline).
    void refresh();
    // Selects the instrument by serial number (shown rows only); false when none is shown.
    bool selectInstrument(const std::string& serial);

    // ---- what tests look at ----
    const QTableView* fleetView() const { return fleetView_; }
    const QTableView* timelineView() const { return timelineView_; }
    RecordsFleetFilter* fleetFilter() const { return filter_; }
    const RecordsChart* chart() const { return chart_; }
    // The error line ("The records cannot be opened: ..."); empty when all is well.
    QString errorText() const;
    const RecordsCompareDialog* compareDialog() const { return compare_; }

    // Compares the snapshots of two timeline rows (as shown), oldest against newest.
    void compareRows(int a, int b);
    // Whether the selected instrument's timeline rows are still being added (a long history is
    // added a slice per turn of the event loop, after its first rows and its chart are shown).
    // A long history is read on another thread first, where the store can be read there.
    bool timelineFilling() const { return readingNow_ || filled_ < entries_.size(); }

  signals:
    // The selected instrument's first timeline rows and its chart are in place.
    void timelineShown();
    // Every row of its timeline is.
    void timelineFilled();

  private:
    RecordsStore* store(std::string* why = nullptr) const;
    void showError(const std::string& reason);
    void showTimeline();
    // Starts reading the selected timeline on another thread (see RecordsStore::timelineReader).
    void readInBackground(std::function<StoreStatus(std::vector<TimelineEntry>&)> reader);
    // The read that finished, when it is still the one wanted: its rows are shown.
    void takeRead();
    // Waits for a read still running (an export needs the whole history now).
    void finishRead();
    // The timeline's entries are in: the chart and the first rows now or on the next turn.
    void timelineArrived(bool sameTurn);
    // The chart and the first rows of the timeline read; the rest a slice per turn.
    void showFirstRows();
    // Adds timeline rows up to `end` (at most the entries'), each sized to its text.
    void fillTimeline(std::size_t end);
    // The next slice, on a later turn of the event loop, while the same timeline is shown.
    void fillLater();
    void compareSelected();
    void exportList();
    void exportHistory();
    void exportTo(const std::string& suggested, const std::string& title,
                  const QStandardItemModel* model, bool fleet);
    std::string selectedSerial() const;
    void updateButtons();

    RecordsWindowDeps deps_;
    RecordsFleetModel* fleet_;
    RecordsFleetFilter* filter_;
    QStandardItemModel* timeline_;
    std::vector<TimelineEntry> entries_;
    std::size_t filled_ = 0;       // entries with a row
    unsigned timelineSerial_ = 0;  // which timeline a pending slice belongs to
    QFutureWatcher<TimelineRead>* reading_ = nullptr;
    unsigned readingSerial_ = 0;  // the timeline the read running belongs to
    bool readingNow_ = false;     // the shown timeline is still being read
    std::string shownSerial_;
    QLabel* error_;
    QLineEdit* filterBox_;
    QTableView* fleetView_;
    QTableView* timelineView_;
    RecordsChart* chart_;
    QPushButton* compareButton_;
    QPushButton* exportListButton_;
    QPushButton* exportHistoryButton_;
    QPointer<RecordsCompareDialog> compare_;
};

}  // namespace vq

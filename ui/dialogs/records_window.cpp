#include "ui/dialogs/records_window.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPromise>
#include <QPushButton>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "app/settings_review_text.h"
#include "messages/message_ids.h"
#include "messages/messages.h"
#include "model/ole_date.h"
#include "model/value_codecs.h"
#include "ui/dialogs/records_chart.h"
#include "ui/dialogs/records_compare_dialog.h"
#include "ui/dialogs/records_export.h"
#include "ui/dialogs/records_fleet_model.h"
#include "ui/main/user_asker.h"

namespace vq {

namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

constexpr int kEntryRole = Qt::UserRole + 1;
// A long timeline is shown a slice at a time: the first rows with the chart at once, the rest
// on later turns of the event loop, so a history of 10,000 events never holds the window still
// (each row is laid out to fit its text, the costly part).
constexpr std::size_t kFirstRows = 150;
constexpr std::size_t kSliceRows = 250;

std::string kindText(RecordKind kind) {
    if (kind == RecordKind::SerialChange) return ResMessage(msg::RecordsKindSerialChange);
    return ResMessage(msg::RecordsKindRead + static_cast<int>(kind));
}

// What happened, in one line of the timeline.
std::string whatText(const RecordEvent& e) {
    switch (e.kind) {
        case RecordKind::Read:
            return ResMessage(msg::RecordsSettingsRead);
        case RecordKind::Write:
            return ResMessage(msg::RecordsChanges, {std::to_string(e.changes.size())});
        case RecordKind::Dump:
            return ResMessage(msg::RecordsDumpFile, {e.file, std::to_string(e.size)});
        case RecordKind::SerialChange:
            return ResMessage(msg::RecordsSerialChanged, {e.previousSerial, e.serial}) +
                   (e.serialJoined
                        ? std::string()
                        : " (" + ResMessage(msg::RecordsSerialKeptApart, {e.serial}) + ")");
        case RecordKind::Zero:
        case RecordKind::Span:
            break;
    }
    std::string text;
    for (const ChannelRecord& ch : e.channels) {
        if (!text.empty()) text += "; ";
        const std::string name = RecordsChannelName(ch.channel, ch.gas);
        const std::string result = RecordsResultText(ch.result).toStdString();
        // A reading the instrument has not got is left out, never shown as its no-value number.
        const auto after = RecordedLevel(ch.history.after);
        text += after ? ResMessage(msg::RecordsChannelResult,
                                   {name, result, SingleText(static_cast<float>(*after))})
                      : name + " " + result;
    }
    return text;
}

// Where the event came from and whether its PC time was believed, when that is worth saying.
std::string originText(const RecordEvent& e) {
    std::string text;
    if (e.origin == RecordOrigin::Imported)
        text = ResMessage(msg::RecordsImportedFrom,
                          {e.importFile, e.importTime > 1 ? GeneralDate(e.importTime) : ""});
    else if (e.origin == RecordOrigin::Simulated)
        text = ResMessage(msg::RecordsSimulated);
    if (e.clockAhead) text += (text.empty() ? "" : "; ") + ResMessage(msg::RecordsClockAhead);
    return text;
}

// A file name from a serial number: characters a file system refuses become "_"; the rest
// (Japanese included) stays as typed.
std::string fileSafe(const std::string& text) {
    std::string out;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        out += (u < 0x20 || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos) ? '_'
                                                                                               : c;
    }
    return out.empty() ? "_" : out;
}

QTableView* tableView(QWidget* parent, const char* name) {
    auto* view = new QTableView(parent);
    view->setObjectName(name);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

}  // namespace

RecordsWindow::RecordsWindow(RecordsWindowDeps deps, QWidget* parent)
    : QWidget(parent, Qt::Window),
      deps_(std::move(deps)),
      fleet_(new RecordsFleetModel(this)),
      filter_(new RecordsFleetFilter(this)),
      timeline_(new QStandardItemModel(this)),
      error_(new QLabel(this)),
      filterBox_(new QLineEdit(this)),
      fleetView_(tableView(this, "tblFleet")),
      timelineView_(tableView(this, "tblTimeline")),
      chart_(new RecordsChart(this)) {
    setObjectName("frmRecords");
    setWindowTitle(q(ResMessage(msg::RecordsTitle)));
    auto* layout = new QVBoxLayout(this);

    error_->setObjectName("lblError");
    error_->setStyleSheet("color: #b00000;");
    error_->setWordWrap(true);
    error_->hide();
    layout->addWidget(error_);

    auto* top = new QHBoxLayout();
    top->addWidget(new QLabel(q(ResMessage(msg::RecordsFilterLabel)), this));
    filterBox_->setObjectName("txtFilter");
    filterBox_->setClearButtonEnabled(true);
    top->addWidget(filterBox_, 1);
    // Runs against the built-in virtual instrument stay out of the fleet unless asked for.
    auto* simulatedBox = new QCheckBox(q(ResMessage(msg::RecordsShowSimulated)), this);
    simulatedBox->setObjectName("chkSimulated");
    connect(simulatedBox, &QCheckBox::toggled, filter_, &RecordsFleetFilter::setShowSimulated);
    top->addWidget(simulatedBox);
    auto* refreshButton = new QPushButton(q(ResMessage(msg::RecordsRefresh)), this);
    refreshButton->setObjectName("cmdRefresh");
    top->addWidget(refreshButton);
    layout->addLayout(top);

    filter_->setSourceModel(fleet_);
    fleetView_->setModel(filter_);
    fleetView_->setSortingEnabled(true);
    fleetView_->setSelectionMode(QAbstractItemView::SingleSelection);
    fleetView_->sortByColumn(RecordsFleetModel::Serial, Qt::AscendingOrder);

    timeline_->setHorizontalHeaderLabels(
        {q(ResMessage(msg::RecordsColTime)), q(ResMessage(msg::RecordsColKind)),
         q(ResMessage(msg::RecordsColSuccess)), q(ResMessage(msg::RecordsColWhat))});
    timelineView_->setModel(timeline_);
    timelineView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // A calibration run's details are long (longer still in Japanese): rows grow to show them.
    connect(timelineView_->horizontalHeader(), &QHeaderView::sectionResized, timelineView_,
            &QTableView::resizeRowsToContents);

    auto* lower = new QSplitter(Qt::Horizontal, this);
    lower->addWidget(timelineView_);
    lower->addWidget(chart_);
    // The chart's dates and legend need room of their own; the timeline's details wrap.
    lower->setStretchFactor(0, 3);
    lower->setStretchFactor(1, 2);
    lower->setSizes({600, 400});
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(fleetView_);
    split->addWidget(lower);
    layout->addWidget(split, 1);

    auto* buttons = new QHBoxLayout();
    compareButton_ = new QPushButton(q(ResMessage(msg::RecordsCompareButton)), this);
    compareButton_->setObjectName("cmdCompare");
    compareButton_->setToolTip(q(ResMessage(msg::RecordsCompareHint)));
    exportListButton_ = new QPushButton(q(ResMessage(msg::RecordsExportList)), this);
    exportListButton_->setObjectName("cmdExportList");
    exportHistoryButton_ = new QPushButton(q(ResMessage(msg::RecordsExportHistory)), this);
    exportHistoryButton_->setObjectName("cmdExportHistory");
    auto* closeButton = new QPushButton(q(ResMessage(msg::RecordsClose)), this);
    closeButton->setObjectName("cmdClose");
    buttons->addWidget(compareButton_);
    buttons->addStretch(1);
    buttons->addWidget(exportListButton_);
    buttons->addWidget(exportHistoryButton_);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);

    connect(filterBox_, &QLineEdit::textChanged, filter_, &RecordsFleetFilter::setText);
    connect(refreshButton, &QPushButton::clicked, this, &RecordsWindow::refresh);
    connect(fleetView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &RecordsWindow::showTimeline);
    // A filter that hides the selected instrument leaves no instrument selected.
    connect(filter_, &QAbstractItemModel::layoutChanged, this, &RecordsWindow::showTimeline);
    connect(filter_, &QAbstractItemModel::rowsRemoved, this, &RecordsWindow::showTimeline);
    connect(timelineView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &RecordsWindow::updateButtons);
    connect(compareButton_, &QPushButton::clicked, this, &RecordsWindow::compareSelected);
    connect(exportListButton_, &QPushButton::clicked, this, &RecordsWindow::exportList);
    connect(exportHistoryButton_, &QPushButton::clicked, this, &RecordsWindow::exportHistory);
    reading_ = new QFutureWatcher<TimelineRead>(this);
    connect(reading_, &QFutureWatcherBase::finished, this, &RecordsWindow::takeRead);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    resize(1000, 700);
    refresh();
}

RecordsWindow::~RecordsWindow() = default;

QString RecordsWindow::errorText() const {
    return error_->isHidden() ? QString() : error_->text();
}

void RecordsWindow::showError(const std::string& reason) {
    error_->setText(q(ResMessage(msg::RecordsUnavailable, {reason})));
    error_->show();
}

RecordsStore* RecordsWindow::store(std::string* why) const {
    std::string reason;
    RecordsStore* records = deps_.store ? deps_.store(reason) : nullptr;
    if (why != nullptr) *why = reason;
    return records;
}

void RecordsWindow::refresh() {
    error_->hide();
    error_->clear();
    const std::string selected = selectedSerial();
    shownSerial_.clear();  // the store may hold new events of the same instrument
    std::vector<InstrumentSummary> fleet;
    std::string why;
    RecordsStore* const records = store(&why);
    if (records == nullptr) {
        showError(why.empty() ? ResMessage(msg::RecordsNoStore) : why);
    } else if (const StoreStatus status = records->instruments(fleet); !status.ok) {
        showError(status.error);
        fleet.clear();
    }
    fleet_->setFleet(std::move(fleet), deps_.now ? deps_.now() : 0.0);
    for (int c = 0; c < RecordsFleetModel::kColumns; ++c) fleetView_->resizeColumnToContents(c);
    if (!selected.empty()) selectInstrument(selected);
    showTimeline();
}

bool RecordsWindow::selectInstrument(const std::string& serial) {
    for (int row = 0; row < filter_->rowCount(); ++row) {
        const QModelIndex index = filter_->index(row, RecordsFleetModel::Serial);
        if (fleet_->instrument(filter_->mapToSource(index).row()).serial != serial) continue;
        fleetView_->selectionModel()->select(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        fleetView_->scrollTo(index);
        return true;
    }
    return false;
}

std::string RecordsWindow::selectedSerial() const {
    const QModelIndexList rows = fleetView_->selectionModel()->selectedRows();
    if (rows.isEmpty()) return {};
    return fleet_->instrument(filter_->mapToSource(rows.first()).row()).serial;
}

void RecordsWindow::showTimeline() {
    const std::string serial = selectedSerial();
    const bool hasSelection = !fleetView_->selectionModel()->selectedRows().isEmpty();
    if (hasSelection && serial == shownSerial_ && (!entries_.empty() || readingNow_)) {
        updateButtons();
        return;
    }
    ++timelineSerial_;    // a slice still pending belongs to the timeline shown before
    readingNow_ = false;  // and so does a read still running
    shownSerial_ = serial;
    entries_.clear();
    filled_ = 0;
    timeline_->removeRows(0, timeline_->rowCount());
    RecordsStore* const records = hasSelection ? store() : nullptr;
    if (records != nullptr) {
        // A long history is read on another thread where the store allows it: reading 10,000
        // events takes tens of milliseconds the window would otherwise stand still for.
        const QModelIndexList rows = fleetView_->selectionModel()->selectedRows();
        const long long events =
            fleet_->instrument(filter_->mapToSource(rows.first()).row()).events;
        auto reader =
            events > static_cast<long long>(kFirstRows) ? records->timelineReader(serial) : nullptr;
        if (reader) {
            readInBackground(std::move(reader));
            updateButtons();
            return;
        }
        if (const StoreStatus status = records->timeline(serial, entries_); !status.ok) {
            showError(status.error);
            entries_.clear();
        }
    }
    timelineArrived(true);
}

void RecordsWindow::timelineArrived(bool sameTurn) {
    // A long history read in this turn is drawn on the next: reading it and drawing it in one
    // turn would hold the window twice as long.
    if (!sameTurn || entries_.size() <= kFirstRows) {
        showFirstRows();
        return;
    }
    updateButtons();
    QTimer::singleShot(0, this, [this, serial = timelineSerial_] {
        if (serial == timelineSerial_) showFirstRows();
    });
}

void RecordsWindow::readInBackground(
    std::function<StoreStatus(std::vector<TimelineEntry>&)> reader) {
    auto promise = std::make_shared<QPromise<TimelineRead>>();
    promise->start();
    reading_->setFuture(promise->future());
    readingSerial_ = timelineSerial_;
    readingNow_ = true;
    // The promise and the reader belong to the work: a window closed meanwhile drops the result.
    QThreadPool::globalInstance()->start([promise, reader = std::move(reader)] {
        TimelineRead read;
        read.status = reader(read.entries);
        promise->addResult(std::move(read));
        promise->finish();
    });
}

void RecordsWindow::takeRead() {
    QFuture<TimelineRead> future = reading_->future();
    // A read of a timeline no longer shown (another was chosen, or a shorter one read at once).
    if (!readingNow_ || readingSerial_ != timelineSerial_ || !future.isFinished() ||
        future.resultCount() == 0)
        return;
    readingNow_ = false;
    TimelineRead read = future.takeResult();
    entries_ = std::move(read.entries);
    if (!read.status.ok) {
        showError(read.status.error);
        entries_.clear();
    }
    timelineArrived(false);
}

void RecordsWindow::finishRead() {
    if (!readingNow_) return;
    reading_->waitForFinished();
    takeRead();
}

void RecordsWindow::showFirstRows() {
    chart_->setTimeline(entries_);  // thinned to what its width can show
    fillTimeline(kFirstRows);
    for (int c = 0; c < 3; ++c) timelineView_->resizeColumnToContents(c);
    timelineView_->resizeRowsToContents();  // the first rows, to the columns' widths now
    updateButtons();
    emit timelineShown();
    if (timelineFilling())
        fillLater();
    else
        emit timelineFilled();
}

void RecordsWindow::fillLater() {
    QTimer::singleShot(0, this, [this, serial = timelineSerial_] {
        if (serial != timelineSerial_ || !timelineFilling()) return;
        fillTimeline(filled_ + kSliceRows);
        if (timelineFilling())
            fillLater();
        else
            emit timelineFilled();
    });
}

void RecordsWindow::fillTimeline(std::size_t end) {
    end = std::min(end, entries_.size());
    if (end <= filled_) return;  // already there (an export added every row)
    for (std::size_t i = filled_; i < end; ++i) {
        const RecordEvent& e = entries_[i].event;
        QList<QStandardItem*> row{
            new QStandardItem(q(GeneralDate(e.pcTime))), new QStandardItem(q(kindText(e.kind))),
            new QStandardItem(q(ResMessage(e.success ? msg::RecordsYes : msg::RecordsNo))),
            new QStandardItem(
                q(whatText(e) +
                  (originText(e).empty() ? std::string() : " (" + originText(e) + ")")))};
        row.back()->setToolTip(row.back()->text());
        row.front()->setData(static_cast<int>(i), kEntryRole);
        if (!e.success)
            for (QStandardItem* item : row) item->setForeground(QColor(192, 0, 0));
        timeline_->appendRow(row);
    }
    for (std::size_t i = filled_; i < end; ++i)
        timelineView_->resizeRowToContents(static_cast<int>(i));
    filled_ = end;
}

void RecordsWindow::updateButtons() {
    int withSnapshot = 0;
    const QModelIndexList rows = timelineView_->selectionModel()->selectedRows();
    for (const QModelIndex& index : rows)
        if (entries_[static_cast<std::size_t>(index.row())].hasSnapshot) ++withSnapshot;
    compareButton_->setEnabled(rows.size() == 2 && withSnapshot == 2);
    exportListButton_->setEnabled(store() != nullptr);
    exportHistoryButton_->setEnabled(!entries_.empty() || readingNow_);
}

void RecordsWindow::compareSelected() {
    const QModelIndexList rows = timelineView_->selectionModel()->selectedRows();
    if (rows.size() == 2) compareRows(rows[0].row(), rows[1].row());
}

void RecordsWindow::compareRows(int a, int b) {
    const int count = static_cast<int>(entries_.size());
    if (a < 0 || b < 0 || a >= count || b >= count) return;
    RecordsStore* const records = store();
    if (records == nullptr) return;
    const TimelineEntry* older = &entries_[static_cast<std::size_t>(a)];
    const TimelineEntry* newer = &entries_[static_cast<std::size_t>(b)];
    if (newer->event.pcTime < older->event.pcTime) std::swap(older, newer);
    std::string olderText;
    std::string newerText;
    StoreStatus status = records->snapshot(older->id, olderText);
    if (status.ok) status = records->snapshot(newer->id, newerText);
    if (!status.ok) {
        deps_.asker.error(this, ResMessage(msg::RecordsUnavailable, {status.error}),
                          ResMessage(msg::RecordsCompareTitle));
        return;
    }
    const auto rows = CompareSnapshots(olderText, newerText);
    if (!rows) {
        deps_.asker.error(this, ResMessage(msg::RecordsCompareFailed),
                          ResMessage(msg::RecordsCompareTitle));
        return;
    }
    if (compare_) compare_->close();
    const std::string heading =
        ResMessage(msg::RecordsCompareHeading,
                   {GeneralDate(newer->event.pcTime), GeneralDate(older->event.pcTime)});
    compare_ = new RecordsCompareDialog(this, heading, SummariseReview(*rows));
    compare_->setAttribute(Qt::WA_DeleteOnClose);
    compare_->show();
}

void RecordsWindow::exportList() {
    exportTo("VQ5100Records.csv", ResMessage(msg::RecordsTitle), nullptr, true);
}

void RecordsWindow::exportHistory() {
    finishRead();
    if (entries_.empty()) return;
    fillTimeline(entries_.size());  // the whole history, also while it is still being shown
    exportTo("VQ5100History_" + fileSafe(shownSerial_) + ".csv",
             ResMessage(msg::RecordsHistoryTitle, {shownSerial_}), timeline_, false);
}

void RecordsWindow::exportTo(const std::string& suggested, const std::string& title,
                             const QStandardItemModel* model, bool fleet) {
    const std::string start = deps_.folder.empty() ? suggested : deps_.folder + "/" + suggested;
    const std::string path = deps_.asker.saveFile(this, ResMessage(msg::RecordsTitle), start,
                                                  ResMessage(msg::RecordsExportFilter));
    if (path.empty()) return;
    const ExportTable table =
        fleet ? TableFromModel(*filter_, title) : TableFromModel(*model, title);
    const FileResult result = WriteExport(path, table);
    if (result.ok)
        deps_.asker.information(this, ResMessage(msg::RecordsExported, {path}),
                                ResMessage(msg::RecordsTitle));
    else
        deps_.asker.error(this, ResMessage(msg::RecordsExportFailed, {result.error}),
                          ResMessage(msg::RecordsTitle));
}

}  // namespace vq

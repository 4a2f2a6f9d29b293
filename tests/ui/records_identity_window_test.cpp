// The Records window over a real SQLite store: instruments only the built-in virtual instrument
// recorded stay out of the fleet list until "Show simulated instruments" is ticked, and are then
// marked; a renamed instrument is one row under its new serial whose timeline shows the change.

#include <QCheckBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/records.h"
#include "messages/messages.h"
#include "model/ole_date.h"
#include "platform/records_sql_store.h"
#include "tests/ui/support/recording_asker.h"
#include "ui/dialogs/records_fleet_model.h"
#include "ui/dialogs/records_window.h"

namespace vq {
namespace {

using ui_test::RecordingAsker;

const double kNow = *MakeOleDate(2026, 12, 7, 12, 0, 0);

RecordEvent read(const std::string& serial, double when, RecordOrigin origin) {
    RecordEvent e;
    e.kind = RecordKind::Read;
    e.serial = serial;
    e.pcTime = when;
    e.calLimit = 90;
    e.origin = origin;
    e.manufactureNo = "MFG-1";
    ChannelRecord c;
    c.gas = "CO";
    c.history = {kNow - 20, 48.0f, 50.0f};
    e.channels = {c};
    return e;
}

QStringList column(const QAbstractItemModel* model, int col) {
    QStringList out;
    for (int row = 0; row < model->rowCount(); ++row)
        out << model->index(row, col).data().toString();
    return out;
}

class RecordsIdentityWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void simulatedInstrumentsAreShownOnlyWhenAskedAndRenamedOnesOnce() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        StoreStatus status;
        auto store = RecordsSqlStore::open(
            *ParseRecordsLocation(dir.filePath("r.sqlite").toStdString(), ""), status);
        QVERIFY2(store, status.error.c_str());
        QVERIFY(store->record(read("REAL-1", kNow - 0.4, RecordOrigin::Reported)).ok);
        QVERIFY(store->record(read("VQ51-SIM", kNow - 0.3, RecordOrigin::Simulated)).ok);
        QVERIFY(store->record(read("OLD", kNow - 0.2, RecordOrigin::Reported)).ok);
        RecordEvent change = read("NEW", kNow - 0.1, RecordOrigin::Reported);
        change.kind = RecordKind::SerialChange;
        change.previousSerial = "OLD";
        change.channels.clear();
        bool joined = false;
        QVERIFY(store->recordSerialChange(change, joined).ok);
        QVERIFY(joined);

        RecordingAsker asker;
        RecordsStore* records = store.get();
        RecordsWindow window(RecordsWindowDeps{[records](std::string&) { return records; },
                                               [] { return kNow; }, asker,
                                               dir.path().toStdString()});
        window.show();
        window.refresh();
        const QAbstractItemModel* fleet = window.fleetView()->model();
        QCOMPARE(column(fleet, RecordsFleetModel::Serial), (QStringList{"NEW", "REAL-1"}));
        QVERIFY(!window.selectInstrument("VQ51-SIM"));

        auto* box = window.findChild<QCheckBox*>("chkSimulated");
        QVERIFY(box);
        QCOMPARE(box->text(), QString::fromStdString(ResMessage(msg::RecordsShowSimulated)));
        box->setChecked(true);
        QCOMPARE(column(fleet, RecordsFleetModel::Serial),
                 (QStringList{"NEW", "REAL-1", "VQ51-SIM (simulated)"}));
        QVERIFY(window.selectInstrument("VQ51-SIM"));
        box->setChecked(false);
        QCOMPARE(fleet->rowCount(), 2);

        QVERIFY(window.selectInstrument("NEW"));
        const QAbstractItemModel* timeline = window.timelineView()->model();
        QCOMPARE(timeline->rowCount(), 2);
        const QString kind = QString::fromStdString(ResMessage(msg::RecordsKindSerialChange));
        QCOMPARE(column(timeline, 1).count(kind), 1);
        const int row = static_cast<int>(column(timeline, 1).indexOf(kind));
        QStringList cells;
        for (int col = 0; col < timeline->columnCount(); ++col)
            cells << timeline->index(row, col).data().toString();
        QVERIFY2(cells.contains("Serial number changed from OLD to NEW"),
                 qPrintable(cells.join(" | ")));
    }
};

}  // namespace
}  // namespace vq

QTEST_MAIN(vq::RecordsIdentityWindowTest)
#include "records_identity_window_test.moc"

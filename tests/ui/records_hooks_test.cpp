// The main window records what it does with the instrument: a read and a FRAM dump go into the
// records in its working folder (or where the configuration's Records key says); a damaged store
// leaves the read complete and puts one red line in the information log.
#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

#include "messages/messages.h"
#include "platform/records_sql_store.h"
#include "tests/ui/support/main_window_controls.h"
#include "tests/ui/support/main_window_fixture.h"
#include "ui/dialogs/records_fleet_model.h"
#include "ui/dialogs/records_window.h"
#include "ui/main/settings_grid.h"
#include "ui/main/write_commands_wiring.h"

namespace vq::ui_test {
namespace {

const QColor kRed(255, 0, 0);

std::vector<TimelineEntry> timelineIn(const std::string& file, const std::string& serial) {
    StoreStatus status;
    auto store = RecordsSqlStore::open(*ParseRecordsLocation(file, ""), status);
    std::vector<TimelineEntry> timeline;
    if (store) store->timeline(serial, timeline);
    return timeline;
}

}  // namespace

class RecordsHooksTest : public QObject {
    Q_OBJECT
  private slots:
    void aReadAndADumpAreRecorded();
    void anUpdateIsRecordedWithWhatItChanged();
    void anUpdateIdOfTheSerialJoinsTheHistories();
    void theConfigurationNamesTheStore();
    void aDamagedStoreLeavesTheReadAndSaysSoOnce();
};

void RecordsHooksTest::aReadAndADumpAreRecorded() {
    MainFixture f;
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(f.connect());
    readSettingsButton(w)->click();
    memoryDumpButton(w)->click();
    const auto timeline = timelineIn(f.path("VQ5100Records.sqlite"), "VQ51-000123");
    QCOMPARE(timeline.size(), std::size_t(2));
    QCOMPARE(timeline[0].event.kind, RecordKind::Read);
    // The fixture's instrument is the built-in one: its runs are recorded as simulated.
    QCOMPARE(timeline[0].event.origin, RecordOrigin::Simulated);
    QCOMPARE(timeline[1].event.origin, RecordOrigin::Simulated);
    QVERIFY(timeline[0].hasSnapshot);
    QCOMPARE(timeline[0].event.channels.size(), std::size_t(5));
    QCOMPARE(timeline[1].event.kind, RecordKind::Dump);
    QVERIFY(timeline[1].event.size > 0);
    QVERIFY(linesStarting(*logBox(w), "Not recorded").empty());

    // The Records window shows the same, read from the session's own database file.
    w.recordsClicked();
    auto* records = qobject_cast<RecordsWindow*>(w.recordsWindow());
    QVERIFY(records);
    QVERIFY(records->errorText().isEmpty());
    const QAbstractItemModel& fleet = *records->fleetView()->model();
    QCOMPARE(fleet.rowCount(), 0);  // simulated instruments only when asked
    auto* simulated = records->findChild<QCheckBox*>("chkSimulated");
    QVERIFY(simulated);
    simulated->setChecked(true);
    QCOMPARE(fleet.rowCount(), 1);
    QCOMPARE(fleet.index(0, RecordsFleetModel::Serial).data().toString(),
             QString("VQ51-000123 (simulated)"));
    QVERIFY(records->selectInstrument("VQ51-000123"));
    const QAbstractItemModel& shown = *records->timelineView()->model();
    QCOMPARE(shown.rowCount(), 2);
    QCOMPARE(shown.index(0, 1).data().toString(), QString("Read"));
    QCOMPARE(shown.index(1, 1).data().toString(), QString("Dump"));
}

void RecordsHooksTest::anUpdateIsRecordedWithWhatItChanged() {
    MainFixture f;
    auto* settings = new MainWindowSettings(*f.window);
    f.window->show();
    QVERIFY(f.connect());
    readSettingsButton(*f.window)->click();
    QVERIFY(settings->grid()->finishEdit(SettingsGrid::rowOf(3), SettingsGrid::colAlarm, "75"));
    writeButton(*f.window, 0)->click();  // "Update"
    QCOMPARE(f.instrument->state().gases[3].alarm, 75.0f);
    const auto timeline = timelineIn(f.path("VQ5100Records.sqlite"), "VQ51-000123");
    QCOMPARE(timeline.size(), std::size_t(2));
    const RecordEvent& write = timeline[1].event;
    QCOMPARE(write.kind, RecordKind::Write);
    QVERIFY(write.success);
    QCOMPARE(write.changes.size(), std::size_t(1));
    QCOMPARE(write.changes[0].number, 4);
    QCOMPARE(write.changes[0].to, std::string("75"));
}

// "Update ID" with a new serial: the write passes the recorder like vq5100ctl set-id's, so the
// old serial's history becomes the new one's.
void RecordsHooksTest::anUpdateIdOfTheSerialJoinsTheHistories() {
    MainFixture f;
    new MainWindowSettings(*f.window);
    f.window->show();
    QVERIFY(f.connect());
    readSettingsButton(*f.window)->click();
    f.window->model().setSerialNo("WIN-NEW-1");
    writeButton(*f.window, 7)->click();  // "Update ID"
    QCOMPARE(QString::fromStdString(f.instrument->state().serialNo).trimmed(),
             QString("WIN-NEW-1"));
    for (const char* serial : {"VQ51-000123", "WIN-NEW-1"}) {
        const auto timeline = timelineIn(f.path("VQ5100Records.sqlite"), serial);
        QCOMPARE(timeline.size(), std::size_t(3));
        QCOMPARE(timeline[1].event.kind, RecordKind::SerialChange);
        QCOMPARE(timeline[1].event.previousSerial, std::string("VQ51-000123"));
        QCOMPARE(timeline[1].event.serial, std::string("WIN-NEW-1"));
        QCOMPARE(timeline[2].event.kind, RecordKind::Write);
    }
}

void RecordsHooksTest::theConfigurationNamesTheStore() {
    MainFixtureOptions options;
    options.configText = "Records\tbench.sqlite\r\n";
    MainFixture f(options);
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(f.connect());
    readSettingsButton(w)->click();
    QCOMPARE(timelineIn(f.path("bench.sqlite"), "VQ51-000123").size(), std::size_t(1));
    QVERIFY(!QFile::exists(QString::fromStdString(f.path("VQ5100Records.sqlite"))));
}

void RecordsHooksTest::aDamagedStoreLeavesTheReadAndSaysSoOnce() {
    MainFixture f;
    QFile damaged(QString::fromStdString(f.path("VQ5100Records.sqlite")));
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(8192, 'x'));
    damaged.close();
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(f.connect());
    readSettingsButton(w)->click();
    const QString complete = QString::fromStdString(ResMessage(msg::ReadCompleteInfo)).trimmed();
    QVERIFY(logBox(w)->toPlainText().contains(complete));
    const auto lines = linesStarting(*logBox(w), "Not recorded in the instrument records");
    QCOMPARE(lines.size(), std::size_t(1));
    QCOMPARE(lines[0].colour, kRed);
    QVERIFY(lines[0].text.contains("not a database"));
}

}  // namespace vq::ui_test

QTEST_MAIN(vq::ui_test::RecordsHooksTest)
#include "records_hooks_test.moc"

// Who an instrument is in the records, end to end with the built vq5100ctl: a serial changed by
// set-id over a real pseudo-terminal against vq5100-sim leaves one history both serials find,
// listed once under the new serial with the manufacture number the instrument reports; a run
// against the built-in virtual instrument is recorded as simulated and kept out of list, due and
// export unless --simulated asks for it, while vq5100-sim on a serial line counts as real.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "e2e/ctl_runner.h"
#include "e2e/sim_process.h"

namespace vq::test {
namespace {

QJsonObject jsonOf(const CtlResult& r) {
    return QJsonDocument::fromJson(r.out.toUtf8()).object();
}

class RecordsIdentityE2E : public ::testing::Test {
  public:
    CtlResult run(QStringList args) { return runCtl(args, workDir.path(), 120000, 0); }
    QJsonArray fleet(const QStringList& extra = {}) {
        const CtlResult list = run(QStringList{"records", "list", "--json"} + extra);
        EXPECT_TRUE(list.finished && list.exitCode == 0)
            << list.out.toStdString() << list.err.toStdString();
        return jsonOf(list).value("instruments").toArray();
    }
    QTemporaryDir workDir;
};

QStringList kindsOf(const QJsonArray& events) {
    QStringList kinds;
    for (const auto& e : events) kinds << e.toObject().value("kind").toString();
    return kinds;
}

TEST_F(RecordsIdentityE2E, ASerialChangedBySetIdLeavesOneHistoryBothSerialsFind) {
    SimProcess sim({"--pty"});
    ASSERT_TRUE(sim.served().startsWith("/dev/")) << sim.served().toStdString();
    const QStringList port{"--port", sim.served()};
    const CtlResult read = run(port + QStringList{"--json", "read"});
    EXPECT_EXIT_CODE(read, 0);
    const QString old = jsonOf(read).value("serialNumber").toString().trimmed();
    ASSERT_FALSE(old.isEmpty()) << read.out.toStdString();

    const CtlResult set = run(port + QStringList{"set-id", "--serial", "RENAMED-7"});
    EXPECT_EXIT_CODE(set, 0);
    EXPECT_TRUE(set.err.isEmpty()) << set.err.toStdString();  // nothing to warn about
    EXPECT_EXIT_CODE(run(port + QStringList{"read"}), 0);

    const QJsonArray instruments = fleet();
    ASSERT_EQ(instruments.size(), 1) << QJsonDocument(instruments).toJson().toStdString();
    const QJsonObject instrument = instruments[0].toObject();
    EXPECT_EQ(instrument.value("serial").toString(), "RENAMED-7");
    EXPECT_FALSE(instrument.value("simulated").toBool());
    // vq5100-sim reports the same manufacture number as the serial it starts with.
    EXPECT_EQ(instrument.value("manufactureNumber").toString(), old);

    QJsonArray histories[2];
    const QString serials[2] = {old, "RENAMED-7"};
    for (int i = 0; i < 2; ++i) {
        const CtlResult show = run({"records", "show", serials[i], "--json"});
        EXPECT_EXIT_CODE(show, 0);
        const QJsonObject shown = jsonOf(show);
        EXPECT_EQ(shown.value("serial").toString(), "RENAMED-7");
        EXPECT_EQ(shown.value("formerSerials").toArray(), QJsonArray{old});
        histories[i] = shown.value("events").toArray();
        const CtlResult text = run({"records", "show", serials[i]});
        EXPECT_TRUE(text.out.contains("serial changed from " + old + " to RENAMED-7"))
            << text.out.toStdString();
        EXPECT_TRUE(text.out.contains("manufacture number " + old)) << text.out.toStdString();
    }
    EXPECT_EQ(histories[0], histories[1]);
    // The first read, set-id's own read, the change, the write, then the reads after.
    const QStringList kinds = kindsOf(histories[0]);
    EXPECT_EQ(kinds.mid(0, 4), (QStringList{"read", "read", "serial", "write"}));
    EXPECT_EQ(kinds.count("serial"), 1);
    const QJsonObject change = histories[0][2].toObject();
    EXPECT_EQ(change.value("previousSerial").toString(), old);
    EXPECT_EQ(change.value("serial").toString(), "RENAMED-7");
    EXPECT_TRUE(change.value("joined").toBool());

    // The export carries the manufacture number beside the serial.
    EXPECT_EXIT_CODE(run({"records", "export", workDir.filePath("fleet.csv")}), 0);
    const QList<QByteArray> rows = readFile(workDir.filePath("fleet.csv")).split('\n');
    ASSERT_GE(rows.size(), 2);
    EXPECT_TRUE(rows[0].contains("Serial No.,Manufacture number,")) << rows[0].toStdString();
    EXPECT_TRUE(rows[1].startsWith("RENAMED-7," + old.toUtf8() + ",")) << rows[1].toStdString();
}

// A second virtual instrument starts with the serial the first one had: it is another
// instrument, and renaming it onto the first one's new serial joins nothing and says so.
TEST_F(RecordsIdentityE2E, ARenameOntoAnotherInstrumentsSerialIsKeptApartAndSaid) {
    {
        SimProcess first({"--pty"});
        ASSERT_TRUE(first.served().startsWith("/dev/"));
        const CtlResult set = run({"--port", first.served(), "set-id", "--serial", "UNIT-1"});
        EXPECT_EXIT_CODE(set, 0);
    }
    SimProcess second({"--pty"});
    ASSERT_TRUE(second.served().startsWith("/dev/"));
    const CtlResult set = run({"--port", second.served(), "set-id", "--serial", "UNIT-1"});
    EXPECT_EXIT_CODE(set, 0);  // the instrument took it: the records only keep the two apart
    EXPECT_TRUE(set.err.contains("not joined")) << set.err.toStdString();

    QStringList serials;
    for (const auto& i : fleet()) serials << i.toObject().value("serial").toString();
    ASSERT_EQ(serials.size(), 2) << serials.join(' ').toStdString();
    serials.removeAll("UNIT-1");
    ASSERT_EQ(serials.size(), 1);  // the second one's history stays under its old serial
    const CtlResult show = run({"records", "show", serials.front(), "--json"});
    EXPECT_EXIT_CODE(show, 0);
    const QJsonArray events = jsonOf(show).value("events").toArray();
    EXPECT_EQ(kindsOf(events), (QStringList{"read", "serial"})) << show.out.toStdString();
    EXPECT_FALSE(events.last().toObject().value("joined").toBool(true));
}

TEST_F(RecordsIdentityE2E, BuiltInSimulatorRunsAreMarkedAndLeftOutUnlessAsked) {
    EXPECT_EXIT_CODE(run({"--simulator", "read"}), 0);
    EXPECT_EXIT_CODE(run({"--simulator", "zero"}), 0);

    EXPECT_TRUE(fleet().isEmpty());
    const QJsonArray all = fleet({"--simulated"});
    ASSERT_EQ(all.size(), 1);
    const QString serial = all[0].toObject().value("serial").toString();
    EXPECT_TRUE(all[0].toObject().value("simulated").toBool());
    const CtlResult listText = run({"records", "list", "--simulated"});
    EXPECT_TRUE(listText.out.contains(serial + "  ") && listText.out.contains("(simulated)"))
        << listText.out.toStdString();

    for (const QStringList& extra : {QStringList{}, QStringList{"--simulated"}}) {
        const CtlResult due =
            run(QStringList{"records", "due", "--days", "36500", "--json"} + extra);
        EXPECT_EXIT_CODE(due, 0);  // a simulated instrument never needs a calibration
        EXPECT_TRUE(jsonOf(due).value("due").toArray().isEmpty()) << due.out.toStdString();
    }
    const CtlResult show = run({"records", "show", serial, "--json"});
    EXPECT_EXIT_CODE(show, 0);
    for (const auto& e : jsonOf(show).value("events").toArray())
        EXPECT_EQ(e.toObject().value("origin").toString(), "simulated");

    EXPECT_EXIT_CODE(run({"records", "export", workDir.filePath("real.csv")}), 0);
    EXPECT_EQ(readFile(workDir.filePath("real.csv")).count('\n'), 1);  // the header alone
    EXPECT_EXIT_CODE(run({"records", "export", workDir.filePath("all.csv"), "--simulated"}), 0);
    const QList<QByteArray> rows = readFile(workDir.filePath("all.csv")).split('\n');
    ASSERT_GE(rows.size(), 2);
    EXPECT_TRUE(rows[0].trimmed().endsWith(",Simulated")) << rows[0].toStdString();
    EXPECT_TRUE(rows[1].trimmed().endsWith(",yes")) << rows[1].toStdString();
    EXPECT_EXIT_CODE(run({"records", "show", serial, "--simulated"}), 2);  // list, due, export

    // vq5100-sim on a serial line is a real instrument as far as the program can know: the same
    // serial is then listed, unmarked, and its history keeps the simulated events marked.
    SimProcess sim({"--pty"});
    ASSERT_TRUE(sim.served().startsWith("/dev/"));
    EXPECT_EXIT_CODE(run({"--port", sim.served(), "read"}), 0);
    const QJsonArray real = fleet();
    ASSERT_EQ(real.size(), 1);
    EXPECT_EQ(real[0].toObject().value("serial").toString(), serial);
    EXPECT_FALSE(real[0].toObject().value("simulated").toBool());
    QStringList origins;
    const CtlResult after = run({"records", "show", serial, "--json"});
    for (const auto& e : jsonOf(after).value("events").toArray())
        origins << e.toObject().value("origin").toString();
    // The simulated read and zero first, the read over the serial line last.
    const qsizetype simulatedRuns = origins.count("simulated");
    EXPECT_GE(simulatedRuns, 2) << origins.join(' ').toStdString();
    EXPECT_EQ(origins.indexOf("reported"), simulatedRuns) << origins.join(' ').toStdString();
    EXPECT_EQ(origins.count("reported"), origins.size() - simulatedRuns);
}

}  // namespace
}  // namespace vq::test

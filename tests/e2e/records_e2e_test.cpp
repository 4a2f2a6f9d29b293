// The instrument records end to end: vq5100ctl reads, writes, calibrates and dumps vq5100-sim
// over a real pseudo-terminal, then lists, shows, exports and imports its records, on the default
// SQLite file and on a real PostgreSQL server; a damaged store leaves the read's result as it was.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "e2e/ctl_runner.h"
#include "e2e/sim_process.h"
#include "records/postgres_server.h"

namespace vq::test {
namespace {

QJsonObject jsonOf(const CtlResult& r) {
    return QJsonDocument::fromJson(r.out.toUtf8()).object();
}

class RecordsE2E : public ::testing::Test {
  public:
    CtlResult run(QStringList args) { return runCtl(args, workDir.path(), 120000, 0); }
    QString path(const QString& name) const { return workDir.filePath(name); }
    QTemporaryDir workDir;
};

// Reads, writes, zeroes and dumps the instrument with `records` (empty: the default file), then
// checks what `records list`, `show` and `due` say about it.
void exerciseStore(RecordsE2E& t, const QStringList& records) {
    SimProcess sim({"--pty"});
    ASSERT_TRUE(sim.served().startsWith("/dev/")) << sim.served().toStdString();
    const QStringList port = QStringList{"--port", sim.served()} + records;

    const CtlResult read = t.run(port + QStringList{"--json", "read", "--seq", "a.seq"});
    EXPECT_EXIT_CODE(read, 0);
    EXPECT_TRUE(jsonOf(read).value("warnings").toArray().isEmpty()) << read.out.toStdString();
    const QString serial = jsonOf(read).value("serialNumber").toString().trimmed();
    ASSERT_FALSE(serial.isEmpty()) << read.out.toStdString();

    // A write of one changed setting: the review list goes into the records.
    QFile seq(t.path("a.seq"));
    ASSERT_TRUE(seq.open(QIODevice::ReadOnly));
    QByteArray text = seq.readAll();
    seq.close();
    const qsizetype at = text.indexOf("XP,W,");
    ASSERT_GE(at, 0) << text.toStdString();
    text.replace(at, text.indexOf('\r', at) - at, "XP,W,00B4,");  // logging interval 180
    QFile edited(t.path("b.seq"));
    ASSERT_TRUE(edited.open(QIODevice::WriteOnly));
    edited.write(text);
    edited.close();
    for (const QStringList& command : {QStringList{"write", "b.seq"}, QStringList{"zero"},
                                       QStringList{"dump-fram", "fram.txt"}}) {
        const CtlResult done = t.run(port + command);
        EXPECT_EXIT_CODE(done, 0);
    }

    const CtlResult list = t.run(records + QStringList{"records", "list", "--json"});
    EXPECT_EXIT_CODE(list, 0);
    const QJsonArray fleet = jsonOf(list).value("instruments").toArray();
    ASSERT_EQ(fleet.size(), 1) << list.out.toStdString();
    const QJsonObject instrument = fleet[0].toObject();
    EXPECT_EQ(instrument.value("serial").toString(), serial);
    EXPECT_FALSE(instrument.value("lastRead").toString().isEmpty());
    EXPECT_GT(instrument.value("calLimit").toInt(), 0);

    const CtlResult show = t.run(records + QStringList{"records", "show", serial, "--json"});
    EXPECT_EXIT_CODE(show, 0);
    QStringList kinds;
    QJsonObject write, zero, dump;
    for (const auto& value : jsonOf(show).value("events").toArray()) {
        const QJsonObject event = value.toObject();
        kinds << event.value("kind").toString();
        if (kinds.back() == "write") write = event;
        if (kinds.back() == "zero") zero = event;
        if (kinds.back() == "dump") dump = event;
    }
    // The write and the zero read every setting first, as the window does.
    EXPECT_EQ(kinds, (QStringList{"read", "read", "write", "read", "zero", "dump"}))
        << show.out.toStdString();
    EXPECT_TRUE(write.value("success").toBool());
    const QJsonArray changes = write.value("changes").toArray();
    ASSERT_EQ(changes.size(), 1) << show.out.toStdString();
    EXPECT_EQ(changes[0].toObject().value("code").toString(), "XP");
    EXPECT_EQ(changes[0].toObject().value("to").toString(), "180");
    EXPECT_FALSE(zero.value("channels").toArray().isEmpty()) << show.out.toStdString();
    EXPECT_EQ(zero.value("channels").toArray()[0].toObject().value("result").toString(), "OK");
    EXPECT_TRUE(dump.value("file").toString().endsWith("fram.txt"));
    EXPECT_GT(dump.value("size").toDouble(), 0);

    // Every instrument with a history is due within a hundred years; none within no days unless
    // it is overdue already.
    const CtlResult due =
        t.run(records + QStringList{"records", "due", "--days", "36500", "--json"});
    EXPECT_EXIT_CODE(due, 0);
    ASSERT_EQ(jsonOf(due).value("due").toArray().size(), 1) << due.out.toStdString();
    const QString state =
        jsonOf(due).value("due").toArray()[0].toObject().value("dueState").toString();
    const CtlResult dueNow = t.run(records + QStringList{"records", "due", "--days", "0"});
    EXPECT_EXIT_CODE(dueNow, 0);
    EXPECT_EQ(dueNow.out.contains(serial), state == "overdue") << dueNow.out.toStdString();

    const CtlResult exportRun =
        t.run(records + QStringList{"records", "export", t.path("fleet.csv")});
    EXPECT_EXIT_CODE(exportRun, 0);
    QFile exported(t.path("fleet.csv"));
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = exported.readAll().split('\n');
    ASSERT_GE(rows.size(), 2);
    EXPECT_TRUE(rows[1].startsWith(serial.toUtf8() + ",")) << rows[1].toStdString();
}

TEST_F(RecordsE2E, ReadWriteZeroAndDumpAreRecordedInTheDefaultFile) {
    exerciseStore(*this, {});
    EXPECT_TRUE(QFile::exists(path("VQ5100Records.sqlite")));
}

TEST_F(RecordsE2E, TheSameOnAPostgresqlServer) {
    PostgresServer& server = PostgresServer::instance();
    ASSERT_TRUE(server.running()) << "PostgreSQL could not be started: "
                                  << server.error().toStdString();
    exerciseStore(*this, {"--records", server.newDatabaseUrl()});
    // Every event went through the local file first.
    EXPECT_TRUE(QFile::exists(path("VQ5100Records.sqlite")));
}

TEST_F(RecordsE2E, ADamagedStoreLeavesTheReadAsItWasAndSaysTheEventWasNotRecorded) {
    QFile damaged(path("VQ5100Records.sqlite"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(8192, 'x'));
    damaged.close();
    SimProcess sim({"--pty"});
    ASSERT_TRUE(sim.served().startsWith("/dev/"));
    const CtlResult read = run({"--port", sim.served(), "read", "--seq", "a.seq"});
    EXPECT_EXIT_CODE(read, 0);
    EXPECT_TRUE(read.out.contains("Serial number: ")) << read.out.toStdString();
    EXPECT_TRUE(QFile::exists(path("a.seq")));
    EXPECT_EQ(read.err.count("Not recorded in the instrument records"), 1)
        << read.err.toStdString();
    EXPECT_TRUE(read.err.contains("not a database")) << read.err.toStdString();

    const CtlResult list = run({"records", "list"});
    EXPECT_EXIT_CODE(list, 1);
    EXPECT_TRUE(list.err.contains("not a database")) << list.err.toStdString();
}

TEST_F(RecordsE2E, ImportingTheSettingsCsvTwiceAddsEachRowOnceAndOtherFilesAreRefused) {
    SimProcess sim({"--pty"});
    ASSERT_TRUE(sim.served().startsWith("/dev/"));
    // Two rows in the settings CSV; the reads themselves go to a store of their own.
    for (int i = 0; i < 2; ++i) {
        const CtlResult read =
            run({"--port", sim.served(), "--records", "elsewhere.sqlite", "read", "--csv"});
        EXPECT_EXIT_CODE(read, 0);
    }
    const CtlResult first = run({"--json", "records", "import", "VQ5100_Setting.csv"});
    EXPECT_EXIT_CODE(first, 0);
    EXPECT_EQ(jsonOf(first).value("rows").toInt(), 2) << first.out.toStdString();
    EXPECT_EQ(jsonOf(first).value("added").toInt(), 2) << first.out.toStdString();
    const CtlResult again = run({"records", "import", "VQ5100_Setting.csv", "--json"});
    EXPECT_EXIT_CODE(again, 0);
    EXPECT_EQ(jsonOf(again).value("added").toInt(), 0) << again.out.toStdString();

    const CtlResult list = run({"records", "list", "--json"});
    const QJsonArray fleet = jsonOf(list).value("instruments").toArray();
    ASSERT_EQ(fleet.size(), 1) << list.out.toStdString();
    EXPECT_EQ(fleet[0].toObject().value("events").toInt(), 2);

    QFile other(path("phones.csv"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("name,phone\r\nA,1\r\n");
    other.close();
    const CtlResult refused = run({"records", "import", "phones.csv"});
    EXPECT_EXIT_CODE(refused, 2);
    EXPECT_TRUE(refused.err.contains("phones.csv, line 1: not a settings CSV"))
        << refused.err.toStdString();
}

}  // namespace
}  // namespace vq::test

// The records store end to end, as vq5100ctl meets it: an archive on a read-only file in a
// read-only folder is read without writing anything (run as an unprivileged user, since the
// superuser ignores file modes); a folder without records says so and gets none; a damaged file
// is named as damaged, left exactly as it was, and `records check` says what is wrong; events for
// a PostgreSQL server that is away wait in the local file and `records sync` sends them, once.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "e2e/ctl_runner.h"
#include "e2e/sim_process.h"
#include "records/postgres_server.h"

namespace vq::test {
namespace {

QJsonObject jsonOf(const CtlResult& r) {
    return QJsonDocument::fromJson(r.out.toUtf8()).object();
}

QByteArray digestOf(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

// vq5100ctl in `folder`, as the user "nobody" when this test runs as the superuser.
CtlResult runUnprivileged(const QStringList& args, const QString& folder) {
    QProcess process;
    process.setWorkingDirectory(folder);
    if (geteuid() == 0) {
        process.start("runuser", QStringList{"-u", "nobody", "--", VQ5100CTL_PATH} + args);
    } else {
        process.start(VQ5100CTL_PATH, args);
    }
    CtlResult result;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(5000);
        return result;
    }
    result.finished = process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

class RecordsStoreE2E : public ::testing::Test {
  public:
    CtlResult run(QStringList args) { return runCtl(args, workDir.path(), 120000, 0); }
    QString path(const QString& name) const { return workDir.filePath(name); }
    // Reads the virtual instrument `times` times; its serial number.
    QString readInstrument(int times, const QStringList& records = {}) {
        SimProcess sim({"--pty"});
        if (!sim.served().startsWith("/dev/")) return {};
        QString serial;
        for (int i = 0; i < times; ++i) {
            const CtlResult read =
                run(QStringList{"--port", sim.served(), "--json"} + records + QStringList{"read"});
            if (read.exitCode != 0) return {};
            serial = jsonOf(read).value("serialNumber").toString().trimmed();
        }
        return serial;
    }
    QTemporaryDir workDir;
};

TEST_F(RecordsStoreE2E, AReadOnlyArchiveIsReadAndNothingIsWritten) {
    const QString serial = readInstrument(2);
    ASSERT_FALSE(serial.isEmpty());
    const QString store = path("VQ5100Records.sqlite");
    const QStringList files = entries(workDir.path());  // the store and the communication log
    ASSERT_TRUE(files.contains("VQ5100Records.sqlite"));
    const QByteArray before = digestOf(store);
    QTemporaryDir out;  // where the export may go
    ASSERT_TRUE(QFile::setPermissions(out.path(), QFileDevice::Permissions(0x7777)));
    ASSERT_TRUE(QFile::setPermissions(
        store, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    ASSERT_TRUE(
        QFile::setPermissions(workDir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                  QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                                  QFileDevice::ReadOther | QFileDevice::ExeOther));

    const struct {
        QStringList args;
        QString expected;  // on stdout
    } commands[] = {
        {{"records", "list"}, serial},
        {{"records", "show", serial}, "read"},
        {{"records", "due", "--days", "36500"}, "due"},
        {{"records", "export", out.filePath("fleet.csv")}, "Exported"},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command.args.join(' ').toStdString());
        const CtlResult result = runUnprivileged(command.args, workDir.path());
        ASSERT_TRUE(result.finished);
        // "due" may end with its own status when the instrument needs attention.
        EXPECT_TRUE(result.exitCode == 0 || (command.args[1] == "due" && result.exitCode == 4))
            << result.exitCode << " " << result.err.toStdString();
        EXPECT_TRUE(result.out.contains(command.expected)) << result.out.toStdString();
        EXPECT_FALSE(result.err.contains("readonly")) << result.err.toStdString();
    }
    EXPECT_TRUE(QFile::exists(out.filePath("fleet.csv")));
    EXPECT_EQ(entries(workDir.path()), files);
    EXPECT_EQ(digestOf(store), before);
    QFile::setPermissions(workDir.path(), QFileDevice::Permissions(0x7700));
}

TEST_F(RecordsStoreE2E, AReadOnlyCommandWhereThereAreNoRecordsSaysSoAndCreatesNone) {
    for (const QStringList& args :
         {QStringList{"records", "due"}, QStringList{"records", "list"},
          QStringList{"records", "show", "X1"}, QStringList{"records", "export", "fleet.csv"},
          QStringList{"records", "check"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CtlResult result = run(args);
        EXPECT_EXIT_CODE(result, 2);
        EXPECT_TRUE(result.err.contains("there are no instrument records at"))
            << result.err.toStdString();
        EXPECT_FALSE(result.out.contains("No calibration due")) << result.out.toStdString();
        EXPECT_EQ(entries(workDir.path()), QStringList());
    }
}

TEST_F(RecordsStoreE2E, ADamagedStoreIsNamedAndNothingIsWrittenIntoIt) {
    ASSERT_FALSE(readInstrument(3).isEmpty());
    const QString store = path("VQ5100Records.sqlite");
    const CtlResult clean = run({"records", "check"});
    EXPECT_EXIT_CODE(clean, 0);
    EXPECT_TRUE(clean.out.contains("no damage found")) << clean.out.toStdString();

    // A page in the middle of the file overwritten, as a failing disk or a careless tool leaves
    // it: the file is still a database, but one of its trees is not.
    {
        QFile file(store);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        const qint64 pages = file.size() / 4096;
        ASSERT_GE(pages, 4);
        ASSERT_TRUE(file.seek((pages / 2) * 4096));
        file.write(QByteArray(4096, '\xa5'));
    }
    const QByteArray damaged = digestOf(store);

    const CtlResult check = run({"records", "check", "--json"});
    EXPECT_EXIT_CODE(check, 1);
    EXPECT_FALSE(jsonOf(check).value("damage").toArray().isEmpty()) << check.out.toStdString();
    EXPECT_TRUE(jsonOf(check).value("error").toString().contains("damaged"))
        << check.out.toStdString();

    SimProcess sim({"--pty"});
    ASSERT_TRUE(sim.served().startsWith("/dev/"));
    const CtlResult read = run({"--port", sim.served(), "read"});
    EXPECT_EXIT_CODE(read, 0);  // the instrument work goes on
    EXPECT_TRUE(read.out.contains("Serial number: ")) << read.out.toStdString();
    EXPECT_EQ(read.err.count("Not recorded in the instrument records"), 1)
        << read.err.toStdString();
    EXPECT_TRUE(read.err.contains("damaged")) << read.err.toStdString();

    const CtlResult list = run({"records", "list"});
    EXPECT_EXIT_CODE(list, 1);
    EXPECT_TRUE(list.err.contains("damaged")) << list.err.toStdString();
    EXPECT_EQ(digestOf(store), damaged);
    const QFile wal(store + "-wal");
    EXPECT_TRUE(!wal.exists() || wal.size() == 0);
}

TEST_F(RecordsStoreE2E, EventsForAServerThatIsAwayWaitAndRecordsSyncSendsThemOnce) {
    PostgresServer server;
    ASSERT_TRUE(server.running()) << "PostgreSQL could not be started: "
                                  << server.error().toStdString();
    const QStringList records{"--records", server.newDatabaseUrl()};
    const CtlResult notShared = run({"records", "sync"});
    EXPECT_EXIT_CODE(notShared, 2);

    ASSERT_FALSE(readInstrument(1, records).isEmpty());
    ASSERT_EQ(server.stopNow(), QString());
    SimProcess sim({"--pty"});
    ASSERT_TRUE(sim.served().startsWith("/dev/"));
    const CtlResult away = run(QStringList{"--port", sim.served()} + records + QStringList{"read"});
    EXPECT_EXIT_CODE(away, 0);
    EXPECT_TRUE(away.err.contains("1 event(s) wait there")) << away.err.toStdString();
    const CtlResult stillAway = run(records + QStringList{"records", "sync", "--json"});
    EXPECT_EXIT_CODE(stillAway, 1);
    EXPECT_EQ(jsonOf(stillAway).value("waiting").toInt(), 1) << stillAway.out.toStdString();

    ASSERT_EQ(server.restart(), QString());
    const CtlResult back = run(records + QStringList{"records", "sync", "--json"});
    EXPECT_EXIT_CODE(back, 0);
    EXPECT_EQ(jsonOf(back).value("sent").toInt(), 1) << back.out.toStdString();
    EXPECT_EQ(jsonOf(back).value("waiting").toInt(), 0) << back.out.toStdString();
    const CtlResult again = run(records + QStringList{"records", "sync", "--json"});
    EXPECT_EXIT_CODE(again, 0);
    EXPECT_EQ(jsonOf(again).value("sent").toInt(), 0) << again.out.toStdString();

    const CtlResult list = run(records + QStringList{"records", "list", "--json"});
    EXPECT_EXIT_CODE(list, 0);
    const QJsonArray fleet = jsonOf(list).value("instruments").toArray();
    ASSERT_EQ(fleet.size(), 1) << list.out.toStdString();
    EXPECT_EQ(fleet[0].toObject().value("events").toInt(), 2) << list.out.toStdString();
}

}  // namespace
}  // namespace vq::test

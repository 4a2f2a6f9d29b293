// The instrument records end to end: vq5100ctl reads, writes, calibrates and dumps vq5100-sim
// over a real pseudo-terminal, then lists, shows, exports and imports its records, on the default
// SQLite file and on a real PostgreSQL server; a damaged store leaves the read's result as it was.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <map>

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

    // `due` lists the instrument exactly when its state needs attention, with the same word in
    // text and JSON as `list`, and says so in its exit status.
    const QString state = instrument.value("state").toString();
    const bool attention = state == "failed" || state == "overdue" || state == "due";
    const CtlResult due = t.run(records + QStringList{"records", "due", "--days", "0", "--json"});
    EXPECT_EXIT_CODE(due, attention ? 4 : 0);
    EXPECT_EQ(jsonOf(due).value("due").toArray().size(), attention ? 1 : 0)
        << due.out.toStdString();
    const CtlResult dueText = t.run(records + QStringList{"records", "due", "--days", "0"});
    EXPECT_EXIT_CODE(dueText, attention ? 4 : 0);
    EXPECT_EQ(dueText.out.contains(state + "  " + serial), attention) << dueText.out.toStdString();

    const CtlResult exportRun =
        t.run(records + QStringList{"records", "export", t.path("fleet.csv")});
    EXPECT_EXIT_CODE(exportRun, 0);
    QFile exported(t.path("fleet.csv"));
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = exported.readAll().split('\n');
    ASSERT_GE(rows.size(), 2);
    EXPECT_TRUE(rows[1].startsWith(serial.toUtf8() + ",")) << rows[1].toStdString();
}

// An instrument spanned ten days ago whose H2S span then fails: failed everywhere, in the same
// word, whatever --days says; before the failure it was ok and `due` said nothing was needed.
void failedSpanEverywhere(RecordsE2E& t, const QStringList& records) {
    const QString spanned =
        QDateTime::currentDateTime().addDays(-10).toString("yyyy/MM/dd hh:mm:ss");
    QFile state(t.path("sim.state"));
    ASSERT_TRUE(state.open(QIODevice::WriteOnly));
    // A station text holding ESC and BEL, as an instrument may report it.
    QByteArray text = "gas.2.span_fails = 1\ngas.4.enabled = 0\nstation_id = \"\\x1b[2J\\x07ST\"\n";
    for (int g = 0; g < 4; ++g) {
        const QByteArray p = "gas." + QByteArray::number(g) + ".";
        text += p + "calib_time = " + spanned.toUtf8() + "\n" + p + "calib_before = 9.5\n" + p +
                "calib_after = 10\n";
    }
    state.write(text);
    state.close();
    SimProcess sim({"--pty", "--state", t.path("sim.state")});
    ASSERT_TRUE(sim.served().startsWith("/dev/")) << sim.served().toStdString();
    const QStringList port = QStringList{"--port", sim.served()} + records;
    const CtlResult read = t.run(port + QStringList{"--json", "read"});
    EXPECT_EXIT_CODE(read, 0);
    const QString serial = jsonOf(read).value("serialNumber").toString().trimmed();

    const CtlResult fine = t.run(records + QStringList{"records", "due", "--days", "30"});
    EXPECT_EXIT_CODE(fine, 0);
    EXPECT_TRUE(fine.out.contains("No instrument has failed")) << fine.out.toStdString();

    const CtlResult span = t.run(port + QStringList{"span", "3"});
    EXPECT_EXIT_CODE(span, 1);

    for (const QString days : {"0", "365"}) {
        const CtlResult json =
            t.run(records + QStringList{"records", "due", "--days", days, "--json"});
        EXPECT_EXIT_CODE(json, 4);
        const QJsonArray due = jsonOf(json).value("due").toArray();
        ASSERT_EQ(due.size(), 1) << json.out.toStdString();
        EXPECT_EQ(due[0].toObject().value("state").toString(), "failed");
        const CtlResult plain = t.run(records + QStringList{"records", "due", "--days", days});
        EXPECT_EXIT_CODE(plain, 4);
        EXPECT_TRUE(plain.out.startsWith("failed  " + serial)) << plain.out.toStdString();
    }
    const CtlResult list = t.run(records + QStringList{"records", "list"});
    EXPECT_TRUE(list.out.startsWith("failed  " + serial)) << list.out.toStdString();
    const CtlResult listJson = t.run(records + QStringList{"records", "list", "--json"});
    ASSERT_EQ(jsonOf(listJson).value("instruments").toArray().size(), 1)
        << listJson.out.toStdString();
    const QJsonObject instrument = jsonOf(listJson).value("instruments").toArray()[0].toObject();
    EXPECT_EQ(instrument.value("state").toString(), "failed");
    EXPECT_EQ(instrument.value("channels").toArray()[2].toObject().value("result").toString(),
              "NG");

    // No no-value number leaves the program: the channel switched off has no readings.
    const CtlResult show = t.run(records + QStringList{"records", "show", serial, "--json"});
    EXPECT_FALSE(show.out.contains("-101")) << show.out.toStdString();
    ASSERT_FALSE(jsonOf(show).value("events").toArray().isEmpty()) << show.out.toStdString();
    const QJsonObject firstRead = jsonOf(show).value("events").toArray()[0].toObject();
    const QJsonObject off = firstRead.value("channels").toArray()[4].toObject();
    EXPECT_TRUE(off.value("before").isNull() && off.value("after").isNull())
        << show.out.toStdString();
    const CtlResult showText = t.run(records + QStringList{"records", "show", serial});
    EXPECT_FALSE(showText.out.contains("-101")) << showText.out.toStdString();
    EXPECT_TRUE(showText.out.contains("failed  " + serial)) << showText.out.toStdString();
    // Control characters reach no terminal (app/records: shown as "\\xHH" when a store holds
    // them; the instrument's own texts arrive without them).
    for (const CtlResult* shown : {&list, &showText})
        EXPECT_FALSE(shown->out.contains(QChar(0x1b)) || shown->out.contains(QChar(0x07)));

    EXPECT_EXIT_CODE(t.run(records + QStringList{"records", "export", t.path("states.csv")}), 0);
    QFile exported(t.path("states.csv"));
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    EXPECT_TRUE(exported.readAll().contains(",failed,"));
}

TEST_F(RecordsE2E, AFailedSpanIsFailedInEveryOutputAndDueExitsFour) {
    failedSpanEverywhere(*this, {});
}

TEST_F(RecordsE2E, AFailedSpanRecordedOnPostgresqlIsFailedToo) {
    PostgresServer& server = PostgresServer::instance();
    ASSERT_TRUE(server.running()) << "PostgreSQL could not be started: "
                                  << server.error().toStdString();
    failedSpanEverywhere(*this, {"--records", server.newDatabaseUrl()});
}

// What an import must not do: forge a state, or bring control characters to a terminal or
// formulas into a spreadsheet. A row of its own making is refused naming its line; a
// Shift_JIS file (as a Japanese spreadsheet saves it) is read, anything else refused.
TEST_F(RecordsE2E, ImportsCannotForgeAndNothingHostileReachesATerminalOrASpreadsheet) {
    SimProcess sim({"--pty"});
    ASSERT_TRUE(sim.served().startsWith("/dev/"));
    const CtlResult read =
        run({"--port", sim.served(), "--records", "elsewhere.sqlite", "read", "--csv"});
    EXPECT_EXIT_CODE(read, 0);
    QFile csv(path("VQ5100_Setting.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    csv.close();
    ASSERT_GE(lines.size(), 2);
    const QByteArray header = lines[0] + "\n";
    auto withFields = [&](std::map<int, QByteArray> fields) {
        QList<QByteArray> cells = lines[1].trimmed().split(',');
        for (const auto& [at, value] : fields) cells[at] = value;
        return cells.join(',') + "\r\n";
    };
    auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    struct Hostile {
        const char* name;
        QByteArray row;
        const char* reason;
    };
    const Hostile hostile[] = {
        {"esc.csv", withFields({{7, "\x1b[2J"}}), "line 3: the station holds a control character"},
        {"limit.csv", withFields({{10, "99999999999"}}), "line 3: the calibration limit"},
        {"future.csv", withFields({{1, "9999/12/31 00:00:00"}}), "line 3: the PC time"},
        {"latin1.csv", withFields({{8, "caf\xe9"}}), "line 3: the line is not UTF-8 or Shift_JIS"},
    };
    for (const Hostile& h : hostile) {
        write(h.name, header + lines[1] + "\n" + h.row);
        const CtlResult refused = run({"records", "import", h.name});
        EXPECT_EXIT_CODE(refused, 2);
        EXPECT_TRUE(refused.err.contains(QString(h.name) + ", " + h.reason))
            << refused.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(path("VQ5100Records.sqlite")) &&
                 run({"records", "list", "--json"}).out.contains("\"serial\""))
        << "a refused file adds nothing";

    // Shift_JIS: the user "技術" and a formula for a station.
    // Saved by a spreadsheet program: no byte-order mark.
    QStringEncoder toShiftJis("Shift_JIS");
    const QByteArray plainHeader = toShiftJis.encode(
        QString::fromUtf8(header.startsWith("\xEF\xBB\xBF") ? header.mid(3) : header));
    QByteArray sjis =
        plainHeader + withFields({{7, "\"=HYPERLINK(\"\"x\"\")\""}, {8, "\x8b\x5a\x8f\x70"}});
    write("sjis.csv", sjis);
    const CtlResult taken = run({"records", "import", "sjis.csv", "--json"});
    EXPECT_EXIT_CODE(taken, 0);
    EXPECT_EQ(jsonOf(taken).value("added").toInt(), 1) << taken.out.toStdString();
    const CtlResult list = run({"records", "list", "--json"});
    ASSERT_EQ(jsonOf(list).value("instruments").toArray().size(), 1) << list.out.toStdString();
    const QJsonObject instrument = jsonOf(list).value("instruments").toArray()[0].toObject();
    EXPECT_EQ(instrument.value("user").toString(), QString::fromUtf8("技術"));
    EXPECT_TRUE(instrument.value("importedOnly").toBool());
    EXPECT_EXIT_CODE(run({"records", "export", "out.csv"}), 0);
    QFile out(path("out.csv"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_TRUE(out.readAll().contains(",\"'=HYPERLINK(\"\"x\"\")\","));
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

// The progress window (texts by transfer, Cancel once, the bar) and the communication log files
// (rotation under the switch, nine old logs at most), the information log that is never trimmed.

#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

#include "link/instrument_link.h"
#include "messages/messages.h"
#include "tests/support/files.h"
#include "tests/ui/support/main_window_controls.h"
#include "tests/ui/support/main_window_fixture.h"
#include "ui/dialogs/progress_window.h"

using namespace vq;
using namespace vq::ui_test;

namespace {

void writeFile(const std::string& path, const std::string& text) {
    QFile file(QString::fromStdString(path));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.c_str());
}

using vq::test::readFile;

std::string logName(int n) {
    return n == 0 ? "SerialLog.log" : "SerialLog" + std::to_string(n) + ".log";
}

}  // namespace

class ProgressAndLogsTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { setLanguage(Language::English); }
    void progressTextsByTransferMode();
    void cancelStopsTheLinkOnce();
    void progressWindowClosesOnlyWithItsCommand();
    void logsRotateUnderTheSwitch();
    void logsAreDroppedWithoutTheSwitch();
    void informationLogIsNeverTrimmed();
};

void ProgressAndLogsTest::progressTextsByTransferMode() {
    const struct {
        std::int16_t mode;
        int text;
        bool cancel;
    } cases[] = {{0, 6001, false}, {1, 6004, true}, {2, 6004, false}, {3, 6002, false},
                 {4, 6003, false}, {5, 6001, true}, {6, 6005, false}};
    for (const auto& c : cases) {
        ProgressWindow upload(c.mode, TransferWatch(nullptr));
        QCOMPARE(upload.label(), QString::fromStdString(ResMessage(c.text)));
        QCOMPARE(upload.windowTitle(), QString::fromStdString(ResMessage(c.text)));
        QCOMPARE(!upload.progressButton()->isHidden(), c.cancel);
        QCOMPARE(upload.tickTimer()->interval(), 500);
        // The bar keeps a margin to every edge, with or without the button below it.
        upload.show();
        QVERIFY(QTest::qWaitForWindowExposed(&upload));
        const QRect bar = upload.progressBar()->geometry();
        const QRect inside =
            upload.rect().adjusted(ProgressWindow::kMargin, ProgressWindow::kMargin,
                                   -ProgressWindow::kMargin, -ProgressWindow::kMargin);
        QVERIFY2(inside.contains(bar), qPrintable(QString("bar %1,%2 %3x%4 in %5x%6")
                                                      .arg(bar.x())
                                                      .arg(bar.y())
                                                      .arg(bar.width())
                                                      .arg(bar.height())
                                                      .arg(upload.width())
                                                      .arg(upload.height())));
        QVERIFY(bar.top() > upload.progressLabel()->geometry().bottom());
    }
    ProgressWindow upload(0, TransferWatch(nullptr));
    upload.setProgress(30, 307);
    QCOMPARE(upload.progressBar()->maximum(), 307);
    QCOMPARE(upload.progressBar()->value(), 30);
    upload.setBusy();
    QCOMPARE(upload.progressBar()->maximum(), 0);
}

void ProgressAndLogsTest::cancelStopsTheLinkOnce() {
    MainFixture f;
    MainWindow& w = *f.window;
    ProgressWindow* upload = w.showProgress(1, 6008);
    QVERIFY(upload->isVisible());
    QCOMPARE(upload->windowTitle(), QString("Download"));  // the command's caption after the mode's
    QVERIFY(!linkOf(w).Cancel());
    upload->progressButton()->click();
    QVERIFY(linkOf(w).Cancel());
    QVERIFY(upload->Canceled());
    QVERIFY(!upload->progressButton()->isEnabled());  // a second press is impossible
    QCOMPARE(upload->label(), QString::fromStdString(ResMessage(msg::NowCancelling)));
    const std::string log = readFile(f.path("SerialLog.log"));
    QCOMPARE(QString::fromStdString(log).count("= User Cancel ="), 1);
    w.closeProgress();
}

void ProgressAndLogsTest::progressWindowClosesOnlyWithItsCommand() {
    MainFixture f;
    MainWindow& w = *f.window;
    QPointer<ProgressWindow> upload = w.showProgress(0, 6008);
    QVERIFY(!upload->close());  // the close box does nothing while the command runs
    QVERIFY(upload->isVisible());
    emit w.session().dumpMessage("Get Dump 000000-0000FF");
    QCOMPARE(upload->label(), QString("Get Dump 000000-0000FF"));
    w.closeProgress();
    QVERIFY(!w.progress());
    QTRY_VERIFY(upload.isNull());               // deleted once closed
    emit w.session().dumpMessage("late text");  // no window: nothing to show it in, nothing breaks
}

void ProgressAndLogsTest::logsRotateUnderTheSwitch() {
    // Old logs 0..9 exist before the start, each holding its own number.
    QTemporaryDir work;
    for (int n = 0; n <= 9; ++n)
        writeFile(work.filePath(QString::fromStdString(logName(n))).toStdString(),
                  "generation " + std::to_string(n));
    MainFixtureOptions options;
    options.configText = "SERIAL LOG FILE\tON\r\n";
    options.workDir = work.path().toStdString();
    MainFixture f(options);
    QCOMPARE(readFile(f.path("SerialLog1.log")), std::string("generation 0"));
    for (int n = 2; n <= 9; ++n)
        QCOMPARE(readFile(f.path(logName(n))), "generation " + std::to_string(n - 1));
    QVERIFY(!QFile::exists(QString::fromStdString(f.path("SerialLog10.log"))));
    // The new run writes its own log.
    f.window->show();
    QVERIFY(readFile(f.path("SerialLog.log")).find("Serial Port Standby") != std::string::npos);
}

void ProgressAndLogsTest::logsAreDroppedWithoutTheSwitch() {
    // "SERIAL LOG FILE OFF": the previous run's log goes and no communication log is written.
    QTemporaryDir work;
    writeFile(work.filePath("SerialLog.log").toStdString(), "old run");
    writeFile(work.filePath("SerialLog1.log").toStdString(), "older run");
    MainFixtureOptions options;
    options.configText = "Serial Log File\tOFF\r\n";
    options.workDir = work.path().toStdString();
    MainFixture f(options);
    f.window->show();
    QVERIFY(!f.session->link().SerialLogOn());
    QVERIFY(!QFile::exists(QString::fromStdString(f.path("SerialLog.log"))));
    QCOMPARE(readFile(f.path("SerialLog1.log")), std::string("older run"));
    QVERIFY(!QFile::exists(QString::fromStdString(f.path("SerialLog2.log"))));
}

void ProgressAndLogsTest::informationLogIsNeverTrimmed() {
    MainFixture f;
    MainWindow& w = *f.window;
    for (int i = 0; i < 3000; ++i) w.AddInfo("line " + std::to_string(i), {0, 192, 0});
    w.AddInfo(ResMessage(msg::NoResponse), {255, 0, 0});  // a text that ends in CR LF
    w.AddInfo("after", {0, 0, 192});
    const auto lines = logLines(*logBox(w));
    QVERIFY(lines.size() >= 3003);
    QCOMPARE(linesStarting(*logBox(w), "line 0").front().colour, QColor(0, 192, 0));
    QCOMPARE(linesStarting(*logBox(w), "line 2999").size(), std::size_t(1));
    QCOMPARE(linesStarting(*logBox(w), ResMessage(msg::NoResponse)).front().colour,
             QColor(255, 0, 0));
    QCOMPARE(lines.back().text, QString("after"));
    QCOMPARE(lines.back().colour, QColor(0, 0, 192));
    QVERIFY(lines[lines.size() - 2].text.isEmpty());  // the CR LF of the red line
}

QTEST_MAIN(ProgressAndLogsTest)
#include "progress_and_logs_test.moc"

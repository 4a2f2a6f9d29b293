// Commands under their progress window, on the virtual clock: a read on a bad line shows its
// resends and stops at once on Cancel or Escape, leaving the window and the files as they were; a
// logger dump counts "block N of M" and logs its cancel; DEFAULT and the clears show their
// confirmation polls, and DEFAULT's question names the edits it loses.

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

#include "app/pending_edits_text.h"
#include "link/instrument_link.h"
#include "link/link_status.h"
#include "messages/messages.h"
#include "model/settings_review.h"
#include "tests/support/files.h"
#include "tests/ui/support/main_window_controls.h"
#include "tests/ui/support/main_window_fixture.h"
#include "ui/dialogs/progress_window.h"
#include "ui/main/write_commands_wiring.h"

using namespace vq;
using namespace vq::ui_test;

namespace {

std::string message(int id, const std::vector<std::string>& arguments = {}) {
    return ResMessage(id, arguments);
}

int differingRows(const InstrumentModel& a, const InstrumentModel& b) {
    int count = 0;
    for (const ReviewRow& row : ReviewRows(a, b)) count += row.differs() ? 1 : 0;
    return count;
}

}  // namespace

class ProgressCommandsTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { setLanguage(Language::English); }
    void readOnABadLineShowsResendsAndStopsAtOnce();
    void dumpCountsBlocksInDecimalAndLogsItsCancel();
    void clearsShowTheirPollsAndDefaultNamesTheEditsItLoses();
};

void ProgressCommandsTest::readOnABadLineShowsResendsAndStopsAtOnce() {
    // Cancel by the button and by Escape: both end the read the same way.
    for (const bool escape : {false, true}) {
        MainFixtureOptions options;
        options.faults = *sim::ParseFaultList("drop=0.3,corrupt=0.1");
        MainFixture f(options);
        MainWindow& w = *f.window;
        w.show();
        QVERIFY(f.connect());
        const InstrumentModel shown = w.model();
        const std::int16_t commFlags = w.model().CommFlags();

        // At the third resend the user has seen enough; the key goes in on the next turn of the
        // loop, after the frame being sent now.
        const std::int32_t resendsBefore = linkOf(w).ResendCount();
        QString resendsShown;
        bool scheduled = false;
        std::chrono::milliseconds cancelledAt{-1};
        std::string lastFrameAtCancel;
        std::int32_t resendsAtCancel = -1;
        const auto watch = QObject::connect(f.session.get(), &InstrumentSession::transmitted, [&] {
            if (scheduled || w.progress() == nullptr) return;
            if (linkOf(w).ResendCount() - resendsBefore < 3) return;
            scheduled = true;
            f.host.callLater(std::chrono::milliseconds(0), [&] {
                ProgressWindow* upload = w.progress();
                if (upload == nullptr) return;
                upload->refreshResends();
                resendsShown =
                    upload->resendsLabel()->isHidden() ? QString() : upload->resendsLabel()->text();
                cancelledAt = f.host.now();
                lastFrameAtCancel = linkOf(w).LastFrame();
                resendsAtCancel = linkOf(w).ResendCount();
                if (escape)
                    QTest::keyClick(upload, Qt::Key_Escape);
                else
                    upload->progressButton()->click();
            });
        });
        f.asker.answers = {};
        getAndSaveButton(w)->click();  // the read that also writes the settings CSV
        QObject::disconnect(watch);

        QVERIFY2(cancelledAt.count() >= 0, "no resends before the read ended");
        QVERIFY(
            resendsShown.startsWith(QString::fromStdString(message(msg::ReadResendsSoFar, {""}))));
        QVERIFY(resendsShown.mid(static_cast<int>(message(msg::ReadResendsSoFar, {""}).size()))
                    .toInt() >= 3);
        // At once: no frame goes out after the cancel, not even a resend, and the command ends
        // within a tick.
        QCOMPARE(linkOf(w).LastFrame(), lastFrameAtCancel);
        QCOMPARE(linkOf(w).ResendCount(), resendsAtCancel);
        QVERIFY(f.host.now() - cancelledAt <= std::chrono::milliseconds(200));
        QVERIFY(!w.progress());
        QVERIFY(!linesStarting(*logBox(w), message(msg::ReadCancelledInfo)).empty());
        QVERIFY(!linesStarting(*logBox(w), message(msg::CancelledInfo)).empty());
        QVERIFY(linesStarting(*logBox(w), message(msg::ReadCompleteInfo)).empty());
        // Nothing was written and the window shows what it showed before.
        QVERIFY(QDir(QString::fromStdString(f.workDir)).entryList({"VQ5100_Setting*.csv"}).empty());
        QCOMPARE(w.model().CommFlags(), commFlags);
        QCOMPARE(differingRows(shown, w.model()), 0);
        QVERIFY(!w.lastRead());
        // Answers still on their way are not taken into the model either.
        f.runFor(std::chrono::seconds(10));
        QCOMPARE(differingRows(shown, w.model()), 0);
    }
}

void ProgressCommandsTest::dumpCountsBlocksInDecimalAndLogsItsCancel() {
    MainFixture f;
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(f.connect());
    QStringList labels;
    int barAtCancel = -1;
    const auto watch = QObject::connect(f.session.get(), &InstrumentSession::dumpMessage,
                                        [&](const std::string& text) {
                                            ProgressWindow* upload = w.progress();
                                            if (upload == nullptr) return;
                                            labels << upload->label();
                                            if (text != "Get FLASH Image 0013")
                                                return;  // block 0x13: the twentieth
                                            barAtCancel = upload->progressBar()->value();
                                            upload->progressButton()->click();
                                        });
    f.asker.files = {f.path("logger.dat")};
    downloadButton(w)->click();
    QObject::disconnect(watch);

    QVERIFY(
        labels.contains(QString::fromStdString(message(msg::FlashBlockProgress, {"1", "1024"}))));
    QCOMPARE(labels.last(),
             QString::fromStdString(message(msg::FlashBlockProgress, {"20", "1024"})));
    for (const QString& label : labels)
        QVERIFY2(!label.contains("FLASH Image 0"), qPrintable(label));
    QCOMPARE(barAtCancel, 20);
    const auto cancelled =
        linesStarting(*logBox(w), message(msg::LoggerDownloadCancelled, {"20", "1024"}));
    QCOMPARE(cancelled.size(), std::size_t(1));
    QVERIFY(linesStarting(*logBox(w), message(msg::DownloadFailedInfo)).empty());
    QVERIFY(!QFile::exists(QString::fromStdString(f.path("logger.dat"))));
    const std::string log = vq::test::readFile(f.path("SerialLog.log"));
    QVERIFY(log.find("---Process to Canceled---") != std::string::npos);
}

void ProgressCommandsTest::clearsShowTheirPollsAndDefaultNamesTheEditsItLoses() {
    MainFixture f;
    MainWindow& w = *f.window;
    new MainWindowSettings(w);  // the write commands, as the program wires them
    w.show();
    QVERIFY(f.connect());
    readSettingsButton(w)->click();
    QVERIFY(w.lastRead());
    w.model().setLcBuzzer(w.model().LcBuzzer() == 0 ? 1 : 0);
    w.model().setStationList(7, "SITE 8");
    const std::string pending = PendingEditsText(*w.lastRead(), w.model());
    QVERIFY(pending.find(message(msg::DefaultLosesEdits, {"2"})) == 0);
    QVERIFY(pending.find("SITE 8") != std::string::npos);

    struct Case {
        int command;
        int title;
        std::string question;
    };
    const Case cases[] = {
        {3, msg::DefaultTitle, message(msg::DefaultQuestion) + "\r\n\r\n" + pending},
        {5, msg::ClearLoggerTitle, message(msg::ClearLoggerQuestion)},
        {4, msg::ClearPowerTitle, message(msg::ClearPowerQuestion)},
    };
    for (const Case& c : cases) {
        QStringList labels;
        bool windowGreyProgressNot = true;
        const auto watch = QObject::connect(f.session.get(), &InstrumentSession::transmitted, [&] {
            ProgressWindow* upload = w.progress();
            if (upload == nullptr) return;
            windowGreyProgressNot = windowGreyProgressNot && !w.isEnabled() && upload->isEnabled();
            if (labels.isEmpty() || labels.last() != upload->label()) labels << upload->label();
        });
        f.asker.boxes.clear();
        f.asker.answers = {true};
        writeButton(w, c.command)->click();
        QObject::disconnect(watch);
        QVERIFY2(!f.asker.boxes.empty(),
                 qPrintable(QString("command %1 enabled %2 visible %3")
                                .arg(c.command)
                                .arg(writeButton(w, c.command)->isEnabled())
                                .arg(writeButton(w, c.command)->isVisible())));
        QCOMPARE(f.asker.boxes.at(0).title, message(c.title));
        QCOMPARE(f.asker.boxes.at(0).text, c.question);
        // The instrument takes six seconds: the first poll at five finds it at work.
        QVERIFY2(labels.contains(QString::fromStdString(message(msg::ConfirmPollFirst, {"5"}))),
                 qPrintable(labels.join(" | ")));
        QVERIFY2(labels.contains(
                     QString::fromStdString(message(msg::ConfirmPollCount, {"1", "120", "5"}))),
                 qPrintable(labels.join(" | ")));
        QVERIFY(windowGreyProgressNot);
        QVERIFY(!w.progress());
        QVERIFY(w.isEnabled());
    }
    // After DEFAULT the window read the instrument again: nothing is pending any more.
    QCOMPARE(w.pendingEdits(), 0);
}

QTEST_MAIN(ProgressCommandsTest)
#include "progress_commands_test.moc"

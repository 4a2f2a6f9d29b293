// The main window against the in-process virtual instrument over the real link, on the virtual
// clock: connecting, the read, a silent instrument, Power Off, the command states, the device
// finder, socket errors, the FRAM dump's refusal and closing.

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

#include "link/instrument_link.h"
#include "link/link_status.h"
#include "messages/messages.h"
#include "model/text_rules.h"
#include "platform/qt_socket_port.h"
#include "protocol/frame.h"
#include "tests/support/link_test_access.h"
#include "tests/ui/support/main_window_controls.h"
#include "tests/ui/support/main_window_fixture.h"
#include "ui/dialogs/progress_window.h"

using namespace vq;
using namespace vq::ui_test;

namespace {

const QColor kGreen(0, 192, 0);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kAnalog(0, 128, 64);

bool hasText(const QTextEdit& log, const std::string& text, const QColor& colour) {
    for (const LogLine& line : linesStarting(log, text))
        if (line.colour == colour) return true;
    return false;
}

bool hasLine(const QTextEdit& log, int id, const QColor& colour) {
    for (const LogLine& line : linesStarting(log, ResMessage(id)))
        if (line.colour == colour) return true;
    return false;
}

bool hasLine(const QTextEdit& log, int id) {
    return !linesStarting(log, ResMessage(id)).empty();
}

// The text of a message up to its first argument, for the lines that carry a time.
std::string lead(int id) {
    const std::string text = ResMessage(id, {"\x1f"});
    return text.substr(0, text.find('\x1f'));
}

int boxesWith(const RecordingAsker& asker, int id) {
    int n = 0;
    for (const auto& box : asker.boxes) n += box.text == ResMessage(id) ? 1 : 0;
    return n;
}

// The enabled states UpdateCommandStates gives, by the table's columns.
struct ExpectedStates {
    bool texts, reads, options027, options13456, suffix, grid;
};

void checkStates(MainWindow& w, const ExpectedStates& e) {
    for (int i = 0; i < 3; ++i) QCOMPARE(identityBox(w, i)->isEnabled(), e.texts);
    QCOMPARE(intervalBox(w)->isEnabled(), e.texts);
    for (QPushButton* read :
         {readSettingsButton(w), downloadButton(w), powerOffButton(w), getAndSaveButton(w)})
        QCOMPARE(read->isEnabled(), e.reads);
    QCOMPARE(memoryDumpButton(w)->isEnabled(), e.reads);
    QVERIFY(factorySettingsButton(w)->isEnabled());
    QVERIFY(importSettingsButton(w)->isEnabled());
    QVERIFY(exportSettingsButton(w)->isEnabled());
    for (const int i : {0, 2, 7}) QCOMPARE(writeButton(w, i)->isEnabled(), e.options027);
    for (const int i : {1, 3, 4, 5, 6}) QCOMPARE(writeButton(w, i)->isEnabled(), e.options13456);
    QCOMPARE(suffixBox(w)->isEnabled(), e.suffix);
    QCOMPARE(w.settingsGrid()->isEnabled(), e.grid);
}

void setData(MainWindow& w, bool data) {
    w.model().setCommFlags(0);
    w.model().setImportFlag(data ? 1 : 0);
    w.UpdateCommandStates();
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void startsWithDefaultsAndConnects();
    void readFillsTheWindowInItsColours();
    void readOfASilentInstrumentChangesNothing();
    void readWithoutInstrumentSaysNoResponse();
    void getAndSaveChecksTheSuffixAndWritesTheCsv();
    void dateDifferenceIsWarnedAfterARead();
    void powerOffReturnsToTheStartState();
    void aLostInstrumentIsPlainToSeeAndItsReturnToo();
    void downloadAsksForTheFileAndNeverLeavesAHalfImage();
    void commandStatesInAllFourStates();
    void deviceFinderChoosesThePort();
    void socketErrorsOnlyTimedOutAndInUse();
    void framDumpIsRefusedWhileReadingsRun();
    void flashDownloadWritesTheImage();
    void framDumpWritesTheListing();
    void closingAsksAndWritesTheConfiguration();
    void aConfigurationThatStopsAtABadLineIsReported();
    void captionsAndTitleByLanguage();
    void identityAndProgramNumberOnlyWithData();
    void pendingEditsAreNotLostWithoutAsking();
};

void MainWindowTest::startsWithDefaultsAndConnects() {
    MainFixture f;
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(!w.firstActivation());
    QVERIFY(w.model().ImportFlag() != 0);  // the default model can be edited at once
    QCOMPARE(w.lampColours(0), LampOn);
    QCOMPARE(w.lampColours(1), LampOff);
    QVERIFY(lampFrame(w, 2)->isHidden() && lampFrame(w, 3)->isHidden());
    QVERIFY(!readSettingsButton(w)->isEnabled());
    // Nothing was read: no program number, no SUM.
    QCOMPARE(programNumberLabel(w)->text(), QString());
    QCOMPARE(sumLabel(w)->text(), QString());
    QVERIFY(f.connect());
    QCOMPARE(w.lampColours(1), LampOn);
    QVERIFY(hasLine(*logBox(w), 5401, kBlue));
    QVERIFY(readSettingsButton(w)->isEnabled());
    QVERIFY(w.width() >= MainWindow::minimumPixels().width());
    // The fixed smallest size, taller where the debug commands need it (window_geometry_test).
    QCOMPARE(w.minimumWidth(), 776);
    QVERIFY(w.minimumHeight() >= 619);
}

void MainWindowTest::readFillsTheWindowInItsColours() {
    MainFixture f;
    f.instrument->state().stations[5] = "STATION-A";
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(f.connect());
    w.model().setImportFlag(0);
    w.UpdateCommandStates();
    QVERIFY(!writeButton(w, 0)->isEnabled());

    readSettingsButton(w)->click();

    QCOMPARE(identityBox(w, 0)->text(), QString("VQ51-000123"));
    QCOMPARE(identityBox(w, 1)->text(), QString("STATION-A"));
    QCOMPARE(identityBox(w, 2)->text(), QString("SERVICE"));
    QCOMPARE(programNumberLabel(w)->text(), QString("05100"));
    QCOMPARE(sumLabel(w)->text(), QString("7A3C"));
    QCOMPARE(stationBox(w)->count(), 256);
    QCOMPARE(stationBox(w)->currentIndex(), 5);  // the entry that names the station
    QVERIFY(w.model().CommFlags() != 0);
    QVERIFY(hasLine(*logBox(w), 5402, kGreen));
    QVERIFY(hasLine(*logBox(w), 5403, kGreen));
    QVERIFY(!hasLine(*logBox(w), 5404));
    QVERIFY(hasLine(*logBox(w), 5429, kAnalog));
    QCOMPARE(static_cast<int>(linesStarting(*logBox(w), "ch").size()), 8);
    QCOMPARE(linesStarting(*logBox(w), "ch0 PHOTO").front().colour, kAnalog);
    QVERIFY(!hasLine(*logBox(w), 5408));  // same clock as the PC
    for (const int i : {0, 2, 7}) QVERIFY(writeButton(w, i)->isEnabled());
    QVERIFY(commandGroup(w, 0)->isEnabled());
    QVERIFY(!w.progress());
    QVERIFY(!w.busy());
    // The clock label shows the instrument's clock once settings came from it.
    QMetaObject::invokeMethod(tickTimer(w), "timeout");
    QVERIFY(!settingLabel(w, 6)->text().isEmpty());
    // The read is in the communication log.
    QFile log(QString::fromStdString(f.path("SerialLog.log")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    QVERIFY(text.contains("---Instrument Download Finished---"));
    QVERIFY(text.contains("XS,R,00FF"));
}

void MainWindowTest::readOfASilentInstrumentChangesNothing() {
    MainFixture f;
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(f.connect());
    w.model().setSerialNo("MINE-0001");
    w.ShowInstrument();
    const InstrumentModel before = w.model();
    f.serial->close();  // the line goes quiet; the link still thinks it is connected

    readSettingsButton(w)->click();

    QVERIFY(hasLine(*logBox(w), 5404, kRed));
    QVERIFY(!hasLine(*logBox(w), 5403));
    QCOMPARE(w.model().SerialNo(), before.SerialNo());
    QCOMPARE(w.model().CommFlags(), before.CommFlags());
    QCOMPARE(w.model().isChanged(SettingId::SerialNo),
             true);  // the user's edit still waits for its write
    QCOMPARE(identityBox(w, 0)->text(), QString("MINE-0001"));
    QCOMPARE(programNumberLabel(w)->text(), QString());  // still nothing read
    QVERIFY(commandGroup(w, 0)->isEnabled());
    QVERIFY(!w.progress());
}

void MainWindowTest::pendingEditsAreNotLostWithoutAsking() {
    MainFixture f;
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(f.connect());
    QCOMPARE(w.pendingEdits(), 0);
    readSettingsButton(w)->click();  // nothing pending before the first read: no question
    QVERIFY(f.asker.boxes.empty());
    QCOMPARE(w.pendingEdits(), 0);

    w.model().setLcBuzzer(w.model().LcBuzzer() == 0 ? 1 : 0);
    w.model().setStationList(7, "SITE 8");
    QCOMPARE(w.pendingEdits(), 2);
    const std::string question = ResMessage(msg::PendingEditsQuestion, {"2"});
    // No: the read, Power Off and Exit do not happen, and the edits stay.
    f.asker.answers = {false, false, false};
    readSettingsButton(w)->click();
    powerOffButton(w)->click();
    w.close();
    QVERIFY(w.isVisible());
    QCOMPARE(w.pendingEdits(), 2);
    QCOMPARE(f.asker.boxes.size(), std::size_t(3));
    for (const auto& box : f.asker.boxes) QCOMPARE(box.text, question);
    // Yes: the read replaces them with what the instrument holds.
    f.asker.boxes.clear();
    readSettingsButton(w)->click();
    QCOMPARE(f.asker.boxes.front().text, question);
    QCOMPARE(w.pendingEdits(), 0);
}

void MainWindowTest::readWithoutInstrumentSaysNoResponse() {
    MainFixtureOptions options;
    options.faults.drop = 1;  // nothing ever answers
    MainFixture f(options);
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(!f.connect());
    const std::string serial = w.model().SerialNo();
    w.readButtonClicked(1);
    QVERIFY(hasLine(*logBox(w), 5405, kRed));
    QVERIFY(!hasLine(*logBox(w), 5402));
    QCOMPARE(w.model().SerialNo(), serial);
}

void MainWindowTest::getAndSaveChecksTheSuffixAndWritesTheCsv() {
    MainFixture f;
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(f.connect());
    for (const char* bad : {"a\"b", "a\\b", "a/b", "a:b", "a|b", "a<b", "a>b", "a*b", "a?b"}) {
        f.asker.boxes.clear();
        suffixBox(w)->setText(bad);
        const std::string lastFrame = linkOf(w).LastFrame();
        getAndSaveButton(w)->click();
        QCOMPARE(boxesWith(f.asker, 5301), 1);
        QCOMPARE(linkOf(w).LastFrame(), lastFrame);  // nothing went to the instrument
    }
    suffixBox(w)->setText("_bench");
    getAndSaveButton(w)->click();
    QVERIFY(hasLine(*logBox(w), 5403, kGreen));
    QFile csv(QString::fromStdString(f.path("VQ5100_Setting_bench.csv")));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = csv.readAll().split('\n');
    QVERIFY(rows.size() >= 2);  // the header and the read's row
    QVERIFY(rows[1].contains("VQ51-000123"));
    QCOMPARE(w.config().factoryRecordSuffix, std::string("_bench"));
}

void MainWindowTest::dateDifferenceIsWarnedAfterARead() {
    MainFixture f;
    f.instrument->state().clockOffsetSeconds = -2 * 86400;
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(f.connect());
    readSettingsButton(w)->click();
    QVERIFY(hasLine(*logBox(w), 5403, kGreen));
    QVERIFY(hasLine(*logBox(w), 5408, kRed));
}

void MainWindowTest::powerOffReturnsToTheStartState() {
    MainFixture f;
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(f.connect());
    readSettingsButton(w)->click();
    QVERIFY(w.model().CommFlags() != 0);

    f.asker.answers = {false};
    powerOffButton(w)->click();  // declined: nothing happens
    QVERIFY(w.model().CommFlags() != 0);
    QVERIFY(!hasLine(*logBox(w), 5409));

    powerOffButton(w)->click();
    const InstrumentModel defaults;
    QCOMPARE(w.model().CommFlags(), std::int16_t(0));
    QVERIFY(w.model().ImportFlag() != 0);  // the default model is shown and editable again
    QCOMPARE(identityBox(w, 0)->text(), QString::fromStdString(defaults.SerialNo()).trimmed());
    QCOMPARE(programNumberLabel(w)->text(), QString());
    QCOMPARE(sumLabel(w)->text(), QString());
    // The log keeps what happened before and says the instrument was switched off, where.
    QVERIFY(hasLine(*logBox(w), 5403));
    const auto off = linesStarting(*logBox(w), lead(msg::InstrumentSwitchedOff));
    QCOMPARE(off.size(), std::size_t(1));
    QVERIFY(off[0].text.endsWith("port simulator"));
    // Then how to switch the built-in instrument on again, as the last line.
    const auto lines = logLines(*logBox(w));
    QCOMPARE(lines.back().text, QString::fromStdString(ResMessage(msg::BuiltInStaysOff)));
    QCOMPARE(lines[lines.size() - 2].text, off[0].text);
    QCOMPARE(w.lampColours(0), LampOn);
    QCOMPARE(w.lampColours(1), LampOff);
    QVERIFY(w.isEnabled());
    QVERIFY(QFile::exists(QString::fromStdString(f.path("VQ5100Config.ini"))));
    // The window opened the port again and probes, but a switched-off instrument answers
    // nothing: a minute on, it is still off and nothing says it answers again.
    QVERIFY(!f.connect());
    QVERIFY(!linkOf(w).Connected());
    QVERIFY(!f.instrument->poweredOn());
    QVERIFY(linesStarting(*logBox(w), lead(msg::InstrumentBack)).empty());
    QVERIFY(hasLine(*logBox(w), msg::BuiltInStaysOff));
    QCOMPARE(lampLabel(w, 1)->toolTip(), QString::fromStdString(ResMessage(msg::ConnectLampTip)));
    // No request gets an answer, whatever it asks.
    for (const char* request : {"RC,R,", "VP,R,", "XS,R,0000", "A1,R,", "XC,W,", "RO,W,"}) {
        const std::string frame = BuildFrame(request, EOT);
        QVERIFY2(f.instrument->exchange(frame).empty(), request);
    }
    // The user's double-click on the "Connect" lamp switches it on: the window connects, and the
    // log tells its return (not a first connection) later than the power-off.
    QTest::mouseDClick(lampLabel(w, 1), Qt::LeftButton);
    QVERIFY(f.instrument->poweredOn());
    QVERIFY(f.connect());
    QCOMPARE(w.lampColours(1), LampOn);
    QCOMPARE(linesStarting(*logBox(w), ResMessage(msg::ConnectedInfo)).size(), std::size_t(1));
    const auto back = linesStarting(*logBox(w), lead(msg::InstrumentBack));
    QCOMPARE(back.size(), std::size_t(1));
    const auto stamp = [](const QString& line, int id) {
        return line.mid(static_cast<int>(QString::fromStdString(lead(id)).size()))
            .section(", ", 0, 0);
    };
    QVERIFY(!stamp(off[0].text, msg::InstrumentSwitchedOff).isEmpty());
    QVERIFY2(
        stamp(off[0].text, msg::InstrumentSwitchedOff) != stamp(back[0].text, msg::InstrumentBack),
        qPrintable(back[0].text));
    QVERIFY(lampLabel(w, 1)->toolTip().isEmpty());
}

void MainWindowTest::aLostInstrumentIsPlainToSeeAndItsReturnToo() {
    MainFixture f;
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(f.connect());
    readSettingsButton(w)->click();
    QVERIFY(w.model().CommFlags() != 0);
    QMetaObject::invokeMethod(tickTimer(w), "timeout");
    const QString clockBefore = settingLabel(w, 6)->text();
    QVERIFY(!clockBefore.isEmpty());

    // The cable is pulled: one red line with the time and the port, both lamps, the clock stops.
    f.serial->setPlugged(false);
    f.runFor(std::chrono::seconds(1));
    const auto lost = linesStarting(*logBox(w), lead(msg::InstrumentLineLost));
    QCOMPARE(lost.size(), std::size_t(1));
    QCOMPARE(lost[0].colour, kRed);
    QVERIFY(lost[0].text.endsWith("port simulator"));
    QVERIFY(w.instrumentLost());
    QCOMPARE(w.lampColours(0), LampError);
    QCOMPARE(w.lampColours(1), LampOff);
    QVERIFY(!settingLabel(w, 6)->isEnabled());
    f.runFor(std::chrono::seconds(3));
    QMetaObject::invokeMethod(tickTimer(w), "timeout");
    QCOMPARE(settingLabel(w, 6)->text(), clockBefore);

    // Back in: a line says so, the lamps and the clock run again.
    f.serial->setPlugged(true);
    QVERIFY(f.connect());
    QCOMPARE(linesStarting(*logBox(w), lead(msg::InstrumentBack)).size(), std::size_t(1));
    QVERIFY(!w.instrumentLost());
    QCOMPARE(w.lampColours(0), LampOn);
    QCOMPARE(w.lampColours(1), LampOn);
    QVERIFY(settingLabel(w, 6)->isEnabled());
    f.runFor(std::chrono::seconds(1));
    QMetaObject::invokeMethod(tickTimer(w), "timeout");
    QVERIFY(settingLabel(w, 6)->text() != clockBefore);
    QCOMPARE(linesStarting(*logBox(w), ResMessage(msg::ConnectedInfo)).size(), std::size_t(1));

    // Silent on an open line: the command that went unanswered reports the loss once.
    f.serial->close();
    readSettingsButton(w)->click();
    readSettingsButton(w)->click();
    const auto silent = linesStarting(*logBox(w), lead(msg::InstrumentSilent));
    QCOMPARE(silent.size(), std::size_t(1));
    QCOMPARE(w.lampColours(1), LampOff);
    QVERIFY(!settingLabel(w, 6)->isEnabled());
    // It answers again: the probe that follows the lines coming up finds it.
    f.serial->open();
    f.runFor(std::chrono::seconds(2));
    readSettingsButton(w)->click();
    QVERIFY(hasLine(*logBox(w), 5403));
    QCOMPARE(linesStarting(*logBox(w), lead(msg::InstrumentBack)).size(), std::size_t(2));
    QCOMPARE(w.lampColours(1), LampOn);
    QVERIFY(settingLabel(w, 6)->isEnabled());
}

void MainWindowTest::downloadAsksForTheFileAndNeverLeavesAHalfImage() {
    MainFixture f;
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(f.connect());
    const QString earlier = QString::fromStdString(f.path("VQ5100.DAT"));
    {
        QFile file(earlier);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("an earlier image");
    }
    auto earlierIntact = [&] {
        QFile file(earlier);
        return file.open(QIODevice::ReadOnly) && file.readAll() == "an earlier image";
    };
    auto folderFiles = [&] {
        return QDir(QString::fromStdString(f.workDir))
            .entryList(QDir::Files | QDir::Hidden, QDir::Name);
    };
    const QStringList before = folderFiles();

    // Cancelled in the file dialog: nothing is sent, nothing written.
    f.asker.files = {""};
    const std::string lastFrame = linkOf(w).LastFrame();
    downloadButton(w)->click();
    QCOMPARE(f.asker.fileSuggestions, std::vector<std::string>{f.path("VQ5100.DAT")});
    QCOMPARE(linkOf(w).LastFrame(), lastFrame);
    QVERIFY(!hasLine(*logBox(w), 5414));

    // The line goes quiet a few blocks in: the earlier file stays as it was, and no other file
    // appears.
    bool cut = false;
    const auto cutter = QObject::connect(f.session.get(), &InstrumentSession::dumpMessage,
                                         [&](const std::string& text) {
                                             if (cut || text != "Get FLASH Image 0005") return;
                                             cut = true;
                                             f.serial->close();
                                         });
    downloadButton(w)->click();
    QObject::disconnect(cutter);
    QVERIFY(cut);
    QVERIFY(hasLine(*logBox(w), 5415, kRed));
    QVERIFY(earlierIntact());
    QCOMPARE(folderFiles(), before);
    QVERIFY(linesStarting(*logBox(w), lead(msg::LoggerDataSavedInfo)).empty());

    // A complete image replaces it, and the log names the file in full.
    f.serial->open();
    f.runFor(std::chrono::seconds(2));
    QVERIFY(linkOf(w).Connected());
    const std::string other = f.path("sub/../image.dat");
    QDir(QString::fromStdString(f.workDir)).mkdir("sub");
    f.asker.files = {other};
    downloadButton(w)->click();
    QCOMPARE(QFileInfo(QString::fromStdString(f.path("image.dat"))).size(), qint64(524288));
    QVERIFY(earlierIntact());
    const auto saved = linesStarting(*logBox(w), lead(msg::LoggerDataSavedInfo));
    QCOMPARE(saved.size(), std::size_t(1));
    QCOMPARE(saved[0].text,
             QString::fromStdString(ResMessage(msg::LoggerDataSavedInfo, {f.path("image.dat")})));
}

void MainWindowTest::commandStatesInAllFourStates() {
    {
        MainFixtureOptions options;
        options.faults.drop = 1;
        MainFixture f(options);
        MainWindow& w = *f.window;
        auto* grid = new QWidget;
        w.setSettingsGrid(grid);
        w.show();
        setData(w, false);
        checkStates(w, {false, false, false, false, false, false});
        setData(w, true);
        checkStates(w, {true, false, false, false, false, true});
    }
    MainFixture f;
    MainWindow& w = *f.window;
    w.setSettingsGrid(new QWidget);
    w.show();
    QVERIFY(f.connect());
    setData(w, false);
    checkStates(w, {false, true, false, true, true, false});
    setData(w, true);
    checkStates(w, {true, true, true, true, true, true});
    // The line drops: back to not connected, and the port lamp says the line is gone.
    emit w.session().lineDropped();
    QCOMPARE(w.lampColours(0), LampError);
    QCOMPARE(w.lampColours(1), LampOff);
    QVERIFY(lampFrame(w, 2)->isHidden() && lampLabel(w, 3)->isHidden());
}

void MainWindowTest::deviceFinderChoosesThePort() {
    {
        MainFixtureOptions options;
        options.mode = PortMode::Auto;
        MainFixture f(options);
        QVERIFY(!f.session->link().SerialComm());
        QVERIFY(f.devicesChosen.empty());
        QVERIFY(f.asker.boxes.empty());
        QVERIFY(f.connect());  // over the socket
    }
    {
        MainFixtureOptions options;
        options.mode = PortMode::Auto;
        options.converters = FoundPorts{1, {"/dev/ttyUSB7"}};
        MainFixture f(options);
        QVERIFY(f.session->link().SerialComm());
        QCOMPARE(f.devicesChosen, std::vector<std::string>{"/dev/ttyUSB7"});
        QCOMPARE(f.serial->settings(), std::string("921600,n,8,1"));
        QVERIFY(f.asker.boxes.empty());
    }
    {
        MainFixtureOptions options;
        options.mode = PortMode::Auto;
        options.converters = FoundPorts{2, {"/dev/ttyUSB0", "/dev/ttyUSB1"}};
        MainFixture f(options);
        QCOMPARE(f.asker.boxes.size(), std::size_t(1));
        QCOMPARE(f.asker.boxes[0].kind, Box::Error);
        QCOMPARE(f.asker.boxes[0].text, ResMessage(msg::SeveralConverters));
        QCOMPARE(f.asker.boxes[0].title, ResMessage(msg::FinderError));
        QVERIFY(!f.session->link().SerialComm());  // then the socket
        QVERIFY(f.devicesChosen.empty());
    }
}

void MainWindowTest::socketErrorsOnlyTimedOutAndInUse() {
    MainFixture f;
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(f.connect());
    emit w.session().socketError(socket_error::Refused);
    QVERIFY(f.asker.boxes.empty());
    QVERIFY(!hasLine(*logBox(w), 5304));
    for (const std::int16_t code :
         {std::int16_t(socket_error::TimedOut), std::int16_t(socket_error::AddressInUse)}) {
        f.asker.boxes.clear();
        emit w.session().socketError(code);
        QCOMPARE(boxesWith(f.asker, 5304), 1);
        QCOMPARE(f.asker.boxes[0].title, ResMessage(msg::PortErrorTitle));
        QCOMPARE(w.lampColours(0), LampError);
        QCOMPARE(w.lampColours(1), LampOff);
    }
    QCOMPARE(static_cast<int>(linesStarting(*logBox(w), ResMessage(msg::PortErrorText)).size()), 2);
}

void MainWindowTest::framDumpIsRefusedWhileReadingsRun() {
    MainFixture f;
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(f.connect());
    const std::string dump = f.path("DumpEF.dat");
    w.state().TransferMode = 4;  // span calibration running
    const std::string lastFrame = linkOf(w).LastFrame();
    memoryDumpButton(w)->click();
    QCOMPARE(f.asker.boxes.size(), std::size_t(1));
    QCOMPARE(f.asker.boxes[0].kind, Box::Information);
    QCOMPARE(f.asker.boxes[0].text, ResMessage(msg::FramRefusedText));
    QCOMPARE(f.asker.boxes[0].title, ResMessage(msg::FramRefusedTitle));
    QCOMPARE(linkOf(w).LastFrame(), lastFrame);
    QVERIFY(linesStarting(*logBox(w), "Dump List").empty());

    // Declining the question leaves everything as it was.
    w.state().TransferMode = 0;
    f.asker.boxes.clear();
    f.asker.answers = {false};
    memoryDumpButton(w)->click();
    QCOMPARE(boxesWith(f.asker, 5333), 1);
    QVERIFY(!QFile::exists(QString::fromStdString(dump)));
    QVERIFY(linesStarting(*logBox(w), "Dump List").empty());
    QCOMPARE(w.state().TransferMode, std::int16_t(0));
}

void MainWindowTest::flashDownloadWritesTheImage() {
    MainFixture f;
    f.instrument->state().flash[2 * 512 + 7] = 0x5A;
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(f.connect());
    downloadButton(w)->click();
    QFile image(QString::fromStdString(f.path("VQ5100.DAT")));
    QVERIFY(image.open(QIODevice::ReadOnly));
    const QByteArray bytes = image.readAll();
    QCOMPARE(bytes.size(), 524288);
    QCOMPARE(static_cast<unsigned char>(bytes[2 * 512 + 7]), 0x5A);
    QVERIFY(hasLine(*logBox(w), 5414, kGreen));
    QVERIFY(!hasLine(*logBox(w), 5415));  // no failure line
    QCOMPARE(w.state().TransferMode, std::int16_t(0));
    QVERIFY(!w.progress());
    QVERIFY(commandGroup(w, 0)->isEnabled());
}

void MainWindowTest::framDumpWritesTheListing() {
    MainFixture f;
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(f.connect());
    memoryDumpButton(w)->click();
    QCOMPARE(boxesWith(f.asker, 5333), 1);
    QFile listing(QString::fromStdString(f.path("DumpEF.dat")));
    QVERIFY(listing.open(QIODevice::ReadOnly));
    const QByteArray text = listing.readAll();
    QVERIFY(text.contains("Adrs   +0"));
    QVERIFY(text.contains("Total Download Time = "));
    const QColor brown(128, 32, 0);
    QVERIFY(hasText(*logBox(w), ResMessage(msg::DumpListStartInfo, {"DumpEF.dat"}), brown));
    QVERIFY(hasText(*logBox(w), ResMessage(msg::DumpListFinishedInfo, {"DumpEF.dat"}), brown));
    QVERIFY(!hasLine(*logBox(w), 5415));
    QCOMPARE(w.state().TransferMode, std::int16_t(0));
    QVERIFY(!w.progress());
}

void MainWindowTest::closingAsksAndWritesTheConfiguration() {
    MainFixture f;
    MainWindow& w = *f.window;
    w.show();
    const QString config = QString::fromStdString(f.path("VQ5100Config.ini"));
    f.asker.answers = {false};
    QVERIFY(!w.close());
    QVERIFY(w.isVisible());
    QVERIFY(!QFile::exists(config));
    QCOMPARE(f.asker.boxes.back().text, ResMessage(msg::EndQuestion));
    QCOMPARE(f.asker.boxes.back().title, ResMessage(msg::EndTitle));
    QVERIFY(w.close());
    QVERIFY(QFile::exists(config));
    QVERIFY(!linkOf(w).TimerEnabled());
}

void MainWindowTest::aConfigurationThatStopsAtABadLineIsReported() {
    // A value outside its bounds is refused alone: named in red with what is used instead, the
    // lines after it still taken, and the user's line still in the file the window saves.
    MainFixtureOptions options;
    options.configText = "RETRY\t2\r\nTIMEOUT\t99999\r\nRETRY\t5\r\n";
    MainFixture f(options);
    MainWindow& w = *f.window;
    QCOMPARE(linkOf(w).Retry(), std::int16_t(5));    // the line after the bad one is taken
    QCOMPARE(linkOf(w).Timeout(), std::int16_t(3));  // the refused line leaves the default
    const auto lines = linesStarting(*logBox(w), "Configuration file ");
    QCOMPARE(lines.size(), std::size_t(1));
    QCOMPARE(lines.front().colour, kRed);
    QVERIFY(lines.front().text.contains("line 2 is not used: TIMEOUT 99999 is outside 1 to 60"));
    QVERIFY(lines.front().text.contains("In use instead: Timeout 3"));
    QVERIFY(w.close());
    QFile saved(QString::fromStdString(f.path("VQ5100Config.ini")));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray text = saved.readAll();
    QVERIFY(text.contains("\r\nTIMEOUT\t99999\r\n"));
    QVERIFY(text.contains("\r\nRetry\t5\r\n"));
    // The file as the user wrote it is kept as well.
    QFile backup(QString::fromStdString(f.path("VQ5100Config.ini.bak")));
    QVERIFY(backup.open(QIODevice::ReadOnly));
    QVERIFY(backup.readAll().contains("RETRY\t5"));
}

void MainWindowTest::captionsAndTitleByLanguage() {
    MainFixture f;
    QCOMPARE(f.window->windowTitle(), QString("VQ-5100 - Setup Program [P.No.31743]"));
    QCOMPARE(getAndSaveButton(*f.window)->text(), QString("Information &Get && Save"));
    MainFixtureOptions options;
    options.language = Language::Japanese;
    options.debugMode = false;
    MainFixture japanese(options);
    MainWindow& w = *japanese.window;
    QVERIFY(w.windowTitle().endsWith("[P.No.31742]"));
    setLanguage(Language::English);
    // Without the debug switch the service commands are hidden.
    QVERIFY(downloadButton(w)->isHidden());
    QVERIFY(memoryDumpButton(w)->isHidden());
    for (const int i : {3, 4, 5, 6}) QVERIFY(writeButton(w, i)->isHidden());
    QVERIFY(!writeButton(w, 0)->isHidden());
}

// The identity boxes show the model only when it holds settings (read or loaded) and the link
// has had its say; the program number (five digits) and SUM only when they were read.
void MainWindowTest::identityAndProgramNumberOnlyWithData() {
    struct Case {
        const char* name;
        std::int16_t commFlags, importFlag;
        std::int32_t status;
        bool identity, programNumber;
    };
    const Case cases[] = {
        {"read", 1, 0, link_status::Done, true, true},
        {"loaded from a file, never read", 0, 1, link_status::Done, true, false},
        {"no settings at all", 0, 0, link_status::Done, false, false},
        {"read, link not yet ready", 1, 0, link_status::Ready, false, false},
        {"read, status 1", 1, 0, 1, false, false},
        {"read, the last transaction failed", 1, 0, link_status::Failed, true, true},
    };
    MainFixture f;
    MainWindow& w = *f.window;
    w.show();
    for (const Case& c : cases) {
        w.model().setSerialNo("VQ51-7");
        w.model().setStationID("NORTH");
        w.model().setUserID("ME");
        w.model().setRomNumber(42);
        w.model().setSUM("7A3C");
        w.model().setCommFlags(c.commFlags);
        w.model().setImportFlag(c.importFlag);
        test::LinkTestAccess::setStatus(linkOf(w), c.status);
        w.ShowInstrument();
        QCOMPARE(identityBox(w, 0)->text(), c.identity ? QString("VQ51-7") : QString());
        QCOMPARE(identityBox(w, 1)->text(), c.identity ? QString("NORTH") : QString());
        QCOMPARE(identityBox(w, 2)->text(), c.identity ? QString("ME") : QString());
        QCOMPARE(programNumberLabel(w)->text(), c.programNumber ? QString("00042") : QString());
        QCOMPARE(sumLabel(w)->text(), c.programNumber ? QString("7A3C") : QString());
    }
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"

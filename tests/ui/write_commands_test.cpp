// The write commands against the in-process virtual instrument over a real link on the virtual
// clock: what reaches the instrument after "Update" and "Update ID", what a fresh read finds,
// that a refusal or a No sends nothing, and that a failed write is reported as failed.

#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/app_config.h"
#include "app/settings_file.h"
#include "link/link_status.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "model/ole_date.h"
#include "model/settings_review.h"
#include "ui/dialogs/review_dialog.h"
#include "ui/main/settings_grid.h"
#include "ui/main/write_commands.h"
#include "ui/support/grid_test_support.h"

namespace vq {
namespace {

using grid_test::Box;
using G = SettingsGrid;

struct InfoLine {
    std::string text;
    QColor colour;
};

int countLines(const std::filesystem::path& file) {
    std::ifstream in(file);
    int lines = 0;
    for (std::string line; std::getline(in, line);) ++lines;
    return lines;
}

bool startsWithAny(const std::string& payload, std::initializer_list<const char*> codes) {
    return std::any_of(codes.begin(), codes.end(),
                       [&](const char* code) { return payload.rfind(code, 0) == 0; });
}

// A model read from the virtual instrument, the write commands on it, the boxes answered from a
// script, the window hooks recorded.
struct Harness : WriteCommandWindow {
    Harness() {
        setLanguage(Language::English);
        FillBuiltInDefaults(config);
        connected = bench.connect();
        read = bench.readAll(model);
        held = model;
        commands = std::make_unique<WriteCommands>(bench.operations, model, asker, nullptr,
                                                   dir.path().toStdString(), *this);
    }
    void addInfo(const std::string& text, const QColor& colour) override {
        info.push_back({text, colour});
    }
    void enableWindow(bool on) override { enables.push_back(on); }
    void showProgress() override { ++progressShown; }
    void closeProgress() override { ++progressClosed; }
    void openCalibration() override { pumpDuringCalibration = bench.instrument.state().pumpOn; }
    double now() const override { return bench.host.localDateTime(); }
    std::string csvSuffix() const override { return "T"; }
    const InstrumentModel* lastRead() const override { return &held; }
    void setLastRead(const InstrumentModel& m) override { held = m; }
    void readAgain() override {
        ++readsAgain;
        bench.readAll(model);
    }
    std::filesystem::path csv() const {
        return std::filesystem::path(dir.path().toStdString()) / "VQ5100_SettingT.csv";
    }
    InstrumentModel freshRead() {
        InstrumentModel fresh;
        bench.readAll(fresh);
        return fresh;
    }
    bool infoHas(int id, const QColor& colour) const {
        const std::string text = ResMessage(id);
        return std::any_of(info.begin(), info.end(), [&](const InfoLine& line) {
            return line.text == text && line.colour == colour;
        });
    }

    grid_test::SimBench bench;
    AppConfig config;
    InstrumentModel model;
    InstrumentModel held;  // what the instrument holds, as the window last learnt it
    int readsAgain = 0;
    grid_test::RecordingAsker asker;
    QTemporaryDir dir;
    bool connected = false;
    bool read = false;
    std::vector<InfoLine> info;
    std::vector<bool> enables;
    int progressShown = 0;
    int progressClosed = 0;
    bool pumpDuringCalibration = false;
    std::unique_ptr<WriteCommands> commands;
};

class WriteCommandsTest : public QObject {
    Q_OBJECT
  private slots:
    void updateWritesTheEditsAndAFreshReadShowsThem() {
        Harness h;
        QVERIFY(h.connected && h.read);
        bool busy = false;
        grid_test::ConnectedGridWindow window;
        SettingsGrid grid(SettingsGridDeps{h.model, h.config, h.asker, busy, window});
        window.grid = &grid;
        QVERIFY(grid.finishEdit(G::rowOf(3), G::colAlarm, "60"));
        QVERIFY(grid.finishEdit(G::rowOf(2), G::colStel, "20.5"));
        QVERIFY(grid.finishEdit(G::rowOf(1), G::colAutoCal, "15"));
        h.model.setIntervals(180);
        h.model.setSerialNo("EDITED-0001");  // an identity edit goes along, never dropped

        QVERIFY(h.commands->Update(false));
        const std::vector<std::string> sent = h.bench.takeSent();
        QVERIFY(std::find(sent.begin(), sent.end(), "A2,W,   50, 18.0, 10.0,   60,   80") !=
                sent.end());
        QVERIFY(std::any_of(sent.begin(), sent.end(),
                            [](const std::string& p) { return startsWithAny(p, {"IN,W,"}); }));
        // Identity texts and station entries nobody edited are not sent.
        QVERIFY(std::none_of(sent.begin(), sent.end(), [](const std::string& p) {
            return startsWithAny(p, {"XZ,W", "XS,W"});
        }));
        // The question lists what will change, and only that.
        const std::vector<std::string> asked = h.asker.texts(Box::Question);
        QCOMPARE(asked.size(), std::size_t(1));
        for (const char* line :
             {"Update Ready?\n\nIdentity\n  Serial No.: ", " -> EDITED-0001\nChannels\n",
              "\n  Alarm, channel 4: 50 -> 60\n", "\n  STEL, channel 3: ", " -> 20.5\n",
              "\n  Auto Cal., channel 2: ", " -> 15.0\n",
              "\nInstrument settings\n  Interval Trend Time (Sec): ", "\n5 settings change. "})
            QVERIFY2(asked[0].find(line) != std::string::npos, asked[0].c_str());
        QCOMPARE(h.asker.texts(Box::Information), std::vector<std::string>{"Upload Complete."});
        QVERIFY(h.infoHas(5416, write_colour::Progress));
        QVERIFY(h.infoHas(5417, write_colour::Progress));
        QCOMPARE(h.enables, (std::vector<bool>{false, true}));
        QCOMPARE(h.progressShown, 1);
        QCOMPARE(h.progressClosed, 1);

        InstrumentModel fresh = h.freshRead();
        QCOMPARE(SettingsFileText(h.held), SettingsFileText(fresh));
        QCOMPARE(fresh.Alarm(3), 60.0f);
        QCOMPARE(fresh.Stel(2), 20.5f);
        QCOMPARE(fresh.AutoCalib(1), 15.0f);
        QCOMPARE(fresh.Intervals(), std::int16_t(180));
        QCOMPARE(fresh.SerialNo(), std::string("EDITED-0001"));
        // Every setting the instrument holds is now what the window held.
        QCOMPARE(SettingsFileText(fresh), SettingsFileText(h.model));
        // One record: the header and a "Write" row.
        QCOMPARE(countLines(h.csv()), 2);
        std::ifstream in(h.csv());
        std::string header, row;
        std::getline(in, header);
        std::getline(in, row);
        QVERIFY(row.rfind("Write,", 0) == 0);
    }

    void reviewDialogListsTheChangesAndEnterAloneDoesNotWrite() {
        Harness h;
        QVERIFY(h.connected && h.read);
        InstrumentModel edited = h.model;
        edited.setSerialNo("EDITED-0001");
        edited.setIntervals(180);
        ReviewDialog dialog(nullptr, "Update", "Update Ready?",
                            SummariseReview(ReviewRows(h.model, edited)));
        const QTreeWidget& list = *dialog.list();
        QCOMPARE(list.topLevelItemCount(), 2);  // Identity, Instrument settings
        const QTreeWidgetItem& serial = *list.topLevelItem(0)->child(0);
        QCOMPARE(serial.text(0), QString("Serial No."));
        QCOMPARE(serial.text(1), QString::fromStdString(h.model.SerialNo()));
        QCOMPARE(serial.text(2), QString("EDITED-0001"));
        QCOMPARE(list.topLevelItem(1)->child(0)->text(2), QString("180"));
        // Cancel is the default: Enter on its own never writes.
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
    }

    // An instrument that acknowledges the bump group bare and keeps its old values: "Update"
    // fails naming the setting with both values, the window's model as last read keeps what the
    // instrument holds, the edit stays pending and no settings row is written.
    void updateThatTheInstrumentDoesNotKeepFails() {
        Harness h;
        QVERIFY(h.connected && h.read);
        h.bench.instrument.state().forgetWrites = "BU";
        const int heldTime = h.held.BumpTime();
        h.model.setBumpTime(heldTime == 3 ? 1 : 3);
        QVERIFY(!h.commands->Update(false));
        const auto red = [&h](const std::string& part) {
            return std::any_of(h.info.begin(), h.info.end(), [&](const InfoLine& line) {
                return line.colour == write_colour::Failure &&
                       line.text.find(part) != std::string::npos;
            });
        };
        QVERIFY(red("\"BU\" was not written: sent "));
        QVERIFY(h.infoHas(msg::UploadFailedInfo, write_colour::Failure));
        QVERIFY(!h.infoHas(msg::UploadCompleteInfo, write_colour::Progress));
        QCOMPARE(h.held.BumpTime(), heldTime);
        QVERIFY(h.model.isChanged(SettingId::BumpTime));
        QVERIFY(!std::filesystem::exists(h.csv()));
    }

    void updateIdWritesOnlyTheIdentityTexts() {
        Harness h;
        QVERIFY(h.connected && h.read);
        h.model.setSerialNo("SN-5100-0042");
        h.model.setStationID("PUMP HOUSE");
        h.model.setUserID("TECH 7");
        h.model.setAlarm(3, 60);  // not sent by "Update ID"
        QVERIFY(h.commands->Update(true));
        const std::vector<std::string> sent = h.bench.takeSent();
        QVERIFY(!sent.empty());
        for (const std::string& payload : sent)
            QVERIFY2(startsWithAny(payload, {"IN,W,", "XZ,W,", "XS,W,", "DW,W,",
                                             // the read-back of what was written
                                             "IN,R,", "XZ,R,", "XS,R,"}),
                     payload.c_str());
        const InstrumentModel fresh = h.freshRead();
        QCOMPARE(fresh.SerialNo(), std::string("SN-5100-0042"));
        QCOMPARE(fresh.StationID(), std::string("PUMP HOUSE"));
        QCOMPARE(fresh.UserID(), std::string("TECH 7"));
        QCOMPARE(fresh.Alarm(3), 50.0f);
        std::ifstream in(h.csv());
        std::string header, row;
        std::getline(in, header);
        std::getline(in, row);
        QVERIFY(row.rfind("WriteID,", 0) == 0);
    }

    void refusedSettingsSendNothing() {
        struct Case {
            const char* name;
            std::function<void(InstrumentModel&)> spoil;
            const char* box;
        };
        const std::vector<Case> cases = {
            // Each level refusal names the level and its rule under the box's own text.
            {"alarm above 60 %", [](InstrumentModel& m) { m.setAlarm(0, 70); },
             "Check warning and alarm value. (red color cells)\n"
             "alarm 70 of channel 1 is above 60"},
            {"oxygen swapped",
             [](InstrumentModel& m) {
                 m.setWarning(1, 18);
                 m.setAlarm(1, 19.5f);
             },
             "Check warning and alarm value. (red color cells)\n"
             "warning 18 of channel 2 is not at or above its alarm 19.5"},
            {"auto cal", [](InstrumentModel& m) { m.setAutoCalib(3, 10); },
             "Improper Auto Cal.\nauto-calibration value 10 of channel 4 is below 25"},
            {"no sensor",
             [](InstrumentModel& m) {
                 for (int ch = 0; ch < 5; ++ch) m.setGasEnabled(ch, false);
             },
             "No available sensor."},
            {"combustible pair", [](InstrumentModel& m) { m.setGasName(4, "H2"); },
             "This is not available combination.\nChannel 1 measures CH4 and channel 5 measures "
             "H2: choose the same gas on both, or switch one of them off."},
        };
        Harness h;
        QVERIFY(h.connected && h.read);
        const InstrumentModel good = h.model;
        for (const Case& c : cases) {
            h.model = good;
            h.asker.boxes.clear();
            c.spoil(h.model);
            for (const bool idOnly : {false, true}) QVERIFY(!h.commands->Update(idOnly));
            const std::vector<std::string> boxes = h.asker.texts(Box::Error);
            QCOMPARE(boxes.size(), std::size_t(2));
            for (const std::string& box : boxes)
                QCOMPARE(QString::fromStdString(box), QString::fromUtf8(c.box));
            QVERIFY2(h.asker.texts(Box::Question).empty(), c.name);
        }
        QVERIFY(h.bench.takeSent().empty());
        QVERIFY(h.info.empty());
        QVERIFY(h.enables.empty());
        QCOMPARE(h.progressShown, 0);
        QVERIFY(!std::filesystem::exists(h.csv()));
    }

    // What "Update" would send is held to the rules a settings file is held to; the box names
    // the setting and why, and nothing is asked or sent.
    void settingsTheWindowsWouldNotAllowAreRefused() {
        Harness h;
        QVERIFY(h.connected && h.read);
        const InstrumentModel good = h.model;
        h.model.setLcdBackLight(0);
        QVERIFY(!h.commands->Update(false));
        h.model = good;
        h.model.setUserID("night;shift");
        QVERIFY(!h.commands->Update(true));
        QCOMPARE(h.asker.texts(Box::Error),
                 (std::vector<std::string>{
                     "Settings not written: XT: LCD backlight time 0 is not between 1 and 255",
                     "Settings not written: XZ: user id: the character \"n\" is not allowed"}));
        QVERIFY(h.asker.texts(Box::Question).empty());
        QVERIFY(h.bench.takeSent().empty());
        QVERIFY(h.enables.empty());
    }

    // A station text put on the instrument by other means, outside the characters the windows
    // allow: nobody edited it, so "Update ID" and "Update" send it back as it is and the user id
    // can still be changed. An edit to the same characters is refused.
    void aTextTheInstrumentHoldsIsSentBackNotJudged() {
        Harness h;
        QVERIFY(h.connected && h.read);
        h.bench.instrument.state().stations[128] = "DOCK \"C\"        ";
        QVERIFY(h.bench.readAll(h.model));
        h.held = h.model;
        h.model.setUserID("X");
        h.asker.answers = {true};
        QVERIFY(h.commands->Update(true));
        QVERIFY(h.asker.texts(Box::Error).empty());
        const InstrumentModel fresh = h.freshRead();
        QCOMPARE(fresh.UserID(), std::string("X"));
        QCOMPARE(fresh.StationList(128), h.held.StationList(128));
        h.asker.answers = {true};
        h.model.setIntervals(h.model.Intervals() == 60 ? 180 : 60);
        QVERIFY(h.commands->Update(false));

        h.bench.takeSent();
        h.model.setStationList(129, "GATE \"D\"");
        QVERIFY(!h.commands->Update(true));
        QCOMPARE(h.asker.texts(Box::Error),
                 (std::vector<std::string>{"Settings not written: XS: station list entry 130: the "
                                           "character \"\"\" is not allowed"}));
        QVERIFY(h.bench.takeSent().empty());
    }

    void noAtAnyQuestionSendsNothing() {
        Harness h;
        QVERIFY(h.connected && h.read);
        for (int index : {0, 1, 3, 4, 5, 6, 7}) {
            h.asker.answers = {false};
            h.commands->commandClicked(index);
        }
        QCOMPARE(h.asker.texts(Box::Question).size(), std::size_t(7));
        QVERIFY(h.asker.texts(Box::Error).empty());
        QVERIFY(h.bench.takeSent().empty());
        QVERIFY(h.info.empty());
        QVERIFY(h.enables.empty());
        QVERIFY(!h.commands->running());
    }

    void failedWriteIsReportedAsFailed() {
        Harness h;
        QVERIFY(h.connected && h.read);
        // The instrument switches itself off: nothing answers the writes.
        QVERIFY(h.bench.link.WaitFor(link_status::AwaitWrite, "RO,W,"));
        h.bench.takeSent();
        const float heldAlarm = h.held.Alarm(3);
        h.model.setAlarm(3, 60);
        QVERIFY(!h.commands->Update(false));
        // Nothing reached the instrument: the edit stays pending against what it holds.
        QVERIFY(h.infoHas(msg::NothingWrittenBeforeFailure, write_colour::Failure));
        QCOMPARE(h.held.Alarm(3), heldAlarm);
        QVERIFY(!h.bench.takeSent().empty());
        QVERIFY(h.infoHas(msg::UploadFailedInfo, write_colour::Failure));
        // The write that stopped it, in red before the failure line.
        QVERIFY(std::any_of(h.info.begin(), h.info.end(), [](const InfoLine& line) {
            return line.colour == write_colour::Failure &&
                   line.text.find("was not answered by the instrument (sent ") != std::string::npos;
        }));
        QVERIFY(!h.infoHas(5417, write_colour::Progress));
        QCOMPARE(h.asker.texts(Box::Error), std::vector<std::string>{"Upload Failed."});
        QVERIFY(h.asker.texts(Box::Information).empty());
        QVERIFY(!std::filesystem::exists(h.csv()));
        QCOMPARE(h.enables, (std::vector<bool>{false, true}));

        h.asker.boxes.clear();
        h.model.setSysDateOffset(2.5);
        QVERIFY(!h.commands->SetClock(false));
        QCOMPARE(h.model.SysDateOffset(), 2.5);  // the instrument's clock is still off by as much
        QVERIFY(h.infoHas(msg::DateTimeSetFailedInfo, write_colour::Failure));
        QCOMPARE(h.asker.texts(Box::Error), std::vector<std::string>{"Upload Failed."});
        QVERIFY(!h.commands->running());
    }

    void clockAndCheckDataReachTheInstrument() {
        Harness h;
        QVERIFY(h.connected && h.read);
        h.bench.instrument.state().clockOffsetSeconds = 7200;
        h.model.setSysDateOffset(-0.0833);
        h.bench.takeSent();
        // The question shows what changes, the clock as last read and the PC's time; No sends
        // nothing.
        h.asker.answers = {false};
        const double now = h.now();
        QVERIFY(!h.commands->SetClock(false));
        QVERIFY(h.bench.takeSent().empty());
        QCOMPARE(h.bench.instrument.state().clockOffsetSeconds, std::int64_t(7200));
        const std::vector<std::string> asked = h.asker.texts(Box::Question);
        QCOMPARE(asked.size(), std::size_t(1));
        QCOMPARE(asked[0], ResMessage(msg::ClockReviewQuestion,
                                      {GeneralDate(AddDays(now, 0.0833)), GeneralDate(now)}));
        QCOMPARE(h.asker.boxes[0].title, std::string("Date/Time Set"));
        h.asker.boxes.clear();
        QVERIFY(h.commands->SetClock(false));
        QCOMPARE(h.bench.instrument.state().clockOffsetSeconds, std::int64_t(0));
        QCOMPARE(h.model.SysDateOffset(), 0.0);
        QVERIFY(h.commands->SetClock(true));
        QVERIFY(h.bench.instrument.state().checkDataWritten);
        QCOMPARE(h.asker.texts(Box::Information),
                 (std::vector<std::string>{"Upload Complete.", "Upload Complete."}));
    }

    void clearingCommandsWaitForTheInstrumentsConfirmation() {
        Harness h;
        QVERIFY(h.connected && h.read);
        h.bench.instrument.state().settings.intervals = 600;
        h.model.setIntervals(300);  // the window's value, about to be stale
        const auto start = h.bench.host.now();
        QVERIFY(h.commands->ClearCommand(WriteCommands::defaultsCommand));
        // The instrument needs six seconds: the first poll at five finds it busy.
        QVERIFY(h.bench.host.now() - start >= std::chrono::seconds(10));
        QCOMPARE(h.bench.instrument.state().settings.intervals, 60);
        // The window reads the reset settings, so an "Update" cannot write the old ones back.
        QCOMPARE(h.readsAgain, 1);
        QCOMPARE(h.model.Intervals(), std::int16_t(60));
        QVERIFY(h.infoHas(5418, write_colour::Progress));
        QVERIFY(h.infoHas(5419, write_colour::Progress));
        QCOMPARE(h.asker.boxes.at(0).title, std::string("DEFAULT"));

        h.bench.instrument.state().flash[0x2000] = 0x12;
        QVERIFY(h.commands->ClearCommand(WriteCommands::clearLoggerDataCommand));
        QCOMPARE(h.bench.instrument.state().flash[0x2000], std::uint8_t(0xFF));
        QCOMPARE(h.readsAgain, 1);  // clearing the logger leaves the settings alone
        QVERIFY(h.infoHas(5425, write_colour::Progress));

        // Without an instrument on the line nothing is attempted.
        h.bench.link.setPortOpen(false);
        h.bench.link.setLinkMode(0);
        h.bench.takeSent();
        QVERIFY(!h.commands->ClearCommand(WriteCommands::clearPowerLogCommand));
        QVERIFY(h.infoHas(5405, write_colour::Failure));
        QVERIFY(!h.infoHas(5421, write_colour::Progress));
        QVERIFY(h.bench.takeSent().empty());
    }

    void calibrationRunsThePumpWhileItsWindowIsOpen() {
        Harness h;
        QVERIFY(h.connected && h.read);
        h.commands->commandClicked(WriteCommands::calibrationCommand);
        QVERIFY(h.pumpDuringCalibration);
        QVERIFY(!h.bench.instrument.state().pumpOn);
    }
};

}  // namespace
}  // namespace vq

QTEST_MAIN(vq::WriteCommandsTest)
#include "write_commands_test.moc"

// What the settings grid tells the user, offscreen: cells not on the instrument yet and the count
// under the grid (in the real main window on the virtual instrument), why an edit is refused,
// values the grid changes by itself, red for every value "Update" refuses, and the gas a
// channel had offered again when it is switched back on.

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

#include "app/app_config.h"
#include "app/update_validation.h"
#include "link/link_status.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "model/text_rules.h"
#include "model/value_codecs.h"
#include "sim/sim_instrument.h"
#include "ui/main/main_window.h"
#include "ui/main/settings_grid.h"
#include "ui/main/write_commands_wiring.h"
#include "ui/support/grid_test_support.h"
#include "ui/support/main_window_controls.h"
#include "ui/support/main_window_fixture.h"

namespace vq {
namespace {

using G = SettingsGrid;
using grid_test::Box;

constexpr int kCO = 3;

QString message(int id, const std::vector<std::string>& args = {}) {
    return QString::fromStdString(ResMessage(id, args));
}

// A grid over the virtual instrument's settings as read, with that read as the instrument's
// state; refusals beep into a counter.
struct Bench : SettingsGridWindow {
    Bench() {
        setLanguage(Language::English);
        FillBuiltInDefaults(config);
        model = grid_test::readDefaultInstrument();
        model.setCommFlags(1);
        read = model;
        grid = std::make_unique<SettingsGrid>(SettingsGridDeps{model, config, asker, busy, *this});
        grid->setBeep([this] { ++beeps; });
        grid->resize(700, 240);
        grid->show();
    }
    bool connected() const override { return true; }
    SessionState sessionState() const override { return SessionState::Settled; }
    std::optional<int> chooseGas(int channel) override {
        asked.push_back(channel);
        return chosen;
    }
    void showInstrument() override { grid->refresh(); }
    const InstrumentModel* lastRead() const override { return &read; }

    bool red(int ch, int column) const {
        return grid->cellColour(G::rowOf(ch), column) == G::badText;
    }
    void click(int ch, bool on) {
        grid->item(G::rowOf(ch), G::colEnable)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }

    InstrumentModel model;
    InstrumentModel read;
    AppConfig config;
    grid_test::RecordingAsker asker;
    bool busy = false;
    int beeps = 0;
    std::optional<int> chosen;
    std::vector<int> asked;
    std::unique_ptr<SettingsGrid> grid;
};

class GridPendingTest : public QObject {
    Q_OBJECT
  private slots:
    // The marks and the line under the grid follow an edit, a read and a write, and the line
    // gives the same count the window asks with before discarding.
    void pendingMarksAndCountFollowEditReadAndWrite() {
        ui_test::MainFixture f;
        auto* settings = new MainWindowSettings(*f.window);
        f.window->show();
        QVERIFY(f.connect());
        G& grid = *settings->grid();
        QLabel& line = *settings->pendingLine();
        QVERIFY(line.isHidden());  // nothing read yet
        readSettingsButton(*f.window)->click();
        QVERIFY(line.isVisible());
        QCOMPARE(line.text(), message(msg::NoPendingEdits));

        QVERIFY(grid.finishEdit(G::rowOf(kCO), G::colAlarm, "75"));
        QVERIFY(grid.pendingMarked(G::rowOf(kCO), G::colAlarm));
        QVERIFY(!grid.pendingMarked(G::rowOf(kCO), G::colWarning));
        QCOMPARE(grid.item(G::rowOf(kCO), G::colAlarm)->background().color(), G::pendingBack);
        QVERIFY(grid.item(G::rowOf(kCO), G::colAlarm)->font().bold());
        QCOMPARE(grid.item(G::rowOf(kCO), G::colAlarm)->toolTip(),
                 message(msg::OnInstrumentTip, {"50"}));
        QCOMPARE(f.window->pendingEdits(), 1);
        QCOMPARE(line.text(), message(msg::PendingEditOneLine));  // one setting: singular

        // Switching a channel off changes its gas record and its levels.
        f.asker.answers = {true};
        grid.item(G::rowOf(2), G::colEnable)->setCheckState(Qt::Unchecked);
        QVERIFY(grid.pendingMarked(G::rowOf(2), G::colEnable));
        QVERIFY(grid.pendingMarked(G::rowOf(2), G::colGas));
        const int pending = f.window->pendingEdits();
        QVERIFY(pending > 2);
        QCOMPARE(line.text(), message(msg::PendingEditsLine, {std::to_string(pending)}));

        // A read the user lets go ahead shows the instrument again: nothing pending.
        f.asker.answers = {true};
        readSettingsButton(*f.window)->click();
        QVERIFY(!grid.pendingMarked(G::rowOf(kCO), G::colAlarm));
        QVERIFY(!grid.pendingMarked(G::rowOf(2), G::colEnable));
        QCOMPARE(line.text(), message(msg::NoPendingEdits));

        // A write leaves nothing pending either.
        QVERIFY(grid.finishEdit(G::rowOf(kCO), G::colAlarm, "80"));
        QCOMPARE(line.text(), message(msg::PendingEditOneLine));
        f.asker.answers = {true};
        writeButton(*f.window, 0)->click();  // "Update"
        QCOMPARE(f.instrument->state().gases[kCO].alarm, 80.0f);
        QVERIFY(!grid.pendingMarked(G::rowOf(kCO), G::colAlarm));
        QCOMPARE(f.window->pendingEdits(), 0);
        QCOMPARE(line.text(), message(msg::NoPendingEdits));

        // After Power Off the window shows its defaults, which are nobody's edits: nothing is
        // counted, marked or asked about on the way out.
        f.asker.answers = {true};
        powerOffButton(*f.window)->click();
        QVERIFY(f.window->model().ImportFlag() != 0);
        QCOMPARE(f.window->pendingEdits(), 0);
        QVERIFY(line.isHidden());
        QVERIFY(!grid.pendingMarked(G::rowOf(kCO), G::colAutoCal));
    }

    // Each refused edit beeps once and says why; the model keeps its value.
    void refusedEditSaysWhyAndBeeps() {
        struct Case {
            int ch, column;
            const char* typed;
            const char* reason;
        };
        const Case cases[] = {
            {kCO, G::colAlarm, "abc", "\"abc\" is not a number."},
            {kCO, G::colWarning, "-5", "An alarm point cannot be negative."},
            {kCO, G::colStel, "250", "Out of range: 0 to 200."},
            {0, G::colAlarm, "70", "Too high: 60 or less."},
            {kCO, G::colAutoCal, "10", "Too low: 25 or more."},
            {kCO, G::colAutoCal, "600", "Out of range: 0 to 500."},
        };
        Bench b;
        QSignalSpy notices(b.grid.get(), &G::noticeShown);
        for (const Case& c : cases) {
            const QString before = b.grid->cellText(G::rowOf(c.ch), c.column);
            const int beeps = b.beeps;
            QVERIFY2(!b.grid->finishEdit(G::rowOf(c.ch), c.column, c.typed), c.typed);
            QCOMPARE(b.beeps, beeps + 1);
            QCOMPARE(b.grid->lastNotice(), QString(c.reason));
            QCOMPARE(notices.takeLast().at(0).toString(), QString(c.reason));
            QCOMPARE(b.grid->cellText(G::rowOf(c.ch), c.column), before);
        }
        QCOMPARE(b.model.Alarm(kCO), b.read.Alarm(kCO));

        // A value the grid rounds to the resolution is taken, and the rounding is pointed out
        // without a beep.
        const int beeps = b.beeps;
        QVERIFY(b.grid->finishEdit(G::rowOf(2), G::colWarning, "5.04"));
        QCOMPARE(b.grid->cellText(G::rowOf(2), G::colWarning), QString("5.0"));
        QCOMPARE(b.grid->lastNotice(),
                 QString("5.04 was rounded to 5.0 (the channel's resolution is 0.1)."));
        QCOMPARE(b.beeps, beeps);
    }

    // Whatever "Update" refuses is red, including a level not set ("-----") and the gases of
    // a combination it refuses; nothing else is.
    void everyValueUpdateRefusesIsRed() {
        struct Case {
            const char* name;
            std::function<void(InstrumentModel&)> spoil;
            std::vector<std::pair<int, int>> redCells;
        };
        const std::vector<Case> cases = {
            {"as read", [](InstrumentModel&) {}, {}},
            {"warning not set",
             [](InstrumentModel& m) { m.setWarning(0, levelNoValue); },
             {{0, G::colWarning}}},
            {"twa not set",
             [](InstrumentModel& m) { m.setTwa(2, levelNoValue); },
             {{2, G::colTwa}}},
            {"auto cal below warning",
             [](InstrumentModel& m) { m.setAutoCalib(kCO, 20); },
             {{kCO, G::colAutoCal}}},
            {"combustible gases differ",
             [](InstrumentModel& m) { m.setGasName(4, "H2"); },
             {{0, G::colGas}, {4, G::colGas}}},
        };
        Bench b;
        for (const Case& c : cases) {
            b.model = b.read;
            c.spoil(b.model);
            b.grid->refresh();
            for (int ch = 0; ch < G::channels; ++ch)
                for (int column : {int(G::colGas), int(G::colWarning), int(G::colAlarm),
                                   int(G::colStel), int(G::colTwa), int(G::colAutoCal)}) {
                    const bool expected = std::find(c.redCells.begin(), c.redCells.end(),
                                                    std::pair{ch, column}) != c.redCells.end();
                    QVERIFY2(
                        b.red(ch, column) == expected,
                        qPrintable(
                            QString("%1: channel %2 column %3").arg(c.name).arg(ch).arg(column)));
                }
            QCOMPARE(ValidateUpdate(b.model).has_value(), !c.redCells.empty());
        }
        b.model = b.read;
        b.model.setWarning(0, levelNoValue);
        b.grid->refresh();
        QCOMPARE(b.grid->cellText(G::rowOf(0), G::colWarning), QString("-----"));
    }

    // A red cell says why, in its tooltip and on the notice line, with the text of the box
    // "Update" would refuse with and the rule the value breaks; the line clears once nothing
    // is red. Switching channel 5 off turns channel 1's gas red because the hydrocarbon mode
    // needs both combustible channels: that is what the cell now says.
    void redCellsSayWhyUpdateRefusesThem() {
        struct Case {
            const char* name;
            std::function<void(Bench&)> spoil;
            int ch, column;
            std::string rule;  // after the refusal's own text; empty: the text says it all
        };
        const std::vector<Case> cases = {
            {"auto cal below warning", [](Bench& b) { b.model.setAutoCalib(kCO, 20); }, kCO,
             G::colAutoCal, "Too low: 25 or more."},
            {"warning above alarm",
             [](Bench& b) {
                 b.model.setWarning(kCO, 60);
                 b.model.setAlarm(kCO, 50);
             },
             kCO, G::colWarning, ResMessage(msg::RefusedWarningAboveAlarm, {"60", "50"})},
            {"h2s twa out of range", [](Bench& b) { b.model.setTwa(2, 40); }, 2, G::colTwa,
             "Out of range: 0.0 to 30.0."},
            {"channel 5 switched off",
             [](Bench& b) {
                 b.asker.answers = {true};
                 b.click(4, false);
             },
             0, G::colGas, ""},
        };
        for (const Case& c : cases) {
            Bench b;
            QSignalSpy notices(b.grid.get(), &G::noticeShown);
            c.spoil(b);
            b.grid->refresh();
            QVERIFY2(b.red(c.ch, c.column), c.name);
            const std::optional<UpdateRefusal> refusal = ValidateUpdate(b.model);
            QVERIFY(refusal);
            QString why = QString::fromStdString(UpdateRefusalText(b.model, *refusal));
            if (!c.rule.empty()) why += "\n" + QString::fromStdString(c.rule);
            QCOMPARE(b.grid->refusedReason(G::rowOf(c.ch), c.column), why);
            QVERIFY2(b.grid->item(G::rowOf(c.ch), c.column)->toolTip().contains(why), c.name);
            const QString notice =
                message(msg::RefusedCellNotice,
                        {std::to_string(c.ch + 1), b.grid->cellText(1, c.column).toStdString(),
                         QString(why).replace('\n', ' ').toStdString()});
            QCOMPARE(b.grid->lastNotice(), notice);
            QCOMPARE(notices.last().at(0).toString(), notice);
            QCOMPARE(b.beeps, 0);  // nobody typed anything wrong
            // Put right, nothing is red and the line says nothing more.
            b.model = b.read;
            b.grid->refresh();
            QVERIFY(b.grid->refusedReason(G::rowOf(c.ch), c.column).isEmpty());
            QVERIFY(b.grid->lastNotice().isEmpty());
            QCOMPARE(notices.last().at(0).toString(), QString());
        }
        // The combination's words name both channels and what to do.
        Bench b;
        b.asker.answers = {true};
        b.click(4, false);
        QVERIFY(b.grid->refusedReason(G::rowOf(0), G::colGas)
                    .contains(message(msg::CombinationMissingPartner, {"1", "CH4", "5"})));
        // Channel 5 is red too, with the same words: either change puts it right.
        QCOMPARE(b.grid->refusedReason(G::rowOf(4), G::colGas),
                 b.grid->refusedReason(G::rowOf(0), G::colGas));
        // An edit taken that makes a cell red: the cell says why and what the instrument holds,
        // and the line says why rather than nothing.
        QVERIFY(b.grid->finishEdit(G::rowOf(kCO), G::colWarning, "60"));
        QVERIFY(b.red(kCO, G::colWarning));
        const QString tip = b.grid->item(G::rowOf(kCO), G::colWarning)->toolTip();
        QVERIFY2(tip.contains(message(msg::RefusedWarningAboveAlarm, {"60", "50"})),
                 qPrintable(tip));
        QVERIFY2(tip.contains(message(msg::OnInstrumentTip, {"25"})), qPrintable(tip));
    }

    // "Change gas..." on a channel that is on: double-click or the context menu on its gas
    // cell asks the list for that channel; a cancel changes nothing, a choice takes the gas
    // and says which levels changed.
    void changeGasFromTheGasCell() {
        Bench b;
        std::unique_ptr<QMenu> none(b.grid->contextMenuFor(G::rowOf(kCO), G::colAlarm));
        QVERIFY(!none);
        std::unique_ptr<QMenu> menu(b.grid->contextMenuFor(G::rowOf(kCO), G::colGas));
        QVERIFY(menu);
        QAction* change = menu->findChild<QAction*>("actChangeGas");
        QVERIFY(change);
        QCOMPARE(change->text(), message(msg::ChangeGasAction));
        QVERIFY(change->isEnabled());

        b.chosen = std::nullopt;  // cancelled
        change->trigger();
        QCOMPARE(b.asked, std::vector<int>{kCO});
        QCOMPARE(b.model.AutoCalib(kCO), b.read.AutoCalib(kCO));
        QVERIFY(b.grid->enableTicked(kCO));

        b.chosen = 0;  // CO from the gas table: auto calibration 100 where it was 50
        emit b.grid->cellDoubleClicked(G::rowOf(kCO), G::colGas);
        QCOMPARE(b.asked, (std::vector<int>{kCO, kCO}));
        QCOMPARE(b.model.AutoCalib(kCO), 100.0f);
        QVERIFY(b.grid->enableTicked(kCO));
        QCOMPARE(b.grid->lastNotice(), QString("Channel 4: Auto Cal. set to 100 (it was 50)."));
        emit b.grid->cellDoubleClicked(G::rowOf(kCO), G::colAlarm);  // not the gas cell
        QCOMPARE(b.asked.size(), std::size_t(2));

        // On a channel that is off it switches the channel on with the chosen gas.
        b.asker.answers = {true, false};  // disable; not back on as before
        b.click(kCO, false);
        b.chosen = 0;
        emit b.grid->cellDoubleClicked(G::rowOf(kCO), G::colGas);
        QVERIFY(b.model.GasEnabled(kCO));
        QVERIFY(b.grid->enableTicked(kCO));
    }

    // Switched off and on, a channel is offered its own gas and levels again (the gas list
    // would give the library's "METHANE" for "CH4"); a gas taken from the list instead says
    // which of its levels differ from the ones the channel had.
    void switchingOnOffersTheGasTheChannelHad() {
        Bench b;
        b.asker.answers = {true, true};  // disable, then "back on as before?"
        b.click(0, false);
        QVERIFY(!b.model.GasEnabled(0));
        b.click(0, true);
        QCOMPARE(b.asker.boxes.back().text,
                 ResMessage(msg::RestoreGasQuestion, {"1", "CH4(100%LEL)"}));
        QVERIFY(b.asked.empty());
        QVERIFY(b.model.GasEnabled(0));
        QCOMPARE(TrimText(b.model.GasName(0)), std::string("CH4"));
        QCOMPARE(b.model.AutoCalib(0), b.read.AutoCalib(0));
        QCOMPARE(b.model.Warning(0), b.read.Warning(0));
        QVERIFY(!b.grid->pendingMarked(G::rowOf(0), G::colGas));

        // CO from the gas table brings auto calibration 100 where the channel had 50.
        b.asker.answers = {true, false};
        b.chosen = 0;
        b.click(kCO, false);
        b.click(kCO, true);
        QCOMPARE(b.asked, std::vector<int>{kCO});
        QCOMPARE(b.model.AutoCalib(kCO), 100.0f);
        QCOMPARE(b.grid->lastNotice(), QString("Channel 4: Auto Cal. set to 100 (it was 50)."));
        QVERIFY(b.grid->pendingMarked(G::rowOf(kCO), G::colAutoCal));
        QCOMPARE(b.beeps, 0);
    }
};

}  // namespace
}  // namespace vq

QTEST_MAIN(vq::GridPendingTest)
#include "grid_pending_test.moc"

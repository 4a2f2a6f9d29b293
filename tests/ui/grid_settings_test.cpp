// The settings grid alone, offscreen: what an edit stores and refuses, the colours of the pair and
// range rules, and the enable box with its notices, question and gas choice.

#include <QLineEdit>
#include <QtTest>
#include <memory>
#include <optional>

#include "app/app_config.h"
#include "app/gas_table.h"
#include "link/link_status.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "ui/main/settings_grid.h"
#include "ui/support/grid_test_support.h"

namespace vq {
namespace {

using grid_test::Box;
using G = SettingsGrid;

constexpr int kO2 = 1, kH2S = 2, kCO = 3;

// A grid over a model built from the gas table (CH4, O2, H2S, CO; channel 4 off), shown as an
// imported model: no instrument needed.
struct Harness : SettingsGridWindow {
    Harness() {
        setLanguage(Language::English);
        FillBuiltInDefaults(config);
        for (int ch = 0; ch < 4; ++ch) ApplyGasToChannel(model, config.gasTable, ch, 0, false);
        model.setImportFlag(1);
        grid =
            std::make_unique<SettingsGrid>(SettingsGridDeps{model, config, asker, gridBusy, *this});
        grid->resize(700, 240);
        grid->show();
    }
    QString text(int ch, int column) const { return grid->cellText(G::rowOf(ch), column); }
    bool red(int ch, int column) const {
        return grid->cellColour(G::rowOf(ch), column) == G::badText;
    }
    bool edit(int ch, int column, const QString& typed, QString* shown = nullptr) {
        return grid->finishEdit(G::rowOf(ch), column, typed, shown);
    }
    void clickEnable(int ch, bool on) {
        grid->item(G::rowOf(ch), G::colEnable)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }

    InstrumentModel model;
    AppConfig config;
    grid_test::RecordingAsker asker;
    bool gridBusy = false;
    bool connected() const override { return false; }
    SessionState sessionState() const override { return SessionState::Settled; }
    std::optional<int> chooseGas(int channel) override {
        asked.push_back(channel);
        return chosen;
    }
    void showInstrument() override { grid->refresh(); }
    std::optional<int> chosen;
    std::vector<int> asked;
    std::unique_ptr<SettingsGrid> grid;
};

class GridSettingsTest : public QObject {
    Q_OBJECT
  private slots:
    void layoutShowsEveryChannelWithItsCaptions() {
        Harness h;
        QCOMPARE(h.grid->objectName(), QString("vfgOption"));
        QCOMPARE(h.grid->rowCount(), 7);
        QCOMPARE(h.grid->cellText(0, G::colWarning), QString("Warning and Alarm point"));
        QCOMPARE(h.grid->columnSpan(0, G::colWarning), 4);
        QCOMPARE(h.grid->cellText(1, G::colAutoCal), QString("Auto Cal."));
        QCOMPARE(h.text(kH2S, G::colGas), QString("H2S(100.0ppm)"));
        QCOMPARE(h.text(kH2S, G::colStel), QString("15.0"));
        QCOMPARE(h.text(4, G::colGas), QString("----(---)"));
        QCOMPARE(h.grid->item(G::rowOf(kH2S), G::colGas)->toolTip(), QString("H2S(100.0ppm)"));
        QCOMPARE(h.text(0, G::colStel), QString("-----"));
        QVERIFY(h.grid->enableTicked(kCO));
        QVERIFY(!h.grid->enableTicked(4));
        // The factory concentrations follow what the model shows.
        QCOMPARE(h.config.factoryAutoCal[kCO], 100.0f);
    }

    void cellsWithoutMeaningCannotBeEdited() {
        Harness h;
        QVERIFY(h.grid->canEdit(G::rowOf(kH2S), G::colStel));
        QVERIFY(h.grid->canEdit(G::rowOf(0), G::colAlarm));
        QVERIFY(h.grid->canEdit(G::rowOf(4), G::colAutoCal));
        QVERIFY(!h.grid->canEdit(G::rowOf(0), G::colStel));
        QVERIFY(!h.grid->canEdit(G::rowOf(kO2), G::colTwa));
        QVERIFY(!h.grid->canEdit(G::rowOf(4), G::colWarning));
        QVERIFY(!h.grid->canEdit(G::rowOf(4), G::colTwa));
        QVERIFY(!h.grid->canEdit(1, G::colWarning));
        QVERIFY(!h.grid->canEdit(G::rowOf(0), G::colGas));
        h.gridBusy = true;
        QVERIFY(!h.grid->canEdit(G::rowOf(kH2S), G::colStel));
    }

    void oxygenInLowLowModeTurnsRedWhenWarningAndAlarmSwap() {
        Harness h;
        QCOMPARE(h.model.AlarmO2(), std::int16_t(1));
        QVERIFY(h.edit(kO2, G::colWarning, "19.5"));
        QVERIFY(h.edit(kO2, G::colAlarm, "18"));
        QVERIFY(!h.red(kO2, G::colWarning) && !h.red(kO2, G::colAlarm));
        QCOMPARE(h.text(kO2, G::colAlarm), QString("18.0"));

        QVERIFY(h.edit(kO2, G::colAlarm, "19.5"));
        QVERIFY(h.edit(kO2, G::colWarning, "18"));
        QCOMPARE(h.model.Warning(kO2), 18.0f);
        QCOMPARE(h.model.Alarm(kO2), 19.5f);
        QVERIFY(h.red(kO2, G::colWarning));
        QVERIFY(h.red(kO2, G::colAlarm));
        // Outside 18 to 20.9 the oxygen points are refused.
        QVERIFY(!h.edit(kO2, G::colAlarm, "21"));
        QCOMPARE(h.model.Alarm(kO2), 19.5f);
    }

    void combustibleAlarmAboveSixtyPercentOfFullScaleIsRefused() {
        Harness h;
        h.model.clearChanged(SettingId::Alarm, 0);
        QString shown;
        QVERIFY(!h.edit(0, G::colAlarm, "61", &shown));
        QCOMPARE(h.model.Alarm(0), 50.0f);
        QVERIFY(!h.model.isChanged(SettingId::Alarm, 0));
        QCOMPARE(h.text(0, G::colAlarm), QString("50"));
        QVERIFY(h.edit(0, G::colAlarm, " 60 ", &shown));
        QCOMPARE(shown, QString("60"));
        QCOMPARE(h.model.Alarm(0), 60.0f);
        QVERIFY(h.model.isChanged(SettingId::Alarm, 0));
        QVERIFY(!h.red(0, G::colAlarm));
    }

    void h2sLimitsAndRoundingToTheResolution() {
        Harness h;
        QVERIFY(!h.edit(kH2S, G::colStel, "31"));
        QCOMPARE(h.model.Stel(kH2S), 15.0f);
        QVERIFY(h.edit(kH2S, G::colStel, "30"));
        QCOMPARE(h.model.Stel(kH2S), 30.0f);
        QCOMPARE(h.text(kH2S, G::colStel), QString("30.0"));
        // The resolution is 0.5: 7.3 becomes 7.5, 7.25 the even 7.0.
        QString shown;
        QVERIFY(h.edit(kH2S, G::colTwa, "7.3", &shown));
        QCOMPARE(shown, QString("7.5"));
        QVERIFY(h.edit(kH2S, G::colTwa, "7.25", &shown));
        QCOMPARE(h.model.Twa(kH2S), 7.0f);
        for (const char* bad : {"abc", "7,5", "1e", "0x10"}) {
            QVERIFY2(!h.edit(kH2S, G::colTwa, bad), bad);
            QCOMPARE(h.model.Twa(kH2S), 7.0f);
        }
        QVERIFY(!h.edit(kH2S, G::colWarning, "-1"));
    }

    void clearedAlarmPointStaysOpenClearedAutoCalIsAccepted() {
        Harness h;
        QString shown;
        QVERIFY(!h.edit(kCO, G::colTwa, "  ", &shown));
        QCOMPARE(shown, QString("-----"));
        QCOMPARE(h.model.Twa(kCO), levelNotSet);
        QCOMPARE(h.text(kCO, G::colTwa), QString("-----"));
        QVERIFY(h.edit(kCO, G::colAutoCal, "", &shown));
        QCOMPARE(h.model.AutoCalib(kCO), levelNotSet);
        QCOMPARE(h.text(kCO, G::colAutoCal), QString("-----"));
        // A cleared warning counts as right against any alarm, but "Update" refuses a fitted
        // channel without one: the cleared cell is red, as is the cleared TWA.
        QVERIFY(h.edit(kCO, G::colAlarm, "20"));
        QVERIFY(h.red(kCO, G::colWarning) && h.red(kCO, G::colAlarm));
        QVERIFY(!h.edit(kCO, G::colWarning, ""));
        QVERIFY(h.red(kCO, G::colWarning) && !h.red(kCO, G::colAlarm));
        QVERIFY(h.red(kCO, G::colTwa));
    }

    void autoCalibrationRules() {
        Harness h;
        QVERIFY(!h.edit(kCO, G::colAutoCal, "501"));  // above full scale
        QVERIFY(!h.edit(kCO, G::colAutoCal, "20"));   // below the warning 25
        QVERIFY(h.edit(kCO, G::colAutoCal, "25"));
        QVERIFY(!h.edit(kO2, G::colAutoCal, "19.6"));  // oxygen: at most the warning 19.5
        QVERIFY(h.edit(kO2, G::colAutoCal, "19.5"));
        // A value the five-character field could not carry is refused, not cut.
        h.model.setGasPoint(kCO, 2);
        h.model.setResolution(kCO, 0.01f);
        QVERIFY(!h.edit(kCO, G::colAutoCal, "100"));
        QCOMPARE(h.model.AutoCalib(kCO), 25.0f);
    }

    void storedValuesOutOfRangeAreShownRed() {
        Harness h;
        h.model.setStel(kCO, 250);
        h.model.setAutoCalib(kH2S, 5);  // below the warning 10
        h.grid->refresh();
        QVERIFY(h.red(kCO, G::colStel));
        QVERIFY(!h.red(kCO, G::colTwa));
        QVERIFY(h.red(kH2S, G::colAutoCal));
        QVERIFY(!h.red(kH2S, G::colStel));
    }

    void nothingShownWithoutData() {
        Harness h;
        h.model.setImportFlag(0);
        h.grid->refresh();
        QCOMPARE(h.text(kCO, G::colGas), QString());
        QCOMPARE(h.grid->item(G::rowOf(kCO), G::colGas)->toolTip(), QString());
        QCOMPARE(h.text(kCO, G::colAlarm), QString());
        QVERIFY(!h.grid->canEdit(G::rowOf(kCO), G::colAlarm));
        QCOMPARE(h.grid->cellText(1, G::colGas), QString("Gas"));
    }

    void lockedChannelCannotBeSwitchedOff() {
        Harness h;
        h.config.gasLocked[kCO] = true;
        h.grid->refresh();
        h.clickEnable(kCO, false);
        QCOMPARE(h.asker.texts(Box::Information),
                 std::vector<std::string>{"This sensor is not removed."});
        QVERIFY(h.asker.texts(Box::Question).empty());
        QVERIFY(h.grid->enableTicked(kCO));
        QVERIFY(h.model.GasEnabled(kCO));
        QCOMPARE(h.model.Alarm(kCO), 50.0f);
    }

    void switchingOffAsksThenForgetsTheLevels() {
        Harness h;
        h.asker.answers = {false};
        h.clickEnable(kH2S, false);
        QVERIFY(h.grid->enableTicked(kH2S));
        QVERIFY(h.model.GasEnabled(kH2S));
        QCOMPARE(h.asker.boxes.at(0).title, std::string("Sensor Disable"));

        h.asker.answers = {true};
        h.clickEnable(kH2S, false);
        QVERIFY(!h.model.GasEnabled(kH2S));
        QVERIFY(!h.grid->enableTicked(kH2S));
        for (float v : {h.model.Warning(kH2S), h.model.Alarm(kH2S), h.model.Stel(kH2S),
                        h.model.Twa(kH2S), h.model.AutoCalib(kH2S)})
            QCOMPARE(v, levelNotSet);
        QCOMPARE(h.text(kH2S, G::colWarning), QString("-----"));
        QVERIFY(h.model.GasEnabled(kCO));
    }

    void switchingOnTakesTheChosenGasOrNothing() {
        Harness h;
        // Disable, then "back on as before?" answered No each time: the list is asked.
        h.asker.answers = {true, false, false, false};
        h.clickEnable(kO2, false);
        h.model.setAlarmO2(0);

        h.chosen = std::nullopt;  // cancelled
        h.clickEnable(kO2, true);
        QVERIFY(!h.grid->enableTicked(kO2));
        QVERIFY(!h.model.GasEnabled(kO2));
        h.chosen = -1;  // OK with nothing picked
        h.clickEnable(kO2, true);
        QVERIFY(!h.grid->enableTicked(kO2));
        QVERIFY(!h.model.GasEnabled(kO2));
        QCOMPARE(h.asked, (std::vector<int>{kO2, kO2}));

        h.chosen = 0;
        h.clickEnable(kO2, true);
        QVERIFY(h.model.GasEnabled(kO2));
        QVERIFY(h.grid->enableTicked(kO2));
        QCOMPARE(h.model.GasName(kO2), std::string("O2"));
        QCOMPARE(h.model.Warning(kO2), 19.5f);
        QCOMPARE(h.model.AlarmO2(), std::int16_t(1));  // oxygen: low and low-low alarms
        QCOMPARE(h.text(kO2, G::colAlarm), QString("18.0"));
    }

    void gasWithoutPpmUnitTakesNoExposureLimits() {
        Harness h;
        // A table entry for channel 3 in %LEL that carries exposure limits.
        GasEntry& gas = h.config.gasTable.at(1, kCO);
        gas = h.config.gasTable.at(0, kCO);
        gas.name = "XX";
        gas.unit = "%LEL";
        h.asker.answers = {true, false};  // disable; not back on as before
        h.clickEnable(kCO, false);
        h.chosen = 1;
        h.clickEnable(kCO, true);
        QCOMPARE(h.model.GasName(kCO), std::string("XX"));
        QCOMPARE(h.model.Stel(kCO), levelNotSet);
        QCOMPARE(h.text(kCO, G::colTwa), QString("-----"));
        QCOMPARE(h.model.Alarm(kCO), 50.0f);
    }

    void refusedTextKeepsTheEditorOpen() {
        Harness h;
        const QModelIndex index = h.grid->model()->index(G::rowOf(kH2S), G::colStel);
        h.grid->setCurrentIndex(index);
        h.grid->edit(index);
        auto* editor = qobject_cast<QLineEdit*>(h.grid->indexWidget(index));
        if (!editor) editor = h.grid->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, "31");
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
        QVERIFY(h.grid->findChild<QLineEdit*>() != nullptr);
        QVERIFY(h.grid->editing());
        QCOMPARE(h.model.Stel(kH2S), 15.0f);

        editor->selectAll();
        QTest::keyClicks(editor, "12.2");
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
        QVERIFY(!h.grid->editing());
        QCOMPARE(h.model.Stel(kH2S), 12.0f);
        QCOMPARE(h.text(kH2S, G::colStel), QString("12.0"));

        // No editor at all for a cell without meaning.
        const QModelIndex fixed = h.grid->model()->index(G::rowOf(0), G::colStel);
        h.grid->setCurrentIndex(fixed);
        QTest::ignoreMessage(QtWarningMsg, "edit: editing failed");
        h.grid->edit(fixed);
        QVERIFY(!h.grid->editing());
    }

    // What the instrument holds is shown as held: a full scale no gas can have stays the
    // instrument's value in the title, red, with the reason a hover away; a name with bytes above
    // 127 shows each of them escaped. A channel in range is not marked.
    void heldValuesOutOfRangeAreShownRedWithTheReason() {
        Harness h;
        h.model.setGasFullScale(kCO, -100);
        h.model.setGasName(kH2S, "H2S\xC3\xA9");
        h.grid->refresh();
        QCOMPARE(h.text(kCO, G::colGas), QString("CO(-100ppm)"));
        QVERIFY(h.red(kCO, G::colGas));
        const QString tip = h.grid->item(G::rowOf(kCO), G::colGas)->toolTip();
        QVERIFY2(tip.contains("Out of range on the instrument: channel 4: full scale -100 is not "
                              "above 0"),
                 qPrintable(tip));
        QCOMPARE(h.text(kH2S, G::colGas), QString("H2S\\xC3\\xA9(100.0ppm)"));
        QVERIFY(!h.red(kH2S, G::colGas));
        QVERIFY(!h.red(kO2, G::colGas));
        // Back in range, the mark goes.
        h.model.setGasFullScale(kCO, 500);
        h.grid->refresh();
        QVERIFY(!h.red(kCO, G::colGas));
    }
};

}  // namespace
}  // namespace vq

QTEST_MAIN(vq::GridSettingsTest)
#include "grid_settings_test.moc"

// Values an instrument holds outside their setting's range, and texts with bytes above 127, in the
// windows: the factory grid shows them as held, red with the reason; a read of an instrument
// holding them completes and names each one in red in the information log.

#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

#include "messages/messages.h"
#include "model/instrument.h"
#include "tests/ui/support/main_window_controls.h"
#include "tests/ui/support/main_window_fixture.h"
#include "ui/dialogs/factory_values_grid.h"

using namespace vq;
using namespace vq::ui_test;

namespace {

const QColor kRed(255, 0, 0);

// FactoryValuesGrid rows (from 1) of the settings below.
constexpr int kRowHcMode = 9, kRowBumpTime = 15, kRowLogOverWrite = 4;

}  // namespace

class HeldValuesWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { setLanguage(Language::English); }
    void factoryGridShowsHeldValuesRedWithTheReason();
    void readOfAnInstrumentHoldingThemNamesEachInTheLog();
};

void HeldValuesWindowTest::factoryGridShowsHeldValuesRedWithTheReason() {
    InstrumentModel m;
    m.setHcMode(9);
    m.setBumpTime(9);
    m.setCalLimit(0);
    m.setLcdBackLight(-1);
    m.setLogOverWrite(1);
    FactoryValuesGrid grid;
    grid.load(m);
    const struct {
        int row;
        const char* shown;
        const char* tip;  // empty: in range, not marked
    } cases[] = {
        {kRowHcMode, "9",
         "Out of range on the instrument: 9 is not one of the list (Auto, LEL, vol)"},
        {kRowBumpTime, "9",
         "Out of range on the instrument: 9 is not one of the list (30, 45, 60, 90)"},
        {FactoryValuesGrid::rowCalLimit, "0",
         "Out of range on the instrument: 0 is not between 1 and 365"},
        {FactoryValuesGrid::rowLcdBackLight, "-1",
         "Out of range on the instrument: -1 is not between 1 and 255"},
        {kRowLogOverWrite, nullptr, ""},
    };
    for (const auto& c : cases) {
        const QTableWidgetItem* cell = grid.item(c.row - 1, 1);
        if (c.shown != nullptr) QCOMPARE(cell->text(), QString(c.shown));
        QCOMPARE(cell->toolTip(), QString(c.tip));
        QCOMPARE(cell->foreground().color() == kRed, *c.tip != '\0');
    }
    // A value put in range by an edit loses the mark.
    QVERIFY(grid.editValue(kRowHcMode, "LEL"));
    QVERIFY(grid.item(kRowHcMode - 1, 1)->toolTip().isEmpty());
    QVERIFY(grid.item(kRowHcMode - 1, 1)->foreground().color() != kRed);
    // Nothing the user did not edit is stored in place of the held values.
    InstrumentModel stored = m;
    grid.store(stored);
    QCOMPARE(stored.BumpTime(), std::int16_t(9));
    QCOMPARE(stored.LcdBackLight(), std::int16_t(-1));
    QCOMPARE(stored.HcMode(), std::int16_t(1));
}

void HeldValuesWindowTest::readOfAnInstrumentHoldingThemNamesEachInTheLog() {
    MainFixture f;
    auto& state = f.instrument->state();
    state.settings.bumpTime = 9;
    state.settings.bumpThreshold = 9;
    state.settings.bumpFailCalTime = 9;
    state.settings.bumpFailAfter = 9;
    state.settings.hcMode = 9;
    state.settings.calLimit = 0;
    state.settings.lcdBackLight = 65535;
    state.gases[0].fullScale = -100;
    state.gases[2].name = "H2S\xC3\xA9";
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(f.connect());
    readSettingsButton(w)->click();

    QVERIFY(!linesStarting(*logBox(w), ResMessage(msg::ReadCompleteInfo)).empty());
    QCOMPARE(w.model().BumpTime(), std::int16_t(9));
    QCOMPARE(w.model().HcMode(), std::int16_t(9));
    QCOMPARE(w.model().GasName(2), std::string("H2S\xC3\xA9"));
    const char* named[] = {"(GJ): channel 1: full scale -100 is not above 0",
                           "(LP): HC mode 9 is not between 0 and 2",
                           "(XT): LCD backlight time -1 is not between 1 and 255",
                           "(BU): bump test time 9 is not between 0 and 3",
                           "(SC): calibration time limit 0 is not between 1 and 365"};
    const std::string lead = ResMessage(msg::HeldOutOfRangeInfo, {"\x1f"});
    const auto lines = linesStarting(*logBox(w), lead.substr(0, lead.find('\x1f')));
    QCOMPARE(static_cast<int>(lines.size()), 8);
    for (const char* text : named) {
        bool found = false;
        for (const LogLine& line : lines)
            found = found || (line.text.contains(text) && line.colour == kRed);
        QVERIFY2(found, text);
    }
    // The gas cell's red mark is the settings grid's own (grid_settings_test).
}

QTEST_MAIN(HeldValuesWindowTest)
#include "held_values_window_test.moc"

// The boxes around the settings grid, offscreen: the gas selection window's lists and answers,
// and the identity boxes' key filter and leave rule.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <array>
#include <memory>

#include "app/app_config.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "ui/dialogs/gas_select_dialog.h"
#include "ui/main/identity_boxes.h"

namespace vq {
namespace {

// The visible options by index.
std::vector<int> shownOptions(const GasSelectDialog& window) {
    std::vector<int> shown;
    for (int i = 0; i < GasSelectDialog::optionCount; ++i)
        if (!window.gasOption(i)->isHidden()) shown.push_back(i);
    return shown;
}

LibraryEntry gas(const std::string& name, float fullScale, const std::string& unit) {
    LibraryEntry entry;
    entry.Name = name;
    entry.FullScale = fullScale;
    entry.Unit = unit;
    return entry;
}

// Three named gases in the first list (entries 1, 2, 5), the second list (from 16) empty but
// for "---" markers, and two special gases.
InstrumentModel instrumentWithLists() {
    InstrumentModel model;
    model.setLI_Entry(1, gas("CH4", 100, "%LEL"));
    model.setLI_Entry(2, gas("H2", 100, "%LEL"));
    model.setLI_Entry(5, gas("C2H2", 100, "%LEL"));
    model.setLI_Entry(3, gas("---", 0, ""));
    model.setLI_Entry(16, gas("CH4", 100, "VOL%"));
    model.setLI_Entry(17, gas("--------", 0, ""));
    model.setLS_Entry(0, gas("USERGAS", 50, "%LEL"));
    model.setLS_Entry(1, gas("CH4", 100, "VOL%"));
    return model;
}

struct Identity {
    Identity() {
        for (int i = 0; i < 3; ++i) {
            boxes[static_cast<std::size_t>(i)] = new QLineEdit(&window);
            boxes[static_cast<std::size_t>(i)]->setObjectName(QString("txtOption%1").arg(i));
        }
        filter = std::make_unique<IdentityBoxes>(boxes, model, [this] { ++beeps; });
        filter->showModel();
        window.show();
    }
    QWidget window;
    std::array<QLineEdit*, 3> boxes{};
    InstrumentModel model;
    int beeps = 0;
    std::unique_ptr<IdentityBoxes> filter;
};

class GridBoxesTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { setLanguage(Language::English); }

    void combustibleChannelListsTheInstrumentsGasesAndTheSpecialGas() {
        const InstrumentModel model = instrumentWithLists();
        AppConfig config;
        FillBuiltInDefaults(config);
        GasSelectDialog window(model, config.gasTable, true);
        window.setGasNo(0);
        QCOMPARE(shownOptions(window), (std::vector<int>{0, 1, 4, 15}));
        QCOMPARE(window.gasOption(1)->text(), QString("H2(100%LEL)"));
        QCOMPARE(window.gasOption(15)->text(), QString("USERGAS(50%LEL)"));
        QCOMPARE(window.optionRows(), 4);
        QCOMPARE(window.optionColumns(), 4);
        // Channel 4: its own special gas is one of its listed gases, so it is not offered twice.
        window.setGasNo(4);
        QCOMPARE(shownOptions(window), (std::vector<int>{0}));
        QCOMPARE(window.gasOption(0)->text(), QString("CH4(100VOL%)"));
    }

    void otherChannelsListAtMostTheFirstEightTableRows() {
        const InstrumentModel model;
        AppConfig config;
        FillBuiltInDefaults(config);
        GasSelectDialog window(model, config.gasTable, true);
        window.setGasNo(2);
        QCOMPARE(shownOptions(window), (std::vector<int>{0}));
        QCOMPARE(window.gasOption(0)->text(), QString("H2S(100.0ppm)"));
        QCOMPARE(window.optionRows(), 1);
        QCOMPARE(window.optionColumns(), 1);
        for (int row = 0; row < 12; ++row) {
            GasEntry& entry = config.gasTable.at(row, 3);
            entry.enabled = true;
            entry.name = "G" + std::to_string(row);
        }
        window.setGasNo(3);
        QCOMPARE(shownOptions(window), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
        QCOMPARE(window.optionRows(), 4);
        QCOMPARE(window.optionColumns(), 2);
        // Not connected, a combustible channel offers the table's gases: those are what the gas
        // change would take.
        GasSelectDialog offline(model, config.gasTable, false);
        offline.setGasNo(0);
        QCOMPARE(shownOptions(offline).size(), std::size_t(8));
        QCOMPARE(offline.gasOption(2)->text(), QString("H2(100%LEL)"));
    }

    void answersOfTheWindow() {
        const InstrumentModel model = instrumentWithLists();
        AppConfig config;
        FillBuiltInDefaults(config);
        GasSelectDialog window(model, config.gasTable, true);
        window.setGasNo(0);
        QCOMPARE(window.SelNum(), std::int16_t(-1));
        window.gasButton(0)->click();  // OK with nothing chosen: says so and stays
        QVERIFY(!window.Flags());
        QVERIFY(!window.nothingChosenLabel()->isHidden());
        QCOMPARE(window.SelNum(), std::int16_t(-1));

        window.setGasNo(0);
        QVERIFY(!window.Flags());
        window.gasOption(4)->click();
        QCOMPARE(window.SelNum(), std::int16_t(4));
        window.gasButton(1)->click();  // Cancel
        QVERIFY(!window.Flags());

        window.setGasNo(0);  // a new list forgets the last choice
        QCOMPARE(window.SelNum(), std::int16_t(-1));
        QVERIFY(!window.gasOption(4)->isChecked());
        window.gasOption(15)->click();
        window.gasButton(0)->click();
        QVERIFY(window.Flags());
        QCOMPARE(window.SelNum(), std::int16_t(15));
    }

    void identityKeysAreUpperCasedAndLimited() {
        Identity h;
        QSignalSpy refused(h.filter.get(), &IdentityBoxes::refused);
        QLineEdit* serial = h.boxes[0];
        serial->clear();
        QTest::keyClicks(serial, "ab-12 x*");
        QCOMPARE(serial->text(), QString("AB-12 X*"));
        QCOMPARE(h.beeps, 0);
        QTest::keyClicks(serial, "a_b.c");
        QCOMPARE(serial->text(), QString("AB-12 X*ABC"));
        QCOMPARE(h.beeps, 2);
        // Each refused key says why.
        QCOMPARE(refused.size(), 2);
        QCOMPARE(refused.at(0).at(0).toString(),
                 QString("\"_\" cannot be used here: digits, A-Z, space, * and - only."));
        serial->setText("12345678901234567890");
        serial->setCursorPosition(20);
        QTest::keyClicks(serial, "Z");
        QCOMPARE(serial->text(), QString("12345678901234567890"));
        QCOMPARE(h.beeps, 3);
        QCOMPARE(refused.at(2).at(0).toString(), QString("At most 20 characters."));
        // Typing over a selection is judged on the text it makes.
        serial->setSelection(0, 2);
        QTest::keyClicks(serial, "q");
        QCOMPARE(serial->text(), QString("Q345678901234567890"));
        serial->end(false);
        QTest::keyClick(serial, Qt::Key_Backspace);
        QCOMPARE(serial->text(), QString("Q34567890123456789"));
        QCOMPARE(h.beeps, 3);
        // The user id box takes 16 (a blank id shows as 16 "-").
        QCOMPARE(h.boxes[2]->text(), QString(16, '-'));
        h.boxes[2]->clear();
        QTest::keyClicks(h.boxes[2], "abcdefghijklmnopq");
        QCOMPARE(h.boxes[2]->text(), QString("ABCDEFGHIJKLMNOP"));
    }

    void leavingABoxStoresAValidTextOnly() {
        Identity h;
        h.model.setStationID("PLANT 1");
        h.model.clearChanged(SettingId::StationID);
        h.filter->showModel();
        h.boxes[1]->setText("GATE 7");
        h.filter->leaveBox(1);
        QCOMPARE(h.model.StationID(), std::string("GATE 7"));
        QVERIFY(h.model.isChanged(SettingId::StationID));

        h.model.clearChanged(SettingId::StationID);
        h.boxes[1]->setText("gate;8");  // a paste the keys would not have let in
        h.filter->leaveBox(1);
        QCOMPARE(h.boxes[1]->text(), QString("GATE 7"));
        QCOMPARE(h.model.StationID(), std::string("GATE 7"));
        QVERIFY(!h.model.isChanged(SettingId::StationID));
        // Leaving without a change marks nothing.
        h.filter->leaveBox(1);
        QVERIFY(!h.model.isChanged(SettingId::StationID));
    }
};

}  // namespace
}  // namespace vq

QTEST_MAIN(vq::GridBoxesTest)
#include "grid_boxes_test.moc"

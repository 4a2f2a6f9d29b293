// The factory grid's rows against the settings table they come from: every row, in both
// languages, shows the table's caption and list, refuses a number just outside the table's range
// and stores the edges of it through the table's setter.

#include <QtTest>
#include <algorithm>
#include <map>
#include <string>

#include "messages/messages.h"
#include "model/instrument.h"
#include "model/settings_table.h"
#include "ui/dialogs/factory_values_grid.h"
#include "ui/support/factory_test_model.h"

namespace vq {
namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// The list a person should see for the setting, written out from its table row.
QStringList expectedItems(const Setting& s) {
    using Shown = ShownForm::Kind;
    QStringList items;
    switch (s.shown.kind) {
        case Shown::OnOff:
            return {qs(ResMessage(msg::WordOff)), qs(ResMessage(msg::WordOn))};
        case Shown::Texts:
            for (const QString& item : qs(std::string(s.shown.texts)).split('|')) {
                const QString upper = item.toUpper();
                items << (upper == "OFF"    ? qs(ResMessage(msg::WordOff))
                          : upper == "ON"   ? qs(ResMessage(msg::WordOn))
                          : upper == "AUTO" ? qs(ResMessage(msg::WordAuto))
                                            : item);
            }
            return items;
        case Shown::Ids:
        case Shown::TypeIds:
        case Shown::Pattern:
            for (int id : s.shown.ids)
                if (id != 0) items << qs(ResMessage(id));
            return items;
        case Shown::Number:
            break;
    }
    return items;
}

}  // namespace

class FactoryValuesRowsTest : public QObject {
    Q_OBJECT

  private slots:
    void everySettingIsARowOnceUnlessAnotherWindowShowsIt();
    void everyRowShowsItsSettingsCaptionAndList();
    void numberRowsTakeTheTablesRangeAndStoreThroughItsSetter();
    void oldRomDropsTheLastOxygenAlarmType();
};

void FactoryValuesRowsTest::everySettingIsARowOnceUnlessAnotherWindowShowsIt() {
    std::map<std::string_view, int> shown;
    for (int row = 1; row <= FactoryValuesGrid::rows; ++row)
        ++shown[FactoryValuesGrid::rowSetting(row)];
    QCOMPARE(shown["DummySerial"], 1);
    for (const Setting& s : SettingsTable()) {
        const bool elsewhere =
            std::find(fs_datas::kShownElsewhere.begin(), fs_datas::kShownElsewhere.end(), s.prop) !=
            fs_datas::kShownElsewhere.end();
        QVERIFY2(shown[s.prop] == (elsewhere ? 0 : 1), s.prop.data());
    }
    QCOMPARE(FactoryValuesGrid::rows,
             static_cast<int>(SettingsTable().size() - fs_datas::kShownElsewhere.size() + 1));
    // The ordered rows come first, as the dialog has always shown them.
    for (int row = 1; row <= static_cast<int>(fs_datas::kOrder.size()); ++row)
        QCOMPARE(FactoryValuesGrid::rowSetting(row),
                 fs_datas::kOrder[static_cast<std::size_t>(row - 1)]);
}

void FactoryValuesRowsTest::everyRowShowsItsSettingsCaptionAndList() {
    for (Language language : {Language::English, Language::Japanese}) {
        setLanguage(language);
        const InstrumentModel model = fs_test::readInstrument();
        FactoryValuesGrid grid;
        grid.load(model);
        QCOMPARE(grid.rowCount(), FactoryValuesGrid::rows);
        QCOMPARE(grid.item(FactoryValuesGrid::rowManufactureNumber - 1, 0)->text(),
                 qs(ResMessage(msg::ManufactureNumberLabel)));
        for (int row = FactoryValuesGrid::rowManufactureNumber + 1; row <= FactoryValuesGrid::rows;
             ++row) {
            const std::string_view prop = FactoryValuesGrid::rowSetting(row);
            const Setting* s = FindSettingOf(prop);
            QVERIFY2(s != nullptr, prop.data());
            const QString label = grid.item(row - 1, 0)->text();
            if (row == FactoryValuesGrid::rowCalLimit) {
                // Its own label, with the table's range in it.
                QCOMPARE(label, qs(ResMessage(msg::CalTimeLimitLabel,
                                              {std::to_string(s->low), std::to_string(s->high)})));
                QVERIFY2(label.contains(QString("%1-%2").arg(s->low).arg(s->high)),
                         qPrintable(label));
            } else {
                QCOMPARE(label, qs(ResMessage(s->caption)));
            }
            QCOMPARE(grid.listItems(row), expectedItems(*s));
        }
    }
    setLanguage(Language::English);
    // The label reads as before the range came from the table.
    FactoryValuesGrid grid;
    QCOMPARE(grid.item(FactoryValuesGrid::rowCalLimit - 1, 0)->text(),
             QString("Calibration Time Limit(1-365days)"));
}

void FactoryValuesRowsTest::numberRowsTakeTheTablesRangeAndStoreThroughItsSetter() {
    int numberRows = 0;
    for (int row = FactoryValuesGrid::rowManufactureNumber + 1; row <= FactoryValuesGrid::rows;
         ++row) {
        const Setting* s = FindSettingOf(FactoryValuesGrid::rowSetting(row));
        QVERIFY(s != nullptr);
        if (s->isText || s->shown.kind != ShownForm::Kind::Number) continue;
        ++numberRows;
        for (std::int32_t edge : {s->low, s->high}) {
            InstrumentModel model = fs_test::readInstrument();
            FactoryValuesGrid grid;
            grid.load(model);
            QVERIFY2(!grid.editValue(row, QString::number(s->low - 1)), s->what.data());
            QVERIFY2(!grid.editValue(row, QString::number(s->high + 1)), s->what.data());
            QVERIFY2(grid.editValue(row, QString::number(edge)), s->what.data());
            grid.store(model);
            QCOMPARE(s->number(model), edge);
            QVERIFY2(s->changed(model), s->what.data());
        }
    }
    QCOMPARE(numberRows, 2);  // the calibration time limit and the backlight time
}

void FactoryValuesRowsTest::oldRomDropsTheLastOxygenAlarmType() {
    const Setting* s = FindSettingOf("AlarmO2");
    QVERIFY(s != nullptr);
    QStringList all = qs(std::string(s->shown.texts)).split('|');
    struct Case {
        int rom;
        int items;
    };
    for (const Case c : {Case{4425, 2}, Case{4426, 3}, Case{9999, 3}}) {
        FactoryValuesGrid grid;
        grid.load(fs_test::readInstrument(c.rom));
        QCOMPARE(grid.listItems(FactoryValuesGrid::rowOxyAlarm), all.mid(0, c.items));
    }
}

}  // namespace vq

QTEST_MAIN(vq::FactoryValuesRowsTest)
#include "factory_values_rows_test.moc"

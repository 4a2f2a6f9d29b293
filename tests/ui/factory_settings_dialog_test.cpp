// The factory setting dialog driven offscreen: what comes back to the caller's model on OK and
// Cancel, the editing rules of the three grids, and the station list file round trip.

#include <QAbstractItemDelegate>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "messages/messages.h"
#include "model/instrument.h"
#include "protocol/settings_write.h"
#include "ui/dialogs/factory_settings_dialog.h"
#include "ui/dialogs/factory_values_grid.h"
#include "ui/dialogs/gas_table_grid.h"
#include "ui/dialogs/station_list_grid.h"
#include "ui/support/factory_recording_channel.h"
#include "ui/support/factory_test_model.h"

namespace vq {
namespace {

using Grid = GasTableGrid;
constexpr int settingsRow = Grid::settingsRow;
constexpr int secondHalf = Grid::halfWidth;

struct Notice {
    QMessageBox::Icon icon;
    QString text;
};

// A dialog shown over `model`, its boxes recorded instead of shown.
struct Harness {
    explicit Harness(InstrumentModel& model) {
        dialog = std::make_unique<FactorySettingsDialog>();
        dialog->setNotify([this](QMessageBox::Icon icon, const QString& text) {
            notices.push_back({icon, text});
        });
        dialog->setInstrument(&model);
        dialog->show();
    }
    FactoryValuesGrid& datas() const { return *dialog->datasGrid(); }
    StationListGrid& stations() const { return *dialog->stationGrid(); }
    Grid& gases() const { return *dialog->gasTableGrid(); }
    void clickOk() const { dialog->findChild<QPushButton*>("cmdOK")->click(); }
    void clickCancel() const { dialog->findChild<QPushButton*>("cmdCancel")->click(); }
    bool accepted() const { return dialog->result() == QDialog::Accepted && !dialog->isVisible(); }

    std::unique_ptr<FactorySettingsDialog> dialog;
    std::vector<Notice> notices;
};

QString improperData(int gridNameId) {
    return QString::fromStdString(ResMessage(msg::ImproperDataFound, {ResMessage(gridNameId)}));
}

// The box after a station list export: done, and where the file is.
QString exportedTo(const QString& path) {
    return QString::fromStdString(ResMessage(msg::ExportComplete)) + "\r\n" +
           QFileInfo(path).absoluteFilePath();
}

void writeFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

void writeLines(const QString& path, int count) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QTextStream out(&file);
    for (int i = 1; i <= count; ++i) out << "IMP " << i << ',' << i << "\r\n";
}

// The open cell editor of a grid, if any.
template <typename Editor>
Editor* visibleEditor(QTableWidget& grid) {
    for (Editor* editor : grid.viewport()->findChildren<Editor*>())
        if (editor->isVisible()) return editor;
    return nullptr;
}

// Opens the cell editor of a grid cell, as a double click does, and returns it.
template <typename Editor>
Editor* openEditorOf(QTableWidget& grid, int tableRow, int column) {
    grid.setCurrentCell(tableRow, column);
    grid.editItem(grid.item(tableRow, column));
    return visibleEditor<Editor>(grid);
}

}  // namespace

class FrmFsDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void gasTableShowsItsLastRowWhole();
    void cancelAfterEditsLeavesTheMainModelAndItsFlags();
    void okWithoutEditsCopiesNothing();
    void okCopiesBackOnlyTheEditedFields();
    void everyShowingStartsFromTheMainModel();
    void modalRunThroughTheEntryPoint();
    void oxyAlarmListFollowsTheRomNumber();
    void listRowsShowAndStoreTheirPositions();
    void translatedListsStoreTheSamePositions();
    void wholeNumberRowsKeepTheirRanges();
    void typingIsFilteredAndUpperCased();
    void refusedEditReopensTheEditorWithTheOldValue();
    void stationEditorCountsCharactersAndStopsAtSixteen();
    void stationExportThenImportGivesTheSameList();
    void stationButtonsAskForTheFileAndCancelEndsQuietly();
    void importPutsEachLineAtItsStationAndSaysHowManyChanged();
    void seventeenCharacterStationIsRedAndBlocksOkAndExport();
    void refusedImportChangesNothingAndNamesTheLine();
    void importOfAMissingFileReportsIt();
    void libraryHalfIsReadOnly();
    void gasNamesAreCheckedAndRowSixteenKeptEqual();
    void gasNumbersAreReshownAndRangeChecked();
    void coefficientsShowTheDigitsOfTheirSingles();
    void redGasCellBlocksOk();
    void editedSettingsGasIsWrittenByTheNextUpdate();
};

void FrmFsDialogTest::cancelAfterEditsLeavesTheMainModelAndItsFlags() {
    InstrumentModel model = fs_test::readInstrument();
    model.markChanged(SettingId::Zero, 1);  // an edit of the main window still owed
    model.setSpecNo("OWED");
    const std::string before = fs_test::modelImage(model);

    Harness h(model);
    QVERIFY(h.datas().editValue(3, "Reset"));
    QVERIFY(h.datas().editValue(5, "7"));
    h.stations().editStation(4, "CHANGED");
    QVERIFY(h.gases().editCell(settingsRow, Grid::Name, "OTHER"));
    QTemporaryDir dir;
    writeLines(dir.filePath("s.csv"), 3);
    QVERIFY(h.dialog->importStations(dir.filePath("s.csv")));
    h.clickCancel();

    QCOMPARE(h.dialog->result(), int(QDialog::Rejected));
    QCOMPARE(fs_test::modelImage(model), before);
}

void FrmFsDialogTest::okWithoutEditsCopiesNothing() {
    InstrumentModel model = fs_test::readInstrument();
    const std::string before = fs_test::modelImage(model);
    Harness h(model);
    h.clickOk();
    QVERIFY(h.accepted());
    QVERIFY(h.notices.empty());
    QCOMPARE(fs_test::modelImage(model), before);
    QVERIFY(!fs_test::anyFlagSet(model));
}

void FrmFsDialogTest::okCopiesBackOnlyTheEditedFields() {
    InstrumentModel model = fs_test::readInstrument();
    model.markChanged(SettingId::Zero, 2);  // the main window's own pending edit survives
    Harness h(model);
    QVERIFY(h.datas().editValue(2, "NEW-TYPE"));
    QVERIFY(h.datas().editValue(24, "Off"));
    h.stations().editStation(9, "DEPOT 10");
    h.clickOk();
    QVERIFY(h.accepted());

    QCOMPARE(model.SpecNo(), std::string("NEW-TYPE"));
    QVERIFY(model.isChanged(SettingId::SpecNo));
    QCOMPARE(model.Confirmation(), int16_t(0));
    QVERIFY(model.isChanged(SettingId::Confirmation));
    QCOMPARE(model.StationList(9), std::string("DEPOT 10"));
    QVERIFY(model.isChanged(SettingId::StationList, 9));
    QVERIFY(model.isChanged(SettingId::Zero, 2));

    InstrumentModel expected = fs_test::readInstrument();
    expected.setSpecNo("NEW-TYPE");
    expected.setConfirmation(0);
    expected.setStationList(9, "DEPOT 10");
    expected.markChanged(SettingId::Zero, 2);
    QCOMPARE(fs_test::modelImage(model), fs_test::modelImage(expected));
}

void FrmFsDialogTest::everyShowingStartsFromTheMainModel() {
    InstrumentModel model = fs_test::readInstrument();
    Harness h(model);
    QVERIFY(h.datas().editValue(2, "DROPPED"));
    h.clickCancel();
    model.setSpecNo("FROM-MAIN");
    h.dialog->show();
    QCOMPARE(h.datas().valueText(2), QString("FROM-MAIN"));
    QVERIFY(!h.dialog->workingCopy().isChanged(SettingId::SpecNo));
}

void FrmFsDialogTest::modalRunThroughTheEntryPoint() {
    InstrumentModel model = fs_test::readInstrument();
    bool clicked = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<FactorySettingsDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        QCOMPARE(dialog->windowTitle(),
                 QString::fromStdString(ResMessage(msg::FactorySettingTitle)));
        QVERIFY(dialog->datasGrid()->editValue(12, "99"));
        dialog->findChild<QPushButton*>("cmdOK")->click();
        clicked = true;
    });
    QVERIFY(FactorySettingsDialog::edit(model, nullptr, QFont()));
    QVERIFY(clicked);
    QCOMPARE(model.LcdBackLight(), int16_t(99));
    QVERIFY(model.isChanged(SettingId::LcdBackLight));
}

void FrmFsDialogTest::oxyAlarmListFollowsTheRomNumber() {
    for (const auto& [rom, items] : {std::pair{4425, QStringList{"H-L", "L-LL"}},
                                     std::pair{4426, QStringList{"H-L", "L-LL", "H-HH"}}}) {
        InstrumentModel model = fs_test::readInstrument(rom);
        Harness h(model);
        QCOMPARE(h.datas().listItems(FactoryValuesGrid::rowOxyAlarm), items);
        auto* list = openEditorOf<QComboBox>(h.datas(), FactoryValuesGrid::rowOxyAlarm - 1, 1);
        QVERIFY(list != nullptr);
        QCOMPARE(list->count(), items.size());
        QCOMPARE(list->currentText(), QString("L-LL"));
    }
    // An older instrument cannot take H-HH: the grid refuses it.
    InstrumentModel older = fs_test::readInstrument(4425);
    Harness h(older);
    QVERIFY(!h.datas().editValue(FactoryValuesGrid::rowOxyAlarm, "H-HH"));
}

void FrmFsDialogTest::listRowsShowAndStoreTheirPositions() {
    InstrumentModel model = fs_test::readInstrument();
    Harness h(model);
    QCOMPARE(h.datas().valueText(7), QString("None"));  // CalCheck 2
    QCOMPARE(h.datas().valueText(3), QString("Latch"));
    QCOMPARE(h.datas().valueText(8), QString("Foreign"));
    QCOMPARE(h.datas().valueText(9), QString("LEL"));
    QCOMPARE(h.datas().valueText(15), QString("45"));
    QCOMPARE(h.datas().valueText(19), QString("LC BH"));

    QVERIFY(h.datas().editValue(3, "Reset"));
    QVERIFY(h.datas().editValue(7, "Can't use"));
    QVERIFY(h.datas().editValue(8, "Germany"));
    QVERIFY(h.datas().editValue(9, "vol"));
    QVERIFY(h.datas().editValue(10, "H-HH"));
    QVERIFY(h.datas().editValue(15, "90"));
    QVERIFY(h.datas().editValue(16, "40"));  // already the value: no flag
    QVERIFY(!h.datas().editValue(17, "75"));
    QCOMPARE(h.datas().valueText(17), QString("120"));
    h.clickOk();
    QVERIFY(h.accepted());

    QCOMPARE(model.AlarmMode(), int16_t(0));
    QCOMPARE(model.CalCheck(), int16_t(1));
    QCOMPARE(model.SpecType(), std::string("2"));
    QCOMPARE(model.HcMode(), int16_t(2));
    QCOMPARE(model.AlarmO2(), int16_t(2));
    QCOMPARE(model.BumpTime(), int16_t(3));
    QVERIFY(model.isChanged(SettingId::AlarmMode) && model.isChanged(SettingId::CalCheck) &&
            model.isChanged(SettingId::SpecType) && model.isChanged(SettingId::HcMode) &&
            model.isChanged(SettingId::AlarmO2) && model.isChanged(SettingId::BumpTime));
    QVERIFY(!model.isChanged(SettingId::BumpThreshold));
    QVERIFY(!model.isChanged(SettingId::BumpFailCalTime));
}

void FrmFsDialogTest::gasTableShowsItsLastRowWhole() {
    // Row 16, the only editable one, is whole in the dialog as it opens and at its smallest.
    InstrumentModel model = fs_test::readInstrument();
    Harness h(model);
    QVERIFY(QTest::qWaitForWindowExposed(h.dialog.get()));
    for (const QSize size : {h.dialog->size(), h.dialog->minimumSizeHint()}) {
        h.dialog->resize(size);
        QCoreApplication::processEvents();
        Grid& grid = h.gases();
        const QRect last = grid.visualRect(grid.model()->index(settingsRow - 1, 0));
        QVERIFY2(last.top() >= 0 && last.bottom() < grid.viewport()->height(),
                 qPrintable(QString("row 16 at %1..%2, viewport %3")
                                .arg(last.top())
                                .arg(last.bottom())
                                .arg(grid.viewport()->height())));
    }
}

void FrmFsDialogTest::translatedListsStoreTheSamePositions() {
    setLanguage(Language::Japanese);
    InstrumentModel model = fs_test::readInstrument();
    {
        Harness h(model);
        QCOMPARE(h.datas().item(6, 0)->text(),
                 QString::fromStdString(ResMessage(msg::CalLimitCheckLabel)));
        QCOMPARE(h.datas().valueText(7), QString::fromStdString(ResMessage(msg::CalCheckNone)));
        QVERIFY(h.datas().editValue(3, QString::fromStdString(ResMessage(msg::AlarmPatternReset))));
        QVERIFY(h.datas().editValue(7, QString::fromStdString(ResMessage(msg::CalCheckConfirm))));
        QVERIFY(
            h.datas().editValue(8, QString::fromStdString(ResMessage(msg::DestinationDomestic))));
        // The on/off and automatic words are Japanese too; abbreviations stay as they are.
        for (int row = 1; row <= FactoryValuesGrid::rows; ++row)
            for (const QString& item : h.datas().listItems(row))
                QVERIFY2(item != "On" && item != "Off" && item != "Auto", qPrintable(item));
        QCOMPARE(h.datas().listItems(9), (QStringList{"自動", "LEL", "vol"}));
        QCOMPARE(h.datas().listItems(19), (QStringList{"オフ", "LC", "BH", "LC BH"}));
        QVERIFY(!h.datas().editValue(4, "On"));
        QVERIFY(h.datas().editValue(4, "オフ"));
        QVERIFY(h.datas().editValue(9, "自動"));
        h.clickOk();
        QVERIFY(h.accepted());
    }
    setLanguage(Language::English);
    QCOMPARE(model.AlarmMode(), int16_t(0));
    QCOMPARE(model.CalCheck(), int16_t(0));
    QCOMPARE(model.SpecType(), std::string("0"));
    QCOMPARE(model.LogOverWrite(), int16_t(0));
    QCOMPARE(model.HcMode(), int16_t(0));
}

void FrmFsDialogTest::wholeNumberRowsKeepTheirRanges() {
    InstrumentModel model = fs_test::readInstrument();
    Harness h(model);
    for (const char* refused : {"0", "366", "-1", "ABC", "", "1E9"})
        QVERIFY2(!h.datas().editValue(FactoryValuesGrid::rowCalLimit, refused), refused);
    QCOMPARE(h.datas().valueText(FactoryValuesGrid::rowCalLimit), QString("180"));
    QVERIFY(!h.datas().editValue(FactoryValuesGrid::rowLcdBackLight, "256"));
    QVERIFY(!h.datas().editValue(FactoryValuesGrid::rowLcdBackLight, "0"));
    QVERIFY(h.datas().editValue(FactoryValuesGrid::rowLcdBackLight, "255"));
    QVERIFY(!h.datas().editValue(FactoryValuesGrid::rowManufactureNumber, "X"));
    // The same number confirmed again is still owed to the instrument.
    QVERIFY(h.datas().editValue(FactoryValuesGrid::rowCalLimit, "180"));
    h.clickOk();
    QVERIFY(h.accepted());
    QCOMPARE(model.CalLimit(), int16_t(180));
    QVERIFY(model.isChanged(SettingId::CalLimit));
    QCOMPARE(model.LcdBackLight(), int16_t(255));
    QVERIFY(model.isChanged(SettingId::LcdBackLight));
}

void FrmFsDialogTest::typingIsFilteredAndUpperCased() {
    InstrumentModel model = fs_test::readInstrument();
    Harness h(model);
    QVERIFY(!(h.datas().item(0, 1)->flags() & Qt::ItemIsEditable));  // manufacture number

    auto* edit = openEditorOf<QLineEdit>(h.datas(), 1, 1);  // the type number row
    QVERIFY(edit != nullptr);
    edit->selectAll();
    QTest::keyClicks(edit, "ab.c,d-1/x");
    QCOMPARE(edit->text(), QString("ABCD-1/X"));
    QTest::keyClicks(edit, "yzyzyz");  // ten characters at most
    QCOMPARE(edit->text(), QString("ABCD-1/XYZ"));
    QTest::keyClick(edit, Qt::Key_Return);
    // The view commits a finished edit from its event queue.
    QTRY_COMPARE(h.datas().valueText(2), QString("ABCD-1/XYZ"));
}

void FrmFsDialogTest::refusedEditReopensTheEditorWithTheOldValue() {
    InstrumentModel model = fs_test::readInstrument();
    Harness h(model);
    auto* edit = openEditorOf<QLineEdit>(h.datas(), FactoryValuesGrid::rowCalLimit - 1, 1);
    QVERIFY(edit != nullptr);
    edit->selectAll();
    QTest::keyClicks(edit, "999");
    QTest::keyClick(edit, Qt::Key_Return);
    QPointer<QLineEdit> first(edit);
    QTRY_VERIFY(first.isNull());                                  // the refused editor closed ...
    QTRY_VERIFY(visibleEditor<QLineEdit>(h.datas()) != nullptr);  // ... and a new one opened
    QCOMPARE(visibleEditor<QLineEdit>(h.datas())->text(), QString("180"));
    QCOMPARE(h.datas().currentRow(), FactoryValuesGrid::rowCalLimit - 1);
    QCOMPARE(h.datas().valueText(FactoryValuesGrid::rowCalLimit), QString("180"));

    // The same for a refused gas name.
    auto* name = openEditorOf<QLineEdit>(h.gases(), settingsRow - 1, Grid::Name);
    QVERIFY(name != nullptr);
    name->selectAll();
    QTest::keyClicks(name, "LIB05");
    QTest::keyClick(name, Qt::Key_Return);
    QPointer<QLineEdit> firstName(name);
    QTRY_VERIFY(firstName.isNull());
    QTRY_VERIFY(visibleEditor<QLineEdit>(h.gases()) != nullptr);
    QCOMPARE(visibleEditor<QLineEdit>(h.gases())->text(), QString("USERGAS1"));
    QCOMPARE(h.gases().cellText(settingsRow, Grid::Name), QString("USERGAS1"));
}

void FrmFsDialogTest::stationEditorCountsCharactersAndStopsAtSixteen() {
    InstrumentModel model = fs_test::readInstrument();
    Harness h(model);
    auto* label = h.dialog->findChild<QLabel*>("lblSpaceCount");
    auto* edit = openEditorOf<QLineEdit>(h.stations(), 0, StationListGrid::textColumn);
    QVERIFY(edit != nullptr);
    QCOMPARE(label->text(), QString::fromStdString(ResMessage(msg::LeftSpace, {"6"})));  // "ST 001"
    edit->clear();
    QCOMPARE(label->text(), QString::fromStdString(ResMessage(msg::LeftSpace, {"0"})));
    QTest::keyClicks(edit, "north.gate;abcdefghijkl");
    QCOMPARE(edit->text(), QString("NORTHGATEABCDEFG"));  // upper case as typed
    QCOMPARE(label->text(), QString("(Left space 16)"));
    QTest::keyClick(edit, Qt::Key_Return);
    QTRY_COMPARE(h.stations().item(0, 1)->text(), QString("NORTHGATEABCDEFG"));
    QTRY_VERIFY(label->text().isEmpty());
}

void FrmFsDialogTest::stationExportThenImportGivesTheSameList() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Station.csv");
    InstrumentModel source = fs_test::readInstrument();
    {
        Harness h(source);
        h.stations().editStation(0, "");
        h.stations().editStation(255, "LAST_ONE 256");
        std::vector<std::string> logged;
        h.dialog->setLog([&logged](const std::string& line) { logged.push_back(line); });
        QVERIFY(h.dialog->exportStations(path));
        QCOMPARE(h.notices.size(), size_t(1));
        QCOMPARE(h.notices[0].text, exportedTo(path));
        QCOMPARE(logged,
                 std::vector<std::string>{"Station list exported: " +
                                          QFileInfo(path).absoluteFilePath().toStdString()});
        QCOMPARE(h.notices[0].icon, QMessageBox::Information);
        QVERIFY(h.stations().stations().size() == 256u);
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.startsWith("\xEF\xBB\xBF,1\r\nST 002,2\r\n"));
    QVERIFY(text.endsWith("LAST_ONE 256,256\r\n"));

    InstrumentModel target;  // a fresh model: dashes everywhere
    Harness h(target);
    QVERIFY(h.dialog->importStations(path));
    h.clickOk();
    QVERIFY(h.accepted());
    QCOMPARE(target.StationList(0), std::string());
    QCOMPARE(target.StationList(1), std::string("ST 002"));
    QCOMPARE(target.StationList(255), std::string("LAST_ONE 256"));
    for (int i = 0; i < InstrumentModel::stationCount; ++i)
        QVERIFY(target.isChanged(SettingId::StationList, i));
}

void FrmFsDialogTest::stationButtonsAskForTheFileAndCancelEndsQuietly() {
    QTemporaryDir dir;
    InstrumentModel model = fs_test::readInstrument();
    Harness h(model);
    QString chosen;
    std::vector<bool> asked;  // true: a save dialog
    h.dialog->setChooseFile([&](bool save) {
        asked.push_back(save);
        return chosen;
    });
    auto* exportButton = h.dialog->findChild<QPushButton*>("cmdStationExport");
    auto* importButton = h.dialog->findChild<QPushButton*>("cmdStationImport");
    QCOMPARE(exportButton->text(), QString::fromStdString(ResMessage(msg::StationExportButton)));

    exportButton->click();  // cancelled file dialog: nothing written, nothing shown
    importButton->click();
    QCOMPARE(asked, (std::vector<bool>{true, false}));
    QVERIFY(h.notices.empty());
    QVERIFY(!h.dialog->workingCopy().isChanged(SettingId::StationList, 0));

    h.stations().editStation(0, "TOO LONG FOR A STATION");
    exportButton->click();  // refused before a file is asked for
    QCOMPARE(asked.size(), size_t(2));
    QCOMPARE(h.notices.back().text, improperData(8038));

    h.stations().editStation(0, "FIRST");
    chosen = dir.filePath("Station.csv");
    exportButton->click();
    QVERIFY(QFile::exists(chosen));
    QCOMPARE(h.notices.back().text, exportedTo(chosen));
    h.stations().editStation(0, "OVERWRITTEN");
    importButton->click();
    QCOMPARE(h.stations().item(0, 1)->text(), QString("FIRST"));
}

void FrmFsDialogTest::importPutsEachLineAtItsStationAndSaysHowManyChanged() {
    QTemporaryDir dir;
    const QString path = dir.filePath("gates.csv");
    const QString where = QFileInfo(path).absoluteFilePath();
    writeFile(path, "EAST GATE,3\r\nWEST GATE,4\r\nST 005,5\r\n");
    InstrumentModel model = fs_test::readInstrument();
    Harness h(model);
    std::vector<std::string> logged;
    h.dialog->setLog([&logged](const std::string& line) { logged.push_back(line); });
    QVERIFY(h.dialog->importStations(path));
    // Stations 1 and 2 keep their texts; 5 was named with the text it had.
    QCOMPARE(h.stations().item(0, 1)->text(), QString("ST 001"));
    QCOMPARE(h.stations().item(1, 1)->text(), QString("ST 002"));
    QCOMPARE(h.stations().item(2, 1)->text(), QString("EAST GATE"));
    QCOMPARE(h.stations().item(3, 1)->text(), QString("WEST GATE"));
    QCOMPARE(h.stations().item(4, 1)->text(), QString("ST 005"));
    const QString two =
        QString::fromStdString(ResMessage(msg::StationImportChanged, {where.toStdString(), "2"}));
    QCOMPARE(h.notices.size(), size_t(1));
    QCOMPARE(h.notices[0].icon, QMessageBox::Information);
    QCOMPARE(h.notices[0].text, two);
    QCOMPARE(logged, std::vector<std::string>{two.toStdString()});

    // Export, then import the file again: no station changes, and OK sends only the two.
    const QString exported = dir.filePath("Station.csv");
    QVERIFY(h.dialog->exportStations(exported));
    QVERIFY(h.dialog->importStations(exported));
    QCOMPARE(h.notices.back().text, QString::fromStdString(ResMessage(
                                        msg::StationImportNoChange,
                                        {QFileInfo(exported).absoluteFilePath().toStdString()})));
    h.clickOk();
    QVERIFY(h.accepted());
    for (int i = 0; i < InstrumentModel::stationCount; ++i)
        QCOMPARE(model.isChanged(SettingId::StationList, i), i == 2 || i == 3);
    QCOMPARE(model.StationList(2), std::string("EAST GATE"));
}

void FrmFsDialogTest::seventeenCharacterStationIsRedAndBlocksOkAndExport() {
    QTemporaryDir dir;
    InstrumentModel model = fs_test::readInstrument();
    const std::string before = fs_test::modelImage(model);
    Harness h(model);
    h.stations().editStation(3, "SEVENTEEN CHARS X");
    QVERIFY(h.stations().isInvalid(3));
    QCOMPARE(h.stations().item(3, 1)->background().color(), QColor(255, 0, 0));
    QCOMPARE(h.stations().item(2, 1)->background().color(), QColor(Qt::white));

    h.clickOk();
    QVERIFY(h.dialog->isVisible());
    QCOMPARE(h.notices.size(), size_t(1));
    QCOMPARE(h.notices[0].icon, QMessageBox::Critical);
    QCOMPARE(h.notices[0].text, improperData(8038));
    QCOMPARE(h.notices[0].text, QString("Improper data found  ( Station List )"));
    QCOMPARE(fs_test::modelImage(model), before);

    QVERIFY(!h.dialog->exportStations(dir.filePath("Station.csv")));
    QVERIFY(!QFile::exists(dir.filePath("Station.csv")));
    QCOMPARE(h.notices.size(), size_t(2));
    QCOMPARE(h.notices[1].text, improperData(8038));

    h.stations().editStation(3, "SIXTEEN CHARS XX");
    QCOMPARE(h.stations().item(3, 1)->background().color(), QColor(Qt::white));
    h.clickOk();
    QVERIFY(h.accepted());
    QCOMPARE(model.StationList(3), std::string("SIXTEEN CHARS XX"));
}

void FrmFsDialogTest::refusedImportChangesNothingAndNamesTheLine() {
    struct Row {
        const char* text;
        int messageId;
        std::vector<std::string> details;  // after the file and the line
        const char* line;
    };
    const std::vector<Row> rows = {
        {"EAST GATE,3\r\nBAD,999\r\n", msg::StationImportBadNumber, {"999"}, "2"},
        {"A,1\r\nB,x\r\n", msg::StationImportBadNumber, {"x"}, "2"},
        {"A,7\r\nB,7\r\n", msg::StationImportTwice, {"7", "1"}, "2"},
        {"GOOD,1\r\nBAD.DOT,2\r\n", msg::StationImportBadText, {"BAD.DOT"}, "2"},
        {"QUOTED \"X\",4", msg::StationImportBadText, {"QUOTED \"X\""}, "1"},
        {"LAST,256\r\nMORE\r\n", msg::StationImportPastEnd, {}, "2"},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.csv");
    const std::string where = QFileInfo(path).absoluteFilePath().toStdString();
    InstrumentModel model = fs_test::readInstrument();
    const std::string before = fs_test::modelImage(model);
    for (const Row& row : rows) {
        writeFile(path, row.text);
        Harness h(model);
        std::vector<std::string> logged;
        h.dialog->setLog([&logged](const std::string& line) { logged.push_back(line); });
        QVERIFY(!h.dialog->importStations(path));
        std::vector<std::string> arguments{where, row.line};
        arguments.insert(arguments.end(), row.details.begin(), row.details.end());
        QCOMPARE(h.notices.size(), size_t(1));
        QCOMPARE(h.notices[0].icon, QMessageBox::Critical);
        QCOMPARE(h.notices[0].text, QString::fromStdString(ResMessage(row.messageId, arguments)));
        QVERIFY(logged.empty());
        for (int i = 0; i < InstrumentModel::stationCount; ++i) {
            QCOMPARE(h.stations().item(i, 1)->text(), QString::fromStdString(model.StationList(i)));
            QVERIFY(!h.dialog->workingCopy().isChanged(SettingId::StationList, i));
        }
        h.clickOk();
        QVERIFY(h.accepted());
        QCOMPARE(fs_test::modelImage(model), before);
    }
}

void FrmFsDialogTest::importOfAMissingFileReportsIt() {
    QTemporaryDir dir;
    InstrumentModel model = fs_test::readInstrument();
    Harness h(model);
    QVERIFY(!h.dialog->importStations(dir.filePath("absent.csv")));
    QCOMPARE(h.notices.size(), size_t(1));
    QCOMPARE(h.notices[0].icon, QMessageBox::Critical);
    QVERIFY(h.notices[0].text.contains("absent.csv"));
    QCOMPARE(h.stations().item(0, 1)->text(), QString("ST 001"));
}

void FrmFsDialogTest::libraryHalfIsReadOnly() {
    InstrumentModel model = fs_test::readInstrument();
    Harness h(model);
    Grid& g = h.gases();
    QCOMPARE(g.rowCount(), 16);
    QCOMPARE(g.columnCount(), 29);
    QCOMPARE(g.horizontalHeaderItem(15)->text(), QString("Name"));
    QCOMPARE(g.horizontalHeaderItem(28)->text(), QString("(d)"));
    QCOMPARE(g.cellText(1, Grid::Name), QString("LIB01"));
    QCOMPARE(g.cellText(1, secondHalf + Grid::Name), QString("LIB16"));
    QCOMPARE(g.cellText(15, secondHalf + Grid::Name), QString("LIB30"));
    QCOMPARE(g.cellText(settingsRow, Grid::Name), QString("USERGAS1"));
    QCOMPARE(g.cellText(settingsRow, secondHalf + Grid::Name), QString("USERGAS2"));
    for (int row = 1; row < settingsRow; ++row)
        for (int column = 0; column < Grid::columns; ++column) {
            QVERIFY(!(g.item(row - 1, column)->flags() & Qt::ItemIsEditable));
            if (column > 0) QVERIFY(!g.editCell(row, column, "1"));
        }
    for (int column = 1; column < Grid::columns; ++column)
        QVERIFY(g.item(settingsRow - 1, column)->flags() & Qt::ItemIsEditable);
    QCOMPARE(g.cellText(1, Grid::Linear1c), QString("0.33333333"));
    QCOMPARE(g.cellText(1, Grid::FullScale), QString("100.0"));
    QCOMPARE(g.cellText(1, Grid::Digit), QString("0.1"));
}

void FrmFsDialogTest::coefficientsShowTheDigitsOfTheirSingles() {
    InstrumentModel model = fs_test::readInstrument();
    // As the instrument sends them: singles, held in the model's doubles.
    LibraryEntry e = model.LI_Entry(2);
    e.Linear1_a = 1.45f;
    e.Linear1_b = 2.63f;
    e.Linear1_c = 1.8f;
    e.Linear1_d = -0.1f;
    model.setLI_Entry(2, e);
    Harness h(model);
    Grid& g = h.gases();
    QCOMPARE(g.cellText(2, Grid::Linear1a), QString("1.45000000"));
    QCOMPARE(g.cellText(2, Grid::Linear1b), QString("2.63000000"));
    QCOMPARE(g.cellText(2, Grid::Linear1c), QString("1.80000000"));
    QCOMPARE(g.cellText(2, Grid::Linear1d), QString("-0.10000000"));
    // A typed coefficient is a single too.
    QVERIFY(g.editCell(settingsRow, Grid::Linear2b, "2.63"));
    QCOMPARE(g.cellText(settingsRow, Grid::Linear2b), QString("2.63000000"));
    QVERIFY(g.editCell(settingsRow, Grid::Linear2c, "0.123456789"));
    QCOMPARE(g.cellText(settingsRow, Grid::Linear2c), QString("0.12345679"));
}

void FrmFsDialogTest::gasNamesAreCheckedAndRowSixteenKeptEqual() {
    InstrumentModel model = fs_test::readInstrument();
    Harness h(model);
    Grid& g = h.gases();
    const int left = Grid::Name;
    const int right = secondHalf + Grid::Name;
    QVERIFY(!g.editCell(settingsRow, left, "LIB03"));    // used in its column
    QVERIFY(!g.editCell(settingsRow, left, " LIB03 "));  // compared trimmed
    QVERIFY(!g.editCell(settingsRow, left, "LIB20"));    // used in the other list
    QVERIFY(!g.editCell(settingsRow, right, "ELEVEN CHAR"));
    QVERIFY(!g.editCell(settingsRow, right, "BAD.NAME"));
    QCOMPARE(g.cellText(settingsRow, left), QString("USERGAS1"));

    QVERIFY(g.editCell(settingsRow, left, "PROPANE-X"));
    QCOMPARE(g.cellText(settingsRow, right), QString("PROPANE-X"));
    QVERIFY(g.editCell(settingsRow, right, "BUTANE"));
    QCOMPARE(g.cellText(settingsRow, left), QString("BUTANE"));

    // Through the editor: ten characters at most, identifier characters only.
    auto* edit = openEditorOf<QLineEdit>(g, settingsRow - 1, right);
    QVERIFY(edit != nullptr);
    edit->clear();
    QTest::keyClicks(edit, "iso.butane-99");
    QCOMPARE(edit->text(), QString("isobutane-"));
}

void FrmFsDialogTest::gasNumbersAreReshownAndRangeChecked() {
    InstrumentModel model = fs_test::readInstrument();
    Harness h(model);
    Grid& g = h.gases();
    const int row = settingsRow;
    QVERIFY(g.editCell(row, Grid::Digit, "0.01"));
    QCOMPARE(g.cellText(row, Grid::Digit), QString("0.01"));
    QCOMPARE(g.cellText(row, Grid::FullScale), QString("100.00"));
    QVERIFY(g.editCell(row, Grid::FullScale, "50"));
    QCOMPARE(g.cellText(row, Grid::FullScale), QString("50.00"));
    QVERIFY(!g.editCell(row, Grid::FullScale, "fifty"));
    QCOMPARE(g.cellText(row, Grid::FullScale), QString("50.00"));
    QVERIFY(g.editCell(row, Grid::Volt, "1234.6"));
    QCOMPARE(g.cellText(row, Grid::Volt), QString("1235"));
    QVERIFY(g.editCell(row, Grid::Ratio, "2.4"));
    QCOMPARE(g.cellText(row, Grid::Ratio), QString("2"));
    QVERIFY(g.editCell(row, Grid::Linear2a, "1.5"));
    QCOMPARE(g.cellText(row, Grid::Linear2a), QString("1.50000000"));
    QVERIFY(!g.isRed(row, Grid::Volt));
    QVERIFY(!g.hasInvalid());

    const auto redAfter = [&](int column, const char* text) {
        const bool accepted = g.editCell(row, column, text);
        return accepted && g.isRed(row, column);
    };
    QVERIFY(redAfter(Grid::Volt, "70000"));
    QVERIFY(redAfter(Grid::Volt, "0"));
    QVERIFY(g.editCell(row, Grid::Volt, "65535"));
    QVERIFY(!g.isRed(row, Grid::Volt));
    QVERIFY(redAfter(Grid::Digit, "0"));
    QVERIFY(redAfter(Grid::Digit, "0.0001"));  // four decimals do not fit the field
    QVERIFY(g.editCell(row, Grid::Digit, "0.1"));
    QVERIFY(redAfter(Grid::FullScale, "123456"));  // too wide for the field
    QVERIFY(g.editCell(row, Grid::FullScale, "100"));
    // The rules the settings file check and "Update" hold the entry to: a ratio above 0, a
    // full scale above 0 and not below the resolution.
    for (const char* ratio : {"-5", "0", "0.4"}) {
        QVERIFY2(!g.editCell(row, Grid::Ratio, ratio), ratio);
        QCOMPARE(g.lastRefusal(), QString::fromStdString(ResMessage(msg::RefusedNotAboveZero)));
        QCOMPARE(g.cellText(row, Grid::Ratio), QString("2"));
    }
    QVERIFY(redAfter(Grid::FullScale, "0"));
    QVERIFY(g.editCell(row, Grid::FullScale, "100"));
    QVERIFY(redAfter(Grid::Digit, "200"));
    QVERIFY(g.editCell(row, Grid::Digit, "0.1"));
    QVERIFY(!g.hasInvalid());
    QVERIFY(redAfter(secondHalf + Grid::Unit, "abc"));
    for (const char* unit : {"%", "vol%", "VOL%", "%LEL", "ppm", "ppb"}) {
        QVERIFY(g.editCell(row, secondHalf + Grid::Unit, unit));
        QVERIFY2(!g.isRed(row, secondHalf + Grid::Unit), unit);
    }
    QVERIFY(!g.hasInvalid());
}

void FrmFsDialogTest::redGasCellBlocksOk() {
    InstrumentModel model = fs_test::readInstrument();
    const std::string before = fs_test::modelImage(model);
    Harness h(model);
    QVERIFY(h.gases().editCell(settingsRow, secondHalf + Grid::Digit, "0"));
    h.clickOk();
    QVERIFY(h.dialog->isVisible());
    QCOMPARE(h.notices.size(), size_t(1));
    QCOMPARE(h.notices[0].icon, QMessageBox::Critical);
    QCOMPARE(h.notices[0].text, improperData(8045));
    QCOMPARE(fs_test::modelImage(model), before);

    QVERIFY(h.gases().editCell(settingsRow, secondHalf + Grid::Digit, "0.5"));
    h.clickOk();
    QVERIFY(h.accepted());
    QCOMPARE(model.LS_Digit(1), 0.5f);
    QVERIFY(model.isChanged(SettingId::LS_Entry, 1));
    QVERIFY(!model.isChanged(SettingId::LS_Entry, 0));
}

void FrmFsDialogTest::editedSettingsGasIsWrittenByTheNextUpdate() {
    InstrumentModel model = fs_test::readInstrument();
    const InstrumentModel original = model;
    Harness h(model);
    QVERIFY(h.gases().editCell(settingsRow, secondHalf + Grid::Name, "NEWGAS"));
    h.clickOk();
    QVERIFY(h.accepted());

    QVERIFY(model.isChanged(SettingId::LS_Entry, 0));
    QVERIFY(model.isChanged(SettingId::LS_Entry, 1));
    QCOMPARE(model.LS_Name(0), std::string("NEWGAS"));
    QCOMPARE(model.LS_Name(1), std::string("NEWGAS"));
    // Only the name changed: the other fields keep every digit the grid does not show.
    LibraryEntry expected = original.LS_Entry(1);
    expected.Name = "NEWGAS";
    QVERIFY(model.LS_Entry(1) == expected);

    fs_test::RecordingChannel channel;
    const SettingsWriteResult result = RunSettingsWrite(model, channel);
    QVERIFY(result.succeeded());
    const auto ls = std::find_if(channel.sent.begin(), channel.sent.end(),
                                 [](const std::string& p) { return p.rfind("LS,W,", 0) == 0; });
    QVERIFY(ls != channel.sent.end());
    QCOMPARE(QString::fromStdString(*ls).count("NEWGAS    ,"), 2);
    QVERIFY(!model.isChanged(SettingId::LS_Entry, 0));
    QVERIFY(!model.isChanged(SettingId::LS_Entry, 1));
}

}  // namespace vq

QTEST_MAIN(vq::FrmFsDialogTest)
#include "factory_settings_dialog_test.moc"

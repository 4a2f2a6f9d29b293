// The factory setting dialog says why it refuses a key or an edit, and is never left with its
// edits dropped unasked: Escape and the close box ask when something was changed, and No keeps
// the dialog open with the edits. A station list it exports is named with its full path.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "messages/messages.h"
#include "model/instrument.h"
#include "ui/dialogs/factory_cell_delegate.h"
#include "ui/dialogs/factory_key_filter.h"
#include "ui/dialogs/factory_settings_dialog.h"
#include "ui/dialogs/factory_values_grid.h"
#include "ui/dialogs/gas_table_grid.h"
#include "ui/dialogs/station_list_grid.h"
#include "ui/support/factory_test_model.h"
#include "ui/support/main_window_controls.h"
#include "ui/support/main_window_fixture.h"

namespace vq {
namespace {

// Opens the line editor of a grid cell, as a double click does.
QLineEdit* openEditor(QTableWidget& grid, int tableRow, int column) {
    grid.setCurrentCell(tableRow, column);
    grid.editItem(grid.item(tableRow, column));
    for (QLineEdit* editor : grid.viewport()->findChildren<QLineEdit*>())
        if (editor->isVisible()) return editor;
    return nullptr;
}

struct Harness {
    explicit Harness(InstrumentModel& model) {
        setLanguage(Language::English);
        dialog = std::make_unique<FactorySettingsDialog>();
        dialog->setNotify([](QMessageBox::Icon, const QString&) {});
        dialog->setAsk([this](const QString& text) {
            questions.push_back(text);
            return answer;
        });
        dialog->setInstrument(&model);
        dialog->show();
    }
    void escape() const { QTest::keyClick(dialog->datasGrid(), Qt::Key_Escape); }
    void closeBox() const { dialog->close(); }

    std::unique_ptr<FactorySettingsDialog> dialog;
    QStringList questions;
    bool answer = false;
};

class FactoryDialogNoticesTest : public QObject {
    Q_OBJECT
  private slots:
    void escapeOrCloseWithEditsAsksAndNoKeepsThem() {
        for (const bool viaEscape : {true, false}) {
            InstrumentModel model = fs_test::readInstrument();
            const std::string before = fs_test::modelImage(model);
            Harness h(model);
            QVERIFY(h.dialog->datasGrid()->editValue(FactoryValuesGrid::rowCalLimit, "7"));
            h.dialog->stationGrid()->editStation(4, "CHANGED");
            QVERIFY(h.dialog->hasEdits());

            viaEscape ? h.escape() : h.closeBox();
            QCOMPARE(h.questions,
                     QStringList{QString::fromStdString(ResMessage(msg::FactoryDiscardQuestion))});
            QVERIFY(h.dialog->isVisible());
            QCOMPARE(h.dialog->datasGrid()->valueText(FactoryValuesGrid::rowCalLimit),
                     QString("7"));
            QCOMPARE(h.dialog->stationGrid()->stations()[4], std::string("CHANGED"));

            // Yes lets the edits go; the caller's model never saw them.
            h.answer = true;
            viaEscape ? h.escape() : h.closeBox();
            QCOMPARE(h.questions.size(), 2);
            QVERIFY(!h.dialog->isVisible());
            QCOMPARE(h.dialog->result(), int(QDialog::Rejected));
            QCOMPARE(fs_test::modelImage(model), before);
        }
    }

    // A refused edit and a refused key say why, besides the beep.
    void refusalsSayWhy() {
        InstrumentModel model = fs_test::readInstrument();
        Harness h(model);
        FactoryValuesGrid& datas = *h.dialog->datasGrid();
        auto* delegate = qobject_cast<FactoryCellDelegate*>(datas.itemDelegate());
        QVERIFY(delegate != nullptr);
        QSignalSpy refused(delegate, &FactoryCellDelegate::refused);
        QLineEdit* edit = openEditor(datas, FactoryValuesGrid::rowCalLimit - 1, 1);
        QVERIFY(edit != nullptr);
        edit->selectAll();
        QTest::keyClicks(edit, "999");
        QTest::keyClick(edit, Qt::Key_Return);
        QTRY_COMPARE(refused.size(), 1);
        QCOMPARE(refused.at(0).at(0).toString(), QString("Enter a whole number from 1 to 365."));

        GasTableGrid& gases = *h.dialog->gasTableGrid();
        QVERIFY(!gases.editCell(GasTableGrid::settingsRow, GasTableGrid::Name, "LIB05"));
        QCOMPARE(gases.lastRefusal(), QString("\"LIB05\" is already used in this list."));
        QVERIFY(!gases.editCell(GasTableGrid::settingsRow, GasTableGrid::Ratio, "x1"));
        QCOMPARE(gases.lastRefusal(), QString("\"x1\" is not a number."));

        // "#" in a station name is refused as it is typed.
        QLineEdit* station = openEditor(*h.dialog->stationGrid(), 4, StationListGrid::textColumn);
        QVERIFY(station != nullptr);
        auto* keys = station->findChild<FactoryKeyFilter*>();
        QVERIFY(keys != nullptr);
        QSignalSpy keyRefused(keys, &FactoryKeyFilter::refused);
        QTest::keyClicks(station, "A#");
        QCOMPARE(keyRefused.size(), 1);
        QCOMPARE(keyRefused.at(0).at(0).toString(),
                 QString("\"#\" cannot be used here: letters, digits, space and - _ / > < only."));
        QVERIFY(!station->text().contains('#'));
    }

    // The station list exported from the dialog the main window opens is named with its full
    // path in the main window's log, though the file was picked by a bare name.
    void stationExportLogsItsFullPathInTheMainWindow() {
        ui_test::MainFixture f;
        f.window->show();
        QVERIFY(f.connect());
        readSettingsButton(*f.window)->click();
        QTemporaryDir current;
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(current.path()));
        QString boxText;
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<FactorySettingsDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            dialog->setChooseFile([](bool) { return QStringLiteral("Station.csv"); });
            dialog->setNotify(
                [&boxText](QMessageBox::Icon, const QString& text) { boxText = text; });
            dialog->findChild<QPushButton*>("cmdStationExport")->click();
            dialog->findChild<QPushButton*>("cmdCancel")->click();
            ran = true;
        });
        f.window->factorySettingsClicked();
        QDir::setCurrent(before);
        QVERIFY(ran);
        const QString full = QDir(current.path()).absoluteFilePath("Station.csv");
        QVERIFY(QFile::exists(full));
        QCOMPARE(boxText, QString("Export Complete\r\n") + full);
        const auto lines = ui_test::linesStarting(*logBox(*f.window), "Station list exported: ");
        QCOMPARE(lines.size(), size_t(1));
        QCOMPARE(lines[0].text, "Station list exported: " + full);
    }

    // Nothing changed (or changed back): nothing to ask.
    void escapeWithoutEditsClosesAtOnce() {
        InstrumentModel model = fs_test::readInstrument();
        Harness h(model);
        const QString calLimit = h.dialog->datasGrid()->valueText(FactoryValuesGrid::rowCalLimit);
        QVERIFY(h.dialog->datasGrid()->editValue(FactoryValuesGrid::rowCalLimit, "7"));
        QVERIFY(h.dialog->datasGrid()->editValue(FactoryValuesGrid::rowCalLimit, calLimit));
        QVERIFY(!h.dialog->hasEdits());
        h.escape();
        QVERIFY(h.questions.isEmpty());
        QVERIFY(!h.dialog->isVisible());
    }
};

}  // namespace
}  // namespace vq

QTEST_MAIN(vq::FactoryDialogNoticesTest)
#include "factory_dialog_notices_test.moc"

// The factory setting dialog by keyboard: Enter outside an editor starts nothing (no default
// button, so no export or import by accident), a station name longer than its 16 characters is
// refused with the reason as it is typed (never cut unseen), lower case becomes upper case as it
// is typed, and a too long or badly written name that arrives by other means is red with why.

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "messages/messages.h"
#include "model/instrument.h"
#include "ui/dialogs/factory_key_filter.h"
#include "ui/dialogs/factory_settings_dialog.h"
#include "ui/dialogs/station_list_grid.h"
#include "ui/support/factory_test_model.h"

namespace vq {
namespace {

QLineEdit* openEditor(QTableWidget& grid, int row, int column) {
    grid.setCurrentCell(row, column);
    grid.editItem(grid.item(row, column));
    for (QLineEdit* editor : grid.viewport()->findChildren<QLineEdit*>())
        if (editor->isVisible()) return editor;
    return nullptr;
}

class FactoryDialogKeysTest : public QObject {
    Q_OBJECT
  private slots:
    void enterOutsideAnEditorStartsNothing() {
        setLanguage(Language::English);
        InstrumentModel model = fs_test::readInstrument();
        FactorySettingsDialog dialog;
        int filesAsked = 0;
        dialog.setChooseFile([&](bool) {
            ++filesAsked;
            return QString();
        });
        dialog.setInstrument(&model);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
            QVERIFY2(!button->isDefault(), qPrintable(button->objectName()));
            QVERIFY2(!button->autoDefault(), qPrintable(button->objectName()));
        }
        for (QWidget* focus :
             {static_cast<QWidget*>(dialog.stationGrid()), static_cast<QWidget*>(&dialog),
              static_cast<QWidget*>(dialog.findChild<QPushButton*>("cmdStationExport")),
              static_cast<QWidget*>(dialog.findChild<QPushButton*>("cmdStationImport"))}) {
            QVERIFY(focus);
            focus->setFocus();
            QTest::keyClick(focus, Qt::Key_Return);
            QTest::keyClick(focus, Qt::Key_Enter);
        }
        QCOMPARE(filesAsked, 0);
        QVERIFY(dialog.isVisible());
        // The buttons still work from the keyboard, on purpose: Space on the focused one.
        QPushButton* exportButton = dialog.findChild<QPushButton*>("cmdStationExport");
        exportButton->setFocus();
        QTest::keyClick(exportButton, Qt::Key_Space);
        QCOMPARE(filesAsked, 1);
    }

    void stationNamesAreUpperCaseAndNeverCutUnseen() {
        setLanguage(Language::English);
        InstrumentModel model = fs_test::readInstrument();
        FactorySettingsDialog dialog;
        dialog.setInstrument(&model);
        dialog.show();
        StationListGrid& stations = *dialog.stationGrid();
        QLineEdit* editor = openEditor(stations, 6, StationListGrid::textColumn);
        QVERIFY(editor);
        auto* keys = editor->findChild<FactoryKeyFilter*>();
        QVERIFY(keys);
        QSignalSpy refused(keys, &FactoryKeyFilter::refused);
        editor->clear();
        QTest::keyClicks(editor, "north gate");
        QCOMPARE(editor->text(), QString("NORTH GATE"));
        QCOMPARE(refused.size(), 0);
        // 25 characters typed: the first 16 are taken, each further key refused with why.
        editor->clear();
        QTest::keyClicks(editor, "abcdefghijklmnopqrstuvwxy");
        QCOMPARE(editor->text(), QString("ABCDEFGHIJKLMNOP"));
        QCOMPARE(refused.size(), 9);
        QCOMPARE(refused.last().at(0).toString(),
                 QString::fromStdString(ResMessage(msg::RefusedLength, {"16"})));
        QTest::keyClick(editor, Qt::Key_Return);  // commits from the event loop
        QTRY_COMPARE(stations.item(6, StationListGrid::textColumn)->text(),
                     QString("ABCDEFGHIJKLMNOP"));
        QVERIFY(stations.item(6, StationListGrid::textColumn)->toolTip().isEmpty());

        // A 25-character name that arrives whole (a paste) stays as it is, red, and says why.
        stations.editStation(7, "ABCDEFGHIJKLMNOPQRSTUVWXY");
        QCOMPARE(stations.item(7, StationListGrid::textColumn)->text().size(), 25);
        QVERIFY(stations.isInvalid(7));
        QCOMPARE(stations.item(7, StationListGrid::textColumn)->toolTip(),
                 QString::fromStdString(ResMessage(msg::RefusedLength, {"16"})));
        stations.editStation(8, "DOCK \"C\"");
        QCOMPARE(stations.item(8, StationListGrid::textColumn)->toolTip(),
                 QString::fromStdString(ResMessage(msg::RefusedNameCharacter, {"\""})));
    }
};

}  // namespace
}  // namespace vq

QTEST_MAIN(vq::FactoryDialogKeysTest)
#include "factory_dialog_keys_test.moc"

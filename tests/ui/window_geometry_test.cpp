// The main window's place on the screen: the first run takes most of the screen, every later run
// comes back at the size and position the window was closed with, and an older configuration
// (no position) or a position on a screen that is gone centres the window.

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <algorithm>
#include <fstream>
#include <sstream>

#include "app/gas_table.h"
#include "messages/messages.h"
#include "tests/ui/support/main_window_controls.h"
#include "tests/ui/support/main_window_fixture.h"
#include "ui/main/main_window.h"
#include "ui/main/settings_grid.h"
#include "ui/main/write_commands_wiring.h"

using namespace vq;
using namespace vq::ui_test;

namespace {

MainFixtureOptions inFolder(const std::string& workDir, const std::string& configText = {}) {
    MainFixtureOptions options;
    options.workDir = workDir;
    options.configText = configText;
    return options;
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

class WindowGeometryTest : public QObject {
    Q_OBJECT
  private slots:
    void sizeAndPositionComeBackFromTheFirstRestart() {
        QTemporaryDir dir;
        const std::string work = dir.path().toStdString();
        {
            MainFixture first(inFolder(work));
            MainWindow& w = *first.window;
            // No configuration yet: 80 % by 60 % of the fixture's 1920 x 1080 screen, or the
            // height the debug commands need.
            QCOMPARE(w.size(), QSize(1536, std::max(648, w.minimumHeight())));
            w.show();
            w.resize(1100, 800);
            w.move(30, 40);
            QVERIFY(w.close());
        }
        const std::string saved = fileText(work + "/VQ5100Config.ini");
        QVERIFY2(saved.find("Size Values\t0\t16500\t12000\r\n") != std::string::npos,
                 saved.c_str());
        QVERIFY2(saved.find("Window Position\t450\t600\r\n") != std::string::npos, saved.c_str());
        for (int run = 2; run <= 3; ++run) {
            MainFixture next(inFolder(work));
            QCOMPARE(next.window->size(), QSize(1100, 800));
            QCOMPARE(next.window->pos(), QPoint(30, 40));
            next.window->show();
            QVERIFY(next.window->close());
        }
    }

    // At the smallest window every title the gas table can put in the grid is whole, measured
    // with the grid's own font, in both languages.
    void gasTitlesFitTheirColumnAtTheSmallestSize() {
        for (const Language language : {Language::English, Language::Japanese}) {
            MainFixtureOptions options;
            options.language = language;
            MainFixture f(options);
            MainWindow& w = *f.window;
            auto* settings = new MainWindowSettings(w);
            SettingsGrid& grid = *settings->grid();
            w.show();
            w.resize(w.minimumSize());
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QCoreApplication::processEvents();
            int titles = 0;
            for (int ch = 0; ch < SettingsGrid::channels; ++ch) {
                for (int gas = 0; gas < gasTableRows; ++gas) {
                    if (!w.config().gasTable.at(gas, ch).enabled) continue;
                    QVERIFY(ApplyGasToChannel(w.model(), w.config().gasTable, ch, gas, false));
                    w.model().setGasEnabled(ch, true);
                    grid.refresh();
                    const QTableWidgetItem* cell = grid.item(SettingsGrid::rowOf(ch), 0);
                    QVERIFY(cell != nullptr && !cell->text().isEmpty());
                    const int needed = QFontMetrics(cell->font()).horizontalAdvance(cell->text());
                    QVERIFY2(needed + 4 <= grid.columnWidth(SettingsGrid::colGas),
                             qPrintable(QString("%1: %2 px in %3 px")
                                            .arg(cell->text())
                                            .arg(needed)
                                            .arg(grid.columnWidth(SettingsGrid::colGas))));
                    ++titles;
                }
            }
            QVERIFY(titles >= 11);  // the eight combustible gases, O2, H2S, CO
            // The columns still fill the grid and the gas column keeps at least its share.
            int total = 0;
            for (int column = 0; column < SettingsGrid::columns; ++column)
                total += grid.columnWidth(column);
            QCOMPARE(total, grid.viewport()->width());
            const int share = language == Language::Japanese ? 13 : 15;
            QVERIFY(grid.columnWidth(SettingsGrid::colGas) >=
                    grid.viewport()->width() * share / 100);
        }
        setLanguage(Language::English);
    }

    // With the debug commands, in both languages, at the smallest size: no command button is
    // narrower than its text or squashed below its height, and the erasing commands stand in
    // their own group.
    void commandButtonsKeepTheirTextWhole() {
        for (const Language language : {Language::English, Language::Japanese}) {
            for (const bool debug : {true, false}) {
                MainFixtureOptions options;
                options.language = language;
                options.debugMode = debug;
                MainFixture f(options);
                MainWindow& w = *f.window;
                new MainWindowSettings(w);
                w.show();
                w.resize(w.minimumSize());
                QVERIFY(QTest::qWaitForWindowExposed(&w));
                QCoreApplication::processEvents();
                int checked = 0;
                for (const QPushButton* b : w.findChildren<QPushButton*>()) {
                    if (!b->isVisible()) continue;
                    const QString what = QString("%1 \"%2\" %3x%4")
                                             .arg(b->objectName(), b->text())
                                             .arg(b->width())
                                             .arg(b->height());
                    // The text as shown: an access key's "&" takes no room.
                    QString shown = b->text();
                    shown.replace("&&", QChar(0x1)).remove('&').replace(QChar(0x1), '&');
                    QVERIFY2(b->width() >= b->fontMetrics().horizontalAdvance(shown) +
                                               2 * MainWindow::kButtonPadding,
                             qPrintable(what));
                    QVERIFY2(b->height() >= b->sizeHint().height(), qPrintable(what));
                    ++checked;
                }
                QVERIFY(checked >= (debug ? 16 : 10));
                QCOMPARE(serviceGroup(w)->isVisible(), debug);
                for (int i = 0; i < 8; ++i)
                    QCOMPARE(writeButton(w, i)->parentWidget() == serviceGroup(w),
                             i >= 3 && i <= 5);
            }
        }
        setLanguage(Language::English);
    }

    // A wide window does not stretch the identity boxes across the screen, and a box still
    // holds its longest text.
    void textBoxesKeepASensibleWidth() {
        MainFixture f;
        MainWindow& w = *f.window;
        w.show();
        w.resize(1900, 900);
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCoreApplication::processEvents();
        for (int i = 0; i < 3; ++i) {
            const QLineEdit* box = identityBox(w, i);
            const QString longest(box->maxLength(), 'M');
            QVERIFY2(box->width() >= box->fontMetrics().horizontalAdvance(longest),
                     qPrintable(QString::number(box->width())));
            QVERIFY2(box->width() <= 400, qPrintable(QString::number(box->width())));
        }
    }

    void withoutAUsablePositionTheWindowIsCentred() {
        struct Case {
            const char* name;
            const char* positionLine;
        };
        const Case cases[] = {
            {"an older program's file", ""},
            {"a screen that is gone", "Window Position\t90000\t90000\r\n"},
            {"half a position", "Window Position\t450\r\n"},
        };
        for (const Case& c : cases) {
            QTemporaryDir dir;
            const std::string config = std::string("Execute Count\t3\r\n") +
                                       "Size Values\t0\t16500\t12000\r\n" + c.positionLine;
            MainFixture f(inFolder(dir.path().toStdString(), config));
            QVERIFY2(f.window->size() == QSize(1100, 800), c.name);
            QVERIFY2(f.window->pos() == QPoint(410, 140), c.name);
        }
    }
};

QTEST_MAIN(WindowGeometryTest)
#include "window_geometry_test.moc"

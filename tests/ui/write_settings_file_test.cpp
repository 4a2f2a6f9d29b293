// "Store local file" and "Load local file" with real files: a stored model loads back into the
// same grid, a bad file changes nothing and names its line, locked channels come back on.

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/app_config.h"
#include "app/settings_file.h"
#include "link/link_status.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "ui/main/settings_file_commands.h"
#include "ui/main/settings_grid.h"
#include "ui/support/grid_test_support.h"

namespace vq {
namespace {

using grid_test::Box;
using G = SettingsGrid;

// Every cell's text and colour, row by row.
QStringList gridImage(const SettingsGrid& grid) {
    QStringList cells;
    for (int row = 0; row < grid.rowCount(); ++row)
        for (int column = 0; column < grid.columnCount(); ++column) {
            QString cell = grid.cellText(row, column) + "|" + grid.cellColour(row, column).name();
            if (column == G::colEnable && row >= G::headerRows)
                cell += grid.enableTicked(row - G::headerRows) ? "|on" : "|off";
            cells << cell;
        }
    return cells;
}

// A model read from the virtual instrument, shown in a grid, with the file commands on it.
struct Harness : SettingsFileWindow {
    Harness() {
        setLanguage(Language::English);
        FillBuiltInDefaults(config);
        model = grid_test::readDefaultInstrument();
        grid = std::make_unique<SettingsGrid>(
            SettingsGridDeps{model, config, asker, gridBusy, gridWindow});
        gridWindow.grid = grid.get();
        files = std::make_unique<SettingsFileCommands>(model, config, asker, nullptr, *this);
    }
    std::string chooseFile(bool save) override {
        saves.push_back(save);
        return chosen;
    }
    void enableWindow(bool on) override { enables.push_back(on); }
    void setLinkDone() override { ++linkDone; }
    void showInstrument() override { grid->refresh(); }
    bool confirmDiscardEdits() override {
        ++discardAsked;
        return discardAnswer;
    }
    void addInfo(const std::string& text, const QColor&) override { info.push_back(text); }
    std::string path(const char* name) const { return (dir.path() + "/" + name).toStdString(); }

    AppConfig config;
    InstrumentModel model;
    grid_test::RecordingAsker asker;
    bool gridBusy = false;
    grid_test::ConnectedGridWindow gridWindow;
    QTemporaryDir dir;
    std::string chosen;
    std::vector<bool> saves;
    std::vector<bool> enables;
    int linkDone = 0;
    int discardAsked = 0;
    bool discardAnswer = true;
    std::vector<std::string> info;
    std::unique_ptr<SettingsGrid> grid;
    std::unique_ptr<SettingsFileCommands> files;
};

class WriteSettingsFileTest : public QObject {
    Q_OBJECT
  private slots:
    void filtersComeFromTheMessageTable() {
        setLanguage(Language::English);
        QCOMPARE(SettingsFileCommands::fileFilter(),
                 QString("All files (*.*);;Config Data (*.seq)"));
        QCOMPARE(SettingsFileCommands::settingsFilter(), QString("Config Data (*.seq)"));
    }

    void storedFileLoadsBackIntoTheSameGrid() {
        Harness h;
        QCOMPARE(h.model.GasName(3), std::string("CO"));
        QVERIFY(h.grid->finishEdit(G::rowOf(3), G::colStel, "150"));
        h.grid->refresh();
        const QStringList before = gridImage(*h.grid);

        h.chosen = h.path("bench.seq");
        QVERIFY(h.files->ExportSettings());
        QCOMPARE(h.saves, std::vector<bool>{true});
        const InstrumentModel stored = h.model;

        // The user goes on editing, then loads the file again.
        h.asker.answers = {true};
        h.grid->item(G::rowOf(2), G::colEnable)->setCheckState(Qt::Unchecked);
        QVERIFY(h.grid->finishEdit(G::rowOf(3), G::colAlarm, "120"));
        h.model.setIntervals(600);
        h.model.setSerialNo("EDITED");
        h.model.ClearChangeFlags();
        QVERIFY(gridImage(*h.grid) != before);

        const bool loaded = h.files->ImportSettings();
        const std::vector<std::string> refused = h.asker.texts(Box::Error);
        QVERIFY2(loaded, refused.empty() ? "" : refused.front().c_str());
        QCOMPARE(gridImage(*h.grid), before);
        QCOMPARE(SettingsFileText(h.model), SettingsFileText(stored));
        // Loaded settings are owed to the instrument; the identity texts are not part of a file.
        QVERIFY(h.model.isChanged(SettingId::Alarm, 3) && h.model.isChanged(SettingId::Intervals) &&
                h.model.isChanged(SettingId::AlarmO2));
        QVERIFY(!h.model.isChanged(SettingId::SerialNo));
        QCOMPARE(h.model.SerialNo(), std::string("EDITED"));
        QCOMPARE(h.model.ImportFlag(), std::int16_t(1));
        QCOMPARE(h.linkDone, 1);
        QCOMPARE(h.enables, (std::vector<bool>{false, true}));
        QVERIFY(h.asker.texts(Box::Error).empty());
        // Both said so, naming the file.
        QCOMPARE(h.asker.texts(Box::Information),
                 (std::vector<std::string>{ResMessage(msg::SettingsStoredBox, {h.chosen}),
                                           ResMessage(msg::SettingsLoadedBox, {h.chosen})}));
        // The information log keeps the full path, however the file was named.
        h.chosen = h.path("sub/../bench.seq");
        QVERIFY(QDir(h.dir.path()).mkdir("sub"));
        QVERIFY(h.files->ExportSettings());
        QVERIFY(h.files->ImportSettings());
        const std::string full = h.path("bench.seq");
        QCOMPARE(h.info, (std::vector<std::string>{ResMessage(msg::SettingsStoredInfo, {full}),
                                                   ResMessage(msg::SettingsLoadedInfo, {full}),
                                                   ResMessage(msg::SettingsStoredInfo, {full}),
                                                   ResMessage(msg::SettingsLoadedInfo, {full})}));

        // Red cells are stored as they are, and the file they make is refused on load with the
        // line and the rule the grid turned them red by: one rule set for both.
        h.model.setAlarmO2(0);
        h.model.setWarning(1, 23);  // out of order for the mode
        h.grid->refresh();
        QVERIFY(gridImage(*h.grid).join(",").contains("#ff0000"));
        h.chosen = h.path("red.seq");
        QVERIFY(h.files->ExportSettings());
        h.model.setWarning(1, 19.5f);
        QVERIFY(!h.files->ImportSettings());
        QCOMPARE(h.model.Warning(1), 19.5f);
        const std::vector<std::string> errors = h.asker.texts(Box::Error);
        QCOMPARE(errors.size(), std::size_t(1));
        QVERIFY2(errors[0].find("red.seq") != std::string::npos, errors[0].c_str());
        QVERIFY2(errors[0].find("line 18") != std::string::npos, errors[0].c_str());
        QVERIFY2(errors[0].find("A1: warning 23 of channel 2 is not at or below its alarm") !=
                     std::string::npos,
                 errors[0].c_str());
    }

    void badFileChangesNothingAndNamesItsLine() {
        Harness h;
        h.chosen = h.path("bad.seq");
        std::string text = SettingsFileText(h.model);
        text.replace(text.find("LP,W,"), 7, "LP,W,X,");
        std::ofstream(h.chosen, std::ios::binary) << text;
        h.model.setAlarm(3, 70);
        const InstrumentModel before = h.model;

        QVERIFY(!h.files->ImportSettings());
        QCOMPARE(SettingsFileText(h.model), SettingsFileText(before));
        QCOMPARE(h.model.isChanged(SettingId::Alarm, 3), true);
        QCOMPARE(h.model.isChanged(SettingId::HcMode), before.isChanged(SettingId::HcMode));
        QCOMPARE(h.model.ImportFlag(), before.ImportFlag());
        QCOMPARE(h.linkDone, 0);
        const std::vector<std::string> errors = h.asker.texts(Box::Error);
        QCOMPARE(errors.size(), std::size_t(1));
        QVERIFY2(errors[0].find("bad.seq") != std::string::npos, errors[0].c_str());
        QVERIFY2(errors[0].find("line 3") != std::string::npos, errors[0].c_str());
        QCOMPARE(h.enables, (std::vector<bool>{false, true}));

        // The box speaks the window's language around the file's own detail.
        setLanguage(Language::Japanese);
        QVERIFY(!h.files->ImportSettings());
        setLanguage(Language::English);
        const std::vector<std::string> japanese = h.asker.texts(Box::Error);
        QCOMPARE(japanese.size(), std::size_t(2));
        QVERIFY2(japanese[1].find("bad.seq") != std::string::npos, japanese[1].c_str());
        QVERIFY2(japanese[1].find("3 行目") != std::string::npos, japanese[1].c_str());
        QVERIFY2(japanese[1].find("line 3") == std::string::npos, japanese[1].c_str());
    }

    void cancelledDialogsDoNothing() {
        Harness h;
        h.chosen.clear();
        const std::string before = SettingsFileText(h.model);
        QVERIFY(!h.files->ExportSettings());
        QVERIFY(!h.files->ImportSettings());
        QCOMPARE(h.saves, (std::vector<bool>{true, false}));
        QVERIFY(h.asker.boxes.empty());
        QVERIFY(h.enables.empty());
        QCOMPARE(SettingsFileText(h.model), before);
        QVERIFY(std::filesystem::is_empty(h.dir.path().toStdString()));
        // Edits the user will not lose stop a load before the file is even asked for.
        h.discardAnswer = false;
        h.chosen = h.path("never.seq");
        QVERIFY(!h.files->ImportSettings());
        QCOMPARE(h.discardAsked, 2);
        QCOMPARE(h.saves, (std::vector<bool>{true, false}));
    }

    void lockedChannelsComeBackOnAfterALoad() {
        Harness h;
        h.model.setGasEnabled(3, false);
        h.chosen = h.path("no-co.seq");
        QVERIFY(h.files->ExportSettings());
        h.model.setGasEnabled(3, true);
        h.config.gasLocked[3] = true;
        QVERIFY(h.files->ImportSettings());
        QVERIFY(h.model.GasEnabled(3));
        QVERIFY(h.grid->enableTicked(3));
    }

    void storeFailureIsShown() {
        Harness h;
        h.chosen = h.path("missing/folder/x.seq");
        QVERIFY(!h.files->ExportSettings());
        QCOMPARE(h.asker.texts(Box::Error).size(), std::size_t(1));
        QVERIFY(!std::filesystem::exists(h.chosen));
    }
};

}  // namespace
}  // namespace vq

QTEST_MAIN(vq::WriteSettingsFileTest)
#include "write_settings_file_test.moc"

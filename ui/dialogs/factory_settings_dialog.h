#pragma once
// FactorySettingsDialog: the factory setting dialog. It edits a working copy of the caller's
// instrument model (factory parameters, station list, settings gas entries) and, on OK, hands back
// only the fields the user changed, with their change flags set, for the main window's next write.
// Nothing is sent to the instrument from here. Cancel leaves the caller's model untouched.
//
// Use:
//     FactorySettingsDialog dialog(parent);
//     dialog.setFont(configuredFont);       // every control follows the dialog's font
//     dialog.setInstrument(&model);
//     if (dialog.exec() == QDialog::Accepted) { /* refresh the display from model */ }
// or simply FactorySettingsDialog::edit(model, parent, font).

#include <QDialog>
#include <QMessageBox>
#include <functional>
#include <string>

#include "model/instrument.h"

class QLabel;
class QPushButton;

namespace vq {

class FactoryValuesGrid;
class StationListGrid;
class GasTableGrid;

class FactorySettingsDialog : public QDialog {
    Q_OBJECT
  public:
    // Shows a box; tests replace it so no modal box ever waits for a person.
    using Notify = std::function<void(QMessageBox::Icon icon, const QString& text)>;
    // Chooses a file; returns an empty text when the user cancels.
    using ChooseFile = std::function<QString(bool save)>;
    // Asks a Yes/No question; true for Yes.
    using Ask = std::function<bool(const QString& text)>;
    // A line for the caller's information log (a file written, with its full path).
    using Log = std::function<void(const std::string& text)>;

    explicit FactorySettingsDialog(QWidget* parent = nullptr);

    // Runs the dialog modally over `model`; true when the user confirmed with OK.
    static bool edit(InstrumentModel& model, QWidget* parent, const QFont& font, Log log = {});

    void setInstrument(InstrumentModel* model) { instrument_ = model; }
    InstrumentModel* Instrument() const { return instrument_; }

    void setNotify(Notify notify) { notify_ = std::move(notify); }
    void setChooseFile(ChooseFile choose) { chooseFile_ = std::move(choose); }
    void setAsk(Ask ask) { ask_ = std::move(ask); }
    void setLog(Log log) { log_ = std::move(log); }

    // True when OK would hand back a change to the caller's model.
    bool hasEdits() const;

    // The station list to and from a CSV file (the buttons ask for the path first). Export
    // refuses red stations with message 8056 and writes nothing; both report file errors. A
    // written file is named with its full path in the box and the log.
    bool exportStations(const QString& path);
    bool importStations(const QString& path);

    // The OK button: refuses while a station or gas cell is red; otherwise stores the grids into
    // the working copy, copies the flagged fields back and closes.
    void confirm();

    const InstrumentModel& workingCopy() const { return work_; }
    FactoryValuesGrid* datasGrid() const { return datas_; }
    StationListGrid* stationGrid() const { return stations_; }
    GasTableGrid* gasTableGrid() const { return gases_; }

    void done(int result) override;
    // Escape and the close box: with edits, asks before they are dropped; No keeps the dialog
    // open with them. The Cancel button drops them without asking (the user said so).
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void activate();
    void notice(QMessageBox::Icon icon, const QString& text);
    void reportInvalid(int gridNameId);

    InstrumentModel* instrument_ = nullptr;
    InstrumentModel work_;
    bool activated_ = false;
    Notify notify_;
    ChooseFile chooseFile_;
    Ask ask_;
    Log log_;

    FactoryValuesGrid* datas_;
    StationListGrid* stations_;
    GasTableGrid* gases_;
    QLabel* spaceCountLabel_;
    QPushButton* okButton_;
    QPushButton* cancelButton_;
    QPushButton* stationExportButton_;
    QPushButton* stationImportButton_;
};

}  // namespace vq

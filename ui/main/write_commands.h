#pragma once
// The eight write commands of the main window (writeButton 0-7): "Update", "Date/Time Set",
// "Calibration", "DEFAULT", "Clear Power Log", "Clear Logger Data", "Write Check Data" and
// "Update ID". Each asks first, runs one link operation with the whole window disabled, and
// reports in the information log (and, for the writes, the communication log). A failed write is
// reported as failed: a red line and an "Upload Failed." box, never "Upload Complete.".
//
// Built with what it works on: the operations on the link, the model as edited in the window,
// the message boxes, and the window it runs in (information log, enabling, progress window, the
// calibration window, the clock and the CSV suffix).

#include <QColor>
#include <QObject>
#include <optional>
#include <string>

#include "platform/settings_update.h"
#include "ui/main/user_asker.h"

class QWidget;

namespace vq {

class UserAsker;
class WriteOperations;
class InstrumentModel;
struct SettingsWriteResult;

namespace write_colour {
inline const QColor Progress{0, 192, 0};  // progress and success
inline const QColor Failure{255, 0, 0};   // failures
}  // namespace write_colour

// What the write commands need from the window they run in.
class WriteCommandWindow {
  public:
    virtual ~WriteCommandWindow() = default;
    // One line of the information log.
    virtual void addInfo(const std::string& text, const QColor& colour) = 0;
    // The whole window on or off (off while a write runs, so nothing else can start).
    virtual void enableWindow(bool on) = 0;
    // The progress window "Upload" / "Now Uploading", and its end.
    virtual void showProgress() = 0;
    virtual void closeProgress() = 0;
    // The calibration window, shown modal (the pump runs while it is open).
    virtual void openCalibration() = 0;
    // The local time now as an OLE date.
    virtual double now() const = 0;
    // The factory record suffix of the settings CSV file name.
    virtual std::string csvSuffix() const = 0;
    // The settings as the instrument held them at the last read (or the last write that it
    // confirmed); null before any read. What a write changes is shown against these.
    virtual const InstrumentModel* lastRead() const = 0;
    // The instrument now holds `model` (a write succeeded).
    virtual void setLastRead(const InstrumentModel& model) = 0;
    // A settings write was sent (`ok`: the instrument took all of it), for the instrument records;
    // lastRead() is still what the instrument held before.
    virtual void recordWrite(const InstrumentModel& written, bool ok) {
        (void)written;
        (void)ok;
    }
    // Reads every setting again, so the window shows what the instrument now holds (after
    // "DEFAULT" changed them all on the instrument's side).
    virtual void readAgain() = 0;
};

class WriteCommands : public QObject {
    Q_OBJECT
  public:
    enum Command {
        updateCommand = 0,
        clockCommand = 1,
        calibrationCommand = 2,
        defaultsCommand = 3,
        clearPowerLogCommand = 4,
        clearLoggerDataCommand = 5,
        checkDataCommand = 6,
        updateIdCommand = 7
    };

    WriteCommands(WriteOperations& ops, InstrumentModel& model, UserAsker& asker, QWidget* window,
                  std::string workDir, WriteCommandWindow& host, QObject* parent = nullptr);

    // The click of writeButton(index).
    void commandClicked(int index);

    // "Update" (idOnly false) and "Update ID" (true): validate, ask, write. True when written.
    bool Update(bool idOnly);
    // "Date/Time Set" (checkData false) and "Write Check Data" (true).
    bool SetClock(bool checkData);
    void Calibration();
    // "DEFAULT", "Clear Power Log" and "Clear Logger Data".
    bool ClearCommand(int index);

    // True while a command runs.
    bool running() const { return running_; }

  private:
    void writeCsvRow(bool idOnly);
    // What the write will change against the model as last read; none before any read.
    std::optional<WriteReview> updateReview(const InstrumentModel& edited, bool idOnly) const;
    // After a write that stopped: the model as last read takes what the instrument confirmed,
    // and the information log lists it.
    void rememberPartlyWritten(const SettingsUpdate::Result& run);
    // The question before "Date/Time Set": the instrument's clock as last read and the PC's time
    // that will be written.
    std::string clockQuestion(double now) const;
    // After a confirmed write: what the instrument now holds.
    void rememberWritten(bool idOnly, const InstrumentModel& sent,
                         const SettingsWriteResult& result);
    void addInfo(const std::string& text, const QColor& colour);
    void showProgress();
    void closeProgress();

    WriteOperations& ops_;
    InstrumentModel& model_;
    UserAsker& asker_;
    QWidget* window_;
    std::string workDir_;
    WriteCommandWindow& host_;
    bool running_ = false;
};

}  // namespace vq

#pragma once
// "Store local file" and "Load local file": the model's settings as a settings command file
// ("Config Data (*.seq)") and back. Neither talks to the instrument; a loaded file is written by
// a later "Update".
//
// A load is all or nothing: a file with a bad line leaves the model exactly as it was and an
// error box names the file and the line. After a good load every setting counts as changed, the
// locked channels are switched on again and the model is shown.

#include <QObject>
#include <QString>
#include <string>

class QColor;
class QWidget;

namespace vq {

class UserAsker;
class InstrumentModel;
struct AppConfig;

// What the settings file commands need from the window they run in.
class SettingsFileWindow {
  public:
    virtual ~SettingsFileWindow() = default;
    // Asks for a file name; empty when cancelled. `save` picks the save dialog (which asks
    // before replacing a file), else the open dialog (which wants an existing file).
    virtual std::string chooseFile(bool save) = 0;
    // The whole window on or off while a file is read.
    virtual void enableWindow(bool on) = 0;
    // The loaded model is the link's and its status Done.
    virtual void setLinkDone() = 0;
    // The main window's ShowInstrument.
    virtual void showInstrument() = 0;
    // True when no edit waits for its write, or the user agrees to lose what does.
    virtual bool confirmDiscardEdits() = 0;
    // One line of the information log (the file stored or loaded, by its full path).
    virtual void addInfo(const std::string& /*text*/, const QColor& /*colour*/) {}
};

// The platform's file dialogs for settings command files, opening in `folder`.
std::string ChooseSettingsFile(QWidget* parent, const std::string& folder, bool save);

class SettingsFileCommands : public QObject {
    Q_OBJECT
  public:
    SettingsFileCommands(InstrumentModel& model, AppConfig& config, UserAsker& asker,
                         QWidget* window, SettingsFileWindow& host, QObject* parent = nullptr);

    // True when a file was written / loaded.
    bool ExportSettings();
    bool ImportSettings();

    // The dialogs' filter from the message table, in Qt's form, and its second entry (the
    // settings files), which the dialogs preselect.
    static QString fileFilter();
    static QString settingsFilter();

  private:
    void ApplyLockedGases();

    InstrumentModel& model_;
    AppConfig& config_;
    UserAsker& asker_;
    QWidget* window_;
    SettingsFileWindow& host_;
};

}  // namespace vq

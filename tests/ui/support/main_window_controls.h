#pragma once
// The main window's controls as a test finds them: by the object names tests and screenshots rely
// on, never through the window's members (it keeps its widgets to itself). A control that is
// missing, or named twice in the window, stops the test at once: a renamed control cannot pass
// unnoticed. Declared in the window's namespace, so a call finds them by its argument.

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QTimer;

namespace vq {

class frmMain;

QGroupBox* fraCommand(const frmMain& w, int i);
QGroupBox* fraService(const frmMain& w);
// The read commands: "Instruments", "Download" (debug), "Power Off", "Get && Save".
QPushButton* cmdInstruments(const frmMain& w);
QPushButton* cmdDownload(const frmMain& w);
QPushButton* cmdPowerOff(const frmMain& w);
QPushButton* cmdGetAndSave(const frmMain& w);
QPushButton* cmdOption(const frmMain& w, int i);
QPushButton* cmdFRAMDump(const frmMain& w);
QPushButton* cmdPort(const frmMain& w);
QPushButton* cmdExportSetting(const frmMain& w);
QPushButton* cmdImportSetting(const frmMain& w);
QPushButton* cmdFactorySetting(const frmMain& w);
QPushButton* cmdRecords(const frmMain& w);
QPushButton* cmdExit(const frmMain& w);
QLineEdit* txtSuffix(const frmMain& w);
QLineEdit* txtOption(const frmMain& w, int i);
QComboBox* cmbStation(const frmMain& w);
QComboBox* cmbInterval(const frmMain& w);
QLabel* lblOption(const frmMain& w, int i);
// The program number and the SUM as read from the instrument.
QLabel* lblProgramNumber(const frmMain& w);
QLabel* lblSum(const frmMain& w);
QLabel* lblStatus(const frmMain& w, int i);
QFrame* shpStatus(const frmMain& w, int i);
QTextEdit* rtbLog(const frmMain& w);
QTimer* tmrInter(const frmMain& w);

}  // namespace vq

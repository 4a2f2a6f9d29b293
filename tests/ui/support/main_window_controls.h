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

class MainWindow;

QGroupBox* fraCommand(const MainWindow& w, int i);
QGroupBox* fraService(const MainWindow& w);
// The read commands: "Instruments", "Download" (debug), "Power Off", "Get && Save".
QPushButton* cmdInstruments(const MainWindow& w);
QPushButton* cmdDownload(const MainWindow& w);
QPushButton* cmdPowerOff(const MainWindow& w);
QPushButton* cmdGetAndSave(const MainWindow& w);
QPushButton* cmdOption(const MainWindow& w, int i);
QPushButton* cmdFRAMDump(const MainWindow& w);
QPushButton* cmdPort(const MainWindow& w);
QPushButton* cmdExportSetting(const MainWindow& w);
QPushButton* cmdImportSetting(const MainWindow& w);
QPushButton* cmdFactorySetting(const MainWindow& w);
QPushButton* cmdRecords(const MainWindow& w);
QPushButton* cmdExit(const MainWindow& w);
QLineEdit* txtSuffix(const MainWindow& w);
QLineEdit* txtOption(const MainWindow& w, int i);
QComboBox* cmbStation(const MainWindow& w);
QComboBox* cmbInterval(const MainWindow& w);
QLabel* lblOption(const MainWindow& w, int i);
// The program number and the SUM as read from the instrument.
QLabel* lblProgramNumber(const MainWindow& w);
QLabel* lblSum(const MainWindow& w);
QLabel* lblStatus(const MainWindow& w, int i);
QFrame* shpStatus(const MainWindow& w, int i);
QTextEdit* rtbLog(const MainWindow& w);
QTimer* tmrInter(const MainWindow& w);

}  // namespace vq

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

QGroupBox* commandGroup(const MainWindow& w, int i);
QGroupBox* serviceGroup(const MainWindow& w);
// The read commands: "Instruments", "Download" (debug), "Power Off", "Get && Save".
QPushButton* readSettingsButton(const MainWindow& w);
QPushButton* downloadButton(const MainWindow& w);
QPushButton* powerOffButton(const MainWindow& w);
QPushButton* getAndSaveButton(const MainWindow& w);
QPushButton* writeButton(const MainWindow& w, int i);
QPushButton* memoryDumpButton(const MainWindow& w);
QPushButton* portButton(const MainWindow& w);
QPushButton* exportSettingsButton(const MainWindow& w);
QPushButton* importSettingsButton(const MainWindow& w);
QPushButton* factorySettingsButton(const MainWindow& w);
QPushButton* recordsButton(const MainWindow& w);
QPushButton* exitButton(const MainWindow& w);
QLineEdit* suffixBox(const MainWindow& w);
QLineEdit* identityBox(const MainWindow& w, int i);
QComboBox* stationBox(const MainWindow& w);
QComboBox* intervalBox(const MainWindow& w);
QLabel* settingLabel(const MainWindow& w, int i);
// The program number and the SUM as read from the instrument.
QLabel* programNumberLabel(const MainWindow& w);
QLabel* sumLabel(const MainWindow& w);
QLabel* lampLabel(const MainWindow& w, int i);
QFrame* lampFrame(const MainWindow& w, int i);
QTextEdit* logBox(const MainWindow& w);
QTimer* tickTimer(const MainWindow& w);

}  // namespace vq

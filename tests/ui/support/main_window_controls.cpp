#include "tests/ui/support/main_window_controls.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

#include "ui/main/main_window.h"

namespace vq {

namespace {

// The one control of that name in the main window itself: controls of windows it opened (the
// progress window, the records window) are theirs, not the main window's.
template <class T>
T* control(const MainWindow& w, const QString& name) {
    T* found = nullptr;
    for (T* candidate : w.findChildren<T*>(name)) {
        if (candidate->window() != &w) continue;
        if (found != nullptr) qFatal("the main window has two controls named %s", qPrintable(name));
        found = candidate;
    }
    if (found == nullptr) qFatal("the main window has no control named %s", qPrintable(name));
    return found;
}

QString numbered(const char* name, int i) {
    return QString("%1%2").arg(QLatin1String(name)).arg(i);
}

}  // namespace

QGroupBox* fraCommand(const MainWindow& w, int i) {
    return control<QGroupBox>(w, numbered("fraCommand", i));
}
QGroupBox* fraService(const MainWindow& w) {
    return control<QGroupBox>(w, "fraService");
}
QPushButton* cmdInstruments(const MainWindow& w) {
    return control<QPushButton>(w, "cmdDown1");
}
QPushButton* cmdDownload(const MainWindow& w) {
    return control<QPushButton>(w, "cmdDown2");
}
QPushButton* cmdPowerOff(const MainWindow& w) {
    return control<QPushButton>(w, "cmdDown4");
}
QPushButton* cmdGetAndSave(const MainWindow& w) {
    return control<QPushButton>(w, "cmdDown5");
}
QPushButton* cmdOption(const MainWindow& w, int i) {
    return control<QPushButton>(w, numbered("cmdOption", i));
}
QPushButton* cmdFRAMDump(const MainWindow& w) {
    return control<QPushButton>(w, "cmdFRAMDump");
}
QPushButton* cmdPort(const MainWindow& w) {
    return control<QPushButton>(w, "cmdPort");
}
QPushButton* cmdExportSetting(const MainWindow& w) {
    return control<QPushButton>(w, "cmdExportSetting");
}
QPushButton* cmdImportSetting(const MainWindow& w) {
    return control<QPushButton>(w, "cmdImportSetting");
}
QPushButton* cmdFactorySetting(const MainWindow& w) {
    return control<QPushButton>(w, "cmdFactorySetting");
}
QPushButton* cmdRecords(const MainWindow& w) {
    return control<QPushButton>(w, "cmdRecords");
}
QPushButton* cmdExit(const MainWindow& w) {
    return control<QPushButton>(w, "cmdExit");
}
QLineEdit* txtSuffix(const MainWindow& w) {
    return control<QLineEdit>(w, "txtSuffix");
}
QLineEdit* txtOption(const MainWindow& w, int i) {
    return control<QLineEdit>(w, numbered("txtOption", i));
}
QComboBox* cmbStation(const MainWindow& w) {
    return control<QComboBox>(w, "cmbStation");
}
QComboBox* cmbInterval(const MainWindow& w) {
    return control<QComboBox>(w, "cmbInterval");
}
QLabel* lblOption(const MainWindow& w, int i) {
    return control<QLabel>(w, numbered("lblOption", i));
}
QLabel* lblProgramNumber(const MainWindow& w) {
    return control<QLabel>(w, "lblInst7");
}
QLabel* lblSum(const MainWindow& w) {
    return control<QLabel>(w, "lblInst9");
}
QLabel* lblStatus(const MainWindow& w, int i) {
    return control<QLabel>(w, numbered("lblStatus", i));
}
QFrame* shpStatus(const MainWindow& w, int i) {
    return control<QFrame>(w, numbered("shpStatus", i));
}
QTextEdit* rtbLog(const MainWindow& w) {
    return control<QTextEdit>(w, "rtbLog");
}
QTimer* tmrInter(const MainWindow& w) {
    // A timer has no window: the main window's own is its direct child.
    auto* timer = w.findChild<QTimer*>("tmrInter", Qt::FindDirectChildrenOnly);
    if (timer == nullptr) qFatal("the main window has no timer tmrInter");
    return timer;
}

}  // namespace vq

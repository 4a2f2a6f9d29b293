#include "tests/ui/support/main_window_controls.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

#include "ui/main/frm_main.h"

namespace vq {

namespace {

// The one control of that name in the main window itself: controls of windows it opened (the
// progress window, the records window) are theirs, not the main window's.
template <class T>
T* control(const frmMain& w, const QString& name) {
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

QGroupBox* fraCommand(const frmMain& w, int i) {
    return control<QGroupBox>(w, numbered("fraCommand", i));
}
QGroupBox* fraService(const frmMain& w) {
    return control<QGroupBox>(w, "fraService");
}
QPushButton* cmdInstruments(const frmMain& w) {
    return control<QPushButton>(w, "cmdDown1");
}
QPushButton* cmdDownload(const frmMain& w) {
    return control<QPushButton>(w, "cmdDown2");
}
QPushButton* cmdPowerOff(const frmMain& w) {
    return control<QPushButton>(w, "cmdDown4");
}
QPushButton* cmdGetAndSave(const frmMain& w) {
    return control<QPushButton>(w, "cmdDown5");
}
QPushButton* cmdOption(const frmMain& w, int i) {
    return control<QPushButton>(w, numbered("cmdOption", i));
}
QPushButton* cmdFRAMDump(const frmMain& w) {
    return control<QPushButton>(w, "cmdFRAMDump");
}
QPushButton* cmdPort(const frmMain& w) {
    return control<QPushButton>(w, "cmdPort");
}
QPushButton* cmdExportSetting(const frmMain& w) {
    return control<QPushButton>(w, "cmdExportSetting");
}
QPushButton* cmdImportSetting(const frmMain& w) {
    return control<QPushButton>(w, "cmdImportSetting");
}
QPushButton* cmdFactorySetting(const frmMain& w) {
    return control<QPushButton>(w, "cmdFactorySetting");
}
QPushButton* cmdRecords(const frmMain& w) {
    return control<QPushButton>(w, "cmdRecords");
}
QPushButton* cmdExit(const frmMain& w) {
    return control<QPushButton>(w, "cmdExit");
}
QLineEdit* txtSuffix(const frmMain& w) {
    return control<QLineEdit>(w, "txtSuffix");
}
QLineEdit* txtOption(const frmMain& w, int i) {
    return control<QLineEdit>(w, numbered("txtOption", i));
}
QComboBox* cmbStation(const frmMain& w) {
    return control<QComboBox>(w, "cmbStation");
}
QComboBox* cmbInterval(const frmMain& w) {
    return control<QComboBox>(w, "cmbInterval");
}
QLabel* lblOption(const frmMain& w, int i) {
    return control<QLabel>(w, numbered("lblOption", i));
}
QLabel* lblProgramNumber(const frmMain& w) {
    return control<QLabel>(w, "lblInst7");
}
QLabel* lblSum(const frmMain& w) {
    return control<QLabel>(w, "lblInst9");
}
QLabel* lblStatus(const frmMain& w, int i) {
    return control<QLabel>(w, numbered("lblStatus", i));
}
QFrame* shpStatus(const frmMain& w, int i) {
    return control<QFrame>(w, numbered("shpStatus", i));
}
QTextEdit* rtbLog(const frmMain& w) {
    return control<QTextEdit>(w, "rtbLog");
}
QTimer* tmrInter(const frmMain& w) {
    // A timer has no window: the main window's own is its direct child.
    auto* timer = w.findChild<QTimer*>("tmrInter", Qt::FindDirectChildrenOnly);
    if (timer == nullptr) qFatal("the main window has no timer tmrInter");
    return timer;
}

}  // namespace vq

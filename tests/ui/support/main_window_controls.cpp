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

QGroupBox* commandGroup(const MainWindow& w, int i) {
    return control<QGroupBox>(w, numbered("fraCommand", i));
}
QGroupBox* serviceGroup(const MainWindow& w) {
    return control<QGroupBox>(w, "fraService");
}
QPushButton* readSettingsButton(const MainWindow& w) {
    return control<QPushButton>(w, "cmdDown1");
}
QPushButton* downloadButton(const MainWindow& w) {
    return control<QPushButton>(w, "cmdDown2");
}
QPushButton* powerOffButton(const MainWindow& w) {
    return control<QPushButton>(w, "cmdDown4");
}
QPushButton* getAndSaveButton(const MainWindow& w) {
    return control<QPushButton>(w, "cmdDown5");
}
QPushButton* writeButton(const MainWindow& w, int i) {
    return control<QPushButton>(w, numbered("cmdOption", i));
}
QPushButton* memoryDumpButton(const MainWindow& w) {
    return control<QPushButton>(w, "cmdFRAMDump");
}
QPushButton* portButton(const MainWindow& w) {
    return control<QPushButton>(w, "cmdPort");
}
QPushButton* exportSettingsButton(const MainWindow& w) {
    return control<QPushButton>(w, "cmdExportSetting");
}
QPushButton* importSettingsButton(const MainWindow& w) {
    return control<QPushButton>(w, "cmdImportSetting");
}
QPushButton* factorySettingsButton(const MainWindow& w) {
    return control<QPushButton>(w, "cmdFactorySetting");
}
QPushButton* recordsButton(const MainWindow& w) {
    return control<QPushButton>(w, "cmdRecords");
}
QPushButton* exitButton(const MainWindow& w) {
    return control<QPushButton>(w, "cmdExit");
}
QLineEdit* suffixBox(const MainWindow& w) {
    return control<QLineEdit>(w, "txtSuffix");
}
QLineEdit* identityBox(const MainWindow& w, int i) {
    return control<QLineEdit>(w, numbered("txtOption", i));
}
QComboBox* stationBox(const MainWindow& w) {
    return control<QComboBox>(w, "cmbStation");
}
QComboBox* intervalBox(const MainWindow& w) {
    return control<QComboBox>(w, "cmbInterval");
}
QLabel* settingLabel(const MainWindow& w, int i) {
    return control<QLabel>(w, numbered("lblOption", i));
}
QLabel* programNumberLabel(const MainWindow& w) {
    return control<QLabel>(w, "lblInst7");
}
QLabel* sumLabel(const MainWindow& w) {
    return control<QLabel>(w, "lblInst9");
}
QLabel* lampLabel(const MainWindow& w, int i) {
    return control<QLabel>(w, numbered("lblStatus", i));
}
QFrame* lampFrame(const MainWindow& w, int i) {
    return control<QFrame>(w, numbered("shpStatus", i));
}
QTextEdit* logBox(const MainWindow& w) {
    return control<QTextEdit>(w, "rtbLog");
}
QTimer* tickTimer(const MainWindow& w) {
    // A timer has no window: the main window's own is its direct child.
    auto* timer = w.findChild<QTimer*>("tmrInter", Qt::FindDirectChildrenOnly);
    if (timer == nullptr) qFatal("the main window has no timer tmrInter");
    return timer;
}

}  // namespace vq

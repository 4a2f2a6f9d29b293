#include "e2e/sim_process.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace vq::test {

SimProcess::SimProcess(const QStringList& args) {
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start(QStringLiteral(VQ5100SIM_PATH), args);
    if (!process_.waitForStarted(10000)) return;
    QTimer guard;  // wakes the loop to check the limit
    guard.start(100);
    QElapsedTimer elapsed;
    elapsed.start();
    while (!process_.canReadLine() && process_.state() == QProcess::Running &&
           elapsed.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (process_.canReadLine()) served_ = QString::fromUtf8(process_.readLine()).trimmed();
}

SimProcess::~SimProcess() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

}  // namespace vq::test

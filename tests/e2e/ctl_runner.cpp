#include "e2e/ctl_runner.h"

#include <sys/resource.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>

namespace vq::test {

namespace {

CtlResult runProcess(const QStringList& args, const QString& workDir, int limitMs, int pauseMs,
                     long long fileSizeLimit) {
    QProcess process;
    if (fileSizeLimit >= 0) {
        process.setChildProcessModifier([fileSizeLimit] {
            const rlimit limit{static_cast<rlim_t>(fileSizeLimit),
                               static_cast<rlim_t>(fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
    }
    process.setWorkingDirectory(workDir);
    // The language follows the locale; tests choose theirs with --lang.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) environment.remove(name);
    environment.remove(QStringLiteral("VQ5100CTL_PAUSE_MS"));
    if (pauseMs >= 0)
        environment.insert(QStringLiteral("VQ5100CTL_PAUSE_MS"), QString::number(pauseMs));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VQ5100CTL_PATH), args);
    CtlResult result;
    if (!process.waitForStarted(10000)) return result;
    QTimer guard;  // wakes the loop to check the limit
    guard.start(100);
    QElapsedTimer elapsed;
    elapsed.start();
    while (process.state() != QProcess::NotRunning && elapsed.elapsed() < limitMs) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    } else {
        result.finished = process.exitStatus() == QProcess::NormalExit;
        result.exitCode = process.exitCode();
    }
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

}  // namespace

CtlResult runCtl(const QStringList& args, const QString& workDir, int limitMs, int pauseMs) {
    return runProcess(args, workDir, limitMs, pauseMs, -1);
}

CtlResult runCtlWithFileSizeLimit(const QStringList& args, const QString& workDir,
                                  long long fileSizeLimit, int limitMs) {
    return runProcess(args, workDir, limitMs, -1, fileSizeLimit);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

}  // namespace vq::test

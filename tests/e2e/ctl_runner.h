#pragma once
// Runs the built vq5100ctl as a child process while this process's event loop keeps serving the
// test instrument. A run that has not ended after the limit is killed and reported as such, so a
// hang fails the test instead of blocking the suite.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vq::test {

struct CtlResult {
    int exitCode = -1;
    bool finished = false;  // false: killed at the limit
    QString out;
    QString err;
};

// pauseMs >= 0 shortens the confirmation-poll and power-off waits (VQ5100CTL_PAUSE_MS); the
// default leaves the instrument's own timing.
CtlResult runCtl(const QStringList& args, const QString& workDir, int limitMs = 60000,
                 int pauseMs = -1);

// runCtl with the child's file-size limit (RLIMIT_FSIZE, as `ulimit -f`) set to `fileSizeLimit`
// bytes: every file it writes stops growing there, as on a full disk.
CtlResult runCtlWithFileSizeLimit(const QStringList& args, const QString& workDir,
                                  long long fileSizeLimit, int limitMs = 60000);

// The whole file as the programs left it; empty when there is none.
QByteArray readFile(const QString& path);

}  // namespace vq::test

// A run that ended by itself with exit status `code`; otherwise both outputs in the failure.
#define EXPECT_EXIT_CODE(result, code)                                                           \
    do {                                                                                         \
        ASSERT_TRUE((result).finished) << (result).err.toStdString();                            \
        EXPECT_EQ((result).exitCode, code)                                                       \
            << "out: " << (result).out.toStdString() << "\nerr: " << (result).err.toStdString(); \
    } while (false)

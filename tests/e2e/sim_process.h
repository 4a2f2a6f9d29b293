#pragma once
// vq5100-sim as a child process for a test: started with its arguments, its first line (the
// pty path or the TCP address it serves) read, and stopped with SIGTERM when the test ends, so
// nothing is left running.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace vq::test {

class SimProcess {
  public:
    explicit SimProcess(const QStringList& args);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // The first line it printed; empty when it did not start.
    const QString& served() const { return served_; }
    // The process id, for reading its memory from /proc.
    qint64 pid() const { return process_.processId(); }

  private:
    QProcess process_;
    QString served_;
};

}  // namespace vq::test

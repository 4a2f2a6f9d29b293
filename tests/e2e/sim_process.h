#pragma once
// vq5100-sim as a child process for a Qt test: started with its arguments, its first line (the
// pty path or the TCP address it serves) read, and stopped with SIGTERM when the test ends, so
// nothing is left running. The program itself is run by tests/support/sim_process.h.

#include <QString>
#include <QStringList>
#include <chrono>
#include <string>
#include <vector>

// The Qt test targets name the program VQ5100SIM_PATH.
#if !defined(VQ5100_SIM_PATH) && defined(VQ5100SIM_PATH)
#define VQ5100_SIM_PATH VQ5100SIM_PATH
#endif
#include "tests/support/sim_process.h"

namespace vq::test {

class SimProcess {
  public:
    explicit SimProcess(const QStringList& args) : process_(toStd(args)) {
        served_ = QString::fromStdString(process_.firstLine()).trimmed();
    }
    ~SimProcess() {
        if (process_.running()) process_.stop(SIGTERM, std::chrono::seconds(5));
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // The first line it printed; empty when it did not start.
    const QString& served() const { return served_; }
    // The process id, for reading its memory from /proc.
    qint64 pid() const { return process_.pid(); }

  private:
    static std::vector<std::string> toStd(const QStringList& args) {
        std::vector<std::string> out;
        for (const QString& a : args) out.push_back(a.toStdString());
        return out;
    }

    SimProgram process_;
    QString served_;
};

}  // namespace vq::test

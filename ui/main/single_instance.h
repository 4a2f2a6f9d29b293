#pragma once
// One running program per user: a lock file in the user's runtime folder, held for the whole
// run. A lock left by a program that crashed is taken over (the lock file names its process).

#include <QLockFile>
#include <QString>
#include <memory>

namespace vq {

class SingleInstance {
  public:
    // `folder`: where the lock lives; empty: the user's runtime folder.
    explicit SingleInstance(const QString& folder = {});
    ~SingleInstance();

    // True when this process is the only one; the lock is then held until destruction.
    bool tryLock();
    QString lockPath() const { return path_; }

  private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace vq

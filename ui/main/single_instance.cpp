#include "ui/main/single_instance.h"

#include <QDir>
#include <QStandardPaths>

namespace vq {

SingleInstance::SingleInstance(const QString& folder) {
    QString dir = folder;
    if (dir.isEmpty()) dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    QDir().mkpath(dir);
    path_ = QDir(dir).filePath("vq5100-setup.lock");
    lock_ = std::make_unique<QLockFile>(path_);
    // A held lock never goes stale by age; only a dead owner frees it.
    lock_->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::tryLock() {
    return lock_->isLocked() || lock_->tryLock(0);
}

}  // namespace vq

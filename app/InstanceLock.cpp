#include "app/InstanceLock.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

namespace app {

InstanceLock::InstanceLock() = default;

InstanceLock::~InstanceLock() {
    Release();
}

QString InstanceLock::RuntimeFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    return folder;
}

QString InstanceLock::LockPath() {
    return QDir(RuntimeFolder()).filePath(QStringLiteral("quillan.lock"));
}

bool InstanceLock::Acquire() {
    if (m_Lock && m_Lock->isLocked()) return true;
    m_Lock = std::make_unique<QLockFile>(LockPath());
    // A live holder is never stale, however long it runs; a dead one is.
    m_Lock->setStaleLockTime(0);
    return m_Lock->tryLock(0);
}

void InstanceLock::Release() {
    if (m_Lock) m_Lock->unlock();
    m_Lock.reset();
}

} // namespace app

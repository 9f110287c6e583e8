#pragma once
// Keeps a second copy of the program from running: the first process holds a
// lock file in the user's runtime folder for as long as it lives.

#include <QString>

#include <memory>

class QLockFile;

namespace app {

class InstanceLock {
  public:
    InstanceLock();
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when this process now holds the lock (or already held it through
    // this object); false when another instance holds it.
    bool Acquire();
    void Release();

    // The user's runtime folder ($XDG_RUNTIME_DIR), else the temp folder.
    static QString RuntimeFolder();
    // The lock file: quillan.lock in the runtime folder.
    static QString LockPath();

  private:
    std::unique_ptr<QLockFile> m_Lock;
};

} // namespace app

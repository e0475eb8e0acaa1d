#include "SingleInstanceLock.h"

SingleInstanceLock::SingleInstanceLock(const QString& lockFilePath)
    : m_path(lockFilePath), m_lock(lockFilePath) {
    // QLockFile's default also calls a lock stale once it is older than 30 s; only the owner's
    // native lock then keeps a long-running player's lock from being taken (not every file
    // system has those). For us only a dead owner makes the lock stale.
    m_lock.setStaleLockTime(0);
}

SingleInstanceLock::~SingleInstanceLock() { release(); }

SingleInstanceLock::Outcome SingleInstanceLock::tryAcquire() {
    if (m_lock.isLocked()) {
        return Outcome::Acquired;
    }
    if (m_lock.tryLock(0)) {
        return Outcome::Acquired;
    }
    return m_lock.error() == QLockFile::LockFailedError ? Outcome::HeldByOther : Outcome::Failed;
}

void SingleInstanceLock::release() {
    if (m_lock.isLocked()) {
        m_lock.unlock();
    }
}

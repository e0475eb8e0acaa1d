#pragma once
// The per-user lock whose holder is the running instance. A lock left by an instance that died
// (killed, crashed) is recognised by its dead owner and taken over; a live owner is never
// overruled, however long it has been running.

#include <QLockFile>
#include <QString>

class SingleInstanceLock {
public:
    enum class Outcome {
        Acquired,     // we are the running instance now
        HeldByOther,  // a live instance holds it: hand over to it
        Failed,       // the lock file cannot be written at all (unwritable folder)
    };

    explicit SingleInstanceLock(const QString& lockFilePath);
    ~SingleInstanceLock();

    Outcome tryAcquire();
    bool isHeld() const { return m_lock.isLocked(); }
    void release();
    QString path() const { return m_path; }

private:
    QString m_path;
    QLockFile m_lock;
};

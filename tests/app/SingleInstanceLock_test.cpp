#include "SingleInstanceLock.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstring>

namespace {

using Outcome = SingleInstanceLock::Outcome;

constexpr char kHoldArgument[] = "--hold-lock";

// Another process holding the lock: this test program started again with kHoldArgument.
class Holder {
public:
    explicit Holder(const QString& lockPath) {
        m_process.setProgram(QCoreApplication::applicationFilePath());
        m_process.setArguments({QString::fromLatin1(kHoldArgument), lockPath});
        m_process.start();
        m_started = m_process.waitForStarted(10000) && m_process.waitForReadyRead(10000) &&
                    m_process.readAll().startsWith("locked");
    }
    ~Holder() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }
    bool started() const { return m_started; }
    void killHard() {
        m_process.kill();  // SIGKILL: no chance to remove the lock file
        m_process.waitForFinished(10000);
    }

private:
    QProcess m_process;
    bool m_started = false;
};

TEST(SingleInstanceLock, OnlyOneHolderAtATime) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("instance.lock"));
    SingleInstanceLock first(path);
    SingleInstanceLock second(path);
    EXPECT_EQ(first.tryAcquire(), Outcome::Acquired);
    EXPECT_EQ(second.tryAcquire(), Outcome::HeldByOther);
    first.release();
    EXPECT_EQ(second.tryAcquire(), Outcome::Acquired);
}

TEST(SingleInstanceLock, ALiveHolderInAnotherProcessKeepsItEvenWhenOld) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("instance.lock"));
    Holder holder(path);
    ASSERT_TRUE(holder.started());
    SingleInstanceLock lock(path);
    EXPECT_EQ(lock.tryAcquire(), Outcome::HeldByOther);

    // A player that has been running for hours must not lose its lock to a new start.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-7200),
                                 QFileDevice::FileModificationTime));
    file.close();
    EXPECT_EQ(lock.tryAcquire(), Outcome::HeldByOther);
}

TEST(SingleInstanceLock, TheLockOfAKilledHolderIsTakenOver) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("instance.lock"));
    Holder holder(path);
    ASSERT_TRUE(holder.started());
    holder.killHard();
    ASSERT_TRUE(QFile::exists(path));
    SingleInstanceLock lock(path);
    EXPECT_EQ(lock.tryAcquire(), Outcome::Acquired);
    EXPECT_TRUE(lock.isHeld());
    lock.release();
    EXPECT_FALSE(QFile::exists(path));
}

TEST(SingleInstanceLock, AnUnusableFolderIsAFailureNotAnotherInstance) {
    QTemporaryDir dir;
    SingleInstanceLock lock(dir.filePath(QStringLiteral("missing/folder/instance.lock")));
    EXPECT_EQ(lock.tryAcquire(), Outcome::Failed);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], kHoldArgument) == 0) {
        SingleInstanceLock lock(QString::fromLocal8Bit(argv[2]));
        if (lock.tryAcquire() != Outcome::Acquired) {
            return 2;
        }
        fputs("locked\n", stdout);
        fflush(stdout);
        QThread::sleep(60);
        return 0;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#pragma once
// A fresh data folder per test, named to the store through ORVO_DATA_DIR, and file helpers that
// take a name in it or an absolute path.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

class DataDirFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("ORVO_DATA_DIR", QFile::encodeName(m_dir.path()));
    }
    void TearDown() override { qunsetenv("ORVO_DATA_DIR"); }

    QString file(const QString& name) const { return QDir(m_dir.path()).filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const {
        QDir().mkpath(QFileInfo(file(name)).absolutePath());
        QFile f(file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    QByteArray read(const QString& name) const {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QByteArray golden(const QString& name) const {
        return read(ORVO_SOURCE_DIR "/tests/store/golden/" + name);
    }
    // Every entry, hidden ones too: a failed save must leave no temporary behind.
    QStringList entries() const {
        return QDir(m_dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    QTemporaryDir m_dir;
};

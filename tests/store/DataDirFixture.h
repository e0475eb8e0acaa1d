#pragma once
// File helpers for the store tests, and a fresh data folder per test named to the store through
// ORVO_DATA_DIR.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

class DataDirFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("ORVO_DATA_DIR", QFile::encodeName(m_dir.path()));
    }
    void TearDown() override { qunsetenv("ORVO_DATA_DIR"); }

    QString file(const QString& name) const { return m_dir.path() + '/' + name; }
    void write(const QString& name, const QByteArray& bytes) { writeFile(file(name), bytes); }
    QByteArray read(const QString& name) const { return readFile(file(name)); }
    // Every entry, hidden ones too: a failed save must leave no temporary behind.
    QStringList entries() const {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    static QByteArray golden(const char* name) {
        const QByteArray bytes =
            readFile(QStringLiteral(ORVO_SOURCE_DIR "/tests/store/golden/") + name);
        EXPECT_NE(bytes, "<missing>") << name;
        return bytes;
    }

    QTemporaryDir m_dir;
};

#pragma once
// File helpers for the store tests, and a fresh data folder per test named to the store through
// ORVO_DATA_DIR.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
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

// Names of the entries in a folder, to prove a failed save left no temporary.
inline QStringList entriesOf(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

class DataDirFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("ORVO_DATA_DIR", QFile::encodeName(m_dir.path()));
    }
    void TearDown() override { qunsetenv("ORVO_DATA_DIR"); }

    QString file(const QString& name) const { return m_dir.path() + QLatin1Char('/') + name; }
    void write(const QString& name, const QByteArray& bytes) { writeFile(file(name), bytes); }
    QByteArray read(const QString& name) const { return readFile(file(name)); }
    QStringList entries() const { return entriesOf(m_dir.path()); }

    static QByteArray golden(const char* name) {
        QFile f(QStringLiteral(ORVO_SOURCE_DIR "/tests/store/golden/") + QLatin1String(name));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
        return f.readAll();
    }

    QTemporaryDir m_dir;
};

#pragma once
// A fresh data folder per test, named to the store through ORVO_DATA_DIR.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

class DataDirFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("ORVO_DATA_DIR", QFile::encodeName(m_dir.path()));
    }
    void TearDown() override { qunsetenv("ORVO_DATA_DIR"); }

    QString file(const QString& name) const { return m_dir.path() + QLatin1Char('/') + name; }

    void write(const QString& name, const QByteArray& bytes) {
        QFile f(file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    QByteArray read(const QString& name) const {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static QByteArray golden(const char* name) {
        QFile f(QStringLiteral(ORVO_SOURCE_DIR "/tests/store/golden/") + QLatin1String(name));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
        return f.readAll();
    }

    // Names of the entries in the data folder, to prove a failed save left no temporary.
    QStringList entries() const {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir m_dir;
};

// Where data lives and how a data folder is seeded at start.

#include "DataDirectory.h"
#include "AtomicFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

class DataDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_delivered.isValid() && m_data.isValid());
        m_dataDir = m_data.path() + "/nested/data";
        writeFile(m_delivered.path() + "/config.xml", "delivered config");
        writeFile(m_delivered.path() + "/skinlist.xml", "delivered skins");
        writeFile(m_delivered.path() + "/skin/1/1.jpg", "picture 1");
        writeFile(m_delivered.path() + "/skin/2/2_s.bmp", "thumb 2");
        DataDirectory::setDeliveredDirectoryOverride(m_delivered.path());
        qputenv("ORVO_DATA_DIR", QFile::encodeName(m_dataDir));
    }
    void TearDown() override {
        qunsetenv("ORVO_DATA_DIR");
        DataDirectory::setDeliveredDirectoryOverride(QString());
        DataDirectory::setProgramDirectoryOverride(QString());
    }
    QString data(const char* name) const { return m_dataDir + "/" + name; }

    QTemporaryDir m_delivered;
    QTemporaryDir m_data;
    QString m_dataDir;
};

}  // namespace

TEST_F(DataDirectoryTest, EnvironmentNamesTheFolderWithTrailingSlash) {
    EXPECT_EQ(DataDirectory::path(), m_dataDir + "/");
    qputenv("ORVO_DATA_DIR", QFile::encodeName(m_dataDir + "/"));
    EXPECT_EQ(DataDirectory::path(), m_dataDir + "/");
    EXPECT_FALSE(QFileInfo::exists(m_dataDir));  // asking creates nothing
}

TEST_F(DataDirectoryTest, ProgramDirectoryIsTheExecutablesFolder) {
    const QString dir = DataDirectory::programDirectory();
    EXPECT_TRUE(dir.endsWith('/'));
    EXPECT_TRUE(QFileInfo::exists(dir + "AtomicFile_test") ||
                QFileInfo::exists(dir + "DataDirectory_test"));
    EXPECT_EQ(QDir(dir).canonicalPath(),
              QDir(QStringLiteral(ORVO_BUILD_DIR "/tests/bin")).canonicalPath());
}

TEST_F(DataDirectoryTest, WithoutEnvironmentWritableProgramFolderIsUsedElseUserFolder) {
    qunsetenv("ORVO_DATA_DIR");
    DataDirectory::setProgramDirectoryOverride(m_delivered.path());
    EXPECT_EQ(DataDirectory::path(), m_delivered.path() + "/");

    DataDirectory::setProgramDirectoryOverride(m_data.path() + "/does-not-exist");
    QStandardPaths::setTestModeEnabled(true);
    const QString user = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    EXPECT_EQ(DataDirectory::path(), user + "/OrvoPlayer/");
    QStandardPaths::setTestModeEnabled(false);
}

TEST_F(DataDirectoryTest, PrepareSeedsWhatIsAbsentAndNeverOverwrites) {
    writeFile(data("skinlist.xml"), "user skins");
    writeFile(data("skin/2/2_s.bmp"), "user thumb");
    ASSERT_TRUE(DataDirectory::prepare());
    EXPECT_EQ(readAll(data("config.xml")), "delivered config");
    EXPECT_EQ(readAll(data("skinlist.xml")), "user skins");
    EXPECT_EQ(readAll(data("skin/1/1.jpg")), "picture 1");
    EXPECT_EQ(readAll(data("skin/2/2_s.bmp")), "user thumb");

    writeFile(data("config.xml"), "user config");
    ASSERT_TRUE(DataDirectory::prepare());
    EXPECT_EQ(readAll(data("config.xml")), "user config");
}

TEST_F(DataDirectoryTest, MissingConfigIsReseededEvenInTheProgramFolder) {
    // Data folder and delivered folder are the same: only config.xml is restored.
    qputenv("ORVO_DATA_DIR", QFile::encodeName(m_delivered.path()));
    QFile::remove(m_delivered.path() + "/config.xml");
    QFile::remove(m_delivered.path() + "/skinlist.xml");
    ASSERT_TRUE(DataDirectory::prepare());
    EXPECT_EQ(readAll(m_delivered.path() + "/config.xml"), DataDirectory::defaultConfig());
    EXPECT_FALSE(QFileInfo::exists(m_delivered.path() + "/skinlist.xml"));
}

TEST_F(DataDirectoryTest, DefaultsMatchTheDeliveredConfig) {
    // The generated defaults stand in for the delivered file; they must not drift apart.
    EXPECT_EQ(DataDirectory::defaultConfig(),
              readAll(QStringLiteral(ORVO_SOURCE_DIR "/config.xml")));
    for (const char* key : {"skin", "wndsize", "loop", "mute", "volume", "lastplayfile",
                            "entransparent", "transparent", "autoplay"}) {
        EXPECT_TRUE(DataDirectory::defaultConfig().contains(QByteArray("<") + key + " value=\""))
            << key;
    }
}

TEST_F(DataDirectoryTest, PrepareFailsWhenTheFolderCannotBeMade) {
    writeFile(m_data.path() + "/plainfile", "x");
    qputenv("ORVO_DATA_DIR", QFile::encodeName(m_data.path() + "/plainfile/sub"));
    EXPECT_FALSE(DataDirectory::prepare());
}

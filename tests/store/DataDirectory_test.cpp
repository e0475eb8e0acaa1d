// Where data lives and how a data folder is seeded at start.

#include "DataDirectory.h"
#include "DataDirFixture.h"

#include <QStandardPaths>

namespace {

class DataDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_data = m_dataRoot.path() + "/nested/data";
        writeFile(m_delivered.path() + "/config.xml", "delivered config");
        writeFile(m_delivered.path() + "/skinlist.xml", "delivered skins");
        writeFile(m_delivered.path() + "/skin/1/1.jpg", "picture 1");
        writeFile(m_delivered.path() + "/skin/2/2_s.bmp", "thumb 2");
        DataDirectory::setDeliveredDirectoryOverride(m_delivered.path());
        qputenv("ORVO_DATA_DIR", QFile::encodeName(m_data));
    }
    void TearDown() override {
        qunsetenv("ORVO_DATA_DIR");
        DataDirectory::setDeliveredDirectoryOverride(QString());
        DataDirectory::setProgramDirectoryOverride(QString());
    }

    QTemporaryDir m_delivered;
    QTemporaryDir m_dataRoot;
    QString m_data;
};

}  // namespace

TEST_F(DataDirectoryTest, ChoosesEnvironmentThenWritableProgramFolderThenUserFolder) {
    EXPECT_EQ(DataDirectory::path(), m_data + "/");
    EXPECT_FALSE(QFileInfo::exists(m_data));  // asking creates nothing
    EXPECT_EQ(DataDirectory::programDirectory(),
              QDir(ORVO_BUILD_DIR "/tests/bin").canonicalPath() + '/');

    qunsetenv("ORVO_DATA_DIR");
    DataDirectory::setProgramDirectoryOverride(m_delivered.path());
    EXPECT_EQ(DataDirectory::path(), m_delivered.path() + "/");
    DataDirectory::setProgramDirectoryOverride(m_dataRoot.path() + "/not-there");
    QStandardPaths::setTestModeEnabled(true);
    EXPECT_EQ(
        DataDirectory::path(),
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/OrvoPlayer/");
    QStandardPaths::setTestModeEnabled(false);
}

TEST_F(DataDirectoryTest, PrepareSeedsWhatIsAbsentAndNeverOverwrites) {
    writeFile(m_data + "/config.xml", "user config");
    writeFile(m_data + "/skin/2/2_s.bmp", "user thumb");
    ASSERT_TRUE(DataDirectory::prepare());
    for (auto [name, bytes] : {std::pair{"config.xml", "user config"},
                               {"skinlist.xml", "delivered skins"},
                               {"skin/1/1.jpg", "picture 1"},
                               {"skin/2/2_s.bmp", "user thumb"}})
        EXPECT_EQ(readFile(m_data + '/' + name), bytes) << name;
    qputenv("ORVO_DATA_DIR", QFile::encodeName(m_data + "/config.xml/sub"));
    EXPECT_FALSE(DataDirectory::prepare());
}

TEST_F(DataDirectoryTest, MissingConfigIsReseededWithTheDeliveredDefaults) {
    // The generated defaults stand in for the delivered file, so they must be the same bytes.
    EXPECT_EQ(DataDirectory::defaultConfig(), readFile(ORVO_SOURCE_DIR "/config.xml"));
    // Data folder and delivered folder are one: only config.xml comes back.
    qputenv("ORVO_DATA_DIR", QFile::encodeName(m_delivered.path()));
    QFile::remove(m_delivered.path() + "/config.xml");
    QFile::remove(m_delivered.path() + "/skinlist.xml");
    ASSERT_TRUE(DataDirectory::prepare());
    EXPECT_EQ(readFile(m_delivered.path() + "/config.xml"), DataDirectory::defaultConfig());
    EXPECT_FALSE(QFileInfo::exists(m_delivered.path() + "/skinlist.xml"));
}

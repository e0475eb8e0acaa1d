// Where data lives and how a data folder is seeded at start.

#include "DataDirectory.h"
#include "InstallLayout.h"
#include "SkinPaths.h"
#include "tests/store/DataDirFixture.h"

#include <QStandardPaths>

namespace {

// Delivered files in one folder; the data folder beside it is not created yet.
class DataDirectoryTest : public DataDirFixture {
protected:
    void SetUp() override {
        DataDirFixture::SetUp();
        for (const char* name : {"config.xml", "skinlist.xml", "skin/1/1.jpg", "skin/2/2_s.bmp"})
            write(m_delivered + '/' + name, QByteArray("delivered ") + name);
        DataDirectory::setDeliveredDirectoryOverride(m_delivered);
        qputenv("ORVO_DATA_DIR", QFile::encodeName(m_data));
        QStandardPaths::setTestModeEnabled(true);
    }
    void TearDown() override {
        DataDirFixture::TearDown();
        DataDirectory::setDeliveredDirectoryOverride(QString());
        DataDirectory::setProgramDirectoryOverride(QString());
        QStandardPaths::setTestModeEnabled(false);
    }

    const QString m_delivered = file("delivered");
    const QString m_data = file("nested/data");
};

}  // namespace

TEST_F(DataDirectoryTest, ChoosesEnvironmentThenWritableProgramFolderThenUserFolder) {
    EXPECT_EQ(DataDirectory::path(), m_data + "/");
    EXPECT_FALSE(QFileInfo::exists(m_data));  // asking creates nothing

    qunsetenv("ORVO_DATA_DIR");
    DataDirectory::setProgramDirectoryOverride(m_delivered);
    EXPECT_EQ(DataDirectory::path(), m_delivered + "/");
    DataDirectory::setProgramDirectoryOverride(file("not-there"));
    EXPECT_EQ(
        DataDirectory::path(),
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/OrvoPlayer/");
}

TEST_F(DataDirectoryTest, InstalledLayoutIsRecognisedByItsDataNotByWritability) {
    // prefix/bin holds the program; prefix/share/orvoplayer the delivered data. Both writable
    // (as for root): the installed copy still keeps its data in the user's folder. Seeding it
    // from there, and writing nothing into the prefix, is the install test's.
    const QString bin = file("prefix/bin"), share = file("prefix/share/orvoplayer");
    QDir().mkpath(bin);
    write(share + "/config.xml", "installed config");
    const QString libs = QDir::cleanPath(bin + "/../lib/orvoplayer") + '/';
    qunsetenv("ORVO_DATA_DIR");
    DataDirectory::setDeliveredDirectoryOverride(QString());
    DataDirectory::setProgramDirectoryOverride(bin);
    const QString user =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/OrvoPlayer/";

    struct Case {
        const char* what;
        bool besideConfig;  // a config.xml beside the program: a build folder
        QString data, delivered, resources, libraries;
    };
    for (const Case& c :
         {Case{"installed", false, user, share + '/', share + "/res/", libs},
          Case{"build folder", true, bin + '/', bin + '/', bin + "/res/", bin + '/'}}) {
        SCOPED_TRACE(c.what);
        QFile::remove(bin + "/config.xml");
        if (c.besideConfig) write(bin + "/config.xml", "build config");
        EXPECT_EQ(InstallLayout::isInstalled(bin + '/'), !c.besideConfig);
        EXPECT_EQ(DataDirectory::path(), c.data);
        EXPECT_EQ(DataDirectory::deliveredDirectory(), c.delivered);
        EXPECT_EQ(DataDirectory::resourceDirectory(), c.resources);
        EXPECT_EQ(InstallLayout::libraryDirectory(bin + '/'), c.libraries);
    }
}

TEST_F(DataDirectoryTest, PrepareSeedsWhatIsAbsentNeverOverwritesAndReseedsConfig) {
    write(m_data + "/config.xml", "user config");
    write(m_data + "/skin/2/2_s.bmp", "user thumb");
    ASSERT_TRUE(DataDirectory::prepare());
    QStringList found;
    for (const char* name : {"config.xml", "skinlist.xml", "skin/1/1.jpg", "skin/2/2_s.bmp"})
        found << read(m_data + '/' + name);
    EXPECT_EQ(found, (QStringList{"user config", "delivered skinlist.xml", "delivered skin/1/1.jpg",
                                  "user thumb"}));

    // Data folder and delivered folder are one: only a missing config.xml comes back, as the
    // defaults, which must be the delivered file's bytes.
    EXPECT_EQ(DataDirectory::defaultConfig(), read(ORVO_SOURCE_DIR "/config.xml"));
    qputenv("ORVO_DATA_DIR", QFile::encodeName(m_delivered));
    for (const char* name : {"/config.xml", "/skinlist.xml"}) QFile::remove(m_delivered + name);
    ASSERT_TRUE(DataDirectory::prepare());
    EXPECT_EQ(read(m_delivered + "/config.xml"), DataDirectory::defaultConfig());
    EXPECT_FALSE(QFileInfo::exists(m_delivered + "/skinlist.xml"));

    qputenv("ORVO_DATA_DIR", QFile::encodeName(m_data + "/config.xml/sub"));
    EXPECT_FALSE(DataDirectory::prepare());
}

TEST_F(DataDirectoryTest, SkinPathsStayInTheSkinsOwnFolder) {
    EXPECT_EQ(SkinPaths::filePath("{6B29FC40-CA47}", "20231201.bmp"),
              m_data + "/skin/{6B29FC40-CA47}/20231201.bmp");
    EXPECT_EQ(SkinPaths::folderPath("1"), m_data + "/skin/1/");
    const QString control = QString("a") + QChar(0x85);
    for (const QString& bad : {QString(), QString("."), QString(".."), QString("../x"),
                               QString("/etc/passwd"), QString("a/b"), QString("a\\b"),
                               QString("x..y"), QString("\n"), control, QString(QChar(0))}) {
        SCOPED_TRACE(bad.toStdString());
        EXPECT_TRUE(SkinPaths::filePath(bad, "1.bmp").isEmpty());
        EXPECT_TRUE(SkinPaths::filePath("1", bad).isEmpty());
        EXPECT_TRUE(SkinPaths::folderPath(bad).isEmpty());
    }
}

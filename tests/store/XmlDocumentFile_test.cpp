// Nesting limit and saving below the exports (printing is checked through the golden config).

#include "XmlDocumentFile.h"
#include "AtomicFile.h"
#include "ConfigFile.h"
#include "DataDirFixture.h"
#include "PlayListFile.h"

#include <QDateTime>
#include <QRandomGenerator>

#include <csignal>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using SaveFailureTest = DataDirFixture;

TEST(XmlDocumentFileTest, LimitsFollowRealNestingAndAttributes) {
    // '>', "/>" and '=' in values, comments, CDATA and processing instructions do not nest.
    const QByteArray flat = QByteArray(
                                "<MU value=\"a>b/>=\" name='x=y' /><a><!-- <b c=d> -->"
                                "<![CDATA[<c>]]><?pi <d> ?></a>")
                                .repeated(2000);
    EXPECT_EQ(XmlDocumentFile::limitedLength(flat), flat.size());
    const QByteArray deep = QByteArray("<a x='>'>").repeated(1000);
    EXPECT_EQ(XmlDocumentFile::limitedLength(deep), qsizetype(XmlDocumentFile::kMaxDepth) * 9);

    // Up to the attribute limit an element is read whole; one more cuts it and what follows.
    const auto element = [](int attributes) {
        QByteArray e = "<e";
        for (int i = 0; i < attributes; ++i) e += " a" + QByteArray::number(i) + "=\"\"";
        return e + " />\n";
    };
    const int most = XmlDocumentFile::kMaxAttributes;
    const QByteArray before = "<skin value=\"1\" />", whole = before + element(most);
    EXPECT_EQ(XmlDocumentFile::limitedLength(whole), whole.size());
    EXPECT_EQ(XmlDocumentFile::limitedLength(before + element(most + 1) + whole), before.size());
}

TEST_F(SaveFailureTest, FailedSavesKeepTheOldFilesAndCreateNothing) {
    const QByteArray config = "<?xml version=\"1.0\" ?>\r\n<volume value=\"30\" />\r\n";
    write("config.xml", config);
    write("playlist.xml", golden("playlist.xml"));
    const auto saveBoth = [] {
        ConfigFile::setValue("volume", "a much longer value than before");
        PlayListFile::write({});
    };
    const auto expectUnchanged = [&] {
        EXPECT_EQ(read("config.xml"), config);
        EXPECT_EQ(read("playlist.xml"), golden("playlist.xml"));
        EXPECT_EQ(entries(), (QStringList{"config.xml", "playlist.xml"}));
    };
    for (qint64 failAfter : {0, 1, 10, 23}) {
        SCOPED_TRACE(failAfter);
        AtomicFile::setFailAfterBytes(failAfter);
        saveBoth();
        EXPECT_FALSE(AtomicFile::save(file("new.xml"), "a first save that does not fit"));
        expectUnchanged();
    }
    AtomicFile::setFailAfterBytes(-1);

    // A read-only folder whose files are still writable in place; root is checked as "nobody".
    for (const char* name : {"config.xml", "playlist.xml"})
        ASSERT_TRUE(QFile::setPermissions(file(name), QFileDevice::Permissions(0x6666)));
    ASSERT_EQ(::chmod(QFile::encodeName(m_dir.path()).constData(), 0555), 0);
    ::setfsuid(65534);  // refused, and without effect, for a normal user
    saveBoth();
    ::setfsuid(::geteuid());
    ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755);
    expectUnchanged();
    EXPECT_FALSE(AtomicFile::save(file("no/such/dir/a.xml"), "x"));
    EXPECT_FALSE(AtomicFile::save(m_dir.path(), "x"));  // a folder is not replaced

    // A replacement keeps the file's permissions.
    ASSERT_TRUE(QFile::setPermissions(file("config.xml"), QFile::ReadOwner | QFile::WriteOwner));
    const auto permissions = QFile::permissions(file("config.xml"));
    ConfigFile::setValue("volume", "31");
    EXPECT_EQ(ConfigFile::value("volume"), "31");
    EXPECT_EQ(QFile::permissions(file("config.xml")), permissions);
}

TEST_F(SaveFailureTest, OnlyOurTemporariesOlderThanTheLockAreRemoved) {
    const QDateTime lock = QDateTime::currentDateTime();
    const auto make = [&](const QString& name, int seconds) {
        write(name, "x");
        QFile f(file(name));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(lock.addSecs(seconds), QFileDevice::FileModificationTime));
    };
    make(".config.xml.orvo-save-Ab3xYz", -60);   // a kill's leftover: removed
    make(".playlist.xml.orvo-save-000000", -1);  // removed
    // Kept: written after the lock, not our exact form, and only regular files are ours: a link
    // (to an old file outside) or a folder of that name stays.
    QStringList kept{".skinlist.xml.orvo-save-NewOne",
                     ".config.xml.orvo-save-Ab3xYz2",
                     ".config.xml.orvo-save-Ab3x-z",
                     "config.xml.orvo-save-Ab3xYz",
                     ".orvo-save-Ab3xYz",
                     "config.xml.backup",
                     "config.xml.AbCdEf"};
    for (const QString& name : kept) make(name, name.endsWith("NewOne") ? 60 : -60);
    QTemporaryDir outside;
    make(outside.filePath("target"), -60);
    ASSERT_TRUE(QFile::link(outside.filePath("target"), file(".a.orvo-save-Linked")));
    ASSERT_TRUE(QDir().mkdir(file(".b.orvo-save-Folder")));
    kept << ".a.orvo-save-Linked"
         << ".b.orvo-save-Folder";
    EXPECT_EQ(AtomicFile::removeStaleTemporaries(m_dir.path(), lock), 2);
    kept.sort();
    EXPECT_EQ(entries(), kept);
    EXPECT_EQ(read(outside.filePath("target")), "x");
    EXPECT_EQ(AtomicFile::removeStaleTemporaries(m_dir.path(), QDateTime()), 0);
}

// Extended mode: a writer killed at random moments, a few hundred times. Every kill leaves whole
// files, and anything else in the folder is a temporary of ours that the start would remove.
TEST_F(SaveFailureTest, WritersKilledMidSaveLeaveWholeFilesAndRemovableTemporaries) {
    if (qEnvironmentVariableIsEmpty("ORVO_CORPUS")) GTEST_SKIP() << "extended mode (ORVO_CORPUS)";
    write("config.xml", "<?xml version=\"1.0\" ?>\r\n<volume value=\"0\" />\r\n");
    QRandomGenerator rng(20261207);
    for (int kill = 0; kill < 300; ++kill) {
        const pid_t writer = ::fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            for (int i = kill;; ++i) {  // sizes vary from kill to kill
                ConfigFile::setValue("volume", QString(i % 7 * 4000, u'x') + QString::number(i));
                PlayListFile::write(QList<tagFileListInfo>(i % 5 * 400, {"title", "/m/a.mp3"}));
            }
        }
        ::usleep(useconds_t(rng.bounded(1000, 30000)));
        ::kill(writer, SIGKILL);
        ::waitpid(writer, nullptr, 0);

        // The play list may not have been written yet.
        TiXmlDocument config, list;
        ASSERT_TRUE(XmlDocumentFile::load(file("config.xml"), &config, 1 << 20)) << kill;
        ASSERT_TRUE(!QFile::exists(file("playlist.xml")) ||
                    XmlDocumentFile::load(file("playlist.xml"), &list, 1 << 20))
            << kill;
        for (const QString& name : entries()) {
            ASSERT_TRUE(name == "config.xml" || name == "playlist.xml" ||
                        AtomicFile::isTemporaryName(name))
                << name.toStdString();
        }
        AtomicFile::removeStaleTemporaries(m_dir.path(), QDateTime::currentDateTime().addSecs(1));
        EXPECT_TRUE(entries().size() <= 2) << kill;
    }
    EXPECT_FALSE(ConfigFile::value("volume").isEmpty());
}

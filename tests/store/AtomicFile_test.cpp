// The atomic-save helper: complete replacement or nothing.

#include "AtomicFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

class AtomicFileTest : public ::testing::Test {
protected:
    void TearDown() override { AtomicFile::setFailAfterBytes(-1); }
    QString path(const char* name) const { return m_dir.path() + "/" + name; }
    QStringList entries() const {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    QTemporaryDir m_dir;
};

}  // namespace

TEST_F(AtomicFileTest, CreatesAndReplacesWholeFiles) {
    const QByteArray big(3 * 1024 * 1024, 'x');
    EXPECT_TRUE(AtomicFile::save(path("a.xml"), big));
    EXPECT_EQ(readAll(path("a.xml")), big);
    EXPECT_TRUE(AtomicFile::save(path("a.xml"), "short"));
    EXPECT_EQ(readAll(path("a.xml")), "short");
    EXPECT_TRUE(AtomicFile::save(path("a.xml"), QByteArray()));
    EXPECT_EQ(readAll(path("a.xml")), "");
    EXPECT_EQ(entries(), QStringList{"a.xml"});
}

TEST_F(AtomicFileTest, FailedWriteLeavesOldFileAndNoTemporary) {
    ASSERT_TRUE(AtomicFile::save(path("a.xml"), "old content"));
    AtomicFile::setFailAfterBytes(3);
    EXPECT_FALSE(AtomicFile::save(path("a.xml"), "new content that does not fit"));
    EXPECT_FALSE(AtomicFile::save(path("b.xml"), "never created"));
    EXPECT_EQ(readAll(path("a.xml")), "old content");
    EXPECT_EQ(entries(), QStringList{"a.xml"});

    AtomicFile::setFailAfterBytes(-1);
    EXPECT_TRUE(AtomicFile::save(path("a.xml"), "new"));
    EXPECT_EQ(readAll(path("a.xml")), "new");
}

TEST_F(AtomicFileTest, KeepsPermissionsAndFailsOnImpossibleTargets) {
    ASSERT_TRUE(AtomicFile::save(path("a.xml"), "x"));
    const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(path("a.xml"), mode));
    const auto before = QFile::permissions(path("a.xml"));
    ASSERT_TRUE(AtomicFile::save(path("a.xml"), "y"));
    EXPECT_EQ(QFile::permissions(path("a.xml")), before);

    EXPECT_FALSE(AtomicFile::save(path("no/such/dir/a.xml"), "x"));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder"));
    EXPECT_FALSE(AtomicFile::save(path("folder"), "x"));
    EXPECT_TRUE(QFileInfo(path("folder")).isDir());
}

// The atomic-save helper: complete replacement or nothing.

#include "AtomicFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

}  // namespace

TEST(AtomicFileTest, FailedSaveLeavesOldFileAndNoTemporary) {
    QTemporaryDir dir;
    const QString a = dir.path() + "/a.xml";
    ASSERT_TRUE(AtomicFile::save(a, "old content"));
    ASSERT_TRUE(QFile::setPermissions(a, QFile::ReadOwner | QFile::WriteOwner));
    const auto permissions = QFile::permissions(a);

    AtomicFile::setFailAfterBytes(3);
    EXPECT_FALSE(AtomicFile::save(a, "new content that does not fit"));
    EXPECT_FALSE(AtomicFile::save(dir.path() + "/b.xml", "never created"));
    AtomicFile::setFailAfterBytes(-1);
    EXPECT_EQ(readAll(a), "old content");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"a.xml"});

    EXPECT_FALSE(AtomicFile::save(dir.path() + "/no/such/dir/a.xml", "x"));
    EXPECT_FALSE(AtomicFile::save(dir.path(), "x"));  // a folder is not replaced

    EXPECT_TRUE(AtomicFile::save(a, "new"));
    EXPECT_EQ(readAll(a), "new");
    EXPECT_EQ(QFile::permissions(a), permissions);
}

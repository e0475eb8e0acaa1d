// The atomic-save helper: complete replacement or nothing. (A failed replacement of an existing
// file is checked through the store's files in XmlDocumentFile_test.)

#include "AtomicFile.h"
#include "DataDirFixture.h"

TEST(AtomicFileTest, FailedSaveCreatesNothingAndAReplacementKeepsPermissions) {
    QTemporaryDir dir;
    const QString a = dir.path() + "/a.xml";
    AtomicFile::setFailAfterBytes(3);
    EXPECT_FALSE(AtomicFile::save(a, "never created"));
    AtomicFile::setFailAfterBytes(-1);
    EXPECT_EQ(entriesOf(dir.path()), QStringList());
    EXPECT_FALSE(AtomicFile::save(dir.path() + "/no/such/dir/a.xml", "x"));
    EXPECT_FALSE(AtomicFile::save(dir.path(), "x"));  // a folder is not replaced

    ASSERT_TRUE(AtomicFile::save(a, "old content"));
    ASSERT_TRUE(QFile::setPermissions(a, QFile::ReadOwner | QFile::WriteOwner));
    const auto permissions = QFile::permissions(a);
    EXPECT_TRUE(AtomicFile::save(a, "new"));
    EXPECT_EQ(readFile(a), "new");
    EXPECT_EQ(QFile::permissions(a), permissions);
    EXPECT_EQ(entriesOf(dir.path()), QStringList{"a.xml"});
}

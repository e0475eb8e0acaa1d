// Nesting limit and saving below the exports (printing is checked through the golden config).

#include "XmlDocumentFile.h"
#include "AtomicFile.h"
#include "ConfigFile.h"
#include "DataDirFixture.h"
#include "PlayListFile.h"

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

using SaveFailureTest = DataDirFixture;

TEST(XmlDocumentFileTest, LimitsFollowRealNestingAndAttributes) {
    // Flat files with '>', "/>" and '=' in values, comments, CDATA and processing instructions
    // pass.
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
    const QByteArray before = "<skin value=\"1\" />";
    for (int attributes : {XmlDocumentFile::kMaxAttributes, XmlDocumentFile::kMaxAttributes + 1}) {
        TiXmlDocument document;
        const bool whole = XmlDocumentFile::parse(before + element(attributes), &document);
        EXPECT_EQ(whole, attributes == XmlDocumentFile::kMaxAttributes) << attributes;
        int elements = 0;
        for (auto* e = document.FirstChildElement(); e; e = e->NextSiblingElement()) ++elements;
        EXPECT_EQ(elements, whole ? 2 : 1) << attributes;
    }
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

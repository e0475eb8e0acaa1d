// Loading, printing and saving of the store's documents, below the exports.

#include "XmlDocumentFile.h"
#include "AtomicFile.h"
#include "ConfigFile.h"
#include "DataDirFixture.h"
#include "PlayListFile.h"
#include "XmlPrinter.h"

#include <functional>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray tinyXmlPrint(const TiXmlDocument& doc) {
    TiXmlPrinter printer;
    printer.SetLineBreak("\r\n");
    printer.SetIndent("    ");
    doc.Accept(&printer);
    return QByteArray(printer.CStr());
}

// Runs fn where a read-only folder really is read-only: directly for a normal user, in a child
// process dropped to "nobody" when the tests run as root.
bool runWithoutPrivileges(const std::function<void()>& fn) {
    if (::geteuid() != 0) {
        fn();
        return true;
    }
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) _exit(2);
        fn();
        _exit(0);
    }
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

using SaveFailureTest = DataDirFixture;

}  // namespace

TEST(XmlPrinterTest, PrintsLikeTinyXmlWithCrLf) {
    // Everything TinyXML keeps from a file, printed back; only the "&#x" pass-through differs.
    const QByteArray source =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
        "<!-- a comment -->\n"
        "<MU value=\"/音乐/a&amp;b.mp3\" name='say &quot;hi&quot; &lt;&gt; it&apos;s' />\n"
        "<group a=\"1\">\n  <inner value=\"x\" />\n  <deeper><x /></deeper>\n</group>\n"
        "<title>hello &amp; bye</title>\n"
        "<mixed>text<b /></mixed>\n"
        "<data><![CDATA[raw <stuff>]]></data>\n"
        "<!DOCTYPE thing>\n";
    TiXmlDocument doc;
    ASSERT_TRUE(XmlDocumentFile::parse(source, &doc));
    const QByteArray ours = XmlDocumentFile::toBytes(doc);
    EXPECT_EQ(ours, tinyXmlPrint(doc));
    EXPECT_EQ(ours.count("\r\n"), ours.count('\n'));
}

TEST(XmlDocumentFileTest, DepthLimitFollowsRealNesting) {
    // Flat files with '>' and "/>" in values, comments, CDATA and processing instructions pass.
    QByteArray flat;
    for (int i = 0; i < 2000; ++i)
        flat += "<MU value=\"a>b/>\" name='x' /><a><!-- <b> --><![CDATA[<c>]]><?pi <d> ?></a>";
    EXPECT_EQ(XmlDocumentFile::depthLimitedLength(flat), flat.size());

    QByteArray deep;
    for (int i = 0; i < 1000; ++i) deep += "<a x='>'>";
    EXPECT_EQ(XmlDocumentFile::depthLimitedLength(deep), qsizetype(XmlDocumentFile::kMaxDepth) * 9);
    TiXmlDocument doc;
    EXPECT_FALSE(XmlDocumentFile::parse(deep, &doc));

    const char withNul[] = "<a value=\"1\" />\0<b value=\"2\" />";
    TiXmlDocument nul;
    EXPECT_FALSE(XmlDocumentFile::parse(QByteArray(withNul, sizeof(withNul) - 1), &nul));
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
    // A read-only folder whose files are still writable in place.
    for (const char* name : {"config.xml", "playlist.xml"})
        ASSERT_TRUE(QFile::setPermissions(file(name), QFileDevice::Permissions(0x6666)));
    ASSERT_EQ(::chmod(QFile::encodeName(m_dir.path()).constData(), 0555), 0);
    const bool ran = runWithoutPrivileges(saveBoth);
    ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755);
    ASSERT_TRUE(ran);
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

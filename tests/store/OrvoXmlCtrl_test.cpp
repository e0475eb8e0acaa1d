// The store's exports, called as the player calls them, against files in a temporary data folder.

#include "store/OrvoXmlCtrl.h"
#include "DataDirFixture.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <functional>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

tagFileListInfo entry(const QString& title, const QString& path) {
    tagFileListInfo e;
    e.title = title;
    e.path = path;
    return e;
}

tagUiBgSkinInfo skin(const QString& id, const QString& fname, qint32 mask) {
    tagUiBgSkinInfo s;
    s.id = id;
    s.fname = fname;
    s.maskcolor = mask;
    return s;
}

// Runs fn where a read-only folder really is read-only: directly for a normal user, in a child
// process that has dropped to "nobody" when the tests run as root.
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

const QString kTricky = QStringLiteral("Tom & \"Jerry\" <live> it's");

class ConfigTest : public DataDirFixture {};
class PlayListTest : public DataDirFixture {};
class SkinListTest : public DataDirFixture {};
class HostileFileTest : public DataDirFixture {};

}  // namespace

TEST_F(ConfigTest, SetRewritesOnlyTheFirstValueAndKeepsTheRestOfTheFile) {
    write("config.xml", golden("config_in.xml"));
    SetPlayerConfigValue("volume", "55");
    EXPECT_EQ(read("config.xml"), golden("config_out.xml"));
    EXPECT_EQ(GetPlayerConfigValue("volume"), "55");
    EXPECT_EQ(GetPlayerConfigValue("inner"), "");  // nested elements are not keys
}

TEST_F(ConfigTest, ValuesRoundTripWhateverTheirCharacters) {
    write("config.xml", "<?xml version=\"1.0\" ?>\r\n<lastplayfile value=\"\" />\r\n");
    const QString long300(300, QChar(0x4E2D));
    for (const QString& v :
         {QStringLiteral("/音乐/晴天 (live).mp3"), kTricky, QStringLiteral("&#x41;"),
          QStringLiteral("a\tb\nc\r\nd"), QStringLiteral("  spaced  "), long300, QString()}) {
        SetPlayerConfigValue("lastplayfile", v);
        EXPECT_EQ(GetPlayerConfigValue("lastplayfile"), v);
    }
    // The empty value is stored as an empty attribute, not by dropping it.
    EXPECT_TRUE(read("config.xml").contains("<lastplayfile value=\"\" />\r\n"));
}

TEST_F(ConfigTest, LookupRules) {
    write("config.xml",
          "<?xml version=\"1.0\" ?>\n"
          "<skin />\n"                  // no attributes: passed over
          "<skin other=\"a\" />\n"      // no "value": passed over
          "<skin value=\"first\" />\n"  // first with a value wins
          "<skin value=\"second\" />\n"
          "<Skin value=\"upper\" />\n"          // keys are case-sensitive
          "<loop extra=\"1\" value=\"2\" />\n"  // attribute order does not matter
          "<说明 value=\"中文键\" />\n");
    EXPECT_EQ(GetPlayerConfigValue("skin"), "first");
    EXPECT_EQ(GetPlayerConfigValue("Skin"), "upper");
    EXPECT_EQ(GetPlayerConfigValue("SKIN"), "");
    EXPECT_EQ(GetPlayerConfigValue("loop"), "2");
    EXPECT_EQ(GetPlayerConfigValue(QStringLiteral("说明")), QStringLiteral("中文键"));
    EXPECT_EQ(GetPlayerConfigValue(""), "");

    SetPlayerConfigValue("skin", "3");
    EXPECT_EQ(GetPlayerConfigValue("skin"), "3");
    EXPECT_TRUE(read("config.xml").contains("<skin value=\"second\" />"));
}

TEST_F(ConfigTest, UnknownKeyOrMissingFileChangesNothing) {
    const QByteArray before = "<?xml version=\"1.0\" ?>\n<skin value=\"1\"/>\n";
    write("config.xml", before);
    SetPlayerConfigValue("volume", "10");
    SetPlayerConfigValue("", "10");
    EXPECT_EQ(read("config.xml"), before);  // byte for byte, not even reprinted

    QFile::remove(file("config.xml"));
    SetPlayerConfigValue("skin", "2");
    EXPECT_FALSE(exists("config.xml"));  // the store never creates config.xml
    EXPECT_EQ(GetPlayerConfigValue("skin"), "");
}

TEST_F(ConfigTest, MalformedFileIsReadUpToTheFaultAndNeverRewritten) {
    const QByteArray broken =
        "<?xml version=\"1.0\" ?>\n<skin value=\"1\" />\n<volume value=\"30\" />\n"
        "<loop value=\"2\" <<<\n<mute value=\"2\" />\n";
    write("config.xml", broken);
    EXPECT_EQ(GetPlayerConfigValue("skin"), "1");
    EXPECT_EQ(GetPlayerConfigValue("volume"), "30");
    EXPECT_EQ(GetPlayerConfigValue("mute"), "");  // behind the fault
    SetPlayerConfigValue("skin", "4");
    EXPECT_EQ(read("config.xml"), broken);
    EXPECT_EQ(GetPlayerConfigValue("skin"), "1");
}

TEST_F(ConfigTest, ReadOnlyFolderKeepsTheOldFile) {
    write("config.xml", "<?xml version=\"1.0\" ?>\r\n<skin value=\"1\" />\r\n");
    write("playlist.xml", golden("playlist.xml"));
    const QByteArray config = read("config.xml");
    ASSERT_EQ(::chmod(QFile::encodeName(m_dir.path()).constData(), 0555), 0);
    const bool ran = runWithoutPrivileges([] {
        SetPlayerConfigValue("skin", "2");
        QList<tagFileListInfo> empty;
        PlayList(0, &empty);
    });
    ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755);
    ASSERT_TRUE(ran);
    EXPECT_EQ(read("config.xml"), config);
    EXPECT_EQ(read("playlist.xml"), golden("playlist.xml"));
    EXPECT_EQ(entries(), (QStringList{"config.xml", "playlist.xml"}));
}

TEST_F(ConfigTest, SavePreservesPermissionsOfTheFile) {
    write("config.xml", "<?xml version=\"1.0\" ?>\r\n<skin value=\"1\" />\r\n");
    ASSERT_TRUE(QFile::setPermissions(file("config.xml"), QFile::ReadOwner | QFile::WriteOwner));
    const auto before = QFile::permissions(file("config.xml"));
    SetPlayerConfigValue("skin", "2");
    EXPECT_EQ(GetPlayerConfigValue("skin"), "2");
    EXPECT_EQ(QFile::permissions(file("config.xml")), before);
}

TEST_F(PlayListTest, WriteIsByteExact) {
    QList<tagFileListInfo> list{
        entry("a", "/music/a.mp3"),
        entry(QStringLiteral("周杰伦 - 晴天"), QStringLiteral("/音乐/晴天.mp3")),
        entry("Tom & \"Jerry\" <live>", "/m/it's & more.mp3"), entry("tab\there", "/m/&#x41;.mp3"),
        entry("", "")};
    PlayList(0, &list);
    EXPECT_EQ(read("playlist.xml"), golden("playlist.xml"));

    QList<tagFileListInfo> empty;
    PlayList(0, &empty);
    EXPECT_EQ(read("playlist.xml"), golden("empty.xml"));
    PlayList(1, &empty);
    EXPECT_TRUE(empty.isEmpty());
}

TEST_F(PlayListTest, ReadAppendsInFileOrderWithZeroWords) {
    QList<tagFileListInfo> written{entry("one", "/a/1.mp3"),
                                   entry(kTricky, QStringLiteral("/中/二.flac")),
                                   entry(QString(400, 'x'), QString(500, QChar(0x6587)))};
    PlayList(0, &written);

    tagFileListInfo existing = entry("old", "/old.mp3");
    existing.words[6] = 42;
    QList<tagFileListInfo> list{existing};
    PlayList(1, &list);
    PlayList(7, &list);  // any mode but 0 reads
    ASSERT_EQ(list.size(), 7);
    EXPECT_EQ(list[0].words[6], 42);  // existing entries untouched
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 3; ++i) {
            const tagFileListInfo& got = list[1 + round * 3 + i];
            EXPECT_EQ(got.title, written[i].title);
            EXPECT_EQ(got.path, written[i].path);
            for (qint32 w : got.words) EXPECT_EQ(w, 0);
        }
    }
}

TEST_F(PlayListTest, ReadingRules) {
    write("playlist.xml",
          "<?xml version=\"1.0\" ?>\n"
          "<MU name=\"swapped\" value=\"/s.mp3\" />\n"
          "<Song value=\"/other.mp3\" name=\"other name\" extra=\"x\" />\n"
          "<MU />\n"
          "<MU value=\"/only-path.mp3\" />\n"
          "<MU value=\"/a.mp3\" name=\"ok\"><nested value=\"/no.mp3\" /></MU>\n"
          "<MU value=\"/broken.mp3\" name=\"cut\n");
    QList<tagFileListInfo> list;
    PlayList(1, &list);
    ASSERT_GE(list.size(), 5);
    EXPECT_EQ(list[0].title, "swapped");
    EXPECT_EQ(list[0].path, "/s.mp3");
    EXPECT_EQ(list[1].title, "other name");
    EXPECT_EQ(list[1].path, "/other.mp3");
    EXPECT_TRUE(list[2].title.isEmpty());
    EXPECT_TRUE(list[2].path.isEmpty());
    EXPECT_EQ(list[3].path, "/only-path.mp3");
    EXPECT_EQ(list[4].title, "ok");
    for (const auto& e : list) EXPECT_NE(e.path, "/no.mp3");

    QFile::remove(file("playlist.xml"));
    QList<tagFileListInfo> none;
    PlayList(1, &none);
    EXPECT_TRUE(none.isEmpty());
}

TEST_F(PlayListTest, RadioListReadsBothAttributesInTheLocaleEncoding) {
    write("radiolist.xml",
          "<?xml version=\"1.0\" ?>\n<R value=\"http://127.0.0.1/a\" name=\"电台 &amp; 1\" />\n"
          "<X name=\"only name\" />\n");
    QList<tagFileListInfo> list;
    RadioList(&list);
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0].path, "http://127.0.0.1/a");
    EXPECT_EQ(list[0].title, QString::fromLocal8Bit("电台 & 1"));
    EXPECT_EQ(list[1].title, "only name");
    RadioList(nullptr);  // no crash
    PlayList(0, nullptr);
}

TEST_F(SkinListTest, WriteIsByteExactAndRoundTrips) {
    QList<tagUiBgSkinInfo> list{
        skin("1", "1.jpg", 0),
        skin("{6B29FC40-CA47-1067-B31D-00DD010662DA}", "20231201.bmp", qint32(0xFF000000u)),
        skin("x", "", 0x00FFFFFF), skin("top", "max.png", qint32(0x80000000u))};
    SkinList(0, &list);
    EXPECT_EQ(read("skinlist.xml"), golden("skinlist.xml"));

    QList<tagUiBgSkinInfo> back{skin("keep", "k.png", 5)};
    SkinList(1, &back);
    ASSERT_EQ(back.size(), 5);
    EXPECT_EQ(back[0].id, "keep");
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(back[i + 1].id, list[i].id);
        EXPECT_EQ(back[i + 1].fname, list[i].fname);
        EXPECT_EQ(quint32(back[i + 1].maskcolor), quint32(list[i].maskcolor));
    }
    EXPECT_EQ(GetSkinInfo("top").maskcolor, qint32(0x80000000u));
    EXPECT_EQ(GetSkinInfo("1").maskcolor, 0);
    EXPECT_EQ(GetSkinInfo("1").fname, "1.jpg");

    QList<tagUiBgSkinInfo> empty;
    SkinList(0, &empty);
    EXPECT_EQ(read("skinlist.xml"), golden("empty.xml"));
}

TEST_F(SkinListTest, MaskColourTextIsParsedLikeADecimalNumber) {
    write("skinlist.xml",
          "<?xml version=\"1.0\" ?>\n"
          "<a maskcolor=\"  -12abc\" fname=\"f\" id=\"a\" />\n"
          "<b id=\"b\" maskcolor=\"+7\" />\n"
          "<c id=\"c\" maskcolor=\"red\" />\n"
          "<d id=\"d\" maskcolor=\"4294967295\" />\n"
          "<e id=\"e\" />\n"
          "<f />\n");
    QList<tagUiBgSkinInfo> list;
    SkinList(1, &list);
    ASSERT_EQ(list.size(), 6);
    EXPECT_EQ(list[0].maskcolor, -12);
    EXPECT_EQ(list[0].fname, "f");
    EXPECT_EQ(list[1].maskcolor, 7);
    EXPECT_EQ(list[2].maskcolor, 0);
    EXPECT_EQ(list[3].maskcolor, -1);  // same 32 bits as the "-1" this library writes
    EXPECT_EQ(list[4].maskcolor, 0);
    EXPECT_TRUE(list[5].id.isEmpty());
}

TEST_F(SkinListTest, GetSkinInfoMatchesTheFirstExactId) {
    const char* guid = "{6B29FC40-CA47-1067-B31D-00DD010662DA}";
    write("skinlist.xml",
          QByteArray("<?xml version=\"1.0\" ?>\n"
                     "<SKIN fname=\"stray.png\" maskcolor=\"99\" />\n"  // no id: matches nothing
                     "<SKIN fname=\"before.png\" id=\"other\" maskcolor=\"1\" />\n"
                     "<SKIN maskcolor=\"-5\" fname=\"first.png\" id=\"") +
              guid +
              "\" />\n"
              "<SKIN id=\"" +
              guid +
              "\" fname=\"second.png\" maskcolor=\"6\" />\n"
              "<SKIN id=\"nofile\" />\n");
    const tagUiBgSkinInfo found = GetSkinInfo(guid);
    EXPECT_EQ(found.id, guid);
    EXPECT_EQ(found.fname, "first.png");  // also when fname comes before the id
    EXPECT_EQ(found.maskcolor, -5);

    // Attributes of elements that did not match never leak into the result.
    const tagUiBgSkinInfo bare = GetSkinInfo("nofile");
    EXPECT_EQ(bare.id, "nofile");
    EXPECT_TRUE(bare.fname.isEmpty());
    EXPECT_EQ(bare.maskcolor, 0);

    for (const QString& miss : {QString(guid).toLower(), QString(), QStringLiteral("Other")}) {
        const tagUiBgSkinInfo none = GetSkinInfo(miss);
        EXPECT_TRUE(none.id.isEmpty()) << qPrintable(miss);
        EXPECT_TRUE(none.fname.isEmpty());
        EXPECT_EQ(none.maskcolor, 0);
    }
    write("skinlist.xml", "<?xml version=\"1.0\" ?>\n<SKIN id=\"\" fname=\"empty-id.png\" />\n");
    EXPECT_EQ(GetSkinInfo("").fname, "empty-id.png");
    QFile::remove(file("skinlist.xml"));
    EXPECT_TRUE(GetSkinInfo("1").fname.isEmpty());
}

TEST_F(SkinListTest, SaveNewSkinWritesDescriptionAndStaysInTheDataFolder) {
    SaveNewSkin("{ABC}", "16711935");
    EXPECT_EQ(read("{ABC}.xml"), golden("skin_description.xml"));
    SaveNewSkin("{ABC}", "1");  // replaces
    EXPECT_TRUE(read("{ABC}.xml").contains("maskcolor=\"1\""));

    QTemporaryDir outside;
    const QString escape = QStringLiteral("../") + QFileInfo(outside.path()).fileName() + "/x";
    for (const QString& bad : {QStringLiteral("../evil"), QStringLiteral("a/b"),
                               QStringLiteral("a\\b"), QStringLiteral(".."), escape}) {
        SaveNewSkin(bad, "0");
    }
    EXPECT_EQ(entries(), QStringList{"{ABC}.xml"});
    EXPECT_FALSE(QFile::exists(outside.path() + "/x.xml"));
}

TEST_F(HostileFileTest, DeepNestingIsCutInsteadOfOverflowingTheStack) {
    QByteArray deep = "<?xml version=\"1.0\" ?>\n<skin value=\"1\" />\n";
    for (int i = 0; i < 200000; ++i) deep += "<a x=\"/>\">";
    deep += "<volume value=\"2\" />";
    write("config.xml", deep);
    write("playlist.xml", deep);
    EXPECT_EQ(GetPlayerConfigValue("skin"), "1");
    EXPECT_EQ(GetPlayerConfigValue("volume"), "");
    SetPlayerConfigValue("skin", "2");
    EXPECT_EQ(read("config.xml"), deep);  // incomplete parse: never rewritten
    QList<tagFileListInfo> list;
    PlayList(1, &list);
    EXPECT_GE(list.size(), 1);
}

TEST_F(HostileFileTest, RandomlyDamagedFilesNeverCrashTheReaders) {
    // A fixed seed keeps failures reproducible.
    QRandomGenerator rng(20261206);
    const QByteArray base =
        golden("playlist.xml") + golden("config_in.xml") + golden("skinlist.xml");
    for (int round = 0; round < 400; ++round) {
        QByteArray bytes = base;
        const int edits = 1 + int(rng.bounded(8));
        for (int i = 0; i < edits; ++i) {
            const int at = int(rng.bounded(bytes.size()));
            switch (rng.bounded(3)) {
                case 0:
                    bytes[at] = char(rng.bounded(256));
                    break;
                case 1:
                    bytes.remove(at, int(rng.bounded(16)));
                    break;
                default:
                    bytes.insert(at, "<&\"'/>\0"[rng.bounded(7)]);
            }
        }
        write("config.xml", bytes);
        write("playlist.xml", bytes);
        write("skinlist.xml", bytes);
        GetPlayerConfigValue("volume");
        SetPlayerConfigValue("volume", "1");
        QList<tagFileListInfo> list;
        PlayList(1, &list);
        QList<tagUiBgSkinInfo> skins;
        SkinList(1, &skins);
        GetSkinInfo("1");
    }
    SUCCEED();
}

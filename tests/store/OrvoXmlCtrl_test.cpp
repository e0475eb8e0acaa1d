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

using StoreTest = DataDirFixture;

}  // namespace

TEST_F(StoreTest, ConfigSetRewritesOnlyTheFirstValueAndKeepsTheRest) {
    write("config.xml", golden("config_in.xml"));
    SetPlayerConfigValue("volume", "55");
    EXPECT_EQ(read("config.xml"), golden("config_out.xml"));
    EXPECT_EQ(GetPlayerConfigValue("inner"), "");  // nested elements are not keys

    const QString tricky[] = {QStringLiteral("/音乐/晴天 & \"雨\" <live> it's.mp3"), "&#x41;",
                              "a\tb\r\nc", QString(300, QChar(0x4E2D)), QString()};
    for (const QString& v : tricky) {
        SetPlayerConfigValue("volume", v);
        EXPECT_EQ(GetPlayerConfigValue("volume"), v);
    }
    EXPECT_TRUE(read("config.xml").contains("<volume note=\"x\" value=\"\" />\r\n"));
}

TEST_F(StoreTest, ConfigLookupRules) {
    write(
        "config.xml",
        "<?xml version=\"1.0\" ?>\n<skin />\n<skin other=\"a\" />\n<skin value=\"first\" />\n"
        "<skin value=\"second\" />\n<Skin value=\"upper\" />\n<loop extra=\"1\" value=\"2\" />\n");
    EXPECT_EQ(GetPlayerConfigValue("skin"), "first");  // first element that has a value
    EXPECT_EQ(GetPlayerConfigValue("Skin"), "upper");
    EXPECT_EQ(GetPlayerConfigValue("SKIN"), "");
    EXPECT_EQ(GetPlayerConfigValue("loop"), "2");
    EXPECT_EQ(GetPlayerConfigValue(""), "");
    SetPlayerConfigValue("skin", "3");
    EXPECT_EQ(GetPlayerConfigValue("skin"), "3");
    EXPECT_TRUE(read("config.xml").contains("<skin value=\"second\" />"));
}

TEST_F(StoreTest, ConfigIsNeverCreatedExtendedOrRewrittenWhenDamaged) {
    const QByteArray plain = "<?xml version=\"1.0\" ?>\n<skin value=\"1\"/>\n";
    write("config.xml", plain);
    SetPlayerConfigValue("volume", "10");
    EXPECT_EQ(read("config.xml"), plain);  // byte for byte, not even reprinted

    const QByteArray broken =
        "<?xml version=\"1.0\" ?>\n<skin value=\"1\" />\n<loop value=\"2\" <<<\n<mute value=\"2\" "
        "/>\n";
    write("config.xml", broken);
    EXPECT_EQ(GetPlayerConfigValue("skin"), "1");
    EXPECT_EQ(GetPlayerConfigValue("mute"), "");  // behind the fault
    SetPlayerConfigValue("skin", "4");
    EXPECT_EQ(read("config.xml"), broken);

    const QByteArray stray =
        "<?xml version=\"1.0\" ?>\n<skin value=\"1\" />\nstray <mute value=\"2\" />\n";
    write("config.xml", stray);
    SetPlayerConfigValue("skin", "4");
    EXPECT_EQ(read("config.xml"), stray);

    QFile::remove(file("config.xml"));
    SetPlayerConfigValue("skin", "2");
    EXPECT_FALSE(QFile::exists(file("config.xml")));
}

TEST_F(StoreTest, ReadOnlyFolderKeepsTheOldFiles) {
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

TEST_F(StoreTest, PlayListWriteIsByteExactAndReadAppends) {
    QList<tagFileListInfo> list{{"a", "/music/a.mp3"},
                                {QStringLiteral("周杰伦 - 晴天"), QStringLiteral("/音乐/晴天.mp3")},
                                {"Tom & \"Jerry\" <live>", "/m/it's & more.mp3"},
                                {"tab\there", "/m/&#x41;.mp3"},
                                {"", ""}};
    PlayList(0, &list);
    EXPECT_EQ(read("playlist.xml"), golden("playlist.xml"));

    QList<tagFileListInfo> back{{"old", "/old.mp3", {0, 0, 0, 0, 0, 0, 42, 0, 0}}};
    PlayList(1, &back);
    PlayList(7, &back);  // any mode but 0 reads
    ASSERT_EQ(back.size(), 11);
    EXPECT_EQ(back[0].words[6], 42);
    for (qsizetype i = 1; i < back.size(); ++i) {
        EXPECT_EQ(back[i].title, list[(i - 1) % 5].title);
        EXPECT_EQ(back[i].path, list[(i - 1) % 5].path);
        EXPECT_EQ(back[i].words[6], 0);
    }

    QList<tagFileListInfo> empty;
    PlayList(0, &empty);
    EXPECT_EQ(read("playlist.xml"), golden("empty.xml"));
    PlayList(1, &empty);
    EXPECT_TRUE(empty.isEmpty());
}

TEST_F(StoreTest, PlayListAndRadioListReadingRules) {
    write("playlist.xml",
          "<?xml version=\"1.0\" ?>\n<MU name=\"swapped\" value=\"/s.mp3\" />\n"
          "<Song value=\"/other.mp3\" extra=\"x\" />\n<MU />\n"
          "<MU value=\"/a.mp3\" name=\"ok\"><nested value=\"/no.mp3\" /></MU>\n"
          "<MU value=\"/broken.mp3\" name=\"cut\n");
    QList<tagFileListInfo> list;
    PlayList(1, &list);
    ASSERT_GE(list.size(), 4);
    EXPECT_EQ(list[0].title + list[0].path, "swapped/s.mp3");
    EXPECT_EQ(list[1].title + list[1].path, "/other.mp3");
    EXPECT_EQ(list[2].title + list[2].path, "");
    EXPECT_EQ(list[3].title + list[3].path, "ok/a.mp3");

    write("radiolist.xml",
          "<?xml version=\"1.0\" ?>\n<R value=\"http://h/a\" name=\"电台 &amp; 1\" />\n");
    QList<tagFileListInfo> radio;
    RadioList(&radio);
    ASSERT_EQ(radio.size(), 1);
    EXPECT_EQ(radio[0].title + radio[0].path, QString::fromLocal8Bit("电台 & 1http://h/a"));

    QFile::remove(file("playlist.xml"));
    QList<tagFileListInfo> none;
    PlayList(1, &none);
    EXPECT_TRUE(none.isEmpty());
}

TEST_F(StoreTest, SkinListWriteIsByteExactAndKeepsMaskBits) {
    QList<tagUiBgSkinInfo> list{
        {"1", 0, "1.jpg"},
        {"{6B29FC40-CA47-1067-B31D-00DD010662DA}", qint32(0xFF000000u), "20231201.bmp"},
        {"x", 0x00FFFFFF, ""},
        {"top", qint32(0x80000000u), "max.png"}};
    SkinList(0, &list);
    EXPECT_EQ(read("skinlist.xml"), golden("skinlist.xml"));

    QList<tagUiBgSkinInfo> back{{"keep", 5, "k.png"}};
    SkinList(1, &back);
    ASSERT_EQ(back.size(), 5);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(back[i + 1].id, list[i].id);
        EXPECT_EQ(back[i + 1].fname, list[i].fname);
        EXPECT_EQ(back[i + 1].maskcolor, list[i].maskcolor);
    }
    EXPECT_EQ(GetSkinInfo("top").maskcolor, qint32(0x80000000u));
    EXPECT_EQ(GetSkinInfo("1").maskcolor, 0);

    write(
        "skinlist.xml",
        "<?xml version=\"1.0\" ?>\n<a maskcolor=\"  -12abc\" id=\"a\" />\n<b maskcolor=\"+7\" />\n"
        "<c maskcolor=\"red\" />\n<d maskcolor=\"4294967295\" />\n<e />\n");
    QList<tagUiBgSkinInfo> parsed;
    SkinList(1, &parsed);
    ASSERT_EQ(parsed.size(), 5);
    const qint32 expected[] = {-12, 7, 0, -1, 0};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(parsed[i].maskcolor, expected[i]) << i;
}

TEST_F(StoreTest, GetSkinInfoMatchesTheFirstExactId) {
    const QByteArray guid = "{6B29FC40-CA47-1067-B31D-00DD010662DA}";
    write("skinlist.xml",
          "<?xml version=\"1.0\" ?>\n"
          "<SKIN fname=\"stray.png\" maskcolor=\"99\" />\n"
          "<SKIN fname=\"before.png\" id=\"other\" maskcolor=\"1\" />\n"
          "<SKIN maskcolor=\"-5\" fname=\"first.png\" id=\"" +
              guid +
              "\" />\n"
              "<SKIN id=\"" +
              guid +
              "\" fname=\"second.png\" />\n"
              "<SKIN id=\"nofile\" />\n");
    const tagUiBgSkinInfo found = GetSkinInfo(guid);
    EXPECT_EQ(found.id + found.fname, guid + "first.png");
    EXPECT_EQ(found.maskcolor, -5);
    // Attributes of elements that did not match never leak into the result.
    const tagUiBgSkinInfo bare = GetSkinInfo("nofile");
    EXPECT_EQ(bare.id + bare.fname, "nofile");
    EXPECT_EQ(bare.maskcolor, 0);
    for (const QString& miss : {QString(guid).toLower(), QString()}) {
        const tagUiBgSkinInfo none = GetSkinInfo(miss);
        EXPECT_EQ(none.id + none.fname, "");
        EXPECT_EQ(none.maskcolor, 0);
    }
    write("skinlist.xml", "<?xml version=\"1.0\" ?>\n<SKIN id=\"\" fname=\"empty-id.png\" />\n");
    EXPECT_EQ(GetSkinInfo("").fname, "empty-id.png");
}

TEST_F(StoreTest, SaveNewSkinStaysInTheDataFolder) {
    SaveNewSkin("{ABC}", "16711935");
    EXPECT_EQ(read("{ABC}.xml"), golden("skin_description.xml"));
    QTemporaryDir outside;
    for (const QString& bad : QStringList{"../evil", "a/b", "a\\b", "..",
                                          "../" + QFileInfo(outside.path()).fileName() + "/x"}) {
        SaveNewSkin(bad, "0");
    }
    EXPECT_EQ(entries(), QStringList{"{ABC}.xml"});
    EXPECT_FALSE(QFile::exists(outside.path() + "/x.xml"));
}

TEST_F(StoreTest, HostileFilesAreReadSafely) {
    // Deep nesting is cut before TinyXML recurses into it, and such a file is never rewritten.
    QByteArray deep = "<?xml version=\"1.0\" ?>\n<skin value=\"1\" />\n";
    for (int i = 0; i < 200000; ++i) deep += "<a x=\"/>\">";
    write("config.xml", deep);
    EXPECT_EQ(GetPlayerConfigValue("skin"), "1");
    SetPlayerConfigValue("skin", "2");
    EXPECT_EQ(read("config.xml"), deep);

    // Randomly damaged files (fixed seed, reproducible) must not crash any reader.
    QRandomGenerator rng(20261206);
    const QByteArray base =
        golden("playlist.xml") + golden("config_in.xml") + golden("skinlist.xml");
    for (int round = 0; round < 400; ++round) {
        QByteArray bytes = base;
        for (int i = 1 + int(rng.bounded(8)); i > 0; --i) {
            const int at = int(rng.bounded(bytes.size()));
            if (rng.bounded(2))
                bytes.insert(at, "<&\"'/>\0"[rng.bounded(7)]);
            else
                bytes.remove(at, int(rng.bounded(16)));
        }
        for (const char* name : {"config.xml", "playlist.xml", "skinlist.xml"}) write(name, bytes);
        GetPlayerConfigValue("volume");
        SetPlayerConfigValue("volume", "1");
        QList<tagFileListInfo> list;
        PlayList(1, &list);
        QList<tagUiBgSkinInfo> skins;
        SkinList(1, &skins);
        GetSkinInfo("1");
    }
}

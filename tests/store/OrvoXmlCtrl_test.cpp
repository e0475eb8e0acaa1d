// The store's exports, called as the player calls them, against files in a temporary data folder.

#include "store/OrvoXmlCtrl.h"
#include "DataDirFixture.h"

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

// Records as "title|path" and "id|fname|maskcolor", so one comparison checks every field.
QString text(const tagFileListInfo& i) { return i.title + '|' + i.path; }
QString text(const tagUiBgSkinInfo& s) {
    return s.id + '|' + s.fname + '|' + QString::number(s.maskcolor);
}
template <typename Record>
QStringList texts(const QList<Record>& list) {
    QStringList out;
    for (const Record& r : list) out << text(r);
    return out;
}

template <typename Record>
QList<Record> readList(void (*reader)(qint32, QList<Record>*), QList<Record> list = {}) {
    reader(1, &list);
    return list;
}

using StoreTest = DataDirFixture;

}  // namespace

TEST_F(StoreTest, ConfigSetRewritesOnlyTheFirstValueAndKeepsTheRest) {
    write("config.xml", golden("config_in.xml"));
    SetPlayerConfigValue("volume", "55");
    EXPECT_EQ(read("config.xml"), golden("config_out.xml"));
    EXPECT_EQ(GetPlayerConfigValue("inner"), "");  // nested elements are not keys
    for (const QString& v :
         {QStringLiteral("/音乐/晴天 & \"雨\" <live> it's.mp3"), QString("&#x41;"),
          QString("a\tb\r\nc"), QString(300, QChar(0x4E2D)), QString()}) {
        SetPlayerConfigValue("volume", v);
        EXPECT_EQ(GetPlayerConfigValue("volume"), v);
    }
    EXPECT_TRUE(read("config.xml").contains("<volume note=\"x\" value=\"\" />\r\n"));

    // The first element that has a value, by exact name.
    write(
        "config.xml",
        "<?xml version=\"1.0\" ?>\n<skin />\n<skin other=\"a\" />\n<skin value=\"first\" />\n"
        "<skin value=\"second\" />\n<Skin value=\"upper\" />\n<loop extra=\"1\" value=\"2\" />\n");
    for (auto [key, value] :
         {std::pair{"skin", "first"}, {"Skin", "upper"}, {"SKIN", ""}, {"loop", "2"}, {"", ""}})
        EXPECT_EQ(GetPlayerConfigValue(key), value) << key;
    SetPlayerConfigValue("skin", "3");
    EXPECT_EQ(GetPlayerConfigValue("skin"), "3");
    EXPECT_TRUE(read("config.xml").contains("<skin value=\"second\" />"));
}

TEST_F(StoreTest, ConfigIsNeverCreatedExtendedOrRewrittenWhenDamaged) {
    const QByteArray plain = "<?xml version=\"1.0\" ?>\n<skin value=\"1\"/>\n";
    write("config.xml", plain);
    SetPlayerConfigValue("volume", "10");
    EXPECT_EQ(read("config.xml"), plain);  // byte for byte, not even reprinted

    const QByteArray head = "<?xml version=\"1.0\" ?>\n<skin value=\"1\" />\n";
    for (const QByteArray& fault : {QByteArray("<loop value=\"2\" <<<\n"), QByteArray("stray ")}) {
        const QByteArray damaged = head + fault + "<mute value=\"2\" />\n";
        write("config.xml", damaged);
        EXPECT_EQ(GetPlayerConfigValue("skin"), "1");
        EXPECT_EQ(GetPlayerConfigValue("mute"), "");  // behind the fault
        SetPlayerConfigValue("skin", "4");
        EXPECT_EQ(read("config.xml"), damaged);
    }
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
    EXPECT_EQ(texts(back), QStringList{"old|/old.mp3"} + texts(list) + texts(list));
    EXPECT_EQ(back[0].words[6], 42);
    for (qsizetype i = 1; i < back.size(); ++i) EXPECT_EQ(back[i].words[6], 0);

    QList<tagFileListInfo> empty;
    PlayList(0, &empty);
    EXPECT_EQ(read("playlist.xml"), golden("empty.xml"));
    EXPECT_TRUE(readList(PlayList).isEmpty());
    QFile::remove(file("playlist.xml"));
    EXPECT_TRUE(readList(PlayList).isEmpty());
    EXPECT_EQ(read("playlist.xml.bad"), "<missing>");  // whole or missing files are not faults
}

TEST_F(StoreTest, PlayListAndRadioListReadingRules) {
    write("playlist.xml",
          "<?xml version=\"1.0\" ?>\n<MU name=\"swapped\" value=\"/s.mp3\" />\n"
          "<Song value=\"/other.mp3\" extra=\"x\" />\n<MU />\n"
          "<MU value=\"/a.mp3\" name=\"ok\"><nested value=\"/no.mp3\" /></MU>\n"
          "<MU value=\"/broken.mp3\" name=\"cut\n");
    const QByteArray damaged = read("playlist.xml");
    EXPECT_EQ(texts(readList(PlayList)).mid(0, 4),
              (QStringList{"swapped|/s.mp3", "|/other.mp3", "|", "ok|/a.mp3"}));
    // The next save keeps only what was read: the damaged file is kept aside first.
    EXPECT_EQ(read("playlist.xml.bad"), damaged);

    write("radiolist.xml",
          "<?xml version=\"1.0\" ?>\n<R value=\"http://h/a\" name=\"电台 &amp; 1\" />\n");
    QList<tagFileListInfo> radio;
    RadioList(&radio);
    EXPECT_EQ(texts(radio), QStringList{QStringLiteral("电台 & 1|http://h/a")});
}

TEST_F(StoreTest, SkinListWriteIsByteExactAndKeepsMaskBits) {
    QList<tagUiBgSkinInfo> list{
        {"1", 0, "1.jpg"},
        {"{6B29FC40-CA47-1067-B31D-00DD010662DA}", qint32(0xFF000000u), "20231201.bmp"},
        {"x", 0x00FFFFFF, ""},
        {"top", qint32(0x80000000u), "max.png"}};
    SkinList(0, &list);
    EXPECT_EQ(read("skinlist.xml"), golden("skinlist.xml"));
    EXPECT_EQ(texts(readList(SkinList, {{"keep", 5, "k.png"}})),
              QStringList{"keep|k.png|5"} + texts(list));
    EXPECT_EQ(GetSkinInfo("top").maskcolor, qint32(0x80000000u));

    write(
        "skinlist.xml",
        "<?xml version=\"1.0\" ?>\n<a maskcolor=\"  -12abc\" id=\"a\" />\n<b maskcolor=\"+7\" />\n"
        "<c maskcolor=\"red\" />\n<d maskcolor=\"4294967295\" />\n<e />\n");
    QList<qint32> masks;
    for (const tagUiBgSkinInfo& s : readList(SkinList)) masks << s.maskcolor;
    EXPECT_EQ(masks, (QList<qint32>{-12, 7, 0, -1, 0}));
}

TEST_F(StoreTest, GetSkinInfoMatchesTheFirstExactId) {
    const QString guid = "{6B29FC40-CA47-1067-B31D-00DD010662DA}";
    write("skinlist.xml",
          QString("<?xml version=\"1.0\" ?>\n"
                  "<SKIN fname=\"stray.png\" maskcolor=\"99\" />\n"
                  "<SKIN fname=\"before.png\" id=\"other\" maskcolor=\"1\" />\n"
                  "<SKIN maskcolor=\"-5\" fname=\"first.png\" id=\"G\" />\n"
                  "<SKIN id=\"G\" fname=\"second.png\" />\n<SKIN id=\"nofile\" />\n")
              .replace("\"G\"", '"' + guid + '"')
              .toUtf8());
    EXPECT_EQ(text(GetSkinInfo(guid)), guid + "|first.png|-5");
    // Attributes of elements that did not match never leak into the result.
    EXPECT_EQ(text(GetSkinInfo("nofile")), "nofile||0");
    EXPECT_EQ(text(GetSkinInfo(guid.toLower())), "||0");
    EXPECT_EQ(text(GetSkinInfo("")), "||0");
    write("skinlist.xml", "<?xml version=\"1.0\" ?>\n<SKIN id=\"\" fname=\"empty-id.png\" />\n");
    EXPECT_EQ(GetSkinInfo("").fname, "empty-id.png");
}

TEST_F(StoreTest, SaveNewSkinStaysInTheDataFolder) {
    SaveNewSkin("{ABC}", "16711935");
    EXPECT_EQ(read("{ABC}.xml"), golden("skin_description.xml"));
    QTemporaryDir outside;
    for (const QString& bad : QStringList{"../evil", "a/b", "a\\b", "..",
                                          "../" + QFileInfo(outside.path()).fileName() + "/x"})
        SaveNewSkin(bad, "0");
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
        readList(PlayList);
        readList(SkinList);
        GetSkinInfo("1");
    }
}

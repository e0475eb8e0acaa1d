// The store's exports, called as the player calls them, against files in a temporary data folder.

#include "store/OrvoXmlCtrl.h"
#include "../BoundedRun.h"
#include "DataDirFixture.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <map>
#include <vector>

#include <sys/stat.h>

namespace {

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
// A read (mode 1) appending to list.
template <typename Record>
QStringList readTexts(void (*reader)(qint32, QList<Record>*), QList<Record> list = {}) {
    reader(1, &list);
    return texts(list);
}

using StoreTest = DataDirFixture;

}  // namespace

TEST_F(StoreTest, ConfigSetRewritesOnlyTheFirstValueAndKeepsTheRest) {
    write("config.xml", golden("config_in.xml"));
    SetPlayerConfigValue("volume", "55");
    SetPlayerConfigValue("skin", "3");  // the first element named so that has a value
    EXPECT_EQ(read("config.xml"), golden("config_out.xml"));
    // By exact name; nested elements are not keys.
    QStringList values;
    for (const char* key : {"skin", "volume", "Skin", "SKIN", "loop", "inner", ""})
        values << GetPlayerConfigValue(key);
    EXPECT_EQ(values, (QStringList{"3", "55", "upper", "", "2", "", ""}));
    // Escaping is proven by the play list's golden bytes; line breaks, length and empty here.
    // A leading U+FEFF is text, not a byte-order mark to drop.
    for (const QString& v :
         {QString("a\tb\r\nc\rd"), QString(300, QChar(0x4E2D)), QChar(0xFEFF) + QString("bom"),
          QString(2, QChar(0xFEFF)), QString()}) {
        SetPlayerConfigValue("volume", v);
        EXPECT_EQ(GetPlayerConfigValue("volume"), v);
    }
    EXPECT_TRUE(read("config.xml").contains("<volume note=\"x\" value=\"\" />\r\n"));
}

TEST_F(StoreTest, ConfigIsNeverCreatedOrExtendedAndADamagedOneMakesWayForTheDefaults) {
    const QByteArray defaults = read(ORVO_SOURCE_DIR "/config.xml");
    // A missing key is not added (the file is not even reprinted), also without a final line
    // break; a missing file is not created.
    for (const QByteArray& bytes : {QByteArray("<skin value=\"3\"/>\n<mute value=\"2\" />\n"),
                                    QByteArray("<skin value=\"3\"/>\r\n<mute value=\"2\"/>")}) {
        write("config.xml", bytes);
        EXPECT_EQ(GetPlayerConfigValue("mute"), "2");
        SetPlayerConfigValue("volume", "4");
        EXPECT_EQ(entries(), QStringList{"config.xml"});
        EXPECT_EQ(read("config.xml"), bytes);
    }
    QFile::remove(file("config.xml"));
    SetPlayerConfigValue("skin", "2");
    EXPECT_TRUE(GetPlayerConfigValue("skin").isEmpty());
    EXPECT_TRUE(entries().isEmpty());

    // Damaged (settings would never be saved again): kept aside as config.xml.bad, the delivered
    // defaults take its place and the next change is saved. Deep nesting is cut before TinyXML
    // recurses into it; 100,000 attributes on one element (under the size bound) once took
    // minutes, as TinyXML checks each against all earlier ones: now a fault found in a few ms.
    QByteArray many = "<skin value=\"4\" />\n<many";
    for (int i = 0; i < 100000; ++i) many += " a" + QByteArray::number(i) + "=''";
    for (const QByteArray& bytes :
         {QByteArray(), QByteArray("<?xml version=\"1.0\" ?>\r\n"), QByteArray("<?xml vers"),
          QByteArray("<skin value=\"3\"/>\n<loop value=\"2\" <<<\n"),
          QByteArray("<skin value=\"3\"/>\nstray "), QByteArray("<skin value=\"3\"/>\0", 19),
          "<skin value=\"3\"/>" + QByteArray("<a x=\"/>\">").repeated(90000),
          many + " />\n<volume value=\"31\" />\n"}) {
        SCOPED_TRACE(bytes.left(24).toPercentEncoding().constData());
        ASSERT_LT(bytes.size(), 1 << 20);
        write("config.xml", bytes);
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(GetPlayerConfigValue("skin"), "1");
        EXPECT_LT(clock.elapsed(), 3000);  // a few ms on a busy machine (bench/RESULTS.md)
        EXPECT_EQ(read("config.xml.bad"), bytes);
        EXPECT_EQ(read("config.xml"), defaults);
        SetPlayerConfigValue("volume", "4");
        EXPECT_EQ(GetPlayerConfigValue("volume"), "4");
    }
}

TEST_F(StoreTest, PlayListWriteIsByteExactAndReadAppendsByTheReadingRules) {
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

    back.clear();
    PlayList(0, &back);
    EXPECT_EQ(read("playlist.xml"), golden("empty.xml"));
    EXPECT_TRUE(readTexts(PlayList).isEmpty());
    QFile::remove(file("playlist.xml"));
    EXPECT_TRUE(readTexts(PlayList).isEmpty());
    EXPECT_EQ(read("playlist.xml.bad"), "<missing>");  // whole or missing files are not faults

    // Reading rules: any element, attributes in any order, nothing nested, only up to a fault.
    write("playlist.xml",
          "<MU name=\"swapped\" value=\"/s.mp3\" />\n<Song value=\"/other.mp3\" extra=\"x\" />\n"
          "<MU />\n<MU value=\"/a.mp3\" name=\"ok\"><nested value=\"/no.mp3\" /></MU>\n"
          "<MU value=\"/broken.mp3\" name=\"cut\n");
    const QByteArray damaged = read("playlist.xml");
    EXPECT_EQ(readTexts(PlayList).mid(0, 4),
              (QStringList{"swapped|/s.mp3", "|/other.mp3", "|", "ok|/a.mp3"}));
    // The next save keeps only what was read: the damaged file is kept aside first.
    EXPECT_EQ(read("playlist.xml.bad"), damaged);

    write("radiolist.xml", "<R value=\"http://h/a\" name=\"电台 &amp; 1\" />\n");
    RadioList(&back);  // still empty
    EXPECT_EQ(texts(back), QStringList{QStringLiteral("电台 & 1|http://h/a")});
}

TEST_F(StoreTest, SkinListWriteIsByteExactAndReadingRulesWithGetSkinInfo) {
    QList<tagUiBgSkinInfo> list{
        {"1", 0, "1.jpg"},
        {"{6B29FC40-CA47-1067-B31D-00DD010662DA}", qint32(0xFF000000u), "20231201.bmp"},
        {"x", 0x00FFFFFF, ""},
        {"top", qint32(0x80000000u), "max.png"}};
    QList<tagUiBgSkinInfo> marked{{QChar(0xFEFF) + QString("id"), 1, QChar(0xFEFF) + QString("f")}};
    SkinList(0, &marked);
    EXPECT_EQ(readTexts(SkinList), texts(marked));
    SkinList(0, &list);
    EXPECT_EQ(read("skinlist.xml"), golden("skinlist.xml"));
    EXPECT_EQ(readTexts(SkinList, {{"keep", 5, "k.png"}}),
              QStringList{"keep|k.png|5"} + texts(list));

    write("skinlist.xml",
          "<SKIN fname=\"stray.png\" maskcolor=\"  -12abc\" />\n"
          "<X fname=\"before.png\" id=\"other\" maskcolor=\"+7\" />\n"
          "<SKIN maskcolor=\"-5\" fname=\"first.png\" id=\"{Ab}\" />\n"
          "<SKIN id=\"{Ab}\" fname=\"second.png\" maskcolor=\"red\" />\n<SKIN id=\"nofile\" />\n"
          "<SKIN id=\"\" fname=\"empty-id.png\" maskcolor=\"4294967295\" />\n");
    // Masks: leading digits after blanks and a sign, wrapping modulo 2^32.
    EXPECT_EQ(readTexts(SkinList),
              (QStringList{"|stray.png|-12", "other|before.png|7", "{Ab}|first.png|-5",
                           "{Ab}|second.png|0", "nofile||0", "|empty-id.png|-1"}));
    // The first exact id; other elements' attributes never leak in; no id at all matches nothing.
    QStringList found;
    for (const char* id : {"{Ab}", "nofile", "{ab}", ""}) found << text(GetSkinInfo(id));
    EXPECT_EQ(found, (QStringList{"{Ab}|first.png|-5", "nofile||0", "||0", "|empty-id.png|-1"}));
}

TEST_F(StoreTest, SaveNewSkinWritesOnlyItsOwnFileInTheDataFolder) {
    SaveNewSkin("{ABC}", "16711935");
    EXPECT_EQ(read("{ABC}.xml"), golden("skin_description.xml"));
    const QStringList own{"config.xml", "playlist.xml", "radiolist.xml", "skinlist.xml"};
    for (const QString& name : own) write(name, name.toUtf8());
    QTemporaryDir outside;
    for (const QString& bad : QStringList{
             "../evil", "a/b", "a\\b", "..", "../" + QFileInfo(outside.path()).fileName() + "/x",
             "config", "PlayList", "SKINLIST", "radiolist", "", "\n", "a\tb",
             QString("x") + QChar(0x7F), QString("y") + QChar(0x85), QString(QChar(0))})
        SaveNewSkin(bad, "0");
    EXPECT_EQ(entries(), own + QStringList{"{ABC}.xml"});
    for (const QString& name : own) EXPECT_EQ(read(name), name.toUtf8());
    EXPECT_FALSE(QFile::exists(outside.path() + "/x.xml"));
}

TEST_F(StoreTest, OnlyRegularFilesWithinTheirBoundAreRead) {
    // A link to a device, a FIFO (whose open would block), a folder, and a sparse file one byte
    // over its bound whose valid start would be read without the bound. An unreadable play list
    // or config is moved aside, whatever it is, so the next save works; the config is seeded anew.
    const std::map<QString, qint64> bound{{"config.xml", 1 << 20},
                                          {"playlist.xml", 64 << 20},
                                          {"radiolist.xml", 64 << 20},
                                          {"skinlist.xml", 4 << 20}};
    const QByteArray start =
        "<volume value=\"30\" /><MU value=\"/a.mp3\" /><SKIN id=\"1\" fname=\"1.bmp\" />";
    const std::vector<std::pair<const char*, std::function<bool(const QString&)>>> kinds{
        {"zero", [](const QString& p) { return QFile::link("/dev/zero", p); }},
        {"fifo", [](const QString& p) { return ::mkfifo(QFile::encodeName(p), 0600) == 0; }},
        {"folder", [](const QString& p) { return QDir().mkdir(p); }},
        {"oversize", [&](const QString& p) {
             QFile f(p);
             return f.open(QIODevice::WriteOnly) && f.write(start) == start.size() &&
                    f.resize(bound.at(QFileInfo(p).fileName()) + 1);
         }}};
    for (const auto& [name, size] : bound) {
        for (const auto& [kind, make] : kinds) {
            SCOPED_TRACE(QStringLiteral("%1 as %2").arg(name, kind).toStdString());
            ASSERT_TRUE(make(file(name)));
            const bool config = name == "config.xml";
            EXPECT_TRUE(runsBounded([config] {
                QList<tagFileListInfo> entries;
                PlayList(1, &entries);
                RadioList(&entries);
                QList<tagUiBgSkinInfo> skins;
                SkinList(1, &skins);
                SetPlayerConfigValue("volume", "31");
                return GetPlayerConfigValue("volume") == (config ? "31" : "") &&
                       entries.isEmpty() && skins.isEmpty() && GetSkinInfo("1").id.isEmpty();
            }));
            const QStringList expected = name == "playlist.xml" ? QStringList{"playlist.xml.bad"}
                                         : config ? QStringList{"config.xml", "config.xml.bad"}
                                                  : QStringList{name};
            EXPECT_EQ(entries(), expected);
            for (const QString& entry : entries())
                if (!QFile::remove(file(entry))) QDir().rmdir(file(entry));
        }
    }
}

TEST_F(StoreTest, RandomlyDamagedFilesAreReadSafely) {
    // Fixed seed; no reader may crash (the sanitizer build checks memory too) or lose bytes: a
    // damaged config or play list is kept aside whole (the config seeded anew), anything else is
    // left as it was, and a value set is either read back or refused.
    QRandomGenerator rng(20261206);
    const QByteArray base =
        golden("playlist.xml") + golden("config_in.xml") + golden("skinlist.xml");
    std::map<QString, int> keptAside, leftWhole;
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE(round);
        QByteArray bytes = base;
        for (int i = 1 + int(rng.bounded(8)); i > 0; --i) {
            const int at = int(rng.bounded(bytes.size()));
            rng.bounded(2) ? bytes.insert(at, "<&\"'/>\0"[rng.bounded(7)])
                           : bytes.remove(at, int(rng.bounded(16)));
        }
        for (const char* name : {"config.xml", "playlist.xml", "skinlist.xml"}) write(name, bytes);
        for (const char* name : {"config.xml.bad", "playlist.xml.bad"}) QFile::remove(file(name));
        GetPlayerConfigValue("volume");
        readTexts(PlayList);
        readTexts(SkinList);
        GetSkinInfo("1");
        EXPECT_EQ(read("skinlist.xml"), bytes);
        for (const QString name : {"config.xml", "playlist.xml"}) {
            const bool aside = QFile::exists(file(name + ".bad"));
            ++(aside ? keptAside : leftWhole)[name];
            EXPECT_EQ(read(aside ? name + ".bad" : name), bytes) << name.toStdString();
        }
        const QByteArray beforeSet = read("config.xml");
        SetPlayerConfigValue("volume", "1");
        EXPECT_TRUE(read("config.xml") == beforeSet || GetPlayerConfigValue("volume") == "1");
    }
    // The damage both spares and breaks each of the two, so every branch above was taken.
    EXPECT_EQ(keptAside.size(), 2u);
    EXPECT_EQ(leftWhole.size(), 2u);
}

// The play list's operations on real files, the real tag reader and the real store.

#include "core/PlayListManager.h"
#include "CoreTestSupport.h"
#include "core/Playback.h"

namespace {

class PlayListManagerTest : public CoreFixture {
protected:
    void SetUp() override {
        CoreFixture::SetUp();
        if (IsSkipped()) return;
        m_playback.setApi(m_api);
    }
    QStringList titles() const {
        QStringList out;
        for (const tagFileListInfo& e : m_items) out << e.title;
        return out;
    }
    QStringList paths(const QList<tagFileListInfo>& items) const {
        QStringList out;
        for (const tagFileListInfo& e : items) out << e.path;
        return out;
    }
    QList<tagFileListInfo> saved() const {
        QList<tagFileListInfo> items;
        StoreBinding::LoadPlayList(&items);
        return items;
    }
    // A copy of a generated file under a new name in the data folder; the ID3v2 tag stripped.
    QString copy(const QString& from, const QString& to, bool stripTag = false) {
        QByteArray bytes = read(media(from));
        if (stripTag && bytes.startsWith("ID3")) {
            const auto b = [&](int i) { return qint64(quint8(bytes[i])); };
            bytes = bytes.mid(10 + (b(6) << 21 | b(7) << 14 | b(8) << 7 | b(9)));
        }
        write(to, bytes);
        return file(to);
    }

    QList<tagFileListInfo> m_items;
    Playback m_playback{&m_items, &m_view};
    PlayListManager m_manager{m_items, m_playback, &m_view};
};

TEST_F(PlayListManagerTest, TitlesPerSourceAndFilesThatCannotBeOpened) {
    const QString tagged = media("tone1k.mp3");
    const QString untagged = copy("tone1k.mp3", "01.Intro.mp3", true);
    const QString text = media("broken/text.mp3");
    const QString empty = media("broken/empty.mp3");
    const QStringList files = {tagged, untagged, text, empty, tagged};
    // Dialog and drops: "title - artist"; single files and hand-overs: the title alone.
    EXPECT_EQ(m_manager.AddFiles(files, true), 5);
    m_manager.AddFileToList(tagged);
    m_manager.AddFileToList(text);
    m_manager.AddFileToList(QString());  // nothing to add
    EXPECT_EQ(titles(), (QStringList{"一千赫兹 MP3 - 欧沃测试乐队", "01", "text", "empty",
                                     "一千赫兹 MP3 - 欧沃测试乐队", "一千赫兹 MP3", "text"}));
    // Saved after every change, in order, duplicates kept.
    EXPECT_EQ(paths(saved()), paths(m_items));
    EXPECT_EQ(saved().value(1).title, "01");
    // Without the tag reader every title is the file name's.
    TagReaderBinding::setLibraryPath(file("missing.so"));
    m_manager.AddFiles({tagged}, true);
    EXPECT_EQ(m_items.last().title, "tone1k");
    // Files that cannot be opened are listed but do not play.
    EXPECT_FALSE(m_playback.PlayIndex(2, 1));
    EXPECT_FALSE(m_playback.PlayIndex(3, 1));
    EXPECT_FALSE(m_playback.isPlaying());
}

TEST_F(PlayListManagerTest, DropsTakeExactExtensionsAndFoldersInNameOrder) {
    for (const char* name :
         {"drop/b.mp3", "drop/A.MP3", "drop/README", "drop/notes.txt", "drop/a.b/Song.mp3",
          "drop/a.b/z/deep.ogg", "drop/c.flac", "drop/.hidden.ape", "other.wma"})
        write(name, "x");
    QFile::link(file("drop"), file("drop/a.b/loop"));  // a link back up is not followed
    const QList<QUrl> urls = {
        QUrl::fromLocalFile(file("other.wma")), QUrl::fromLocalFile(file("drop")),
        QUrl::fromLocalFile(file("drop/A.MP3")), QUrl("http://example.org/x.mp3")};
    m_manager.AddDroppedFiles(urls);
    const QString d = file("drop/");
    EXPECT_EQ(paths(m_items), (QStringList{file("other.wma"), d + ".hidden.ape", d + "a.b/Song.mp3",
                                           d + "a.b/z/deep.ogg", d + "b.mp3", d + "c.flac"}));
    // A hand-over takes any file name; folders are expanded the same way.
    EXPECT_EQ(PlayListManager::ExpandPath(file("drop/A.MP3"), false),
              QStringList{file("drop/A.MP3")});
    EXPECT_EQ(PlayListManager::ExpandPath(file("drop/a.b"), false).size(), 2);
}

TEST_F(PlayListManagerTest, HandOverAppendsInOrderAndPlaysTheFirstThenClearAndRestore) {
    m_manager.AddFiles({media("tone8k.flac")}, true);
    m_view.take();
    EXPECT_FALSE(m_manager.OpenHandedOverFiles({QString(), QString()}));
    EXPECT_EQ(m_items.size(), 1);
    write("hand/2.ogg", read(media("tone1k.ogg")));
    write("hand/1.mp3", read(media("tone1k.mp3")));
    EXPECT_TRUE(m_manager.OpenHandedOverFiles({media("stereo.flac"), QString(), file("hand")}));
    EXPECT_EQ(paths(m_items), (QStringList{media("tone8k.flac"), media("stereo.flac"),
                                           file("hand/1.mp3"), file("hand/2.ogg")}));
    EXPECT_TRUE(m_playback.isPlaying());
    EXPECT_EQ(m_playback.currentIndex(), 1);
    EXPECT_EQ(m_view.take(), (QStringList{"stop", "mark 1 1", "start 左一千右三千"}));
    EXPECT_EQ(paths(saved()), paths(m_items));

    // The next start restores the last played entry (an exact path match), else nothing.
    for (const QString& last : {media("stereo.flac"), media("STEREO.flac"), QString()}) {
        SCOPED_TRACE(qPrintable(last));
        StoreBinding::WriteConfigValue("lastplayfile", last);
        QList<tagFileListInfo> items;
        Playback playback(&items, nullptr);
        playback.setApi(m_api);
        PlayListManager next(items, playback, nullptr);
        next.LoadPlayListAtStart();
        EXPECT_EQ(next.RestoreLastPlayed(), last == media("stereo.flac"));
        EXPECT_EQ(playback.currentIndex(), last == media("stereo.flac") ? 1 : 0);
        if (playback.isPlaying()) {
            EXPECT_TRUE(playback.Next());  // goes on after the restored entry
            EXPECT_EQ(playback.currentPath(), file("hand/1.mp3"));
        }
    }

    m_manager.ClearPlayList();
    EXPECT_FALSE(m_playback.isPlaying());
    EXPECT_TRUE(m_items.isEmpty() && m_playback.currentPath().isEmpty());
    EXPECT_TRUE(saved().isEmpty());
    EXPECT_TRUE(QFile::exists(file("playlist.xml")));
}

TEST_F(PlayListManagerTest, ManyFilesArriveInChunksInOrderWithProgress) {
    QStringList files;
    for (int i = 0; i < PlayListManager::kChunk + 44; ++i) {
        files << file(QStringLiteral("many/%1.mp3").arg(i, 3, 10, QLatin1Char('0')));
        write(files.last(), "not audio");
    }
    EXPECT_EQ(m_manager.AddFiles(files, true), files.size());
    EXPECT_EQ(paths(m_items), files);
    EXPECT_EQ(m_items.value(299).title, "299");
    EXPECT_EQ(m_view.progress, (QStringList{"0/300", "256/300"}));
}

}  // namespace

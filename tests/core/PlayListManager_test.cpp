// The play list's operations on real files, the real tag reader and the real store, rows removed
// and moved while a song plays included.

#include "core/PlayListManager.h"
#include "CoreTestSupport.h"

namespace {

class PlayListManagerTest : public CoreFixture {
protected:
    // The paths of the entries, or their titles.
    static QStringList column(const QList<tagFileListInfo>& items, bool titles = false) {
        QStringList out;
        for (const tagFileListInfo& e : items) out << (titles ? e.title : e.path);
        return out;
    }
    QList<tagFileListInfo> saved() const {
        QList<tagFileListInfo> items;
        StoreBinding::LoadPlayList(&items);
        return items;
    }

    PlayListManager m_manager{m_items, m_playback, &m_view};
};

TEST_F(PlayListManagerTest, TitlesPerSourceOrFromTheFileName) {
    write("01.Intro.mp3", read(media("broken/rate-change.mp3")));  // audio without a tag
    const QString tagged = media("tone1k.mp3"), text = media("broken/text.mp3");
    const QStringList files = {tagged, file("01.Intro.mp3"), text, media("broken/empty.mp3"),
                               tagged};
    // Dialog and drops: "title - artist"; single files and hand-overs: the title alone.
    EXPECT_EQ(m_manager.AddFiles(files, true), 5);
    m_manager.AddFileToList(tagged);
    m_manager.AddFileToList(text);
    m_manager.AddFileToList(QString());  // nothing to add
    EXPECT_EQ(column(m_items, true),
              (QStringList{"一千赫兹 MP3 - 欧沃测试乐队", "01", "text", "empty",
                           "一千赫兹 MP3 - 欧沃测试乐队", "一千赫兹 MP3", "text"}));
    // Saved after every change, in order, duplicates kept.
    EXPECT_EQ(column(saved()), column(m_items));
    EXPECT_EQ(saved().value(1).title, "01");
    // Without the tag reader every title is the file name's.
    TagReaderBinding::setLibraryPath(file("missing.so"));
    m_manager.AddFiles({tagged}, true);
    EXPECT_EQ(m_items.last().title, "tone1k");
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
    EXPECT_EQ(column(m_items),
              (QStringList{file("other.wma"), d + ".hidden.ape", d + "a.b/Song.mp3",
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
    EXPECT_EQ(column(m_items), (QStringList{media("tone8k.flac"), media("stereo.flac"),
                                            file("hand/1.mp3"), file("hand/2.ogg")}));
    EXPECT_EQ(m_view.take(), (QStringList{"stop", "mark 1 1", "start 左一千右三千"}));
    EXPECT_EQ(column(saved()), column(m_items));

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
    EXPECT_EQ(column(m_items), files);
    EXPECT_EQ(m_items.value(299).title, "299");
    EXPECT_EQ(m_view.progress, (QStringList{"0/300", "256/300"}));
}

// Removing and moving rows while a song plays: the list, playlist.xml, the song and where the
// window is told its row went (which carries the playing mark).
TEST_F(PlayListManagerTest, RowsMoveAndGoAroundThePlayingSongWhichStopsOnlyWhenRemoved) {
    const QStringList files = {media("tone1k.mp3"), media("tone1k.ogg"), media("tone1k.flac"),
                               media("tone8k.flac"), media("stereo.flac")};
    const struct {
        const char* what;
        bool remove;
        QList<int> rows;
        int before;
        int playing;        // the row playing before the edit
        const char* order;  // the list after it
        int current;        // the current row after it; the playing song's unless it was removed
    } edits[] = {
        {"remove around it", true, {0, 3}, 0, 2, "BCE", 1},
        {"move across it", false, {0, 1}, 4, 2, "CDABE", 0},
        {"move it up", false, {4, 2}, 1, 2, "ACEBD", 1},
        {"move to the end", false, {1, 3}, 5, 1, "ACEBD", 3},
        {"remove it: the next row becomes current", true, {2, 4}, 0, 2, "ABD", 2},
        {"remove all", true, {4, 3, 2, 1, 0}, 0, 0, "", 0},
        {"rows out of range and repeated ignored", true, {-1, 7, 1, 1}, 0, 2, "ACDE", 1},
        {"gap out of range", false, {0}, 6, 2, "ABCDE", 2},
        {"gap within the moved rows", false, {1, 2}, 2, 2, "ABCDE", 2},
        {"no row in range", true, {5, -2}, 0, 0, "ABCDE", 0},
    };
    for (const auto& e : edits) {
        SCOPED_TRACE(e.what);
        m_items.clear();
        for (int i = 0; i < files.size(); ++i) m_items.append({QString(QChar('A' + i)), files[i]});
        ASSERT_TRUE(m_playback.PlayIndex(e.playing, 1));
        const OrvoAudio::Handle stream = m_playback.stream();
        QFile::remove(file("playlist.xml"));
        m_view.take();
        m_view.rearranged.clear();

        const bool changed =
            e.remove ? m_manager.RemoveRows(e.rows) : m_manager.MoveRows(e.rows, e.before);
        EXPECT_EQ(column(m_items, true).join(""), e.order);
        EXPECT_EQ(changed, column(m_items, true).join("") != "ABCDE");
        // Saved exactly when something changed.
        EXPECT_EQ(QFile::exists(file("playlist.xml")), changed);
        EXPECT_EQ(column(saved(), true).join(""), changed ? e.order : "");
        ASSERT_EQ(m_view.rearranged.size(), changed ? 1 : 0);
        EXPECT_EQ(m_playback.currentIndex(), e.current);
        // The same stream goes on, not started anew, and the mark goes where its row went.
        const bool kept = QString(e.order).contains(QChar('A' + e.playing));
        EXPECT_EQ(m_playback.isPlaying(), kept);
        EXPECT_EQ(m_playback.currentPath(), kept ? files[e.playing] : QString());
        EXPECT_TRUE(!kept || m_playback.stream() == stream);
        EXPECT_EQ(changed ? m_view.rearranged[0][e.playing] : e.current, kept ? e.current : -1);
        EXPECT_EQ(m_view.take(), kept ? QStringList{} : QStringList{"stop"});
    }
}

}  // namespace

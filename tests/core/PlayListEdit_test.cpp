// Removing and moving rows of the play list while a song plays: the list, playlist.xml, the song
// and where the window is told its row went (which carries the playing mark).

#include "core/PlayListEdit.h"
#include "CoreTestSupport.h"
#include "core/PlayListManager.h"
#include "core/Playback.h"

namespace {

class PlayListEditTest : public CoreFixture {
protected:
    static QString letters(const QList<tagFileListInfo>& items) {
        QString out;
        for (const tagFileListInfo& e : items) out += e.title;
        return out;
    }

    QList<tagFileListInfo> m_items;
    Playback m_playback{&m_items, &m_view};
    PlayListManager m_manager{m_items, m_playback, &m_view};
};

TEST_F(PlayListEditTest, RowsMoveAndGoAroundThePlayingSongWhichStopsOnlyWhenRemoved) {
    m_playback.setApi(m_api);
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
        EXPECT_EQ(letters(m_items), e.order);
        EXPECT_EQ(changed, letters(m_items) != "ABCDE");
        // Saved exactly when something changed.
        EXPECT_EQ(QFile::exists(file("playlist.xml")), changed);
        QList<tagFileListInfo> saved;
        StoreBinding::LoadPlayList(&saved);
        EXPECT_EQ(letters(saved), changed ? e.order : "");
        ASSERT_EQ(m_view.rearranged.size(), changed ? 1 : 0);
        EXPECT_EQ(m_playback.currentIndex(), e.current);
        if (!QString(e.order).contains(QChar('A' + e.playing))) {
            EXPECT_FALSE(m_playback.isPlaying());
            EXPECT_EQ(m_view.rearranged[0][e.playing], -1);  // the mark goes with the row
            EXPECT_EQ(m_playback.currentPath(), QString());
            EXPECT_EQ(m_view.take(), QStringList{"stop"});
            continue;
        }
        // Still the same stream, not started anew, and its mark where its row went.
        EXPECT_TRUE(m_playback.isPlaying());
        EXPECT_EQ(m_playback.stream(), stream);
        EXPECT_EQ(m_playback.currentPath(), files[e.playing]);
        EXPECT_EQ(changed ? m_view.rearranged[0][e.playing] : e.current, e.current);
        EXPECT_EQ(m_view.take(), QStringList{});
    }
}

}  // namespace

#pragma once
// Player core tests: the real audio library (fast null output), tag reader and store from the
// build, generated media, a private data folder, and a view recording what the window is told.

#include "core/AudioLibrary.h"
#include "core/Playback.h"
#include "core/PlayerView.h"
#include "core/StoreBinding.h"
#include "core/TagReaderBinding.h"
#include "tests/store/DataDirFixture.h"

#include <QtCore/qtestsupport_core.h>

class RecordingView : public PlayerView {
public:
    void SongStarted(const QString& title) override { events << QStringLiteral("start ") + title; }
    void SongStopped() override { events << QStringLiteral("stop"); }
    void RowMarked(int row, int flag) override {
        events << QStringLiteral("mark %1 %2").arg(row).arg(flag);
    }
    void ListChanged(bool) override {}
    void RowsRearranged(const QList<int>& newIndexOf) override { rearranged << newIndexOf; }
    void AddingProgress(bool busy, int done, int total) override {
        if (busy) progress << QStringLiteral("%1/%2").arg(done).arg(total);
    }
    // The events since the last call.
    QStringList take() { return std::exchange(events, {}); }

    QStringList events;
    QStringList progress;
    QList<QList<int>> rearranged;
};

class CoreFixture : public DataDirFixture {
protected:
    void SetUp() override {
        DataDirFixture::SetUp();
        if (media().isEmpty()) GTEST_SKIP() << "ORVO_TEST_MEDIA is not set";
        // The delivered config plus the sound effect's key, which the store only replaces.
        QByteArray config = read(ORVO_SOURCE_DIR "/config.xml");
        if (!config.contains("soundeffect")) config += "\n<soundeffect value=\"0\" />\n";
        write("config.xml", config);
        StoreBinding::setLibraryPath(ORVO_OUT_DIR "/libOrvo_XMLCtrl.so");
        TagReaderBinding::setLibraryPath(ORVO_OUT_DIR "/libOrvo_MusicTags.so");
        AudioLibrary::setLibraryPath(ORVO_OUT_DIR "/libOrvo_Audio.so");
        qputenv("ORVO_AUDIO_OUTPUT", "null");
        qputenv("ORVO_AUDIO_SPEED", "20");
        m_api = AudioLibrary::api();
        ASSERT_TRUE(m_api && m_api->init(-1, 44100));
        m_playback.setApi(m_api);
    }
    void TearDown() override {
        if (m_api) m_api->free();
        DataDirFixture::TearDown();
    }
    static QString media(const QString& name = QString()) {
        const QString dir = qEnvironmentVariable("ORVO_TEST_MEDIA");
        return dir.isEmpty() || name.isEmpty() ? dir : dir + u'/' + name;
    }
    const OrvoAudio::Api* m_api = nullptr;
    RecordingView m_view;
    QList<tagFileListInfo> m_items;
    Playback m_playback{&m_items, &m_view};
};

// Playback on the real audio library (fast null output) and, for the progress and seek arithmetic
// that real files cannot provoke on demand, on a scripted table of the same interface.

#include "CoreTestSupport.h"

namespace {

class PlaybackTest : public CoreFixture {
protected:
    void SetUp() override {
        CoreFixture::SetUp();
        if (IsSkipped()) return;
        for (const char* name : {"tone1k.flac", "tone8k.flac", "stereo.flac"})
            m_items.append({QString::fromLatin1(name).section('.', 0, 0), media(name)});
    }
};

TEST_F(PlaybackTest, EndOfTheLastSongStopsOrWrapsToTheFirstWithListLoop) {
    for (bool loop : {false, true}) {
        SCOPED_TRACE(loop);
        m_playback.setLoop(loop);
        ASSERT_TRUE(m_playback.PlayIndex(2, 1));
        EXPECT_EQ(m_view.take(), (QStringList{"stop", "mark 2 1", "start stereo"}));
        Playback::Progress p;  // timer 1 ticks until the song ends
        EXPECT_TRUE(QTest::qWaitFor([&] { return (p = m_playback.OnProgressTimer(200)).ended; }));
        EXPECT_EQ(p.advanced, loop);
        EXPECT_EQ(m_playback.isPlaying(), loop);
        const QStringList wrapped = {"stop", "stop", "mark 0 1", "start tone1k"};
        EXPECT_EQ(m_view.take(), loop ? wrapped : QStringList{"stop"});
        EXPECT_EQ(m_playback.currentIndex(), loop ? 0 : 2);
        m_playback.Stop();
        m_view.take();
    }
}

TEST_F(PlaybackTest, NextWrapsPreviousStaysAtTheFirstAndThePlayButtonPlaysTheListedEntry) {
    // Nothing chosen yet: the play button plays the entry at the current index.
    m_playback.SetCurrent(QString(), QString(), 1);
    EXPECT_TRUE(m_playback.PlayCurrent());
    EXPECT_EQ(m_view.take(), (QStringList{"mark 1 1", "start tone8k"}));
    // Pressed again while playing, it stops and clears the mark.
    EXPECT_FALSE(m_playback.PlayCurrent());
    EXPECT_EQ(m_view.take(), (QStringList{"mark -1 1", "stop"}));
    const std::pair<bool (Playback::*)(), int> steps[] = {{&Playback::Next, 2},
                                                          {&Playback::Next, 0},
                                                          {&Playback::Previous, 0},
                                                          {&Playback::Next, 1},
                                                          {&Playback::Previous, 0}};
    for (const auto& [step, index] : steps) {
        EXPECT_TRUE((m_playback.*step)());
        EXPECT_EQ(m_playback.currentIndex(), index);
        EXPECT_EQ(m_playback.currentPath(), m_items[index].path);
    }
    EXPECT_EQ(m_view.take().mid(0, 3), (QStringList{"stop", "mark 2 1", "start stereo"}));
    // An empty list plays nothing; a file that cannot be opened changes nothing.
    m_items.clear();
    EXPECT_FALSE(m_playback.Next());
    EXPECT_FALSE(m_playback.isPlaying());
    EXPECT_FALSE(m_playback.PlayFile(media("broken/text.mp3")));
    EXPECT_FALSE(m_playback.PlayFile(media("broken/empty.mp3")));
    EXPECT_EQ(m_view.take(), QStringList{"stop"});
}

TEST_F(PlaybackTest, MutedAtStartThenUnmutedAndEffectKeptForTheNextSong) {
    m_playback.SetVolume(20, 41);
    m_playback.SetMuted(true);
    m_playback.SetSoundEffect(5);
    ASSERT_TRUE(m_playback.PlayIndex(0, 1));
    EXPECT_EQ(m_api->channelGetVolume(m_playback.stream()), 0.0f);
    m_playback.SetVolume(41, 41);  // kept in the slider only while muted
    EXPECT_EQ(m_api->channelGetVolume(m_playback.stream()), 0.0f);
    m_playback.SetVolume(20, 41);
    m_playback.ToggleMute();
    EXPECT_FLOAT_EQ(m_api->channelGetVolume(m_playback.stream()), 20.0f / 41.0f);

    const auto gains = [&] {
        std::array<float, Playback::kBandCount> g{};
        for (int band = 0; band < Playback::kBandCount; ++band) {
            OrvoAudio::ParamEq eq;
            EXPECT_TRUE(m_api->fxGetParameters(m_playback.effectHandle(band), &eq));
            EXPECT_EQ(eq.centerHz, Playback::kBandCentresHz[band]);
            EXPECT_EQ(eq.bandwidthSemitones, 12.0f);
            g[band] = eq.gainDb;
        }
        return g;
    };
    const std::array<float, 10> electronic = {-6, 1, 4, -2, -2, -4, 0, 0, 6, 6};
    EXPECT_EQ(gains(), electronic);
    const OrvoAudio::Handle first = m_playback.stream();
    ASSERT_TRUE(m_playback.Next());
    EXPECT_NE(m_playback.stream(), first);
    EXPECT_EQ(gains(), electronic);
    EXPECT_FLOAT_EQ(m_api->channelGetVolume(m_playback.stream()), 20.0f / 41.0f);
    // The settings page's message: "原音" is (1, -1), the others (0, choice - 1).
    for (const auto& [w, l, choice] :
         {std::tuple{1, -1, 0}, {0, 0, 1}, {0, 4, 5}, {0, 5, -1}, {0, -1, -1}})
        EXPECT_EQ(Playback::EffectFromMessage(w, l), choice) << w << " " << l;
    m_playback.SetSoundEffect(-1);  // ignored
    m_playback.SetSoundEffect(Playback::EffectFromMessage(1, -1));
    EXPECT_EQ(gains(), (std::array<float, 10>{}));
}

// A scripted stream: length and position in bytes (1 byte = 1 ms), activity.
namespace scripted {
std::int64_t length = 0, position = 0;
OrvoAudio::Activity activity = OrvoAudio::Activity::Playing;
OrvoAudio::Api table() {
    using H = OrvoAudio::Handle;
    OrvoAudio::Api api{};
    api.streamCreateFileUtf16 = [](const std::u16string&, std::uint64_t, std::uint64_t) -> H {
        return 7;
    };
    api.streamFree = api.channelStop = [](H) { return true; };
    api.channelPlay = [](H, bool) { return true; };
    api.channelIsActive = [](H) { return activity; };
    api.channelGetLength = [](H) { return length; };
    api.channelGetPosition = [](H) { return position; };
    api.channelBytes2Seconds = [](H, std::int64_t bytes) { return bytes / 1000.0; };
    api.channelSetFxParamEq = [](H) -> H { return 0; };
    api.channelSetVolume = [](H, float) { return true; };
    api.channelSeconds2Bytes = [](H, double s) { return std::int64_t(s * 1000); };
    api.channelSetPosition = [](H, std::int64_t bytes) { return (position = bytes), true; };
    return api;
}
}  // namespace scripted

TEST(PlaybackProgressTest, SliderLabelsAndSeekForUnknownShortAndLongLengths) {
    const OrvoAudio::Api api = scripted::table();
    Playback playback(nullptr, nullptr);
    playback.setApi(&api);
    struct Case {
        std::int64_t lengthMs, positionMs;
        int slider;
        qint64 total, elapsed;
    };
    const Case cases[] = {
        {0, 5500, 0, 0, 5},               // unknown length: the time runs, the slider stays
        {500, 300, 0, 0, 0},              // under a second: no division by a zero duration
        {100000, 50000, 100, 100, 50},    // half way
        {100000, 130000, 200, 100, 130},  // decoded past the promised length: held at the end
        {3725000, 3725000, 200, 3725, 3725},
    };
    for (const Case& c : cases) {
        scripted::length = c.lengthMs;
        scripted::position = c.positionMs;
        ASSERT_TRUE(playback.PlayFile("/x.mp3"));
        const Playback::Progress p = playback.OnProgressTimer(200);
        EXPECT_EQ((std::tuple{p.sliderValue, p.durationSeconds, p.elapsedSeconds, p.ended}),
                  (std::tuple{c.slider, c.total, c.elapsed, false}))
            << c.lengthMs << " " << c.positionMs;
    }
    // A seek goes to the slider's share of the song.
    scripted::length = 40000;
    playback.PlayFile("/x.mp3");
    playback.Seek(250, 400);
    EXPECT_EQ(scripted::position, 25000);
    // The decoder found the real end: the length shrinks at the next tick, the end follows.
    scripted::length = 327000;
    scripted::position = 1000;
    playback.PlayFile("/x.mp3");
    EXPECT_EQ(playback.OnProgressTimer(200).durationSeconds, 327);
    scripted::length = 2000;
    EXPECT_EQ(playback.OnProgressTimer(200).durationSeconds, 2);
    scripted::activity = OrvoAudio::Activity::Stopped;
    EXPECT_TRUE(playback.OnProgressTimer(200).ended);
    EXPECT_FALSE(playback.isPlaying());
    scripted::activity = OrvoAudio::Activity::Playing;

    QStringList times;
    for (qint64 s : {0, 9, 59, 60, 600, 3725, -3}) times << Playback::FormatTime(s);
    EXPECT_EQ(times.join(' '), "00:00 00:09 00:59 01:00 10:00 62:05 00:00");
}

}  // namespace

// The handle interface: life cycle, unknown handles, threads, byte windows, broken files and
// concurrent use.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>

#include "AudioTestSupport.h"

using namespace OrvoAudioTest;
using namespace OrvoAudio;
using ::testing::Each;

namespace {

constexpr std::int64_t kToneBytes = 3LL * kRate * 8;  // the three-second tones

using EngineTest = MediaTest;

TEST_F(EngineTest, InitOnceAndFreeAlwaysSafe) {
    OrvoAudio::free();  // not initialised: nothing happens
    EXPECT_EQ(outputKind(), OutputKind::None);
    EXPECT_EQ(outputRate(), 0);
    // Streams without an output report their length but do not play.
    const Handle h = streamCreateFile(media("tone1k.ape"));
    ASSERT_NE(h, 0u);
    EXPECT_EQ(channelGetLength(h), kToneBytes);
    EXPECT_FALSE(channelPlay(h));
    EXPECT_TRUE(streamFree(h));

    EXPECT_FALSE(init(-1, 0));
    ASSERT_TRUE(init(-1, 48000));
    EXPECT_FALSE(init(-1, 44100));
    EXPECT_EQ(outputKind(), OutputKind::Null);
    EXPECT_EQ(outputRate(), 48000);
    OrvoAudio::free();
    OrvoAudio::free();
    EXPECT_TRUE(init(0, 44100));  // device 0: no sound, the null output
    EXPECT_EQ(outputKind(), OutputKind::Null);
}

TEST_F(EngineTest, ActivityAcrossPlayStopAndEnd) {
    ASSERT_TRUE(init(-1, kRate));
    const Handle h = streamCreateFile(media("tone1k.ogg"));
    ASSERT_NE(h, 0u);
    EXPECT_EQ(channelIsActive(h), Activity::Stopped);
    EXPECT_EQ(channelGetPosition(h), 0);
    ASSERT_TRUE(channelPlay(h));
    EXPECT_NE(channelIsActive(h), Activity::Stopped);
    ASSERT_TRUE(waitFor([&] { return channelGetPosition(h) > 8 * kRate / 2; }));

    ASSERT_TRUE(channelStop(h));
    EXPECT_EQ(channelIsActive(h), Activity::Stopped);
    std::this_thread::sleep_for(20ms);
    const std::int64_t paused = channelGetPosition(h);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(channelGetPosition(h), paused);  // stopped means no progress

    ASSERT_TRUE(channelPlay(h));  // resumes
    ASSERT_TRUE(waitStopped(h));
    const std::int64_t end = channelGetPosition(h);
    EXPECT_NEAR(channelBytes2Seconds(h, end), 3.0, 0.01);

    ASSERT_TRUE(channelPlay(h, true));  // restart from the beginning
    ASSERT_TRUE(waitFor([&] { return channelGetPosition(h) < end; }));
    EXPECT_NE(channelIsActive(h), Activity::Stopped);
}

TEST_F(EngineTest, AttributesEffectsAndDeadHandles) {
    ASSERT_TRUE(init(-1, kRate));
    const Handle h = streamCreateFile(media("tone1k.flac"));
    ASSERT_NE(h, 0u);
    EXPECT_DOUBLE_EQ(channelBytes2Seconds(h, 8LL * kRate), 1.0);
    EXPECT_EQ(channelSeconds2Bytes(h, 2.0), 2LL * kRate * 8);
    EXPECT_FALSE(channelSetPosition(h, kToneBytes + 8LL * kRate));  // beyond the end
    EXPECT_FALSE(channelSetPosition(h, -8));
    const std::pair<float, float> volumes[] = {{2.0f, 1.0f}, {-1.0f, 0.0f}, {0.25f, 0.25f}};
    for (const auto& [set, clamped] : volumes) {
        EXPECT_TRUE(channelSetVolume(h, set));
        EXPECT_EQ(channelGetVolume(h), clamped) << set;
    }
    // The filter's own limits and refusals are PeakingEq's tests.
    const Handle removed = channelSetFxParamEq(h);
    ParamEq p;
    ASSERT_TRUE(fxSetParameters(removed, {31.0f, 12.0f, 6.0f}));
    ASSERT_TRUE(fxGetParameters(removed, &p));
    EXPECT_EQ(p.centerHz, 31.0f);
    EXPECT_EQ(p.gainDb, 6.0f);
    EXPECT_FALSE(channelRemoveFx(h + 1000, removed));
    EXPECT_TRUE(channelRemoveFx(h, removed));
    EXPECT_FALSE(fxGetParameters(removed, &p));

    // A stream freed while playing, handle 0 and a handle never given out do nothing.
    const Handle fx = channelSetFxParamEq(h);
    ASSERT_NE(fx, 0u);
    ASSERT_TRUE(channelPlay(h));
    ASSERT_TRUE(streamFree(h));
    for (Handle bad : {h, Handle{0}, Handle{987654}}) {
        SCOPED_TRACE(bad);
        EXPECT_THAT((std::array{streamFree(bad), channelPlay(bad), channelStop(bad),
                                channelSetPosition(bad, 0), channelSetVolume(bad, 0.5f)}),
                    Each(false));
        EXPECT_THAT((std::array{channelGetLength(bad), channelGetPosition(bad),
                                channelSeconds2Bytes(bad, 1.0)}),
                    Each(-1));
        EXPECT_EQ(channelIsActive(bad), Activity::Stopped);
        EXPECT_LT(channelBytes2Seconds(bad, 8), 0.0);
        EXPECT_EQ(channelGetVolume(bad), -1.0f);
        EXPECT_EQ(channelSetFxParamEq(bad), 0u);
        EXPECT_EQ(streamSourcePath(bad), "");
    }
    EXPECT_FALSE(fxSetParameters(fx, p));  // freed with its stream
    EXPECT_FALSE(fxGetParameters(fx, &p));
    // Handles are never reused, even after free() and a new init().
    OrvoAudio::free();
    ASSERT_TRUE(init(-1, kRate));
    EXPECT_GT(streamCreateFile(media("tone1k.mp3")), fx);
}

TEST_F(EngineTest, WidePathAndByteWindow) {
    ASSERT_TRUE(init(-1, kRate));
    const std::string dir = mediaDir();
    const Handle h = streamCreateFile(std::u16string(dir.begin(), dir.end()) +
                                      u"/中文歌曲.mp3");  // an ASCII folder
    ASSERT_NE(h, 0u);
    EXPECT_EQ(streamSourcePath(h), media("中文歌曲.mp3"));

    // A FLAC file behind 1000 bytes of something else, opened by offset and length.
    std::ifstream in(media("tone1k.flac"), std::ios::binary);
    const std::string flac((std::istreambuf_iterator<char>(in)), {});
    const std::string packed = tempDir() + "/packed.bin";
    std::ofstream(packed, std::ios::binary) << std::string(1000, 'x') << flac << "trailing";
    EXPECT_EQ(streamCreateFile(packed), 0u);
    const Handle inner = streamCreateFile(packed, 1000, flac.size());
    ASSERT_NE(inner, 0u);
    EXPECT_EQ(channelGetLength(inner), kToneBytes);
    ASSERT_TRUE(channelPlay(inner));
    ASSERT_TRUE(waitStopped(inner));
    EXPECT_EQ(channelGetPosition(inner), kToneBytes);
    EXPECT_EQ(streamCreateFile(packed, 1u << 30, 0), 0u);  // window past the end
}

TEST_F(EngineTest, BrokenFilesNeverCrashOrHang) {
    ASSERT_TRUE(init(-1, kRate));
    // Not audio at all: no stream.
    for (const char* name :
         {"empty.mp3", "text.mp3", "text.flac", "header-only.mp3", "none.mp3", ""})
        EXPECT_EQ(streamCreateFile(media(std::string("broken/") + name)), 0u) << name;
    EXPECT_EQ(streamCreateFile(std::string()), 0u);
    // A named pipe would block a plain open() until someone writes to it.
    const std::string fifo = tempDir() + "/pipe.mp3";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(streamCreateFile(fifo), 0u);
    // Damaged audio: refused at open, or plays what decodes and then reports stopped.
    for (const char* name :
         {"truncated.mp3", "truncated.flac", "truncated.ape", "bitflip.mp3", "bitflip.flac",
          "bitflip.ogg", "bitflip.wma", "bitflip.ape", "flac-named.mp3", "mp3-named.ogg"}) {
        SCOPED_TRACE(name);
        const Handle h = streamCreateFile(media(std::string("broken/") + name));
        if (h == 0) continue;
        ASSERT_TRUE(channelPlay(h));
        EXPECT_TRUE(waitStopped(h)) << "did not end";
        EXPECT_LE(channelGetPosition(h), channelGetLength(h) + 8 * 4096);
        channelSetPosition(h, channelSeconds2Bytes(h, 1.0));
        channelPlay(h);
        EXPECT_TRUE(waitStopped(h)) << "did not end after a seek";
        EXPECT_TRUE(streamFree(h));
    }
    // Valid audio under the wrong extension plays in full.
    const Handle named = streamCreateFile(media("broken/flac-named.mp3"));
    ASSERT_NE(named, 0u);
    EXPECT_EQ(channelGetLength(named), kToneBytes);
}

TEST_F(EngineTest, FreeingPlayingStreamsLeavesNoThreads) {
    ASSERT_TRUE(init(-1, kRate));
    const int baseline = threadCount();
    Handle last = 0;
    for (int round = 0; round < 5; ++round) {
        std::vector<Handle> handles;
        for (const char* name : {"tone1k.mp3", "tone1k.flac", "tone1k.ogg", "tone1k.aac",
                                 "tone1k.wma", "tone1k.ape", "tone1k.mp2", "tone1k.mp1"}) {
            const Handle h = streamCreateFile(media(name));
            ASSERT_GT(h, last);  // never reused
            last = h;
            for (int b = 0; b < 10; ++b) channelSetFxParamEq(h);
            ASSERT_TRUE(channelPlay(h));
            handles.push_back(h);
        }
        EXPECT_GE(threadCount(), baseline + 8);  // one decoder thread per playing stream
        std::this_thread::sleep_for(5ms * round);
        for (Handle h : handles) EXPECT_TRUE(streamFree(h));
    }
    EXPECT_TRUE(waitFor([&] { return threadCount() == baseline; }));
    // Opening alone starts no thread.
    streamCreateFile(media("tone1k.mp3"));
    EXPECT_EQ(threadCount(), baseline);
}

TEST_F(EngineTest, ConcurrentCallsFromManyThreads) {
    ASSERT_TRUE(init(-1, kRate));
    std::vector<Handle> handles;
    for (int i = 0; i < 4; ++i) handles.push_back(streamCreateFile(media("tone1k.flac")));
    using Op = std::function<void(Handle, std::mt19937&)>;
    const std::vector<Op> ops = {
        [](Handle h, std::mt19937& rng) { channelPlay(h, rng() % 2); },
        [](Handle h, std::mt19937&) { channelStop(h); },
        [](Handle h, std::mt19937& rng) { channelSetPosition(h, 8 * (rng() % (3 * kRate))); },
        [](Handle h, std::mt19937& rng) { channelSetVolume(h, (rng() % 100) / 100.0f); },
        [](Handle h, std::mt19937& rng) {
            const Handle fx = channelSetFxParamEq(h);
            fxSetParameters(fx, {1000.0f, 12.0f, (rng() % 30) - 15.0f});
            if (rng() % 2) channelRemoveFx(h, fx);
        },
        [](Handle h, std::mt19937&) { channelGetPosition(h); },
        [](Handle h, std::mt19937&) { channelIsActive(h); },
        [](Handle h, std::mt19937& rng) {
            if (rng() % 200 == 0) streamFree(h);  // a stream goes now and then
        },
    };
    std::atomic<bool> stop{false};
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t) {
        workers.emplace_back([&, t] {
            std::mt19937 rng(t);
            while (!stop.load()) ops[rng() % ops.size()](handles[rng() % handles.size()], rng);
        });
    }
    std::this_thread::sleep_for(500ms);
    stop.store(true);
    for (auto& w : workers) w.join();
    OrvoAudio::free();
    for (Handle h : handles) EXPECT_EQ(channelGetLength(h), -1);
}

// Two threads bring the output up and down while a third keeps a stream playing: an init()
// must never start an output while a free() elsewhere still has the old one running (two
// callbacks would read the same rings), and nothing may be used after it was freed.
TEST_F(EngineTest, InitAndFreeRaceWithPlayback) {
    const int baseline = threadCount();
    std::atomic<bool> stop{false};
    std::atomic<int> cycles{0};
    std::atomic<int> played{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < 2; ++t) {
        workers.emplace_back([&] {
            while (!stop.load()) {
                if (init(-1, kRate)) ++cycles;
                std::this_thread::sleep_for(200us);
                OrvoAudio::free();
            }
        });
    }
    workers.emplace_back([&] {
        while (!stop.load()) {
            const Handle h = streamCreateFile(media("tone1k.flac"));
            if (h == 0) continue;
            if (channelPlay(h)) ++played;
            channelSetPosition(h, 8 * kRate);
            channelGetPosition(h);
            streamFree(h);
        }
    });
    EXPECT_TRUE(waitFor([&] { return cycles.load() >= 200 && played.load() >= 20; }, 15000ms));
    stop.store(true);
    for (auto& w : workers) w.join();
    OrvoAudio::free();
    EXPECT_TRUE(waitFor([&] { return threadCount() == baseline; }));
}

// Extended mode: every real-world file under ORVO_CORPUS/audio opens (or is refused), plays to
// its end, seeks and is freed without a crash or a hang.
TEST(CorpusTest, RealWorldFilesPlayOrAreRefused) {
    const char* corpus = std::getenv("ORVO_CORPUS");
    const std::filesystem::path dir = std::string(corpus != nullptr ? corpus : "") + "/audio";
    if (corpus == nullptr || !std::filesystem::is_directory(dir)) GTEST_SKIP() << "no corpus";
    setenv("ORVO_AUDIO_OUTPUT", "null", 1);
    setenv("ORVO_AUDIO_SPEED", "200", 1);  // a few minutes each in real time
    unsetenv("ORVO_AUDIO_CAPTURE");
    ASSERT_TRUE(init(-1, kRate));
    int opened = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string file = entry.path().string();
        SCOPED_TRACE(file);
        const Handle h = streamCreateFile(file);
        if (h == 0) continue;
        ++opened;
        const std::int64_t length = channelGetLength(h);
        EXPECT_GE(length, 0);
        for (int b = 0; b < 10; ++b)
            fxSetParameters(channelSetFxParamEq(h), {1000.0f, 12.0f, 6.0f});
        ASSERT_TRUE(channelPlay(h));
        EXPECT_TRUE(waitStopped(h, 60000ms)) << "did not end";
        if (length > 0) {
            EXPECT_TRUE(channelSetPosition(h, length / 2 / 8 * 8));
            channelPlay(h);
            EXPECT_TRUE(waitStopped(h, 60000ms)) << "no end after seek";
        }
        EXPECT_TRUE(streamFree(h));
    }
    EXPECT_GT(opened, 0);
    OrvoAudio::free();
}

}  // namespace

// The handle interface: life cycle, unknown handles, threads, byte windows, broken files and
// concurrent use.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <thread>
#include <vector>

#include "AudioTestSupport.h"
#include "audio/OrvoAudio.h"

using namespace OrvoAudioTest;
using OrvoAudio::Activity;
using OrvoAudio::Handle;

namespace {

constexpr int kRate = 44100;

// Waits for `pred` up to `limit`; false on timeout.
template <typename Pred>
bool waitFor(Pred pred, std::chrono::milliseconds limit = std::chrono::milliseconds(20000)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (mediaDir().empty()) {
            GTEST_SKIP() << "ORVO_TEST_MEDIA is not set";
        }
        setenv("ORVO_AUDIO_OUTPUT", "null", 1);
        setenv("ORVO_AUDIO_SPEED", "20", 1);
        unsetenv("ORVO_AUDIO_CAPTURE");
    }
    void TearDown() override { OrvoAudio::free(); }
};

TEST_F(EngineTest, InitOnceAndFreeAlwaysSafe) {
    OrvoAudio::free();  // not initialised: nothing happens
    EXPECT_EQ(OrvoAudio::outputKind(), OrvoAudio::OutputKind::None);
    EXPECT_EQ(OrvoAudio::outputRate(), 0);
    EXPECT_FALSE(OrvoAudio::init(-1, 0));
    ASSERT_TRUE(OrvoAudio::init(-1, 48000));
    EXPECT_FALSE(OrvoAudio::init(-1, 44100));
    EXPECT_EQ(OrvoAudio::outputKind(), OrvoAudio::OutputKind::Null);
    EXPECT_EQ(OrvoAudio::outputRate(), 48000);
    OrvoAudio::free();
    OrvoAudio::free();
    EXPECT_TRUE(OrvoAudio::init(0, 44100));  // device 0: no sound, the null output
    EXPECT_EQ(OrvoAudio::outputKind(), OrvoAudio::OutputKind::Null);
}

TEST_F(EngineTest, ActivityAcrossPlayStopAndEnd) {
    ASSERT_TRUE(OrvoAudio::init(-1, kRate));
    const Handle h = OrvoAudio::streamCreateFile(media("tone1k.ogg"));
    ASSERT_NE(h, 0u);
    EXPECT_EQ(OrvoAudio::channelIsActive(h), Activity::Stopped);
    EXPECT_EQ(OrvoAudio::channelGetPosition(h), 0);
    ASSERT_TRUE(OrvoAudio::channelPlay(h));
    EXPECT_NE(OrvoAudio::channelIsActive(h), Activity::Stopped);
    ASSERT_TRUE(waitFor([&] { return OrvoAudio::channelGetPosition(h) > 8 * kRate / 2; }));

    ASSERT_TRUE(OrvoAudio::channelStop(h));
    EXPECT_EQ(OrvoAudio::channelIsActive(h), Activity::Stopped);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::int64_t paused = OrvoAudio::channelGetPosition(h);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(OrvoAudio::channelGetPosition(h), paused);  // stopped means no progress

    ASSERT_TRUE(OrvoAudio::channelPlay(h));  // resumes
    ASSERT_TRUE(waitFor([&] { return OrvoAudio::channelIsActive(h) == Activity::Stopped; }));
    const std::int64_t end = OrvoAudio::channelGetPosition(h);
    EXPECT_NEAR(OrvoAudio::channelBytes2Seconds(h, end), 3.0, 0.01);
    EXPECT_EQ(OrvoAudio::channelIsActive(h), Activity::Stopped);

    ASSERT_TRUE(OrvoAudio::channelPlay(h, true));  // restart from the beginning
    ASSERT_TRUE(waitFor([&] { return OrvoAudio::channelGetPosition(h) < end; }));
    EXPECT_NE(OrvoAudio::channelIsActive(h), Activity::Stopped);
}

TEST_F(EngineTest, UnknownAndFreedHandlesDoNothing) {
    ASSERT_TRUE(OrvoAudio::init(-1, kRate));
    const Handle h = OrvoAudio::streamCreateFile(media("tone1k.mp3"));
    ASSERT_NE(h, 0u);
    const Handle fx = OrvoAudio::channelSetFxParamEq(h);
    ASSERT_NE(fx, 0u);
    ASSERT_TRUE(OrvoAudio::channelPlay(h));
    ASSERT_TRUE(OrvoAudio::streamFree(h));

    for (Handle bad : {h, Handle{0}, Handle{987654}}) {
        EXPECT_FALSE(OrvoAudio::streamFree(bad));
        EXPECT_FALSE(OrvoAudio::channelPlay(bad));
        EXPECT_FALSE(OrvoAudio::channelStop(bad));
        EXPECT_EQ(OrvoAudio::channelIsActive(bad), Activity::Stopped);
        EXPECT_EQ(OrvoAudio::channelGetLength(bad), -1);
        EXPECT_EQ(OrvoAudio::channelGetPosition(bad), -1);
        EXPECT_FALSE(OrvoAudio::channelSetPosition(bad, 0));
        EXPECT_LT(OrvoAudio::channelBytes2Seconds(bad, 8), 0.0);
        EXPECT_EQ(OrvoAudio::channelSeconds2Bytes(bad, 1.0), -1);
        EXPECT_FALSE(OrvoAudio::channelSetVolume(bad, 0.5f));
        EXPECT_EQ(OrvoAudio::channelGetVolume(bad), -1.0f);
        EXPECT_EQ(OrvoAudio::channelSetFxParamEq(bad), 0u);
        EXPECT_EQ(OrvoAudio::streamSourcePath(bad), "");
    }
    OrvoAudio::ParamEq p;
    EXPECT_FALSE(OrvoAudio::fxSetParameters(fx, p));  // freed with its stream
    EXPECT_FALSE(OrvoAudio::fxGetParameters(fx, &p));

    // Handles are never reused, even after free() and a new init().
    OrvoAudio::free();
    ASSERT_TRUE(OrvoAudio::init(-1, kRate));
    const Handle again = OrvoAudio::streamCreateFile(media("tone1k.mp3"));
    EXPECT_GT(again, fx);
}

TEST_F(EngineTest, StreamAttributesAndEffects) {
    ASSERT_TRUE(OrvoAudio::init(-1, kRate));
    const Handle h = OrvoAudio::streamCreateFile(media("tone1k.flac"));
    ASSERT_NE(h, 0u);
    EXPECT_EQ(OrvoAudio::streamSourcePath(h), media("tone1k.flac"));
    EXPECT_EQ(OrvoAudio::channelGetLength(h), 3LL * kRate * 8);
    EXPECT_DOUBLE_EQ(OrvoAudio::channelBytes2Seconds(h, 8LL * kRate), 1.0);
    EXPECT_EQ(OrvoAudio::channelSeconds2Bytes(h, 2.0), 2LL * kRate * 8);
    EXPECT_FALSE(OrvoAudio::channelSetPosition(h, 4LL * kRate * 8));  // beyond the end
    EXPECT_FALSE(OrvoAudio::channelSetPosition(h, -8));

    EXPECT_EQ(OrvoAudio::channelGetVolume(h), 1.0f);
    EXPECT_TRUE(OrvoAudio::channelSetVolume(h, 2.0f));
    EXPECT_EQ(OrvoAudio::channelGetVolume(h), 1.0f);  // clamped
    EXPECT_TRUE(OrvoAudio::channelSetVolume(h, -1.0f));
    EXPECT_EQ(OrvoAudio::channelGetVolume(h), 0.0f);

    const Handle fx = OrvoAudio::channelSetFxParamEq(h);
    ASSERT_NE(fx, 0u);
    OrvoAudio::ParamEq p;
    ASSERT_TRUE(OrvoAudio::fxGetParameters(fx, &p));
    EXPECT_EQ(p.gainDb, 0.0f);  // a new effect is flat
    ASSERT_TRUE(OrvoAudio::fxSetParameters(fx, {31.0f, 12.0f, 40.0f}));
    ASSERT_TRUE(OrvoAudio::fxGetParameters(fx, &p));
    EXPECT_EQ(p.centerHz, 31.0f);
    EXPECT_EQ(p.gainDb, 15.0f);  // clamped
    EXPECT_FALSE(OrvoAudio::fxSetParameters(fx, {std::nanf(""), 12.0f, 0.0f}));
    EXPECT_FALSE(OrvoAudio::channelRemoveFx(h + 1000, fx));
    EXPECT_TRUE(OrvoAudio::channelRemoveFx(h, fx));
    EXPECT_FALSE(OrvoAudio::fxGetParameters(fx, &p));
}

TEST_F(EngineTest, StreamsWithoutInitReportLengthButDoNotPlay) {
    const Handle h = OrvoAudio::streamCreateFile(media("tone1k.ape"));
    ASSERT_NE(h, 0u);
    EXPECT_EQ(OrvoAudio::channelGetLength(h), 3LL * kRate * 8);
    EXPECT_FALSE(OrvoAudio::channelPlay(h));
    EXPECT_TRUE(OrvoAudio::streamFree(h));
}

TEST_F(EngineTest, WidePathAndByteWindow) {
    ASSERT_TRUE(OrvoAudio::init(-1, kRate));
    const std::u16string wide = u"/中文歌曲.mp3";
    const std::string dir = mediaDir();
    const std::u16string path(dir.begin(), dir.end());  // an ASCII folder
    const Handle h = OrvoAudio::streamCreateFile(path + wide);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(OrvoAudio::streamSourcePath(h), media("中文歌曲.mp3"));

    // A FLAC file behind 1000 bytes of something else, opened by offset and length.
    std::ifstream in(media("tone1k.flac"), std::ios::binary);
    const std::string flac((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string packed = tempDir() + "/packed.bin";
    std::ofstream(packed, std::ios::binary) << std::string(1000, 'x') << flac << "trailing";
    EXPECT_EQ(OrvoAudio::streamCreateFile(packed), 0u);
    const Handle inner = OrvoAudio::streamCreateFile(packed, 1000, flac.size());
    ASSERT_NE(inner, 0u);
    EXPECT_EQ(OrvoAudio::channelGetLength(inner), 3LL * kRate * 8);
    ASSERT_TRUE(OrvoAudio::channelPlay(inner));
    ASSERT_TRUE(waitFor([&] { return OrvoAudio::channelIsActive(inner) == Activity::Stopped; }));
    EXPECT_EQ(OrvoAudio::channelGetPosition(inner), 3LL * kRate * 8);
    EXPECT_EQ(OrvoAudio::streamCreateFile(packed, 1u << 30, 0), 0u);  // window past the end
    std::remove(packed.c_str());
}

TEST_F(EngineTest, BrokenFilesNeverCrashOrHang) {
    ASSERT_TRUE(OrvoAudio::init(-1, kRate));
    // Not audio at all: no stream.
    for (const char* name : {"broken/empty.mp3", "broken/text.mp3", "broken/text.flac",
                             "broken/header-only.mp3", "no-such-file.mp3", "broken"}) {
        EXPECT_EQ(OrvoAudio::streamCreateFile(media(name)), 0u) << name;
    }
    EXPECT_EQ(OrvoAudio::streamCreateFile(std::string()), 0u);
    // A named pipe would block a plain open() until someone writes to it.
    const std::string fifo = tempDir() + "/pipe.mp3";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(OrvoAudio::streamCreateFile(fifo), 0u);
    unlink(fifo.c_str());
    // Damaged audio: plays what decodes, then reports stopped.
    for (const char* name :
         {"broken/truncated.mp3", "broken/truncated.flac", "broken/truncated.ape",
          "broken/bitflip.mp3", "broken/bitflip.flac", "broken/bitflip.ogg", "broken/bitflip.wma",
          "broken/bitflip.ape", "broken/flac-named.mp3", "broken/mp3-named.ogg"}) {
        const Handle h = OrvoAudio::streamCreateFile(media(name));
        if (h == 0) {
            continue;  // refused at open: also fine
        }
        ASSERT_TRUE(OrvoAudio::channelPlay(h)) << name;
        EXPECT_TRUE(waitFor([&] { return OrvoAudio::channelIsActive(h) == Activity::Stopped; }))
            << name << " did not end";
        EXPECT_LE(OrvoAudio::channelGetPosition(h), OrvoAudio::channelGetLength(h) + 8 * 4096)
            << name;
        // Seeking in a damaged file is safe too.
        OrvoAudio::channelSetPosition(h, OrvoAudio::channelSeconds2Bytes(h, 1.0));
        OrvoAudio::channelPlay(h);
        EXPECT_TRUE(waitFor([&] { return OrvoAudio::channelIsActive(h) == Activity::Stopped; }))
            << name << " did not end after a seek";
        EXPECT_TRUE(OrvoAudio::streamFree(h));
    }
    // Valid audio under the wrong extension plays in full.
    const Handle named = OrvoAudio::streamCreateFile(media("broken/flac-named.mp3"));
    ASSERT_NE(named, 0u);
    EXPECT_EQ(OrvoAudio::channelGetLength(named), 3LL * kRate * 8);
}

TEST_F(EngineTest, FreeingPlayingStreamsLeavesNoThreads) {
    ASSERT_TRUE(OrvoAudio::init(-1, kRate));
    const int baseline = threadCount();
    Handle last = 0;
    for (int round = 0; round < 5; ++round) {
        std::vector<Handle> handles;
        for (const char* name : {"tone1k.mp3", "tone1k.flac", "tone1k.ogg", "tone1k.aac",
                                 "tone1k.wma", "tone1k.ape", "tone1k.mp2", "tone1k.mp1"}) {
            const Handle h = OrvoAudio::streamCreateFile(media(name));
            ASSERT_GT(h, last);  // never reused
            last = h;
            for (int b = 0; b < 10; ++b) {
                OrvoAudio::channelSetFxParamEq(h);
            }
            ASSERT_TRUE(OrvoAudio::channelPlay(h));
            handles.push_back(h);
        }
        EXPECT_GE(threadCount(), baseline + 8);  // one decoder thread per playing stream
        std::this_thread::sleep_for(std::chrono::milliseconds(5 * round));
        for (Handle h : handles) {
            EXPECT_TRUE(OrvoAudio::streamFree(h));
        }
    }
    EXPECT_TRUE(waitFor([&] { return threadCount() == baseline; }));
    // Opening alone starts no thread.
    const Handle idle = OrvoAudio::streamCreateFile(media("tone1k.mp3"));
    EXPECT_EQ(threadCount(), baseline);
    OrvoAudio::streamFree(idle);
}

TEST_F(EngineTest, ConcurrentCallsFromManyThreads) {
    ASSERT_TRUE(OrvoAudio::init(-1, kRate));
    std::vector<Handle> handles;
    for (int i = 0; i < 4; ++i) {
        handles.push_back(OrvoAudio::streamCreateFile(media("tone1k.flac")));
    }
    std::atomic<bool> stop{false};
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t) {
        workers.emplace_back([&, t] {
            std::mt19937 rng(t);
            while (!stop.load()) {
                const Handle h = handles[rng() % handles.size()];
                switch (rng() % 8) {
                    case 0:
                        OrvoAudio::channelPlay(h, rng() % 2);
                        break;
                    case 1:
                        OrvoAudio::channelStop(h);
                        break;
                    case 2:
                        OrvoAudio::channelSetPosition(h, 8 * (rng() % (3 * kRate)));
                        break;
                    case 3:
                        OrvoAudio::channelSetVolume(h, (rng() % 100) / 100.0f);
                        break;
                    case 4: {
                        const Handle fx = OrvoAudio::channelSetFxParamEq(h);
                        OrvoAudio::fxSetParameters(fx, {1000.0f, 12.0f, (rng() % 30) - 15.0f});
                        if (rng() % 2) {
                            OrvoAudio::channelRemoveFx(h, fx);
                        }
                        break;
                    }
                    case 5:
                        OrvoAudio::channelGetPosition(h);
                        break;
                    case 6:
                        OrvoAudio::channelIsActive(h);
                        break;
                    default:
                        if (t == 0 && rng() % 50 == 0) {  // replace a stream now and then
                            const std::size_t at = rng() % handles.size();
                            OrvoAudio::streamFree(handles[at]);
                        }
                        break;
                }
            }
        });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    stop.store(true);
    for (auto& w : workers) {
        w.join();
    }
    OrvoAudio::free();
    for (Handle h : handles) {
        EXPECT_EQ(OrvoAudio::channelGetLength(h), -1);
    }
}

}  // namespace

namespace {

// Extended mode: every real-world file under ORVO_CORPUS/audio opens (or is refused), plays to
// its end, seeks and is freed without a crash or a hang.
TEST(CorpusTest, RealWorldFilesPlayOrAreRefused) {
    const char* corpus = std::getenv("ORVO_CORPUS");
    if (corpus == nullptr || *corpus == '\0') {
        GTEST_SKIP() << "ORVO_CORPUS is not set";
    }
    const std::string dir = std::string(corpus) + "/audio";
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) {
        GTEST_SKIP() << dir << " is absent";
    }
    std::vector<std::string> files;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] != '.') {
            files.push_back(dir + "/" + e->d_name);
        }
    }
    closedir(d);
    setenv("ORVO_AUDIO_OUTPUT", "null", 1);
    setenv("ORVO_AUDIO_SPEED", "200", 1);
    unsetenv("ORVO_AUDIO_CAPTURE");
    ASSERT_TRUE(OrvoAudio::init(-1, kRate));
    int opened = 0;
    for (const std::string& file : files) {
        const Handle h = OrvoAudio::streamCreateFile(file);
        if (h == 0) {
            continue;
        }
        ++opened;
        const std::int64_t length = OrvoAudio::channelGetLength(h);
        EXPECT_GE(length, 0) << file;
        for (int b = 0; b < 10; ++b) {
            OrvoAudio::fxSetParameters(OrvoAudio::channelSetFxParamEq(h), {1000.0f, 12.0f, 6.0f});
        }
        ASSERT_TRUE(OrvoAudio::channelPlay(h)) << file;
        // Real time would be up to a few minutes; at 200x this is well under a second each.
        EXPECT_TRUE(waitFor([&] { return OrvoAudio::channelIsActive(h) == Activity::Stopped; },
                            std::chrono::milliseconds(60000)))
            << file << " did not end";
        if (length > 0) {
            EXPECT_TRUE(OrvoAudio::channelSetPosition(h, length / 2 / 8 * 8)) << file;
            OrvoAudio::channelPlay(h);
            EXPECT_TRUE(waitFor([&] { return OrvoAudio::channelIsActive(h) == Activity::Stopped; },
                                std::chrono::milliseconds(60000)))
                << file << " did not end after a seek";
        }
        EXPECT_TRUE(OrvoAudio::streamFree(h));
    }
    EXPECT_GT(opened, 0);
    OrvoAudio::free();
}

}  // namespace

// The PortAudio output on a real ALSA device: ALSA's null PCM made the default through a
// configuration of the test's own, so it runs on machines without sound hardware.
#include "audio/PortAudioOutput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace {

std::atomic<std::size_t> g_rendered{0};

std::size_t render(void*, float* out, std::size_t frames) {
    std::fill(out, out + 2 * frames, 0.25f);
    g_rendered.fetch_add(frames);
    return frames;
}

// Code mappings of this process from files whose path contains `part`. Only executable ones
// count: a sanitizer's runtime keeps a page of each library it saw loaded for its reports, which
// is not the library being loaded.
int codeMappings(const std::string& part) {
    std::ifstream maps("/proc/self/maps");
    int count = 0;
    for (std::string line; std::getline(maps, line);) {
        const bool executable = line.find(" r-xp ") != std::string::npos;
        count += executable && line.find(part) != std::string::npos ? 1 : 0;
    }
    return count;
}

class PortAudioOutputTest : public testing::Test {
protected:
    void SetUp() override {
        // The system configuration (with every plugin it lists) plus a default device that
        // swallows what it is given.
        const std::string conf = testing::TempDir() + "orvo-asound-null.conf";
        std::ofstream(conf) << "</usr/share/alsa/alsa.conf>\npcm.!default { type null }\n";
        setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
    }
    void TearDown() override { unsetenv("ALSA_CONFIG_PATH"); }
};

TEST_F(PortAudioOutputTest, PlaysTheDefaultDeviceAndKeepsNoProbedPluginLoaded) {
    {
        OrvoAudio::PortAudioOutput output(44100, &render, nullptr);
        ASSERT_TRUE(output.open(-1));
        EXPECT_GT(output.latencyFrames(), 0);
        // Listing the devices loaded every plugin of ALSA's configuration (libasound2-plugins'
        // a52 encoder maps libavcodec); the open output keeps only what its device needs.
        EXPECT_EQ(codeMappings("libasound_module_pcm_"), 0);
        EXPECT_EQ(codeMappings("libavcodec"), 0);

        ASSERT_TRUE(output.start());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (g_rendered.load() < 44100 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_GE(g_rendered.load(), 44100u) << "the device's thread did not ask for audio";
        output.stop();
        const std::size_t stopped = g_rendered.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(g_rendered.load(), stopped) << "render called after stop()";
        EXPECT_TRUE(output.start()) << "a stopped output starts again";
        output.stop();
    }
    // An index past the device list is refused, not opened.
    OrvoAudio::PortAudioOutput missing(44100, &render, nullptr);
    EXPECT_FALSE(missing.open(4096));
}

}  // namespace

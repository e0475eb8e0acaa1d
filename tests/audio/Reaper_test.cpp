// Freeing never waits for a decoder: one deep in a seek that must decode its way from the start
// of a long file is let go at once, and its thread still ends soon after.

#include <fstream>

#include "AudioTestSupport.h"

namespace {

using namespace OrvoAudioTest;
using namespace OrvoAudio;

// Ten hours of 4-bit ADPCM at 200 Hz in a container FFmpeg cannot seek in (3.6 MB): a seek to the
// end decodes (and resamples to the output rate) everything before it, many seconds of work.
std::string writeUnseekableLongFile() {
    const std::string path = tempPath("long.vag");
    constexpr std::uint32_t kSourceRate = 200, kBytes = kSourceRate * 36000 / 2;
    std::ofstream out(path, std::ios::binary);
    const auto le = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out.put(static_cast<char>(v >> (8 * i)));
    };
    out.write("KVAG", 4);
    le(kBytes, 4), le(kSourceRate, 4), le(0, 2);  // data size, rate, mono
    const std::string noise = "\x17\x9a\x3c\xe5\x51\xc8\x2f\x86";
    for (std::uint32_t i = 0; i < kBytes; i += noise.size()) out.write(noise.data(), noise.size());
    return path;
}

struct Release {
    const char* name;
    std::function<void(Handle)> release;
};
void PrintTo(const Release& r, std::ostream* os) { *os << r.name; }

class ReaperTest : public ::testing::TestWithParam<Release> {
protected:
    void SetUp() override {
        setenv("ORVO_AUDIO_OUTPUT", "null", 1);
        unsetenv("ORVO_AUDIO_CAPTURE");
    }
    void TearDown() override {
        OrvoAudio::free();
        std::remove(m_path.c_str());
    }
    const std::string m_path = writeUnseekableLongFile();
};

TEST_P(ReaperTest, LetsGoOfADecoderDeepInALongSeekAtOnce) {
    ASSERT_TRUE(init(-1, kRate));
    const int baseline = threadCount();
    const Handle h = streamCreateFile(m_path);
    ASSERT_NE(h, 0u);
    const std::int64_t length = channelGetLength(h);
    ASSERT_GT(channelBytes2Seconds(h, length), 35000.0);
    ASSERT_TRUE(channelPlay(h));
    ASSERT_TRUE(channelSetPosition(h, length - channelSeconds2Bytes(h, 60.0)));
    std::this_thread::sleep_for(100ms);  // the decoder is now decoding towards the target
    const auto start = std::chrono::steady_clock::now();
    GetParam().release(h);
    // The bug took as long as the whole seek: 12 s here, far more under a sanitizer. A free that
    // hands the thread off takes milliseconds, but ThreadSanitizer under load has shown 1.2 s.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_EQ(channelGetLength(h), -1);
    // And the decoder really stops (it is not left running in the background).
    EXPECT_TRUE(waitFor([&] { return threadCount() <= baseline; }, 5s));
}

INSTANTIATE_TEST_SUITE_P(Releases, ReaperTest,
                         ::testing::Values(Release{"streamFree",
                                                   [](Handle h) { EXPECT_TRUE(streamFree(h)); }},
                                           Release{"free", [](Handle) { OrvoAudio::free(); }}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// Which decoder a file gets, what every format decodes to on both paths (a light decoder and
// FFmpeg), the hand-over from a light decoder to FFmpeg, seeks and interrupts.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <string>
#include <vector>

#include "AudioTestSupport.h"
#include "audio/ContentSniffer.h"
#include "audio/Decoder.h"
#include "audio/FfmpegDecoder.h"
#include "audio/Mpg123Decoder.h"

using namespace OrvoAudioTest;
using namespace OrvoAudio;

namespace {

using Kind = ContentSniffer::Kind;

std::vector<float> decodeAll(Decoder& d) {
    std::vector<float> all;
    while (d.decode(all)) {
    }
    return all;
}

bool isFfmpeg(const std::unique_ptr<Decoder>& d) {
    return dynamic_cast<FfmpegDecoder*>(d.get()) != nullptr;
}

// Largest difference between the first `count` samples of a and b.
float maxDiff(const std::vector<float>& a, const float* b, std::size_t count) {
    float diff = 0.0f;
    for (std::size_t i = 0; i < count && i < a.size(); ++i)
        diff = std::max(diff, std::abs(a[i] - b[i]));
    return diff;
}

TEST(DecoderTest, ContentPicksTheDecoder) {
    std::vector<unsigned char> vorbisPage(64, 0);
    std::copy_n("OggS", 4, vorbisPage.begin());
    vorbisPage[26] = 1;  // one segment, the packet right after the table
    std::copy_n("\x01vorbis", 7, vorbisPage.begin() + 28);
    std::vector<unsigned char> opusPage = vorbisPage;
    std::copy_n("OpusHea", 7, opusPage.begin() + 28);
    // Near misses that must not reach a light decoder (each format's own file: EveryFormat...).
    const std::pair<std::vector<unsigned char>, Kind> cases[] = {
        {vorbisPage, Kind::Vorbis},
        {opusPage, Kind::Other},
        {{0xFF, 0xF1, 0x50, 0x80}, Kind::Other},  // ADTS AAC (layer 0)
        {{0xFF, 0xFB, 0xF0, 0x64}, Kind::Other},  // MPEG-1 layer III, bitrate index 15
        {{0xFF, 0xFB, 0x9C, 0x64}, Kind::Other},  // reserved sample rate
        {{'R', 'I', 'F', 'F', 0, 0, 0, 0}, Kind::Other},
        {{'f', 'L', 'a'}, Kind::Other},
        {{}, Kind::Other}};
    for (const auto& [bytes, kind] : cases)
        EXPECT_EQ(ContentSniffer::detect(bytes.data(), bytes.size()), kind) << bytes.size();

    // Not by the name; six channels go to FFmpeg, which mixes them down.
    for (const auto& [file, codec] :
         {std::pair{"broken/flac-named.mp3", "flac"}, std::pair{"broken/mp3-named.ogg", "mp3"}}) {
        auto d = Decoder::open(media(file), 0, 0, kRate);
        ASSERT_TRUE(d) << file;
        EXPECT_EQ(d->sourceFormat().codec, codec);
        EXPECT_FALSE(isFfmpeg(d));
    }
    auto surround = Decoder::open(media("surround.flac"), 0, 0, kRate);
    ASSERT_TRUE(surround);
    EXPECT_TRUE(isFfmpeg(surround));
    EXPECT_EQ(surround->sourceFormat().channels, 6);
    EXPECT_NEAR(decodeAll(*surround).size() / 2.0, 2.0 * kRate, 0.01 * kRate);
}

// Every format's 1 kHz tone at two output rates: codec, decoder, length, tone, interrupt. Where a
// light decoder reads it, FFmpeg reads as long (gapless MP3) and, at the file's rate, the same.
TEST(DecoderTest, EveryFormatHoldsItsToneOnBothPaths) {
    const struct {
        const char* file;
        const char* codec;
        double slack;   // seconds of encoder padding and frame granularity beyond 1 %
        float maxDiff;  // light against FFmpeg at the file's rate; < 0: FFmpeg reads it anyway
    } formats[] = {{"tone1k.mp1", "mp1", 0.0, 1e-2f},
                   {"tone1k.mp2", "mp2", 0.03, 2e-3f},
                   {"tone1k.mp3", "mp3", 0.05, 2e-3f},
                   {"tone1k.flac", "flac", 0.0, 1e-6f},
                   {"tone1k.ogg", "vorbis", 0.0, 1e-4f},
                   {"tone1k.wma", "wmav2", 0.05, -1},
                   {"tone1k.aac", "aac", 0.05, -1},
                   {"tone1k.ape", "ape", 0.0, -1},
                   // Every frame's checksum is wrong: libFLAC drops them all, FFmpeg takes over.
                   {"broken/bad-crc.flac", "flac", 0.0, 1e-6f}};
    for (const auto& f : formats) {
        for (const int rate : {kRate, 48000}) {
            SCOPED_TRACE(std::string(f.file) + " at " + std::to_string(rate));
            auto d = Decoder::open(media(f.file), 0, 0, rate);
            ASSERT_TRUE(d);
            EXPECT_EQ(d->sourceFormat().codec, f.codec);
            EXPECT_EQ(isFfmpeg(d), f.maxDiff < 0);
            const Wav wav{rate, decodeAll(*d)};
            EXPECT_NEAR(wav.seconds(), 3.0, 0.03 + f.slack);
            EXPECT_NEAR(static_cast<double>(d->lengthFrames()) / rate, 3.0, 0.03 + f.slack);
            EXPECT_EQ(d->decodedFrames(), static_cast<std::int64_t>(wav.frames()));
            for (int ch = 0; ch < 2; ++ch) {
                const double amp = toneAmplitude(wav, ch, 1000.0);
                EXPECT_NEAR(toDb(amp / 0.5), 0.0, 1.0) << "channel " << ch;
                // The tone is nearly all there is.
                EXPECT_GT(amp / std::sqrt(2.0) / rms(wav, ch, kRate / 2, kRate), 0.95) << ch;
            }
            if (f.maxDiff >= 0) {
                auto ffmpeg =
                    FfmpegDecoder::open(FileReader::open(media(f.file), 0, 0), media(f.file), rate);
                ASSERT_TRUE(ffmpeg);
                const std::vector<float> other = decodeAll(*ffmpeg);
                EXPECT_NEAR(wav.frames(), other.size() / 2, rate == kRate ? 0 : 2);
                EXPECT_NEAR(d->lengthFrames(), wav.frames(), 2);
                EXPECT_LE(rate == kRate ? maxDiff(wav.samples, other.data(), other.size()) : 0.0f,
                          f.maxDiff);
            }
            auto again = Decoder::open(media(f.file), 0, 0, rate);
            std::atomic<bool> stop{false};
            again->setInterrupt(&stop);
            std::vector<float> out;
            ASSERT_TRUE(again->decode(out));
            stop = true;
            out.clear();
            EXPECT_FALSE(again->decode(out));
            EXPECT_TRUE(out.empty());
        }
    }
}

// 3 s of 1 kHz, then 500 Hz at another rate, which libmpg123 is not followed past: alone it stops
// there; opened the usual way FFmpeg takes over where it stopped, and seeks go to FFmpeg too.
TEST(DecoderTest, WhatALightDecoderCannotDecodeFallsThroughToFfmpeg) {
    const std::string file = media("broken/rate-change.mp3");
    auto alone = Mpg123Decoder::open(FileReader::open(file, 0, 0), kRate);
    ASSERT_TRUE(alone);
    EXPECT_NEAR(decodeAll(*alone).size() / 2.0 / kRate, 3.0, 0.1);
    auto d = Decoder::open(file, 0, 0, kRate);
    ASSERT_TRUE(d);
    EXPECT_FALSE(isFfmpeg(d));  // opened as a light one
    const Wav whole{kRate, decodeAll(*d)};
    const std::size_t frames = whole.frames();
    EXPECT_NEAR(whole.seconds(), 5.0, 0.1);
    EXPECT_EQ(d->decodedFrames(), static_cast<std::int64_t>(frames));
    ASSERT_GT(frames, static_cast<std::size_t>(kRate));
    EXPECT_GT(toneAmplitude(whole, 0, 500, frames - kRate, kRate / 2), 0.4);
    EXPECT_LT(toneAmplitude(whole, 0, 1000, frames - kRate, kRate / 2), 0.05);
    ASSERT_TRUE(d->seek(kRate / 2));
    std::vector<float> again;
    while (again.size() < static_cast<std::size_t>(kRate) && d->decode(again)) {
    }
    EXPECT_GT(toneAmplitude(Wav{kRate, again}, 0, 1000, 0, kRate / 4), 0.4);
}

// A seek lands on the exact frame: what follows it equals the straight decode from there on. Also
// in a file the light decoder cannot read, before it decoded anything (FFmpeg seeks then).
TEST(DecoderTest, SeeksLandOnTheFrame) {
    for (const char* file : {"steps.mp3", "steps.flac", "tone1k.ogg", "broken/bad-crc.flac"}) {
        for (const int rate : {kRate, 48000}) {
            SCOPED_TRACE(std::string(file) + " at " + std::to_string(rate));
            auto whole = Decoder::open(media(file), 0, 0, rate);
            ASSERT_TRUE(whole);
            const std::vector<float> all = decodeAll(*whole);
            auto d = Decoder::open(media(file), 0, 0, rate);
            // Just before the steps' change from 500 to 1000 Hz: a landing off by whole periods
            // of the tone would match inside it.
            for (const std::int64_t target :
                 {std::int64_t{rate} * 10 - 300, std::int64_t{rate} * 2 + 17,
                  std::int64_t{rate} / 3, std::int64_t{0}}) {
                if (target * 2 >= static_cast<std::int64_t>(all.size())) continue;
                ASSERT_TRUE(d->seek(target));
                std::vector<float> got;
                while (got.size() < 4096 && d->decode(got)) {
                }
                EXPECT_EQ(d->decodedFrames(), target + static_cast<std::int64_t>(got.size() / 2));
                got.resize(std::min<std::size_t>(got.size(), 4096));
                // The resampler starts afresh after a seek: its first frames differ a little.
                EXPECT_LE(maxDiff(got, all.data() + target * 2, got.size()),
                          rate == kRate ? 1e-3f : 0.05f)
                    << "at " << target;
            }
            ASSERT_TRUE(d->seek(d->lengthFrames()));  // the end: nothing (or a rounding) follows
            EXPECT_LE(decodeAll(*d).size(), 4u);
        }
    }
}

}  // namespace

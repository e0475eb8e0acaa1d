// Which decoder a file gets, and whether the light decoders and FFmpeg agree on what it holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "AudioTestSupport.h"
#include "audio/ContentSniffer.h"
#include "audio/Decoder.h"
#include "audio/FfmpegDecoder.h"
#include "audio/FlacDecoder.h"
#include "audio/Mpg123Decoder.h"

using namespace OrvoAudioTest;
using OrvoAudio::ContentSniffer;
using OrvoAudio::Decoder;
using OrvoAudio::FfmpegDecoder;
using OrvoAudio::FileReader;
using OrvoAudio::FlacDecoder;
using OrvoAudio::Mpg123Decoder;

namespace {

using Kind = ContentSniffer::Kind;

std::vector<float> decodeAll(Decoder& d) {
    std::vector<float> all;
    while (d.decode(all)) {
    }
    return all;
}

std::unique_ptr<Decoder> openFfmpeg(const std::string& path, int rate) {
    return FfmpegDecoder::open(FileReader::open(path, 0, 0), path, rate);
}

TEST(ContentSnifferTest, TellsTheFamilyByTheFirstBytes) {
    struct Case {
        std::vector<unsigned char> bytes;
        Kind kind;
    };
    std::vector<unsigned char> vorbisPage(64, 0);
    std::copy_n("OggS", 4, vorbisPage.begin());
    vorbisPage[26] = 1;  // one segment, the packet right after the table
    std::copy_n("\x01vorbis", 7, vorbisPage.begin() + 28);
    std::vector<unsigned char> opusPage = vorbisPage;
    std::copy_n("OpusHea", 7, opusPage.begin() + 28);
    const Case cases[] = {
        {{'f', 'L', 'a', 'C', 0, 0, 0, 34}, Kind::Flac},
        {vorbisPage, Kind::Vorbis},
        {opusPage, Kind::Other},
        {{0xFF, 0xFB, 0x90, 0x64}, Kind::Mpeg},   // MPEG-1 layer III, 128 kb/s
        {{0xFF, 0xFD, 0xA0, 0x04}, Kind::Mpeg},   // layer II
        {{0xFF, 0xFF, 0x90, 0x04}, Kind::Mpeg},   // layer I
        {{0xFF, 0xF1, 0x50, 0x80}, Kind::Other},  // ADTS AAC (layer 0)
        {{0xFF, 0xFB, 0xF0, 0x64}, Kind::Other},  // bitrate index 15
        {{0xFF, 0xFB, 0x9C, 0x64}, Kind::Other},  // reserved sample rate
        {{'R', 'I', 'F', 'F', 0, 0, 0, 0}, Kind::Other},
        {{'f', 'L', 'a'}, Kind::Other},
        {{}, Kind::Other},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ContentSniffer::detect(c.bytes.data(), c.bytes.size()), c.kind)
            << "case of " << c.bytes.size() << " bytes, first "
            << (c.bytes.empty() ? 0 : c.bytes[0]);
    }
}

TEST(ContentSnifferTest, LooksPastAnId3TagAndRewinds) {
    const std::string path = tempPath("id3.bin");
    {
        std::ofstream f(path, std::ios::binary);
        const unsigned char header[] = {'I', 'D', '3', 3, 0, 0, 0, 0, 1, 0};  // 128-byte body
        f.write(reinterpret_cast<const char*>(header), sizeof header);
        f << std::string(128, '\0') << "fLaC" << std::string(64, '\0');
    }
    auto reader = FileReader::open(path, 0, 0);
    ASSERT_TRUE(reader);
    EXPECT_EQ(ContentSniffer::detect(*reader), Kind::Flac);
    EXPECT_EQ(reader->tell(), 0);
    std::remove(path.c_str());
}

struct Pick {
    const char* file;
    const char* codec;
    bool ffmpeg;
};

TEST(DecoderTest, PicksTheDecoderByContentAndFallsBackToFfmpeg) {
    const Pick picks[] = {
        {"tone1k.mp1", "mp1", false},
        {"tone1k.mp2", "mp2", false},
        {"tone1k.mp3", "mp3", false},
        {"tone1k.flac", "flac", false},
        {"tone1k.ogg", "vorbis", false},
        {"broken/flac-named.mp3", "flac", false},
        {"broken/mp3-named.ogg", "mp3", false},
        {"tone1k.wma", "wmav2", true},
        {"tone1k.aac", "aac", true},
        {"tone1k.ape", "ape", true},
        {"surround.flac", "flac", true},  // six channels: FFmpeg mixes them down
    };
    for (const Pick& p : picks) {
        auto d = Decoder::open(media(p.file), 0, 0, kRate);
        ASSERT_TRUE(d) << p.file;
        EXPECT_EQ(d->sourceFormat().codec, p.codec) << p.file;
        EXPECT_EQ(dynamic_cast<FfmpegDecoder*>(d.get()) != nullptr, p.ffmpeg) << p.file;
    }
    auto surround = Decoder::open(media("surround.flac"), 0, 0, kRate);
    ASSERT_TRUE(surround);
    EXPECT_EQ(surround->sourceFormat().channels, 6);
    EXPECT_NEAR(static_cast<double>(decodeAll(*surround).size()) / 2, 2.0 * kRate, 0.01 * kRate);
    for (const char* bad : {"broken/text.mp3", "broken/text.flac", "broken/empty.mp3"}) {
        EXPECT_FALSE(Decoder::open(media(bad), 0, 0, kRate)) << bad;
    }
}

// Files the light decoder opens by their magic bytes but cannot play through: alone it stops
// early; opened the usual way FFmpeg takes over where it stopped, and the whole file plays.
TEST(DecoderTest, WhatALightDecoderCannotDecodeFallsThroughToFfmpeg) {
    struct Case {
        const char* file;
        double lightSeconds;  // how far the light decoder alone gets
        double seconds;       // the whole file
        double lastHz;        // the tone of its last second (1000 or 500 Hz; not the other)
    };
    const auto light = [](const std::string& path) -> std::unique_ptr<Decoder> {
        auto reader = FileReader::open(path, 0, 0);
        if (path.ends_with(".flac")) {
            return FlacDecoder::open(std::move(reader), kRate);
        }
        return Mpg123Decoder::open(std::move(reader), kRate);
    };
    for (const Case c : {Case{"broken/bad-crc.flac", 0.0, 3.0, 1000},
                         Case{"broken/rate-change.mp3", 3.0, 5.0, 500}}) {
        SCOPED_TRACE(c.file);
        auto alone = light(media(c.file));
        ASSERT_TRUE(alone);
        EXPECT_NEAR(static_cast<double>(decodeAll(*alone).size()) / 2 / kRate, c.lightSeconds, 0.1);
        auto d = Decoder::open(media(c.file), 0, 0, kRate);
        ASSERT_TRUE(d);
        EXPECT_EQ(dynamic_cast<FfmpegDecoder*>(d.get()), nullptr);  // opened as a light one
        const std::vector<float> all = decodeAll(*d);
        const std::size_t frames = all.size() / 2;
        EXPECT_NEAR(static_cast<double>(frames) / kRate, c.seconds, 0.1);
        EXPECT_EQ(d->decodedFrames(), static_cast<std::int64_t>(frames));
        ASSERT_GT(frames, static_cast<std::size_t>(kRate));
        const Wav whole{kRate, all};
        EXPECT_GT(toneAmplitude(whole, 0, c.lastHz, frames - kRate, kRate / 2), 0.4);
        EXPECT_LT(toneAmplitude(whole, 0, 1500 - c.lastHz, frames - kRate, kRate / 2), 0.05);
        // Seeks go to FFmpeg too, which decodes the tone of the first part again.
        ASSERT_TRUE(d->seek(kRate / 2));
        std::vector<float> again;
        while (again.size() < static_cast<std::size_t>(kRate) && d->decode(again)) {
        }
        EXPECT_GT(toneAmplitude(Wav{kRate, again}, 0, 1000, 0, kRate / 4), 0.4);
    }
}

// Both paths read the same file: same length (gapless MP3 included), the same samples at the
// file's rate, and about the same length when resampled.
TEST(DecoderTest, LightDecodersAgreeWithFfmpeg) {
    struct Case {
        const char* file;
        double maxDiff;  // largest sample difference at the file's rate
    };
    for (const Case c : {Case{"tone1k.mp3", 2e-3}, Case{"tone1k.flac", 1e-6},
                         Case{"tone1k.ogg", 1e-4}, Case{"tone1k.mp2", 2e-3}}) {
        for (const int rate : {kRate, 48000}) {
            SCOPED_TRACE(std::string(c.file) + " at " + std::to_string(rate));
            auto light = Decoder::open(media(c.file), 0, 0, rate);
            auto ffmpeg = openFfmpeg(media(c.file), rate);
            ASSERT_TRUE(light && ffmpeg);
            ASSERT_EQ(dynamic_cast<FfmpegDecoder*>(light.get()), nullptr);
            const std::vector<float> a = decodeAll(*light);
            const std::vector<float> b = decodeAll(*ffmpeg);
            const auto frames = static_cast<std::int64_t>(a.size() / 2);
            EXPECT_NEAR(frames, static_cast<std::int64_t>(b.size() / 2), rate == kRate ? 0 : 2);
            EXPECT_NEAR(light->lengthFrames(), frames, 2);
            EXPECT_EQ(light->decodedFrames(), frames);
            if (rate == kRate && a.size() == b.size()) {
                float diff = 0.0f;
                for (std::size_t i = 0; i < a.size(); ++i) {
                    diff = std::max(diff, std::abs(a[i] - b[i]));
                }
                EXPECT_LE(diff, c.maxDiff);
            }
        }
    }
}

// A seek lands on the exact frame: what follows it equals the straight decode from there on.
TEST(DecoderTest, SeeksLandOnTheFrame) {
    for (const char* file : {"steps.mp3", "steps.flac", "tone1k.ogg"}) {
        for (const int rate : {kRate, 48000}) {
            SCOPED_TRACE(std::string(file) + " at " + std::to_string(rate));
            auto whole = Decoder::open(media(file), 0, 0, rate);
            ASSERT_TRUE(whole);
            const std::vector<float> all = decodeAll(*whole);
            auto d = Decoder::open(media(file), 0, 0, rate);
            for (const std::int64_t target :
                 {std::int64_t{rate} * 2 + 17, std::int64_t{rate} / 3, std::int64_t{0}}) {
                ASSERT_TRUE(d->seek(target));
                EXPECT_EQ(d->decodedFrames(), target);
                std::vector<float> got;
                ASSERT_TRUE(d->decode(got));
                const std::size_t n = std::min<std::size_t>(got.size(), 2048);
                float diff = 0.0f;
                for (std::size_t i = 0; i < n; ++i) {
                    diff = std::max(diff, std::abs(got[i] - all[target * 2 + i]));
                }
                // The resampler starts afresh after a seek: its first frames differ a little.
                EXPECT_LE(diff, rate == kRate ? 1e-3f : 0.05f) << "at " << target;
            }
            ASSERT_TRUE(d->seek(d->lengthFrames()));  // the end: nothing (or a rounding) follows
            EXPECT_LE(decodeAll(*d).size(), 4u);
        }
    }
}

TEST(DecoderTest, InterruptStopsEveryDecoder) {
    for (const char* file : {"steps.mp3", "steps.flac", "tone1k.ogg", "tone1k.wma"}) {
        auto d = Decoder::open(media(file), 0, 0, kRate);
        ASSERT_TRUE(d) << file;
        std::atomic<bool> stop{false};
        d->setInterrupt(&stop);
        std::vector<float> out;
        ASSERT_TRUE(d->decode(out)) << file;
        stop = true;
        out.clear();
        EXPECT_FALSE(d->decode(out)) << file;
        EXPECT_TRUE(out.empty()) << file;
    }
}

}  // namespace

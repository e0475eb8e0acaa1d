// Measurements of the audio library (see bench/RESULTS.md for how they are run):
//   orvo_audio_bench decode FILE            decode FILE to the end (float stereo, 44.1 kHz)
//   orvo_audio_bench play FILE SECONDS      play FILE with ten equaliser bands for SECONDS of
//                                           wall time (restarting at its end); prints the
//                                           process CPU seconds used meanwhile and per minute
//   orvo_audio_bench memory FILE N          resident memory before and after init and with N
//                                           streams open, then with them all playing
#include <sys/resource.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "audio/Decoder.h"
#include "audio/OrvoAudio.h"

namespace {

double cpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec +
           (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

long rssKb() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

const char* kindName(OrvoAudio::OutputKind kind) {
    switch (kind) {
        case OrvoAudio::OutputKind::PortAudio:
            return "portaudio";
        case OrvoAudio::OutputKind::Null:
            return "null";
        default:
            return "none";
    }
}

int decode(const std::string& file) {
    auto decoder = OrvoAudio::Decoder::open(file, 0, 0, 44100);
    if (!decoder) {
        std::fprintf(stderr, "cannot open %s\n", file.c_str());
        return 1;
    }
    std::vector<float> out;
    std::size_t frames = 0;
    while (decoder->decode(out)) {
        frames += out.size() / 2;
        out.clear();
    }
    std::printf("frames %zu\n", frames);
    return 0;
}

int play(const std::string& file, double seconds) {
    if (!OrvoAudio::init(-1, 44100)) {
        std::fprintf(stderr, "init failed\n");
        return 1;
    }
    const OrvoAudio::Handle h = OrvoAudio::streamCreateFile(file);
    if (h == 0) {
        std::fprintf(stderr, "cannot open %s\n", file.c_str());
        return 1;
    }
    const std::array<float, 10> centres = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
    const std::array<float, 10> gains = {-6, 1, 4, -2, -2, -4, 0, 0, 6, 6};
    for (std::size_t i = 0; i < centres.size(); ++i) {
        OrvoAudio::fxSetParameters(OrvoAudio::channelSetFxParamEq(h),
                                   {centres[i], 12.0f, gains[i]});
    }
    OrvoAudio::channelSetVolume(h, 0.8f);
    OrvoAudio::channelPlay(h);
    const double cpu0 = cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        if (OrvoAudio::channelIsActive(h) == OrvoAudio::Activity::Stopped) {
            OrvoAudio::channelPlay(h, true);
        }
    }
    const double cpu = cpuSeconds() - cpu0;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("output %s wall %.2f s cpu %.3f s cpu-per-minute %.3f s (%.3f %% of one core)\n",
                kindName(OrvoAudio::outputKind()), wall, cpu, cpu / wall * 60.0,
                cpu / wall * 100.0);
    OrvoAudio::free();
    return 0;
}

int memory(const std::string& file, int count) {
    const long before = rssKb();
    if (!OrvoAudio::init(-1, 44100)) {
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const long idle = rssKb();
    std::vector<OrvoAudio::Handle> handles;
    for (int i = 0; i < count; ++i) {
        handles.push_back(OrvoAudio::streamCreateFile(file));
    }
    const long open = rssKb();
    for (OrvoAudio::Handle h : handles) {
        for (int b = 0; b < 10; ++b) {
            OrvoAudio::channelSetFxParamEq(h);
        }
        OrvoAudio::channelSetVolume(h, 0.0f);
        OrvoAudio::channelPlay(h);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const long playing = rssKb();
    std::printf("output %s rss-before-init %ld kB initialised-idle %ld kB (+%ld)\n",
                kindName(OrvoAudio::outputKind()), before, idle, idle - before);
    std::printf("%d streams open: %ld kB, %.1f kB per stream\n", count, open,
                static_cast<double>(open - idle) / count);
    std::printf("%d streams playing: %ld kB, %.1f kB per playing stream\n", count, playing,
                static_cast<double>(playing - idle) / count);
    OrvoAudio::free();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "decode" && argc == 3) {
        return decode(argv[2]);
    }
    if (cmd == "play" && argc == 4) {
        return play(argv[2], std::atof(argv[3]));
    }
    if (cmd == "memory" && argc == 4) {
        return memory(argv[2], std::atoi(argv[3]));
    }
    std::fprintf(stderr, "usage: %s decode FILE | play FILE SECONDS | memory FILE STREAMS\n",
                 argv[0]);
    return 2;
}

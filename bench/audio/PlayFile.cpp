// Plays one file through the default sound device (PortAudio), or the null output when there is
// none, and reports what it used:  orvo_play_file FILE
#include <chrono>
#include <cstdio>
#include <thread>

#include "audio/OrvoAudio.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    if (!OrvoAudio::init(-1, 44100)) {
        std::fprintf(stderr, "no output\n");
        return 1;
    }
    const auto kind = OrvoAudio::outputKind();
    std::printf("output: %s\n", kind == OrvoAudio::OutputKind::PortAudio
                                    ? "PortAudio default device"
                                    : "null (no device)");
    const OrvoAudio::Handle h = OrvoAudio::streamCreateFile(argv[1]);
    if (h == 0) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        OrvoAudio::free();
        return 1;
    }
    const double length = OrvoAudio::channelBytes2Seconds(h, OrvoAudio::channelGetLength(h));
    std::printf("length: %.3f s\n", length);
    OrvoAudio::channelPlay(h);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(length * 2 + 5);
    while (OrvoAudio::channelIsActive(h) != OrvoAudio::Activity::Stopped &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::printf("heard: %.3f s\n",
                OrvoAudio::channelBytes2Seconds(h, OrvoAudio::channelGetPosition(h)));
    OrvoAudio::free();
    return 0;
}

#pragma once
// An output without a sound device: its own thread calls the render function in blocks and sleeps
// to keep real time (or `speed` times faster). With a capture path it writes what it plays to a
// WAV file — only the frames that carry audio from a playing stream, so a capture holds exactly
// the audio that was heard, without the silence between songs or while a decoder catches up.
// Threads: start()/stop() from the control thread; render and capture on the output thread.

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "audio/Output.h"
#include "audio/WavWriter.h"

namespace OrvoAudio {

class NullOutput : public Output {
public:
    NullOutput(int rate, double speed, std::string capturePath, bool captureFloat,
               RenderFunction render, void* context);
    ~NullOutput() override;

    bool start() override;
    void stop() override;
    OutputKind kind() const override { return OutputKind::Null; }

private:
    void run();

    const int m_rate;
    const double m_speed;
    const std::string m_capturePath;
    const bool m_captureFloat;
    RenderFunction m_render;
    void* m_context;
    WavWriter m_capture;
    std::vector<float> m_block;
    std::thread m_thread;
    std::atomic<bool> m_quit{false};
};

}  // namespace OrvoAudio

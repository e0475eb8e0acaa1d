#pragma once
// Output through PortAudio: a float32 stereo stream on a device, whose callback is the engine's
// render function. Threads: open()/start()/stop() from the control thread; the render function
// runs on PortAudio's callback thread.

#include <portaudio.h>

#include "audio/Output.h"

namespace OrvoAudio {

class PortAudioOutput : public Output {
public:
    PortAudioOutput(int rate, RenderFunction render, void* context);
    ~PortAudioOutput() override;

    // deviceIndex -1: the default output device. False when there is no such device or the
    // stream cannot be opened (PortAudio is then terminated again).
    bool open(int deviceIndex);
    bool start() override;
    void stop() override;
    OutputKind kind() const override { return OutputKind::PortAudio; }
    std::int64_t latencyFrames() const override { return m_latencyFrames; }

private:
    static int callback(const void* input, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo* timeInfo, PaStreamCallbackFlags flags,
                        void* userData);

    const int m_rate;
    RenderFunction m_render;
    void* m_context;
    bool m_initialised = false;
    PaStream* m_stream = nullptr;
    std::int64_t m_latencyFrames = 0;
};

}  // namespace OrvoAudio

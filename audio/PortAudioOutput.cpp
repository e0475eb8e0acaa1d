#include "audio/PortAudioOutput.h"

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "audio/AudioLog.h"

namespace OrvoAudio {

namespace {
constexpr double kLatencySeconds = 0.2;
constexpr unsigned long kFramesPerBuffer = 2048;

// ALSA prints pages of probing noise on machines without sound hardware; hide stderr while
// PortAudio probes. Only the probing is silenced: our own messages come later.
class QuietStderr {
public:
    QuietStderr() {
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (m_saved >= 0 && null >= 0) {
            ::dup2(null, STDERR_FILENO);
        }
        if (null >= 0) {
            ::close(null);
        }
    }
    ~QuietStderr() {
        std::fflush(stderr);
        if (m_saved >= 0) {
            ::dup2(m_saved, STDERR_FILENO);
            ::close(m_saved);
        }
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int m_saved = -1;
};
}  // namespace

PortAudioOutput::PortAudioOutput(int rate, RenderFunction render, void* context)
    : m_rate(rate), m_render(render), m_context(context) {}

PortAudioOutput::~PortAudioOutput() {
    stop();
    if (m_stream != nullptr) {
        Pa_CloseStream(m_stream);
        m_stream = nullptr;
    }
    if (m_initialised) {
        Pa_Terminate();
    }
}

bool PortAudioOutput::open(int deviceIndex) {
    PaError err = paNoError;
    {
        QuietStderr quiet;
        err = Pa_Initialize();
    }
    if (err != paNoError) {
        logMessage(std::string("PortAudio: ") + Pa_GetErrorText(err));
        return false;
    }
    m_initialised = true;
    // Listing the devices made ALSA load every PCM plugin of its configuration, and ALSA keeps
    // them loaded with the configuration (its a52 encoder alone brings libavcodec and a codec
    // tree: 11 MB resident). Dropping the configuration unloads them; PortAudio has copied what
    // it found, and opening the stream reads the configuration again and loads only what the
    // chosen device needs.
    snd_config_update_free_global();
    const PaDeviceIndex device = deviceIndex < 0 ? Pa_GetDefaultOutputDevice() : deviceIndex;
    const PaDeviceInfo* info =
        device >= 0 && device < Pa_GetDeviceCount() ? Pa_GetDeviceInfo(device) : nullptr;
    if (info == nullptr || info->maxOutputChannels < 1) {
        return false;
    }
    PaStreamParameters params{};
    params.device = device;
    params.channelCount = 2;
    params.sampleFormat = paFloat32;
    // Large buffers keep wake-ups rare (CPU): a music player never needs low latency, and
    // seeking, stopping and volume still act within a fraction of a second.
    params.suggestedLatency = std::max(info->defaultHighOutputLatency, kLatencySeconds);
    {
        QuietStderr quiet;
        err = Pa_OpenStream(&m_stream, nullptr, &params, m_rate, kFramesPerBuffer, paNoFlag,
                            &PortAudioOutput::callback, this);
    }
    if (err != paNoError) {
        m_stream = nullptr;
        logMessage(std::string("PortAudio open: ") + Pa_GetErrorText(err));
        return false;
    }
    if (const PaStreamInfo* stream = Pa_GetStreamInfo(m_stream)) {
        m_latencyFrames = static_cast<std::int64_t>(stream->outputLatency * m_rate);
    }
    return true;
}

bool PortAudioOutput::start() {
    if (m_stream == nullptr) {
        return false;
    }
    const PaError err = Pa_StartStream(m_stream);
    if (err != paNoError) {
        logMessage(std::string("PortAudio start: ") + Pa_GetErrorText(err));
        return false;
    }
    return true;
}

void PortAudioOutput::stop() {
    // Abort, not stop: stopping plays out the device's buffers first (0.2 s and more), and the
    // engine stops under its lock.
    if (m_stream != nullptr && Pa_IsStreamActive(m_stream) == 1) {
        Pa_AbortStream(m_stream);
    }
}

int PortAudioOutput::callback(const void*, void* output, unsigned long frames,
                              const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags,
                              void* userData) {
    auto* self = static_cast<PortAudioOutput*>(userData);
    self->m_render(self->m_context, static_cast<float*>(output), frames);
    return paContinue;
}

}  // namespace OrvoAudio

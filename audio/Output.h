#pragma once
// An audio output: calls the engine's render function with blocks of interleaved stereo float
// frames, from its own real-time thread. Threads: start()/stop() from the control thread (the
// engine's lock held); the render function from the output's thread only.

#include <cstddef>
#include <cstdint>

#include "audio/OrvoAudio.h"

namespace OrvoAudio {

// Fills `frames` frames at out (zeroed first) and returns how many leading frames carry audio
// from at least one playing stream.
using RenderFunction = std::size_t (*)(void* context, float* out, std::size_t frames);

class Output {
public:
    virtual ~Output() = default;
    virtual bool start() = 0;
    virtual void stop() = 0;
    virtual OutputKind kind() const = 0;
    // Frames handed to the device but not yet heard (its buffer), known after start().
    virtual std::int64_t latencyFrames() const { return 0; }
};

}  // namespace OrvoAudio

#pragma once
// Diagnostics of the audio library on stderr. Never used by the output callback.

#include <string>

#include "audio/OrvoAudio.h"

namespace OrvoAudio {

// Writes "orvo-audio: <text>" to stderr.
ORVO_AUDIO_EXPORT void logMessage(const std::string& text);

}  // namespace OrvoAudio

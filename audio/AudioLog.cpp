#include "audio/AudioLog.h"

#include <cstdio>

namespace OrvoAudio {

void logMessage(const std::string& text) { std::fprintf(stderr, "orvo-audio: %s\n", text.c_str()); }

}  // namespace OrvoAudio

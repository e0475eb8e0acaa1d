#pragma once
// The audio library as the player reaches it: libOrvo_Audio.so is loaded on first use (after the
// window's first frame), stays loaded for the life of the program, and is called through its
// function table. When it cannot be loaded, api() is null and the player simply has no sound.
// Thread: UI thread.

#include "audio/OrvoAudioApi.h"

#include <QString>

class AudioLibrary {
public:
    // Loads the library when not yet loaded; null when it cannot be loaded or is too old.
    static const OrvoAudio::Api* api();
    // Tests point this at the build folder's copy before the first api() call.
    static void setLibraryPath(const QString& path);
};

#pragma once
// Reads the title and artist of an audio file with TagLib, tags only (no audio properties).
// Per format the tags are asked in order of trust, e.g. MP3: ID3v2, then APE, then ID3v1; title
// and artist each come from the first tag that has them. Text without a reliable character set
// goes through LegacyTextDecoder.
//
// Threads: no shared state; files are opened read-only, one TagLib object per call.

#include "audio/FileReader.h"

#include <QString>
#include <memory>
#include <string>

struct MusicTagText {
    QString title;
    QString artist;
};

class MusicTagReader {
public:
    // Through `reader` when given (the whole file, as the audio library lends it), else by path.
    static MusicTagText read(const std::string& utf8Path,
                             std::unique_ptr<OrvoAudio::FileReader> reader = nullptr);

    // Longer texts are cut: they come from damaged or hostile tags, not from song titles.
    static constexpr qsizetype kMaxTextLength = 1024;
};

#include "tags/OrvoMusicTags.h"

#include "audio/FileReader.h"
#include "audio/OrvoAudio.h"
#include "tags/MusicTagReader.h"

extern "C" bool GetMusicTilteAndArtist(quint32 stream, QString& title, QString& artist) {
    title.clear();
    artist.clear();
    if (stream == 0) return false;
    // Nothing may escape into the player: a hostile file that makes TagLib throw (allocation
    // failures on absurd sizes) simply has no tags.
    try {
        const std::string path = OrvoAudio::streamSourcePath(stream);
        if (path.empty()) return false;
        // The stream's own open file, with what it has read already: no second open by path.
        const MusicTagText text = MusicTagReader::read(path, OrvoAudio::streamSourceReader(stream));
        title = text.title;
        artist = text.artist;
    } catch (...) {
        title.clear();
        artist.clear();
        return false;
    }
    return !title.isEmpty();
}

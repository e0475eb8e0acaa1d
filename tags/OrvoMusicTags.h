#pragma once
// Public interface of libOrvo_MusicTags.so, the tag reader. The player loads the library by name
// around each adding operation and resolves the one export by its plain name.
//
// Threads: may be called from any thread; calls share no state (no global TagLib handlers are
// installed), so concurrent calls on different streams are safe.

#include <QString>
#include <QtGlobal>

#if defined(ORVO_MUSICTAGS_BUILD)
#define ORVO_MUSICTAGS_EXPORT __attribute__((visibility("default")))
#else
#define ORVO_MUSICTAGS_EXPORT
#endif

// Reads the title and artist of the file that the audio library's stream was opened from.
// Both outputs are cleared first; the artist is filled even when the file carries no title.
// Returns true when a title was found. Stream 0, an unknown or freed stream, an unreadable file
// or a file without tags answer false.
extern "C" ORVO_MUSICTAGS_EXPORT bool GetMusicTilteAndArtist(quint32 stream, QString& title,
                                                             QString& artist);

// Signature for QLibrary::resolve("GetMusicTilteAndArtist").
using GetMusicTilteAndArtistFn = bool (*)(quint32, QString&, QString&);

#include "AudioLibrary.h"

#include "ProgramLibrary.h"

#include <QLibrary>

namespace {
QString s_libraryPath;
}

const OrvoAudio::Api* AudioLibrary::api() {
    static const OrvoAudio::Api* table = [] {
        // Never unloaded: streams, threads and the output live inside it until exit.
        static QLibrary library;
        if (!ProgramLibrary::load(library, s_libraryPath, QStringLiteral("libOrvo_Audio.so"),
                                  QStringLiteral("Orvo_Audio"))) {
            return static_cast<const OrvoAudio::Api*>(nullptr);
        }
        using GetApiFn = const OrvoAudio::Api* (*)();
        const auto getApi = reinterpret_cast<GetApiFn>(library.resolve("OrvoAudio_GetApi"));
        const OrvoAudio::Api* t = getApi ? getApi() : nullptr;
        return t && t->version >= OrvoAudio::kApiVersion ? t : nullptr;
    }();
    return table;
}

void AudioLibrary::setLibraryPath(const QString& path) { s_libraryPath = path; }

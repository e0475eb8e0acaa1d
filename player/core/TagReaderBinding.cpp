#include "TagReaderBinding.h"

#include "ProgramLibrary.h"
#include "TextOps.h"

#include <QThread>
#include <algorithm>
#include <thread>
#include <vector>

namespace {

QString s_libraryPath;
// Below this many files a thread costs more than it saves.
constexpr int kFilesPerThread = 16;

}  // namespace

TagReaderBinding::TagReaderBinding(const OrvoAudio::Api* api) : m_api(api) {
    if (ProgramLibrary::load(m_library, s_libraryPath, QStringLiteral("libOrvo_MusicTags.so"),
                             QStringLiteral("Orvo_MusicTags"))) {
        m_read = reinterpret_cast<ReadFn>(m_library.resolve("GetMusicTilteAndArtist"));
    }
}

TagReaderBinding::~TagReaderBinding() {
    if (m_library.isLoaded()) m_library.unload();
}

bool TagReaderBinding::ReadTags(const QString& path, Source source, QString& title,
                                QString& artist) const {
    const OrvoAudio::Handle stream =
        m_api ? m_api->streamCreateFileUtf16(path.toStdU16String(), 0, 0) : 0;
    // A single added file asks the reader even without a stream; a listed one does not.
    const bool ask = m_read && (stream != 0 || source == Source::Single);
    const bool tagged = ask && m_read(stream, title, artist);
    if (stream) m_api->streamFree(stream);
    return tagged;
}

QString TagReaderBinding::MakeTitle(const QString& path, Source source) const {
    QString title;
    QString artist;
    if (!ReadTags(path, source, title, artist)) return TextOps::FileNameTitle(path);
    // Without an artist a trailing " - " would only be noise.
    if (source == Source::Single || artist.isEmpty()) return title;
    return QStringLiteral("%1 - %2").arg(title, artist);
}

QList<tagFileListInfo> TagReaderBinding::MakeEntries(const QStringList& paths,
                                                     Source source) const {
    QList<tagFileListInfo> entries(paths.size());
    tagFileListInfo* out = entries.data();  // detached once, before any thread writes
    const auto work = [&](qsizetype first, qsizetype step) {
        for (qsizetype i = first; i < paths.size(); i += step) {
            out[i].path = paths.at(i);
            out[i].title = MakeTitle(paths.at(i), source);
        }
    };
    const int threads = int(std::clamp<qsizetype>(paths.size() / kFilesPerThread, 1,
                                                  std::max(1, QThread::idealThreadCount())));
    std::vector<std::thread> workers;
    // Interleaved, so a folder of large files next to one of small ones shares out evenly.
    for (int t = 1; t < threads; ++t) workers.emplace_back(work, t, threads);
    work(0, threads);
    for (std::thread& worker : workers) worker.join();
    return entries;
}

void TagReaderBinding::setLibraryPath(const QString& path) { s_libraryPath = path; }

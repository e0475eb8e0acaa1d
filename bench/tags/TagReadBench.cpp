// bench_tags DIR [ROUNDS]
// Walks DIR for audio files and, per file, does what the player does when it adds one: open a
// stream, ask the tag reader (loaded once by name, as around one adding operation) for title and
// artist, free the stream. Prints files per second for the whole step and for the tag read alone.
// With DIR/../library-manifest.tsv beside the library, also counts titles that differ from it.

#include "audio/OrvoAudio.h"
#include "tags/OrvoMusicTags.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QLibrary>
#include <QStringList>
#include <cstdio>

namespace {

const QStringList kPatterns = {u"*.mp1"_qs, u"*.mp2"_qs, u"*.mp3"_qs, u"*.wma"_qs, u"*.flac"_qs,
                               u"*.aac"_qs, u"*.ogg"_qs, u"*.ape"_qs, u"*.m4a"_qs};

// path relative to the manifest's folder -> title
QHash<QString, QString> loadManifest(const QString& dir) {
    QHash<QString, QString> titles;
    QFile file(QDir(dir).filePath(u"../library-manifest.tsv"_qs));
    if (!file.open(QIODevice::ReadOnly)) return titles;
    file.readLine();  // header
    while (!file.atEnd()) {
        const QStringList fields = QString::fromUtf8(file.readLine()).trimmed().split(u'\t');
        if (fields.size() >= 2) titles.insert(fields[0], fields[1]);
    }
    return titles;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_tags DIR [ROUNDS]\n");
        return 2;
    }
    const QString dir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

    QStringList files;
    QDirIterator it(dir, kPatterns, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) files.append(it.next());
    files.sort();
    if (files.isEmpty()) {
        std::fprintf(stderr, "bench_tags: no audio files under %s\n", qPrintable(dir));
        return 1;
    }
    const QHash<QString, QString> manifest = loadManifest(dir);
    const QDir manifestBase(QDir(dir).filePath(u".."_qs));

    QLibrary library(QStringLiteral(ORVO_OUT_DIR "/libOrvo_MusicTags.so"));
    const auto read =
        reinterpret_cast<GetMusicTilteAndArtistFn>(library.resolve("GetMusicTilteAndArtist"));
    if (!read) {
        std::fprintf(stderr, "bench_tags: %s\n", qPrintable(library.errorString()));
        return 1;
    }

    std::printf("files: %lld, rounds: %d (first round includes cold caches)\n",
                static_cast<long long>(files.size()), rounds);
    for (int round = 1; round <= rounds; ++round) {
        qint64 tagNs = 0;
        int opened = 0, titled = 0, differing = 0;
        QElapsedTimer total;
        total.start();
        for (const QString& path : files) {
            const OrvoAudio::Handle stream = OrvoAudio::streamCreateFile(path.toStdString());
            if (stream == 0) continue;
            ++opened;
            QString title, artist;
            QElapsedTimer tag;
            tag.start();
            if (read(stream, title, artist)) ++titled;
            tagNs += tag.nsecsElapsed();
            OrvoAudio::streamFree(stream);
            const auto expected = manifest.constFind(manifestBase.relativeFilePath(path));
            if (expected != manifest.cend() && *expected != title) ++differing;
        }
        const double seconds = total.nsecsElapsed() / 1e9;
        std::printf(
            "round %d: %d opened, %d with title, %d differ from manifest | open+tags+free "
            "%.0f files/s (%.2f s) | tag read alone %.0f files/s (%.3f ms each)\n",
            round, opened, titled, differing, opened / seconds, seconds, opened / (tagNs / 1e9),
            tagNs / 1e6 / std::max(opened, 1));
    }
    library.unload();
    return 0;
}

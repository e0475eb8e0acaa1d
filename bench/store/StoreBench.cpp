// Times the store as the player uses it. Usage: bench_store [runs]
// Works in a temporary data folder; loads the built libOrvo_XMLCtrl.so.

#include "core/StoreBinding.h"
#include "store/StoreRecords.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using PlayListFn = void (*)(qint32, QList<tagFileListInfo>*);

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

QList<tagFileListInfo> makeList(int n) {
    QList<tagFileListInfo> list(n);
    for (int i = 0; i < n; ++i) {
        list[i].title = QStringLiteral("歌手 %1 - 歌曲名称 %1").arg(i);
        list[i].path =
            QStringLiteral("/home/user/音乐/专辑 %1/%2. Track & Title.mp3").arg(i / 12).arg(i);
    }
    return list;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, atoi(argv[1])) : 5;
    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    qputenv("ORVO_DATA_DIR", QFile::encodeName(dir.path()));
    const QString libraryPath = QStringLiteral(ORVO_OUT_DIR "/libOrvo_XMLCtrl.so");
    QFile::copy(QStringLiteral(ORVO_SOURCE_DIR "/config.xml"), dir.path() + "/config.xml");

    QLibrary library(libraryPath);
    auto playList = reinterpret_cast<PlayListFn>(library.resolve("PlayList"));
    if (!playList) {
        std::fprintf(stderr, "cannot load %s\n", qPrintable(libraryPath));
        return 1;
    }

    std::printf("| Operation | Entries | Median (ms) | File size (bytes) |\n|---|---|---|---|\n");
    for (int n : {10000, 100000}) {
        const QList<tagFileListInfo> list = makeList(n);
        std::vector<double> writes, reads;
        for (int r = 0; r < runs; ++r) {
            QList<tagFileListInfo> copy = list;
            QElapsedTimer t;
            t.start();
            playList(0, &copy);
            writes.push_back(t.nsecsElapsed() / 1e6);

            QList<tagFileListInfo> back;
            t.restart();
            playList(1, &back);
            reads.push_back(t.nsecsElapsed() / 1e6);
            if (back.size() != n) {
                std::fprintf(stderr, "read %lld of %d entries\n", qlonglong(back.size()), n);
                return 1;
            }
        }
        const qint64 size = QFileInfo(dir.path() + "/playlist.xml").size();
        std::printf("| PlayList write (mode 0) | %d | %.1f | %lld |\n", n, median(writes), size);
        std::printf("| PlayList read (mode 1) | %d | %.1f | %lld |\n", n, median(reads), size);
    }

    // One config read of a config.xml with 100,000 attributes on one element before the key
    // (the store refuses elements with more than a few dozen). Written anew for every run, as
    // the store may set a damaged file aside.
    using GetFn = QString (*)(QString);
    auto get = reinterpret_cast<GetFn>(library.resolve("GetPlayerConfigValue"));
    QByteArray wide = "<?xml version=\"1.0\" ?>\r\n<skin value=\"1\" />\r\n<many";
    for (int i = 0; i < 100000; ++i) wide += " a" + QByteArray::number(i) + "=''";
    wide += " />\r\n<volume value=\"30\" />\r\n";
    std::vector<double> wideGets;
    for (int r = 0; r < runs; ++r) {
        QFile config(dir.path() + "/config.xml");
        if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate) || config.write(wide) < 0)
            return 1;
        config.close();
        QElapsedTimer t;
        t.start();
        const QString v = get(QStringLiteral("skin"));
        wideGets.push_back(t.nsecsElapsed() / 1e6);
        if (v.isEmpty()) {
            std::fprintf(stderr, "no skin value in the wide config\n");
            return 1;
        }
    }
    std::printf(
        "| GetPlayerConfigValue, 100,000 attributes on one element | 1 key | %.1f | %lld |\n",
        median(wideGets), qlonglong(wide.size()));
    QFile::remove(dir.path() + "/config.xml.bad");
    QFile::remove(dir.path() + "/config.xml");
    QFile::copy(QStringLiteral(ORVO_SOURCE_DIR "/config.xml"), dir.path() + "/config.xml");
    library.unload();

    // Through the binding: each call loads the library, resolves one export and unloads it.
    StoreBinding::setLibraryPath(libraryPath);
    std::vector<double> gets;
    for (int r = 0; r < std::max(runs * 10, 21); ++r) {
        QElapsedTimer t;
        t.start();
        const QString v =
            StoreBinding::ReadConfigValue(QStringLiteral("volume"), QStringLiteral("0"));
        gets.push_back(t.nsecsElapsed() / 1e6);
        if (v != QStringLiteral("30")) {
            std::fprintf(stderr, "unexpected volume %s\n", qPrintable(v));
            return 1;
        }
    }
    std::printf("| ReadConfigValue via binding (GetPlayerConfigValue) | 1 key | %.3f | %lld |\n",
                median(gets), QFileInfo(dir.path() + "/config.xml").size());
    return 0;
}

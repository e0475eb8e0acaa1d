// Extended mode: every real-world GIF under ORVO_CORPUS/gif. ImageMagick's identify is the
// independent judge: a file it reads without complaint must load with its frame count and
// delays and play; any other file is refused or shows what could be read, without crashing or
// hanging.
#include "PictureExTestSupport.h"
#include "update/CPictureEx.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QProcess>

namespace {
struct Oracle {
    bool wellFormed = false;
    QList<quint32> delays;  // hundredths, one per frame
};

Oracle identify(const QString& path) {
    QProcess process;
    process.start("identify", {"-format", "%T ", path});
    Oracle oracle;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return oracle;
    }
    const QString out = QString::fromLatin1(process.readAllStandardOutput());
    for (const QString& delay : out.split(' ', Qt::SkipEmptyParts))
        oracle.delays.append(delay.toUInt());
    oracle.wellFormed = process.exitCode() == 0 && process.readAllStandardError().isEmpty() &&
                        !oracle.delays.isEmpty();
    return oracle;
}

TEST(CPictureExCorpus, WellFormedGifsAnimateAsIdentifyReadsThemOthersNeverCrash) {
    const QDir dir(qEnvironmentVariable("ORVO_CORPUS") + "/gif");
    if (qEnvironmentVariableIsEmpty("ORVO_CORPUS") || !dir.exists()) GTEST_SKIP();
    const QStringList files = dir.entryList({"*.gif"}, QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const Oracle oracle = identify(dir.filePath(name));
        CPictureEx picture;
        FrameLog log(picture);
        const bool loaded = picture.load(dir.filePath(name));
        if (oracle.wellFormed) {
            ASSERT_TRUE(loaded);
            const qsizetype frames = oracle.delays.size();
            EXPECT_EQ(picture.frames().size(), frames > 1 ? frames : 0);
            for (qsizetype i = 0; frames > 1 && i < picture.frames().size(); ++i) {
                // A frame without a graphic control extension holds the default here, while
                // identify carries the delay of the control before over to it.
                const quint32 delay = picture.frames()[i].delay;
                if (delay != GifWalker::kNoDelay) {
                    EXPECT_EQ(delay, oracle.delays[i]) << i;
                }
            }
            EXPECT_EQ(picture.play(), frames == 1);
        } else if (loaded) {
            picture.play();
        }
        if (picture.isPlaying()) {
            EXPECT_TRUE(log.waitForCount(1, 5000));
        }
        picture.stop();
    }
}
}  // namespace

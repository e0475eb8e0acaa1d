// Extended mode: every real-world GIF under ORVO_CORPUS/gif. ImageMagick's identify is the
// independent judge: a file it reads without complaint must load with its frame count and
// delays and play; any other file is refused or shows what could be read, without crashing or
// hanging.
#include "PictureExTestSupport.h"
#include "update/CPictureEx.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <optional>

namespace {
// Delays per frame as identify reads them; nothing when it complains about the file.
std::optional<QList<quint32>> identify(const QString& path) {
    QProcess process;
    process.start("identify", {"-format", "%T ", path});
    if (!process.waitForFinished(30000) || process.exitCode() != 0 ||
        !process.readAllStandardError().isEmpty())
        return std::nullopt;
    QList<quint32> delays;
    for (const QByteArray& delay : process.readAllStandardOutput().split(' '))
        if (!delay.isEmpty()) delays.append(delay.toUInt());
    return delays.isEmpty() ? std::nullopt : std::optional(delays);
}

TEST(CPictureExCorpus, WellFormedGifsAnimateAsIdentifyReadsThemOthersNeverCrash) {
    const QDir dir(qEnvironmentVariable("ORVO_CORPUS") + "/gif");
    if (qEnvironmentVariableIsEmpty("ORVO_CORPUS") || !dir.exists()) GTEST_SKIP();
    ASSERT_FALSE(QStandardPaths::findExecutable("identify").isEmpty());
    const QStringList files = dir.entryList({"*.gif"}, QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const std::optional<QList<quint32>> delays = identify(dir.filePath(name));
        CPictureEx picture;
        FrameLog log(picture);
        const bool loaded = picture.load(dir.filePath(name));
        const bool played = picture.play();
        if (delays) {
            ASSERT_TRUE(loaded);
            EXPECT_EQ(picture.frames().size(), delays->size() > 1 ? delays->size() : 0);
            EXPECT_EQ(played, delays->size() == 1);
            for (qsizetype i = 0; i < picture.frames().size(); ++i) {
                // A frame without a graphic control extension holds the default here, while
                // identify carries the delay of the control before over to it.
                const quint32 delay = picture.frames()[i].delay;
                EXPECT_TRUE(delay == GifWalker::kNoDelay || delay == delays->at(i)) << i;
            }
        }
        EXPECT_TRUE(!picture.isPlaying() || log.waitForCount(1, 5000));
    }
}
}  // namespace

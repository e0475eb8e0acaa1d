// Extended mode: every real-world GIF under ORVO_CORPUS/gif, judged by two independent readers.
// A file ImageMagick's identify reads without complaint is well-formed: it must load with the
// frame count that identify and FFmpeg's GIF demuxer (ffprobe) both find, with identify's delays,
// and play. Any other file is refused, or loads with no more frames than
// FFmpeg could read and shows them; never a crash or a hang.
#include "PictureExTestSupport.h"
#include "update/CPictureEx.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <optional>

namespace {
// Standard output of a tool that ended well and said nothing on its error output.
std::optional<QByteArray> run(const QString& tool, const QStringList& arguments) {
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0 ||
        !process.readAllStandardError().isEmpty())
        return std::nullopt;
    return process.readAllStandardOutput();
}

// Delays per frame as identify reads them; nothing when it complains about the file.
std::optional<QList<quint32>> identify(const QString& path) {
    const std::optional<QByteArray> out = run("identify", {"-format", "%T ", path});
    if (!out) return std::nullopt;
    QList<quint32> delays;
    for (const QByteArray& delay : out->split(' '))
        if (!delay.isEmpty()) delays.append(delay.toUInt());
    return delays.isEmpty() ? std::nullopt : std::optional(delays);
}

// Frames FFmpeg's GIF demuxer finds (one packet each); nothing when it cannot read the file.
std::optional<int> ffprobeFrames(const QString& path) {
    const std::optional<QByteArray> out =
        run("ffprobe", {"-v", "error", "-f", "gif", "-count_packets", "-select_streams", "v:0",
                        "-show_entries", "stream=nb_read_packets", "-of", "csv=p=0", path});
    bool ok = false;
    const int frames = out ? out->trimmed().toInt(&ok) : 0;
    return ok ? std::optional(frames) : std::nullopt;
}

TEST(CPictureExCorpus, WellFormedGifsAnimateAsTwoReadersSeeThemOthersNeverCrash) {
    const QDir dir(qEnvironmentVariable("ORVO_CORPUS") + "/gif");
    if (qEnvironmentVariableIsEmpty("ORVO_CORPUS") || !dir.exists()) GTEST_SKIP();
    ASSERT_FALSE(QStandardPaths::findExecutable("identify").isEmpty());
    ASSERT_FALSE(QStandardPaths::findExecutable("ffprobe").isEmpty());
    const QStringList files = dir.entryList({"*.gif"}, QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty());
    int wellFormed = 0;
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const QString path = dir.filePath(name);
        const std::optional<QList<quint32>> delays = identify(path);
        const std::optional<int> ffprobe = ffprobeFrames(path);
        CPictureEx picture;
        FrameLog log(picture);
        const bool loaded = picture.load(path);
        const bool played = picture.play();
        const QList<GifFrame>& frames = picture.frames();
        if (delays) {
            ++wellFormed;
            ASSERT_TRUE(loaded);
            EXPECT_EQ(ffprobe, delays->size());
            EXPECT_EQ(frames.size(), delays->size() > 1 ? delays->size() : 0);
            EXPECT_EQ(played, delays->size() == 1);
            for (qsizetype i = 0; i < frames.size(); ++i) {
                // A frame without a graphic control extension holds the default here, while
                // identify carries the delay of the control before over to it.
                const quint32 delay = frames[i].delay;
                EXPECT_TRUE(delay == GifWalker::kNoDelay || delay == delays->at(i)) << i;
            }
        } else if (loaded) {
            EXPECT_TRUE(played || picture.isPlaying());
            if (ffprobe) {
                EXPECT_LE(frames.size(), *ffprobe);
            }
        }
        if (!picture.isPlaying()) continue;
        // It turns: the second frame follows the first (unless the first stays for long).
        const int count = GifAnimation::holdMs(frames[0].delay) <= 2000 ? 2 : 1;
        ASSERT_TRUE(log.waitForCount(count, 8000));
        for (int i = 0; i < count; ++i) EXPECT_EQ(log.indices[i], i);
    }
    EXPECT_GT(wellFormed, files.size() / 2);  // the readers did read the corpus
}
}  // namespace

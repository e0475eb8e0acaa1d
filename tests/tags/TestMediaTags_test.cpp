// The audio library's generated media (all eight formats, real APE and MP1 included), read the
// way the player does: stream first, then the tag reader loaded by name.
#include "audio/OrvoAudio.h"
#include "tags/OrvoMusicTags.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QLibrary>

TEST(MusicTagsOnTestMedia, EveryListedFileGivesItsTitleAndArtist) {
    QString media = qEnvironmentVariable("ORVO_TEST_MEDIA");
    if (media.isEmpty()) media = QStringLiteral(ORVO_BUILD_DIR "/test-media");
    QFile list(media + u"/media.tsv"_qs);
    ASSERT_TRUE(list.open(QIODevice::ReadOnly)) << list.fileName().toStdString();

    QLibrary library(QStringLiteral(ORVO_OUT_DIR "/libOrvo_MusicTags.so"));
    const auto read =
        reinterpret_cast<GetMusicTilteAndArtistFn>(library.resolve("GetMusicTilteAndArtist"));
    ASSERT_NE(read, nullptr) << library.errorString().toStdString();

    QStringList formats;
    while (!list.atEnd()) {
        const QStringList fields = QString::fromUtf8(list.readLine()).remove(u'\n').split(u'\t');
        ASSERT_GE(fields.size(), 3);
        const OrvoAudio::Handle stream =
            OrvoAudio::streamCreateFile((media + u'/' + fields[0]).toStdString());
        ASSERT_NE(stream, 0u) << fields[0].toStdString();
        QString title;
        QString artist;
        EXPECT_TRUE(read(stream, title, artist)) << fields[0].toStdString();
        OrvoAudio::streamFree(stream);
        EXPECT_EQ(title, fields[1]) << fields[0].toStdString();
        EXPECT_EQ(artist, fields[2]) << fields[0].toStdString();
        const QString suffix = fields[0].section(u'.', -1);
        if (!formats.contains(suffix)) formats.append(suffix);
    }
    EXPECT_GE(formats.size(), 8) << formats.join(u',').toStdString();
    library.unload();
}

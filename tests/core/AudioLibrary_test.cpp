// The player reaches the audio library only through the table it resolves at run time.

#include "core/AudioLibrary.h"

#include <gtest/gtest.h>

TEST(AudioLibraryTest, LoadsTheBuiltLibraryAndDrivesItThroughTheTable) {
    AudioLibrary::setLibraryPath(QStringLiteral(ORVO_OUT_DIR "/libOrvo_Audio.so"));
    const OrvoAudio::Api* audio = AudioLibrary::api();
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(audio, AudioLibrary::api());  // loaded once, kept

    ASSERT_TRUE(audio->init(0, 44100));  // device 0: the null output
    EXPECT_EQ(audio->outputKind(), OrvoAudio::OutputKind::Null);
    EXPECT_EQ(audio->outputRate(), 44100);
    EXPECT_EQ(audio->streamCreateFileUtf16(u"/nonexistent/a.mp3", 0, 0), 0u);
    EXPECT_EQ(audio->channelIsActive(12345), OrvoAudio::Activity::Stopped);
    audio->free();
    EXPECT_EQ(audio->outputRate(), 0);
}

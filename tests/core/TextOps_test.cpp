// Text operations behind the play list, the window size setting and the settings pages.

#include "core/TextOps.h"

#include <gtest/gtest.h>

using namespace TextOps;

TEST(TextOpsTest, SplitTextDropsEmptyPieces) {
    EXPECT_EQ(SplitText("320,560", ","), (QStringList{"320", "560"}));
    EXPECT_EQ(SplitText(",,320,,560,", ","), (QStringList{"320", "560"}));
    EXPECT_EQ(SplitText("a;b c", "; "), (QStringList{"a", "b", "c"}));
    EXPECT_TRUE(SplitText("", ",").isEmpty());
    EXPECT_TRUE(SplitText(",,,", ",").isEmpty());
}

TEST(TextOpsTest, IsInCommaListIsExact) {
    const QString list = kSupportedExtensions;
    EXPECT_TRUE(IsInCommaList("mp3", list));
    EXPECT_FALSE(IsInCommaList("MP3", list));
    EXPECT_FALSE(IsInCommaList("mp", list));
    EXPECT_FALSE(IsInCommaList("mp3,wma", list));
    EXPECT_FALSE(IsInCommaList("", list));
    EXPECT_FALSE(IsInCommaList("", "a,,b"));
}

TEST(TextOpsTest, FileNameTitleTakesTheFirstPieceOfTheName) {
    EXPECT_EQ(FileNameTitle("/music/Song.mp3"), "Song");
    EXPECT_EQ(FileNameTitle("/music/01.Intro.mp3"), "01");
    EXPECT_EQ(FileNameTitle("/my.music/Song.mp3"), "Song");
    EXPECT_EQ(FileNameTitle("D:\\music\\a.b.mp3"), "a");
    EXPECT_EQ(FileNameTitle("/music/..hidden.mp3"), "hidden");
    EXPECT_EQ(FileNameTitle("README"), "README");
    EXPECT_EQ(FileNameTitle(QStringLiteral("/音乐/晴天.mp3")), QStringLiteral("晴天"));
    // No piece to show: the name itself, or the path when there is no name.
    EXPECT_EQ(FileNameTitle("/music/..."), "...");
    EXPECT_EQ(FileNameTitle("/music/"), "/music/");
    EXPECT_EQ(FileNameTitle(""), "");
}

TEST(TextOpsTest, SupportedAudioFilesByExactExtension) {
    for (const char* ok : {"/m/a.mp1", "/m/a.mp2", "/m/a.mp3", "/m/a.wma", "/m/a.flac", "/m/a.aac",
                           "/m/a.ogg", "/m/a.ape", "/my.music/Song.mp3", "/m/01.Intro.mp3"}) {
        EXPECT_TRUE(IsSupportedAudioFile(ok)) << ok;
    }
    for (const char* no : {"/m/A.MP3", "/m/README", "/a.mp3/README", "/m/a.", "/m/a.mp3.txt",
                           "/m/a.wav", "", "/m/.mp3x"}) {
        EXPECT_FALSE(IsSupportedAudioFile(no)) << no;
    }
    EXPECT_TRUE(IsSupportedAudioFile("/m/.mp3"));  // the text after the last dot is "mp3"
}

TEST(TextOpsTest, DecimalValueReadsLeadingDigits) {
    EXPECT_EQ(decimalValue("30"), 30);
    EXPECT_EQ(decimalValue("  -12px"), -12);
    EXPECT_EQ(decimalValue("+7"), 7);
    EXPECT_EQ(decimalValue("on"), 0);
    EXPECT_EQ(decimalValue(""), 0);
    EXPECT_EQ(decimalValue("320,560"), 320);
    EXPECT_EQ(decimalValue("99999999999999999999"), 2147483647);
    EXPECT_EQ(decimalValue("-99999999999999999999"), -2147483647 - 1);
}

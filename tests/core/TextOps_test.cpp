// Text operations behind the play list, the window size setting and the settings pages.

#include "core/TextOps.h"

#include <gtest/gtest.h>

#include <climits>

using namespace TextOps;

TEST(TextOpsTest, SplitTextAndSupportedExtensionsUseWholeNonEmptyPieces) {
    EXPECT_EQ(SplitText(",,320,,560,", ","), (QStringList{"320", "560"}));
    EXPECT_EQ(SplitText("a;b c", "; "), (QStringList{"a", "b", "c"}));
    EXPECT_TRUE(SplitText("", ",").isEmpty() && SplitText(",,,", ",").isEmpty());
    EXPECT_FALSE(IsInCommaList("mp3,wma", kSupportedExtensions) || IsInCommaList("", "a,,b"));
    for (const char* ok : {"/m/a.mp1", "/m/a.mp2", "/m/a.mp3", "/m/a.wma", "/m/a.flac", "/m/a.aac",
                           "/m/a.ogg", "/m/a.ape", "/m/01.Intro.mp3", "/m/.mp3"})
        EXPECT_TRUE(IsSupportedAudioFile(ok)) << ok;
    for (const char* no : {"/m/A.MP3", "/m/README", "/a.mp3/README", "/m/a.", "/m/a.mp3.txt",
                           "/m/a.wav", "", "/m/.mp3x"})
        EXPECT_FALSE(IsSupportedAudioFile(no)) << no;
}

TEST(TextOpsTest, FileNameTitleTakesTheFirstPieceOfTheName) {
    // With no piece to show: the name itself, or the path when there is no name.
    QStringList titles;
    for (const char* path :
         {"/music/Song.mp3", "/music/01.Intro.mp3", "/my.music/Song.mp3", "D:\\music\\a.b.mp3",
          "/music/..hidden.mp3", "README", "/音乐/晴天.mp3", "/music/...", "/music/", ""})
        titles << FileNameTitle(QString::fromUtf8(path));
    EXPECT_EQ(titles, (QStringList{"Song", "01", "Song", "a", "hidden", "README", "晴天", "...",
                                   "/music/", ""}));
}

TEST(TextOpsTest, DecimalValueReadsLeadingDigitsAndClamps) {
    QList<int> values;
    for (const char* text : {"30", "  -12px", "+7", "on", "", "320,560", "99999999999999999999",
                             "-99999999999999999999"})
        values << decimalValue(text);
    EXPECT_EQ(values, (QList<int>{30, -12, 7, 0, 0, 320, INT_MAX, INT_MIN}));
}

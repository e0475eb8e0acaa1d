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
    EXPECT_TRUE(IsInCommaList("mp3", kSupportedExtensions));
    for (const char* no : {"MP3", "mp", "mp3,wma", ""})
        EXPECT_FALSE(IsInCommaList(no, kSupportedExtensions)) << no;
    EXPECT_FALSE(IsInCommaList("", "a,,b"));
}

TEST(TextOpsTest, FileNameTitleTakesTheFirstPieceOfTheName) {
    // With no piece to show: the name itself, or the path when there is no name.
    // clang-format off
    const char* cases[][2] = {
        {"/music/Song.mp3", "Song"}, {"/music/01.Intro.mp3", "01"}, {"/my.music/Song.mp3", "Song"},
        {"D:\\music\\a.b.mp3", "a"}, {"/music/..hidden.mp3", "hidden"}, {"README", "README"},
        {"/音乐/晴天.mp3", "晴天"}, {"/music/...", "..."}, {"/music/", "/music/"}, {"", ""}};
    // clang-format on
    for (const auto& c : cases) EXPECT_EQ(FileNameTitle(QString::fromUtf8(c[0])), c[1]) << c[0];
}

TEST(TextOpsTest, SupportedAudioFilesByExactExtension) {
    for (const char* ok : {"/m/a.mp1", "/m/a.mp2", "/m/a.mp3", "/m/a.wma", "/m/a.flac", "/m/a.aac",
                           "/m/a.ogg", "/m/a.ape", "/my.music/Song.mp3", "/m/01.Intro.mp3",
                           "/m/.mp3"})  // the text after the last dot is "mp3"
        EXPECT_TRUE(IsSupportedAudioFile(ok)) << ok;
    for (const char* no : {"/m/A.MP3", "/m/README", "/a.mp3/README", "/m/a.", "/m/a.mp3.txt",
                           "/m/a.wav", "", "/m/.mp3x"})
        EXPECT_FALSE(IsSupportedAudioFile(no)) << no;
}

TEST(TextOpsTest, DecimalValueReadsLeadingDigits) {
    // clang-format off
    const std::pair<const char*, int> cases[] = {
        {"30", 30}, {"  -12px", -12}, {"+7", 7}, {"on", 0}, {"", 0}, {"320,560", 320},
        {"99999999999999999999", 2147483647}, {"-99999999999999999999", -2147483647 - 1}};
    // clang-format on
    for (const auto& [text, value] : cases) EXPECT_EQ(decimalValue(text), value) << text;
}

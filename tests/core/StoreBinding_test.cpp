// The binding loads the real store library by file name around every call.

#include "core/StoreBinding.h"
#include "core/ConfigKeys.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace ConfigKeys;
using SB = StoreBinding;

namespace {

const QString kLibrary = QStringLiteral(ORVO_OUT_DIR "/libOrvo_XMLCtrl.so");

class StoreBindingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid() && QFile::exists(kLibrary));
        qputenv("ORVO_DATA_DIR", QFile::encodeName(m_dir.path()));
        QFile::copy(QStringLiteral(ORVO_SOURCE_DIR "/config.xml"), m_dir.path() + "/config.xml");
        SB::setLibraryPath(kLibrary);
    }
    void TearDown() override {
        SB::setLibraryPath(QString());
        qunsetenv("ORVO_DATA_DIR");
    }
    QTemporaryDir m_dir;
};

}  // namespace

TEST_F(StoreBindingTest, ConfigListsAndSkinsRoundTripThroughTheLibrary) {
    EXPECT_EQ(SB::ReadConfigValue(kVolume, "0"), "30");
    SB::WriteConfigValue(kVolume, 77);
    EXPECT_EQ(SB::ReadConfigNumber(kVolume, "0"), 77);
    // Every delivered key persists, non-ASCII text included.
    const char* keys[] = {kSkin,         kWndSize,       kLoop,        kMute,    kVolume,
                          kLastPlayFile, kEnTransparent, kTransparent, kAutoPlay};
    for (const char* key : keys)
        SB::WriteConfigValue(key, QStringLiteral("/音乐/晴天 & %1").arg(key));
    for (const char* key : keys)
        EXPECT_EQ(SB::ReadConfigValue(key, "-"), QStringLiteral("/音乐/晴天 & %1").arg(key));
    // An empty stored value reads as the caller's fallback, like a missing key.
    SB::WriteConfigValue(kLastPlayFile, QString());
    EXPECT_EQ(SB::ReadConfigValue(kLastPlayFile, "fb"), "fb");
    SB::WriteConfigValue("nosuchkey", "x");
    EXPECT_EQ(SB::ReadConfigValue("nosuchkey", "fallback"), "fallback");

    QList<tagFileListInfo> list{{QStringLiteral("歌 1"), "/m/1.mp3"}, {"two", "/m/2.mp3"}};
    SB::SavePlayList(&list);
    QList<tagFileListInfo> back;
    SB::LoadPlayList(&back);
    ASSERT_EQ(back.size(), 2);
    EXPECT_EQ(back[0].title + back[1].path, QStringLiteral("歌 1/m/2.mp3"));

    QList<tagUiBgSkinInfo> skins{{"1", 0, "1.jpg"}, {"{A}", -1, "2.bmp"}};
    SB::CallSkinList(0, &skins);
    QList<tagUiBgSkinInfo> skinsBack;
    SB::CallSkinList(1, &skinsBack);
    EXPECT_EQ(skinsBack.size(), 2);
    EXPECT_EQ(SB::ReadSkinInfo("{A}").maskcolor, -1);
    EXPECT_EQ(SB::ReadSkinInfo("{A}").fname, "2.bmp");
    EXPECT_TRUE(SB::ReadSkinInfo("{a}").id.isEmpty());
}

TEST_F(StoreBindingTest, MissingLibraryOrExportFallsBack) {
    for (const QString& lib :
         {m_dir.path() + "/libmissing.so", QStringLiteral(ORVO_OTHER_LIBRARY)}) {
        SB::setLibraryPath(lib);
        EXPECT_EQ(SB::ReadConfigValue(kVolume, "fb"), "fb") << qPrintable(lib);
        SB::WriteConfigValue(kVolume, 5);
        QList<tagFileListInfo> list(1);
        SB::SavePlayList(&list);
        SB::LoadPlayList(&list);
        EXPECT_EQ(list.size(), 1);
        QList<tagUiBgSkinInfo> skins;
        SB::CallSkinList(1, &skins);
        EXPECT_TRUE(skins.isEmpty());
        const tagUiBgSkinInfo none = SB::ReadSkinInfo("1");
        EXPECT_TRUE(none.id.isEmpty() && none.maskcolor == 0);
    }
    EXPECT_FALSE(QFile::exists(m_dir.path() + "/playlist.xml"));
    SB::setLibraryPath(kLibrary);
    EXPECT_EQ(SB::ReadConfigValue(kVolume, "fb"), "30");  // not written
}

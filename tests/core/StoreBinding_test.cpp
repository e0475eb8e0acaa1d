// The binding loads the real store library by file name around every call.

#include "CoreTestSupport.h"
#include "core/ConfigKeys.h"

using namespace ConfigKeys;
using SB = StoreBinding;
using StoreBindingTest = CoreFixture;  // the delivered config, the library path set anew

TEST_F(StoreBindingTest, EveryConfigKeyThePlayerWritesReachesTheDeliveredFile) {
    // The store never adds a key, so every key the player writes must be in the delivered file.
    for (const char* key : {kSkin, kWndSize, kLoop, kMute, kVolume, kLastPlayFile, kEnTransparent,
                            kTransparent, kAutoPlay}) {
        SB::WriteConfigValue(key, QStringLiteral("/音乐/晴天 & %1").arg(key));
        EXPECT_EQ(SB::ReadConfigValue(key, "-"), QStringLiteral("/音乐/晴天 & %1").arg(key));
    }
    SB::WriteConfigValue(kVolume, 77);
    EXPECT_EQ(SB::ReadConfigNumber(kVolume, "0"), 77);
    // An empty stored value reads as the caller's fallback, like a missing key.
    SB::WriteConfigValue(kLastPlayFile, QString());
    EXPECT_EQ(SB::ReadConfigValue(kLastPlayFile, "fb"), "fb");
    EXPECT_EQ(SB::ReadConfigNumber("nosuchkey", "12"), 12);
}

TEST_F(StoreBindingTest, MissingLibraryOrExportFallsBack) {
    const QByteArray config = read("config.xml");
    QList<tagUiBgSkinInfo> skins{{"1", 7, "1.jpg"}};
    SB::CallSkinList(0, &skins);  // through the real library, so reaching it later would show
    QList<tagFileListInfo> list(1);
    for (const QString& lib : {file("libmissing.so"), QStringLiteral(ORVO_OTHER_LIBRARY)}) {
        SCOPED_TRACE(qPrintable(lib));
        SB::setLibraryPath(lib);
        SB::WriteConfigValue(kVolume, 5);
        SB::SavePlayList(&list);
        SB::LoadPlayList(&list);
        SB::CallSkinList(1, &skins);
        EXPECT_EQ(list.size(), 1);
        EXPECT_EQ(skins.size(), 1);
        EXPECT_EQ(SB::ReadConfigValue(kVolume, "fb"), "fb");
        EXPECT_EQ(SB::ReadSkinInfo("1").maskcolor, 0);
    }
    EXPECT_FALSE(QFile::exists(file("playlist.xml")));
    EXPECT_EQ(read("config.xml"), config);
}

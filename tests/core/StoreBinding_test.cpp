// The binding loads the real store library by file name around every call.

#include "core/StoreBinding.h"
#include "core/ConfigKeys.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

const QString kLibrary = QStringLiteral(ORVO_OUT_DIR "/libOrvo_XMLCtrl.so");

class StoreBindingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QFile::exists(kLibrary));
        qputenv("ORVO_DATA_DIR", QFile::encodeName(m_dir.path()));
        QFile::copy(QStringLiteral(ORVO_SOURCE_DIR "/config.xml"), m_dir.path() + "/config.xml");
        StoreBinding::setLibraryPath(kLibrary);
    }
    void TearDown() override {
        StoreBinding::setLibraryPath(QString());
        qunsetenv("ORVO_DATA_DIR");
    }
    QTemporaryDir m_dir;
};

}  // namespace

TEST_F(StoreBindingTest, ConfigRoundTripThroughTheLibrary) {
    EXPECT_EQ(StoreBinding::ReadConfigValue(ConfigKeys::kVolume, "0"), "30");
    StoreBinding::WriteConfigValue(ConfigKeys::kVolume, 77);
    EXPECT_EQ(StoreBinding::ReadConfigNumber(ConfigKeys::kVolume, "0"), 77);
    StoreBinding::WriteConfigValue(ConfigKeys::kLastPlayFile,
                                   QStringLiteral("/音乐/晴天 & 雨.mp3"));
    EXPECT_EQ(StoreBinding::ReadConfigValue(ConfigKeys::kLastPlayFile, ""),
              QStringLiteral("/音乐/晴天 & 雨.mp3"));

    // An empty stored value reads as the caller's fallback, like a missing key.
    StoreBinding::WriteConfigValue(ConfigKeys::kLastPlayFile, QString());
    EXPECT_EQ(StoreBinding::ReadConfigValue(ConfigKeys::kLastPlayFile, "fb"), "fb");
    EXPECT_EQ(StoreBinding::ReadConfigValue("nosuchkey", "fallback"), "fallback");
    StoreBinding::WriteConfigValue("nosuchkey", "x");
    EXPECT_EQ(StoreBinding::ReadConfigValue("nosuchkey", "fallback"), "fallback");
}

TEST_F(StoreBindingTest, EveryDeliveredKeyPersists) {
    const char* keys[] = {
        ConfigKeys::kSkin,          ConfigKeys::kWndSize,     ConfigKeys::kLoop,
        ConfigKeys::kMute,          ConfigKeys::kVolume,      ConfigKeys::kLastPlayFile,
        ConfigKeys::kEnTransparent, ConfigKeys::kTransparent, ConfigKeys::kAutoPlay};
    int n = 0;
    for (const char* key : keys)
        StoreBinding::WriteConfigValue(key, QStringLiteral("v%1").arg(n++));
    n = 0;
    for (const char* key : keys) {
        EXPECT_EQ(StoreBinding::ReadConfigValue(key, "missing"), QStringLiteral("v%1").arg(n++))
            << key;
    }
}

TEST_F(StoreBindingTest, ListsAndSkinsRoundTrip) {
    QList<tagFileListInfo> list{{QStringLiteral("歌 1"), "/m/1.mp3"}, {"two", "/m/2.mp3"}};
    StoreBinding::SavePlayList(&list);
    QList<tagFileListInfo> back;
    StoreBinding::LoadPlayList(&back);
    ASSERT_EQ(back.size(), 2);
    EXPECT_EQ(back[0].title + back[1].path, QStringLiteral("歌 1/m/2.mp3"));

    QList<tagUiBgSkinInfo> skins{{"1", 0, "1.jpg"}, {"{A}", -1, "2.bmp"}};
    StoreBinding::CallSkinList(0, &skins);
    QList<tagUiBgSkinInfo> skinsBack;
    StoreBinding::CallSkinList(1, &skinsBack);
    EXPECT_EQ(skinsBack.size(), 2);
    EXPECT_EQ(StoreBinding::ReadSkinInfo("{A}").maskcolor, -1);
    EXPECT_EQ(StoreBinding::ReadSkinInfo("{A}").fname, "2.bmp");
    EXPECT_TRUE(StoreBinding::ReadSkinInfo("{a}").id.isEmpty());
}

TEST_F(StoreBindingTest, MissingLibraryOrExportFallsBack) {
    const QByteArray config = [&] {
        QFile f(m_dir.path() + "/config.xml");
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    for (const QString& lib :
         {m_dir.path() + "/libmissing.so", QStringLiteral(ORVO_OTHER_LIBRARY)}) {
        StoreBinding::setLibraryPath(lib);
        EXPECT_EQ(StoreBinding::ReadConfigValue(ConfigKeys::kVolume, "fb"), "fb")
            << qPrintable(lib);
        StoreBinding::WriteConfigValue(ConfigKeys::kVolume, 5);
        QList<tagFileListInfo> list(1);
        list[0].path = "/keep.mp3";
        StoreBinding::SavePlayList(&list);
        StoreBinding::LoadPlayList(&list);
        EXPECT_EQ(list.size(), 1);
        QList<tagUiBgSkinInfo> skins;
        StoreBinding::CallSkinList(1, &skins);
        EXPECT_TRUE(skins.isEmpty());
        const tagUiBgSkinInfo none = StoreBinding::ReadSkinInfo("1");
        EXPECT_TRUE(none.id.isEmpty());
        EXPECT_EQ(none.maskcolor, 0);
    }
    EXPECT_FALSE(QFile::exists(m_dir.path() + "/playlist.xml"));
    StoreBinding::setLibraryPath(kLibrary);
    EXPECT_EQ(StoreBinding::ReadConfigValue(ConfigKeys::kVolume, "fb"), "30");
}

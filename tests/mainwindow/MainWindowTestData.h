#pragma once
// A private data folder for one main-window test, seeded from the source tree as at a first start,
// plus two plain test skins ("t-red", "t-blue") whose colours the tests can look for. The store
// library and the pictures are taken from the build's program folder.

#include "core/StoreBinding.h"
#include "platform/DataDirectory.h"

#include <gtest/gtest.h>
#include <QColor>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>

class MainWindowTestData {
public:
    MainWindowTestData() {
        EXPECT_TRUE(m_dir.isValid());
        qputenv("ORVO_DATA_DIR", QFile::encodeName(m_dir.path()));
        DataDirectory::setDeliveredDirectoryOverride(QStringLiteral(ORVO_SOURCE_DIR));
        EXPECT_TRUE(DataDirectory::prepare());
        DataDirectory::setProgramDirectoryOverride(QStringLiteral(ORVO_OUT_DIR "/"));
        StoreBinding::setLibraryPath(QStringLiteral(ORVO_OUT_DIR "/libOrvo_XMLCtrl.so"));
        addSkin(QStringLiteral("t-red"), QColor(200, 30, 30));
        addSkin(QStringLiteral("t-blue"), QColor(30, 30, 200));
    }

    ~MainWindowTestData() {
        qunsetenv("ORVO_DATA_DIR");
        DataDirectory::setDeliveredDirectoryOverride(QString());
        DataDirectory::setProgramDirectoryOverride(QString());
        StoreBinding::setLibraryPath(QString());
    }

    // A skin whose whole picture is one colour, appended to the skin list.
    static void addSkin(const QString& id, const QColor& colour) {
        const QString folder = DataDirectory::path() + QStringLiteral("skin/") + id;
        QDir().mkpath(folder);
        QImage picture(64, 112, QImage::Format_RGB32);
        picture.fill(colour);
        EXPECT_TRUE(picture.save(folder + QStringLiteral("/bg.bmp")));
        QList<tagUiBgSkinInfo> skins;
        StoreBinding::CallSkinList(1, &skins);
        skins.append({id, 0, QStringLiteral("bg.bmp")});
        setSkinList(skins);
    }

    // Keeps only these skins in the skin list.
    static void setSkinList(QList<tagUiBgSkinInfo> skins) { StoreBinding::CallSkinList(0, &skins); }

private:
    QTemporaryDir m_dir;
};

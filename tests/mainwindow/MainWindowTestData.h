#pragma once
// A private data folder for one main-window test: the delivered config.xml, skinlist.xml and
// skin/ of the source tree, plus two plain test skins ("t-red", "t-blue") whose colours the tests
// can look for. The store library and the pictures are taken from the build's program folder.

#include "core/StoreBinding.h"
#include "platform/DataDirectory.h"

#include <gtest/gtest.h>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

class MainWindowTestData {
public:
    MainWindowTestData() {
        EXPECT_TRUE(m_dir.isValid());
        const QString src = QStringLiteral(ORVO_SOURCE_DIR "/");
        const QString dst = path();
        if (!QFile::copy(src + "config.xml", dst + "config.xml")) {
            QFile f(dst + "config.xml");
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(DataDirectory::defaultConfig());
        }
        QFile::copy(src + "skinlist.xml", dst + "skinlist.xml");
        copyTree(src + "skin", dst + "skin");
        qputenv("ORVO_DATA_DIR", QFile::encodeName(dst));
        DataDirectory::setProgramDirectoryOverride(QStringLiteral(ORVO_OUT_DIR "/"));
        StoreBinding::setLibraryPath(QStringLiteral(ORVO_OUT_DIR "/libOrvo_XMLCtrl.so"));

        addSkin(QStringLiteral("t-red"), QColor(200, 30, 30));
        addSkin(QStringLiteral("t-blue"), QColor(30, 30, 200));
    }

    ~MainWindowTestData() {
        qunsetenv("ORVO_DATA_DIR");
        DataDirectory::setProgramDirectoryOverride(QString());
        StoreBinding::setLibraryPath(QString());
    }

    QString path() const { return m_dir.path() + u'/'; }

    // A skin whose whole picture is one colour, appended to the skin list.
    static tagUiBgSkinInfo addSkin(const QString& id, const QColor& colour) {
        const QString folder = DataDirectory::path() + QStringLiteral("skin/") + id;
        QDir().mkpath(folder);
        QImage picture(64, 112, QImage::Format_RGB32);
        picture.fill(colour);
        EXPECT_TRUE(picture.save(folder + QStringLiteral("/bg.bmp")));
        tagUiBgSkinInfo info{id, 0, QStringLiteral("bg.bmp")};
        QList<tagUiBgSkinInfo> skins;
        StoreBinding::CallSkinList(1, &skins);
        skins.append(info);
        StoreBinding::CallSkinList(0, &skins);
        return info;
    }

    // Keeps only these skins in the skin list.
    static void setSkinList(QList<tagUiBgSkinInfo> skins) { StoreBinding::CallSkinList(0, &skins); }

    static tagUiBgSkinInfo skin(const QString& id) { return StoreBinding::ReadSkinInfo(id); }

private:
    static void copyTree(const QString& from, const QString& to) {
        QDir source(from);
        if (!source.exists()) return;
        QDir().mkpath(to);
        for (const QFileInfo& entry :
             source.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QString target = to + u'/' + entry.fileName();
            if (entry.isDir()) {
                copyTree(entry.filePath(), target);
            } else {
                QFile::copy(entry.filePath(), target);
            }
        }
    }

    QTemporaryDir m_dir;
};

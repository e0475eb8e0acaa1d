#pragma once
// A private data folder seeded as at a first start, with the store library and pictures from the
// build; a page opened as the sheet would, in a plain parent of the sheet's page size; and
// screenshots at 1x and 2x under build/tests/artifacts/<folder>/ for a look by eye.

#include "core/StoreBinding.h"
#include "platform/DataDirectory.h"
#include "settings/SettingsPage.h"
#include "tests/store/DataDirFixture.h"

#include <QApplication>
#include <memory>

class SeededDataFixture : public DataDirFixture {
protected:
    void SetUp() override {
        DataDirFixture::SetUp();
        DataDirectory::setDeliveredDirectoryOverride(QStringLiteral(ORVO_SOURCE_DIR));
        ASSERT_TRUE(DataDirectory::prepare());
        DataDirectory::setProgramDirectoryOverride(QStringLiteral(ORVO_OUT_DIR "/"));
        StoreBinding::setLibraryPath(QStringLiteral(ORVO_OUT_DIR "/libOrvo_XMLCtrl.so"));
    }
    void TearDown() override {
        DataDirFixture::TearDown();
        DataDirectory::setDeliveredDirectoryOverride(QString());
        DataDirectory::setProgramDirectoryOverride(QString());
        StoreBinding::setLibraryPath(QString());
    }
    static QString config(const char* key) {
        return StoreBinding::ReadConfigValue(key, QStringLiteral("<none>"));
    }
    static void setConfig(std::initializer_list<std::pair<const char*, QString>> values) {
        for (const auto& [key, value] : values) {
            StoreBinding::WriteConfigValue(key, value);
            ASSERT_EQ(config(key), value.isEmpty() ? QStringLiteral("<none>") : value) << key;
        }
    }
};

inline QWidget* openPage(SettingsPage& page, std::unique_ptr<QWidget>& sheet) {
    sheet = std::make_unique<QWidget>();
    sheet->resize(280, 350);
    QWidget* window = page.CreatePage(sheet.get());
    window->resize(280, 350);
    sheet->show();
    QApplication::processEvents();
    return window;
}

inline void saveShots(QWidget& widget, const QString& folder, const QString& name) {
    const QString dir = QStringLiteral(ORVO_BUILD_DIR "/tests/artifacts/") + folder + u'/';
    QDir().mkpath(dir);
    for (const int ratio : {1, 2}) {
        QImage shot(widget.size() * ratio, QImage::Format_ARGB32_Premultiplied);
        shot.setDevicePixelRatio(ratio);
        widget.render(&shot);
        EXPECT_TRUE(shot.save(dir + name + QStringLiteral("@%1x.png").arg(ratio)))
            << name.toStdString();
    }
}

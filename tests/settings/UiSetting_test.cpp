#include "settings/UiSetting.h"
#include "settings/BitmapFile.h"
#include "settings/SkinFiles.h"

#include "core/ConfigKeys.h"
#include "core/StoreBinding.h"
#include "platform/DataDirectory.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace ConfigKeys;
using namespace Qt::StringLiterals;

namespace {

QString config(const char* key) { return StoreBinding::ReadConfigValue(key, u"<none>"_s); }

// The main window's side: records what reached it, and when.
class FakeTarget : public SettingsTarget {
public:
    QWidget* targetWindow() override { return &window; }
    void SetOpacity(int alpha) override { calls << u"opacity %1"_s.arg(alpha); }
    void SetTranslucent(bool on) override { calls << u"translucent %1"_s.arg(on); }
    void ChangeBackground(const tagUiBgSkinInfo& info, int opacity) override {
        calls << u"background %1 %2 %3 %4"_s.arg(info.id, info.fname)
                     .arg(info.maskcolor)
                     .arg(opacity);
    }
    void ApplySoundEffect(qintptr, qintptr) override {}

    QWidget window;
    QStringList calls;
};

QStringList skinIds() {
    QList<tagUiBgSkinInfo> skins;
    StoreBinding::CallSkinList(1, &skins);
    QStringList ids;
    for (const auto& s : skins) ids << s.id;
    return ids;
}

// A fresh data folder seeded with the delivered skins, the store library from the build, and one
// opening of the page inside a plain parent of the sheet's page size.
class UiSettingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("ORVO_DATA_DIR", QFile::encodeName(m_dir.path()));
        DataDirectory::setDeliveredDirectoryOverride(QStringLiteral(ORVO_SOURCE_DIR));
        ASSERT_TRUE(DataDirectory::prepare());
        StoreBinding::setLibraryPath(QStringLiteral(ORVO_OUT_DIR "/libOrvo_XMLCtrl.so"));
        ASSERT_EQ(skinIds(), (QStringList{"1", "2", "3", "4"}));
    }
    void TearDown() override {
        m_sheet.reset();
        qunsetenv("ORVO_DATA_DIR");
        DataDirectory::setDeliveredDirectoryOverride(QString());
        StoreBinding::setLibraryPath(QString());
    }

    // Opens the page; the picture chooser answers with m_picture, the delete question with
    // m_confirm, and errors are collected.
    void open() {
        m_page = std::make_unique<UiSetting>(m_target);
        m_page->setPrompts({[this](QWidget*) { return m_picture; },
                            [this](QWidget*) {
                                ++m_asked;
                                return m_confirm;
                            },
                            [this](const QString& text) { m_errors << text; }});
        m_sheet = std::make_unique<QWidget>();
        m_sheet->resize(280, 350);
        m_page->CreatePage(m_sheet.get())->setGeometry(0, 0, 280, 350);
        m_sheet->show();
        QApplication::processEvents();
    }
    template <class T>
    T* find(const char* id) const {
        return m_page->page()->findChild<T*>(QString::fromLatin1(id));
    }
    QListWidget* list() const { return find<QListWidget>("1023"); }
    // Whether the row shows a thumbnail rather than the grey square of a missing one.
    bool showsThumbnail(int row) const {
        const QImage icon = list()->item(row)->icon().pixmap(32).toImage();
        return !icon.isNull() && icon.pixel(16, 16) != qRgb(150, 150, 150);
    }
    QSlider* slider() const { return find<QSlider>("1004"); }
    void clickItem(int row, Qt::MouseButton button) {
        const QRect r = list()->visualItemRect(list()->item(row));
        QTest::mouseClick(list()->viewport(), button, {}, r.center());
    }
    // Whatever the page posted reaches the window only here.
    QStringList delivered() {
        QApplication::processEvents();
        return std::exchange(m_target.calls, {});
    }
    QString importPicture(const QString& name, const QImage& picture) {
        m_picture = QDir(m_dir.path()).filePath(name);
        if (!picture.isNull()) {
            EXPECT_TRUE(picture.save(m_picture));
        }
        find<QPushButton>("1017")->click();
        return m_page->skins().constLast().id;
    }
    QString skinPath(const QString& rest) const { return m_dir.filePath(u"skin/"_s + rest); }

    QTemporaryDir m_dir;
    FakeTarget m_target;
    std::unique_ptr<UiSetting> m_page;
    std::unique_ptr<QWidget> m_sheet;
    QString m_picture;
    bool m_confirm = true;
    int m_asked = 0;
    QStringList m_errors;
};

}  // namespace

TEST_F(UiSettingTest, OpensFromTheStoredSwitchOpacityAndSkins) {
    struct Case {
        QString entransparent, transparent;
        bool enabled;
        int position;
    };
    for (const Case& c : {Case{u"0"_s, u"200"_s, false, 55}, Case{u"7"_s, u"1"_s, true, 254},
                          Case{u""_s, u""_s, true, 0}}) {
        StoreBinding::WriteConfigValue(kEnTransparent, c.entransparent);
        StoreBinding::WriteConfigValue(kTransparent, c.transparent);
        open();
        SCOPED_TRACE(c.entransparent.toStdString());
        EXPECT_EQ(slider()->isEnabled(), c.enabled);
        EXPECT_EQ(find<QCheckBox>("1007")->isChecked(), c.enabled);
        EXPECT_EQ(slider()->maximum(), 255);
        EXPECT_EQ(slider()->value(), c.position);
        ASSERT_EQ(list()->count(), 4);
        for (int i = 0; i < 4; ++i) EXPECT_TRUE(showsThumbnail(i)) << i;
        EXPECT_TRUE(delivered().isEmpty());  // opening tells the window nothing
    }
}

TEST_F(UiSettingTest, SliderSwitchAndPickArePostedNeverAlphaZero) {
    open();
    slider()->setValue(255);
    EXPECT_TRUE(m_target.calls.isEmpty());  // posted, not called
    EXPECT_EQ(delivered(), QStringList{"opacity 1"});
    slider()->setValue(0);
    EXPECT_EQ(delivered(), QStringList{"opacity 255"});

    find<QCheckBox>("1007")->click();
    EXPECT_FALSE(slider()->isEnabled());
    EXPECT_EQ(delivered(), QStringList{"translucent 0"});
    find<QCheckBox>("1007")->click();
    EXPECT_TRUE(slider()->isEnabled() && find<QCheckBox>("1007")->isEnabled());
    EXPECT_EQ(delivered(), QStringList{"translucent 1"});
    EXPECT_EQ(config(kTransparent), u"255"_s);  // nothing stored before OK

    slider()->setValue(255);
    delivered();
    clickItem(2, Qt::LeftButton);
    EXPECT_TRUE(m_target.calls.isEmpty());
    EXPECT_EQ(config(kSkin), u"3"_s);
    EXPECT_EQ(m_page->currentSkin(), u"3"_s);
    EXPECT_TRUE(list()->isEnabled());
    EXPECT_EQ(delivered(), QStringList{"background 3 3.bmp 16711935 0"});
}

TEST_F(UiSettingTest, OkStoresTheOpacityCancelNothing) {
    for (auto [position, stored] : {std::pair{255, u"1"_s}, {55, u"200"_s}, {0, u"255"_s}}) {
        StoreBinding::WriteConfigValue(kTransparent, u"77"_s);
        open();
        slider()->setValue(position);
        m_sheet.reset();  // Cancel: the sheet goes, nothing applies
        m_page->ApplyIfShown();
        EXPECT_EQ(config(kTransparent), u"77"_s);
        open();
        slider()->setValue(position);
        m_page->ApplyIfShown();
        EXPECT_EQ(config(kTransparent), stored) << position;
    }
}

// Import of a PNG with a transparent half, a second import, picking one and deleting the other.
TEST_F(UiSettingTest, ImportsPicksAndDeletesBackgrounds) {
    QImage png(40, 20, QImage::Format_ARGB32);
    png.fill(Qt::transparent);
    for (int y = 0; y < 20; ++y)
        for (int x = 20; x < 40; ++x) png.setPixelColor(x, y, QColor(220, 20, 20));
    open();
    const QString first = importPicture(u"half.png"_s, png);
    const QString second = importPicture(u"half.png"_s, png);
    ASSERT_TRUE(m_errors.isEmpty()) << m_errors.join(u'\n').toStdString();
    EXPECT_NE(first, second);
    EXPECT_EQ(skinIds(), (QStringList{"1", "2", "3", "4", first, second}));
    EXPECT_EQ(list()->count(), 6);
    EXPECT_TRUE(showsThumbnail(5));
    EXPECT_TRUE(delivered().isEmpty());  // an import changes no background

    const tagUiBgSkinInfo skin = m_page->skins().at(4);
    EXPECT_TRUE(QRegularExpression(u"^\\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\}$"_s)
                    .match(skin.id)
                    .hasMatch());
    const QString stem = skin.fname.chopped(4);
    EXPECT_TRUE(QRegularExpression(u"^\\d{16,17}\\.bmp$"_s).match(skin.fname).hasMatch());
    EXPECT_EQ(QDir(skinPath(first)).entryList(QDir::Files),
              (QStringList{skin.fname, stem + "_s.bmp"}));
    QFile thumbFile(skinPath(first + "/" + stem + "_s.bmp"));
    ASSERT_TRUE(thumbFile.open(QIODevice::ReadOnly));
    const QByteArray thumbBytes = thumbFile.readAll();
    EXPECT_EQ(qFromLittleEndian<quint16>(thumbBytes.constData() + 28),
              BitmapFile::DepthFor(QGuiApplication::primaryScreen()->depth()));
    const QImage thumb = QImage::fromData(thumbBytes, "BMP");
    ASSERT_EQ(thumb.size(), QSize(32, 32));
    EXPECT_EQ(thumb.pixelColor(4, 16), QColor(Qt::black));  // transparent became black
    EXPECT_GT(thumb.pixelColor(28, 16).red(), 200);

    // Re-opened from skinlist.xml, the new ones show their thumbnails too.
    open();
    ASSERT_EQ(list()->count(), 6);
    EXPECT_TRUE(showsThumbnail(4));
    clickItem(5, Qt::LeftButton);
    EXPECT_EQ(delivered(),
              QStringList{u"background %1 %2 %3 255"_s.arg(second, m_page->skins().at(5).fname)
                              .arg(m_page->skins().at(5).maskcolor)});

    // Built-in and in-use backgrounds are kept without a question; Cancel keeps too.
    for (int row : {0, 3, 5}) clickItem(row, Qt::RightButton);
    EXPECT_EQ(m_asked, 0);
    m_confirm = false;
    clickItem(4, Qt::RightButton);
    EXPECT_EQ(m_asked, 1);
    EXPECT_EQ(list()->count(), 6);
    m_confirm = true;
    clickItem(4, Qt::RightButton);
    EXPECT_EQ(list()->count(), 5);
    EXPECT_FALSE(QFileInfo::exists(skinPath(first)));
    EXPECT_EQ(skinIds(), (QStringList{"1", "2", "3", "4", second}));
    // The one after it moved up and answers at its place.
    clickItem(4, Qt::LeftButton);
    EXPECT_EQ(delivered().value(0).section(u' ', 1, 1), second);
}

TEST_F(UiSettingTest, BrokenPicturesAndMissingSkinFolderWriteNothing) {
    open();
    const QStringList before =
        QDir(skinPath(QString())).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QFile broken(m_dir.filePath(u"broken.jpg"_s));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write(QByteArray("\xff\xd8\xff\xe0 not really a jpeg", 24));
    broken.close();
    importPicture(u"broken.jpg"_s, QImage());
    importPicture(u"missing.png"_s, QImage());
    EXPECT_EQ(m_errors, QStringList(2, QString::fromUtf8(UiSetting::kUnreadableText)));
    EXPECT_EQ(QDir(skinPath(QString())).entryList(QDir::Dirs | QDir::NoDotAndDotDot), before);

    m_errors.clear();
    ASSERT_TRUE(QDir(skinPath(QString())).removeRecursively());
    QImage ok(8, 8, QImage::Format_RGB32);
    ok.fill(Qt::green);
    importPicture(u"ok.png"_s, ok);
    EXPECT_EQ(m_errors, QStringList{QString::fromUtf8(UiSetting::kFolderErrorText)});
    EXPECT_FALSE(QFileInfo::exists(skinPath(QString())));
    EXPECT_EQ(skinIds().size(), 4);
    EXPECT_EQ(list()->count(), 4);
}

// Ids from a hand-edited skinlist.xml never lead a deletion out of skin/<id>/.
TEST_F(UiSettingTest, DeletionRefusesIdsOutsideTheSkinFolder) {
    QDir data(m_dir.path());
    ASSERT_TRUE(data.mkpath(u"keep/inner"_s) && data.mkpath(u"skin/x"_s));
    QFile(m_dir.filePath(u"keep/inner/f"_s)).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(m_dir.filePath(u"keep"_s), skinPath(u"link"_s)));
    QList<tagUiBgSkinInfo> skins;
    StoreBinding::CallSkinList(1, &skins);
    for (const QString& id : {u""_s, u"."_s, u".."_s, u"x/.."_s, u"../keep"_s, u"link"_s})
        skins.append({id, 0, u"a.bmp"_s});
    StoreBinding::CallSkinList(0, &skins);
    open();
    for (int row = 4; row < 9; ++row) clickItem(row, Qt::RightButton);
    EXPECT_EQ(m_asked, 0);
    EXPECT_EQ(list()->count(), 10);
    EXPECT_FALSE(showsThumbnail(9));  // a.bmp has no thumbnail: a grey square
    EXPECT_TRUE(QFileInfo::exists(skinPath(u"x"_s)));
    // A link in a skin's place goes; what it points to stays.
    clickItem(9, Qt::RightButton);
    EXPECT_EQ(m_asked, 1);
    EXPECT_FALSE(QFileInfo(skinPath(u"link"_s)).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(m_dir.filePath(u"keep/inner/f"_s)));
    EXPECT_EQ(skinIds().size(), 9);
    for (const QString& id : {u""_s, u"."_s, u".."_s, u"a/b"_s, u"a\\b"_s})
        EXPECT_FALSE(SkinFiles::RemoveFolder(id)) << id.toStdString();
}

TEST(SkinFilesTest, TimeStampPrintsMillisecondsWithTwoOrThreeDigits) {
    const std::pair<QTime, const char*> table[] = {{QTime(3, 4, 5, 6), "2026010203040506"},
                                                   {QTime(23, 59, 59, 999), "20260102235959999"},
                                                   {QTime(0, 0, 0, 0), "2026010200000000"}};
    for (auto [time, text] : table)
        EXPECT_EQ(SkinFiles::TimeStamp(QDateTime(QDate(2026, 1, 2), time)),
                  QString::fromLatin1(text));
}

// The page as a person sees it, at 1× and 2×: thumbnails on one grid inside the list, labels
// and the button at least their natural size.
TEST_F(UiSettingTest, LaysOutThumbnailsOnAGridWithNothingClipped) {
    QImage png(64, 64, QImage::Format_RGB32);
    png.fill(QColor(40, 160, 90));
    open();
    for (int i = 0; i < 7; ++i) importPicture(u"g.png"_s, png);
    QApplication::processEvents();
    const QRect viewport = list()->viewport()->rect();
    for (int i = 0; i < list()->count(); ++i) {
        const QRect r = list()->visualItemRect(list()->item(i));
        EXPECT_EQ((r.left() - list()->visualItemRect(list()->item(0)).left()) % 45, 0) << i;
        if (r.bottom() < viewport.height()) {
            EXPECT_TRUE(viewport.contains(r)) << i;
        }
    }
    for (QWidget* w : m_page->page()->findChildren<QWidget*>()) {
        if (qobject_cast<QLabel*>(w) || qobject_cast<QPushButton*>(w)) {
            EXPECT_GE(w->width(), w->sizeHint().width()) << w->metaObject()->className();
            EXPECT_GE(w->height(), w->sizeHint().height());
        }
    }
    const QString dir = QStringLiteral(ORVO_BUILD_DIR "/tests/artifacts/settings/");
    QDir().mkpath(dir);
    for (int ratio : {1, 2}) {
        QImage shot(m_sheet->size() * ratio, QImage::Format_ARGB32);
        shot.setDevicePixelRatio(ratio);
        shot.fill(Qt::white);
        m_sheet->render(&shot);
        EXPECT_TRUE(shot.save(dir + u"UiSetting@%1x.png"_s.arg(ratio)));
    }
}

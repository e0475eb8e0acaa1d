#include "settings/UiSetting.h"
#include "settings/BitmapFile.h"
#include "settings/SkinFiles.h"

#include "core/ConfigKeys.h"
#include "tests/settings/RecordingTarget.h"
#include "tests/settings/SeededDataFixture.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTest>

using namespace ConfigKeys;
using namespace Qt::StringLiterals;

namespace {

QStringList skinIds() {
    QList<tagUiBgSkinInfo> skins;
    StoreBinding::CallSkinList(1, &skins);
    QStringList ids;
    for (const auto& s : skins) ids << s.id;
    return ids;
}

// The page opened from the seeded data folder; its questions answered without a dialog.
class UiSettingTest : public SeededDataFixture {
protected:
    void TearDown() override {
        m_sheet.reset();
        SeededDataFixture::TearDown();
    }
    void open() {
        m_page = std::make_unique<UiSetting>(m_target);
        m_page->setPrompts({[this](QWidget*) { return m_picture; },
                            [this](QWidget*) { return ++m_asked, m_confirm; },
                            [this](const QString& text) { m_errors << text; }});
        openPage(*m_page, m_sheet);
    }
    template <class T>
    T* find(const char* id) const {
        return m_page->page()->findChild<T*>(QString::fromLatin1(id));
    }
    QListWidget* list() const { return find<QListWidget>("1023"); }
    QSlider* slider() const { return find<QSlider>("1004"); }
    // Whether the row shows a thumbnail rather than the grey square of a missing one.
    bool showsThumbnail(int row) const {
        const QImage icon = list()->item(row)->icon().pixmap(32).toImage();
        return icon.pixel(16, 16) != qRgb(150, 150, 150);
    }
    void click(int row, Qt::MouseButton button) {
        const QRect r = list()->visualItemRect(list()->item(row));
        QTest::mouseClick(list()->viewport(), button, {}, r.center());
    }
    // What was posted reaches the window only once the event loop runs.
    QStringList delivered() {
        QApplication::processEvents();
        return std::exchange(m_target.calls, {});
    }
    QString import(const QString& name, const QImage& picture = {}) {
        m_picture = m_dir.filePath(name);
        if (!picture.isNull()) {
            EXPECT_TRUE(picture.save(m_picture));
        }
        find<QPushButton>("1017")->click();
        return m_page->skins().constLast().id;
    }
    QString skin(const QString& rest) const { return m_dir.filePath(u"skin/"_s + rest); }

    RecordingTarget m_target;
    std::unique_ptr<UiSetting> m_page;
    std::unique_ptr<QWidget> m_sheet;
    QString m_picture;
    bool m_confirm = true;
    int m_asked = 0;
    QStringList m_errors;
};

}  // namespace

TEST_F(UiSettingTest, OpensFromTheStoredValuesAndOkStoresTheOpacityCancelNothing) {
    struct Case {
        QString entransparent, transparent;
        bool enabled;
        int position, moveTo;
        QString stored;
    };
    for (const Case& c : {Case{u"0"_s, u"200"_s, false, 55, 255, u"1"_s},
                          Case{u"7"_s, u"1"_s, true, 254, 55, u"200"_s},
                          Case{u""_s, u""_s, true, 0, 0, u"255"_s}}) {
        SCOPED_TRACE(c.position);
        delivered();  // the moves of the case before
        setConfig({{kEnTransparent, c.entransparent}, {kTransparent, c.transparent}});
        open();
        EXPECT_EQ(slider()->isEnabled(), c.enabled);
        EXPECT_EQ(find<QCheckBox>("1007")->isChecked(), c.enabled);
        EXPECT_EQ(slider()->value(), c.position);
        EXPECT_TRUE(delivered().isEmpty());  // opening tells the window nothing
        slider()->setValue(c.moveTo);
        m_page->ApplyIfShown();
        EXPECT_EQ(config(kTransparent), c.stored);
    }
    open();
    ASSERT_EQ(list()->count(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(showsThumbnail(i)) << i;
    slider()->setValue(100);
    m_sheet.reset();  // Cancel: the page's window goes, nothing is stored
    m_page->ApplyIfShown();
    EXPECT_EQ(config(kTransparent), u"255"_s);
}

TEST_F(UiSettingTest, SliderSwitchAndPickArePostedNeverAlphaZero) {
    open();
    slider()->setValue(255);
    EXPECT_TRUE(m_target.calls.isEmpty());  // posted, not called
    EXPECT_EQ(delivered(), QStringList{"opacity 1"});
    find<QCheckBox>("1007")->click();
    EXPECT_FALSE(slider()->isEnabled());
    find<QCheckBox>("1007")->click();
    EXPECT_TRUE(slider()->isEnabled() && find<QCheckBox>("1007")->isEnabled());
    EXPECT_EQ(delivered(), (QStringList{"translucent 0", "translucent 1"}));
    click(2, Qt::LeftButton);
    EXPECT_EQ(config(kSkin), u"3"_s);
    EXPECT_TRUE(list()->isEnabled());
    EXPECT_EQ(delivered(), QStringList{"background 3 3.bmp 16711935 0"});
}

// Two imports of a PNG (the pixels are DrawImages_test's), picking one and deleting the other.
TEST_F(UiSettingTest, ImportsPicksAndDeletesBackgrounds) {
    QImage png(40, 20, QImage::Format_ARGB32);
    png.fill(QColor(220, 20, 20));
    open();
    const QString first = import(u"half.png"_s, png), second = import(u"half.png"_s);
    ASSERT_TRUE(m_errors.isEmpty()) << m_errors.join(u'\n').toStdString();
    EXPECT_EQ(skinIds(), (QStringList{"1", "2", "3", "4", first, second}));
    EXPECT_TRUE(delivered().isEmpty());  // an import changes no background

    const tagUiBgSkinInfo made = m_page->skins().at(4);
    const QString thumbName = made.fname.chopped(4) + "_s.bmp";
    EXPECT_EQ(QDir(skin(first)).entryList(QDir::Files), (QStringList{made.fname, thumbName}));
    const QByteArray bytes = read(skin(first + "/" + thumbName));
    EXPECT_EQ(int(bytes[28]), BitmapFile::DepthFor(QGuiApplication::primaryScreen()->depth()));
    EXPECT_EQ(QImage::fromData(bytes, "BMP").size(), QSize(32, 32));

    open();  // read back from skinlist.xml
    ASSERT_EQ(list()->count(), 6);
    EXPECT_TRUE(showsThumbnail(4) && showsThumbnail(5));
    click(5, Qt::LeftButton);
    const tagUiBgSkinInfo picked = m_page->skins().at(5);
    EXPECT_EQ(
        delivered(),
        QStringList{u"background %1 %2 %3 255"_s.arg(second, picked.fname).arg(picked.maskcolor)});

    // Built-in and in-use backgrounds stay without a question; Cancel keeps too.
    for (int row : {0, 3, 5}) click(row, Qt::RightButton);
    EXPECT_EQ(m_asked, 0);
    m_confirm = false;
    click(4, Qt::RightButton);
    EXPECT_EQ(list()->count(), 6);
    m_confirm = true;
    click(4, Qt::RightButton);
    EXPECT_EQ(m_asked, 2);
    EXPECT_EQ(list()->count(), 5);
    EXPECT_FALSE(QFileInfo::exists(skin(first)));
    EXPECT_EQ(skinIds(), (QStringList{"1", "2", "3", "4", second}));
    click(4, Qt::LeftButton);  // the next one moved up and answers at its place
    EXPECT_EQ(delivered().value(0).section(u' ', 1, 1), second);

    saveShots(*m_sheet, u"settings"_s, u"UiSetting"_s);  // the page as a person sees it
}

TEST_F(UiSettingTest, BrokenPicturesAndMissingSkinFolderWriteNothing) {
    open();
    write(u"broken.jpg"_s, "\xff\xd8\xff\xe0 no jpeg");
    import(u"broken.jpg"_s);
    import(u"missing.png"_s);
    EXPECT_EQ(m_errors, QStringList(2, QString::fromUtf8(UiSetting::kUnreadableText)));
    EXPECT_EQ(QDir(skin({})).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 4);
    ASSERT_TRUE(QDir(skin({})).removeRecursively());
    QImage ok(8, 8, QImage::Format_RGB32);
    ok.fill(Qt::green);
    import(u"ok.png"_s, ok);
    EXPECT_EQ(m_errors.value(2), QString::fromUtf8(UiSetting::kFolderErrorText));
    EXPECT_FALSE(QFileInfo::exists(skin({})));
    EXPECT_EQ(skinIds().size(), 4);
    EXPECT_EQ(list()->count(), 4);
}

// Ids from a hand-edited skinlist.xml never lead a deletion out of skin/<id>/.
TEST_F(UiSettingTest, DeletionRefusesIdsOutsideTheSkinFolder) {
    write(u"keep/inner/f"_s, "f");
    ASSERT_TRUE(QDir().mkpath(skin(u"x"_s)));
    ASSERT_TRUE(QFile::link(m_dir.filePath(u"keep"_s), skin(u"link"_s)));
    QList<tagUiBgSkinInfo> skins;
    StoreBinding::CallSkinList(1, &skins);
    for (const QString& id : {u""_s, u"."_s, u".."_s, u"x/.."_s, u"../keep"_s, u"link"_s})
        skins.append({id, 0, u"a.bmp"_s});
    StoreBinding::CallSkinList(0, &skins);
    open();
    for (int row = 4; row < 9; ++row) click(row, Qt::RightButton);
    EXPECT_EQ(m_asked, 0);
    EXPECT_TRUE(QFileInfo::exists(skin(u"x"_s)));
    EXPECT_FALSE(showsThumbnail(9));  // no a_s.bmp: a grey square
    click(9, Qt::RightButton);        // a link in a skin's place goes, what it names stays
    EXPECT_FALSE(QFileInfo(skin(u"link"_s)).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(m_dir.filePath(u"keep/inner/f"_s)));
    EXPECT_EQ(skinIds().size(), 9);
    EXPECT_FALSE(SkinFiles::RemoveFolder(u"a\\b"_s));
}

TEST(SkinFilesTest, TimeStampPrintsMillisecondsWithTwoOrThreeDigits) {
    for (auto [ms, text] : {std::pair{6, "2026010203040506"}, {999, "20260102030405999"}})
        EXPECT_EQ(SkinFiles::TimeStamp(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5, ms))), text);
}

// The pages in a real sheet against a private data folder (the real store library) and private
// XDG folders under a temporary HOME: what each shows when opened, what OK writes and that
// Cancel writes nothing.

#include "core/ConfigKeys.h"
#include "platform/DesktopEntry.h"
#include "settings/FileJoin.h"
#include "tests/settings/OpenedUrls.h"
#include "tests/settings/SheetFixture.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

template <typename T = QCheckBox>
T* control(SettingsPage& page, int id) {
    T* c = page.page() ? page.page()->findChild<T*>(QString::number(id)) : nullptr;
    EXPECT_NE(c, nullptr) << id;
    return c;
}

using PagesTest = SheetFixture;

TEST_F(PagesTest, SoundEffectShowsTheOneInForceAppliesAndStoresAChoice) {
    for (const auto& [stored, shown] : {std::pair{u"3"_s, 3}, {u"9"_s, 0}}) {
        setConfig({{ConfigKeys::kSoundEffect, stored}});
        open(3);
        EXPECT_EQ(control<QComboBox>(m_music, 1005)->currentIndex(), shown) << stored.toStdString();
    }
    EXPECT_TRUE(m_target.calls.isEmpty());  // showing the page sends nothing

    auto sheet = open(3);
    QComboBox* effects = control<QComboBox>(m_music, 1005);
    effects->setCurrentIndex(2);
    effects->setCurrentIndex(0);
    EXPECT_EQ(m_target.calls, (QStringList{u"effect 0 1"_s, u"effect 1 -1"_s}));
    EXPECT_EQ(config(ConfigKeys::kSoundEffect), u"0"_s);
    effects->setCurrentIndex(4);
    sheet->reject();  // Cancel undoes nothing that already acted
    EXPECT_EQ(config(ConfigKeys::kSoundEffect), u"4"_s);

    // A window without the instance mark is not the player's: nothing sent, nothing stored.
    m_target.window.setProperty(OrvoInstance::kInstanceKey, 2);
    sheet = open(3);
    control<QComboBox>(m_music, 1005)->setCurrentIndex(1);
    EXPECT_EQ(m_target.calls.size(), 3);
    EXPECT_EQ(config(ConfigKeys::kSoundEffect), u"4"_s);
}

TEST_F(PagesTest, PlayerBoxesShowTheStoredStateAndOnlyOkWritesThem) {
    const QString entry = m_home + u"/.config/autostart/Orvoplayer.desktop"_s;
    for (const auto& [stored, checked] :
         {std::pair{u" 12abc"_s, true}, {u"0"_s, false}, {u""_s, false}}) {
        setConfig({{ConfigKeys::kAutoPlay, stored}});
        open(3);
        EXPECT_EQ(control(m_music, 1007)->isChecked(), checked) << stored.toStdString();
        EXPECT_FALSE(control(m_music, 1008)->isChecked());
    }
    // Checked and cancelled: nothing written; checked and OK: the entry runs this program by its
    // full path; unchecked and OK: gone. Each opening shows what the one before stored.
    const struct {
        bool checked, ok, entry;
        QString stored;
    } steps[] = {{true, false, false, u"<none>"_s},
                 {true, true, true, u"1"_s},
                 {false, true, false, u"0"_s}};
    for (const auto& step : steps) {
        auto sheet = open(3);
        EXPECT_EQ(control(m_music, 1007)->isChecked(), config(ConfigKeys::kAutoPlay) == u"1"_s);
        EXPECT_EQ(control(m_music, 1008)->isChecked(), QFile::exists(entry));
        for (int id : {1007, 1008}) control(m_music, id)->setChecked(step.checked);
        step.ok ? sheet->accept() : sheet->reject();
        EXPECT_EQ(QFile::exists(entry), step.entry);
        EXPECT_EQ(config(ConfigKeys::kAutoPlay), step.stored);
        if (step.entry) {
            EXPECT_EQ(DesktopEntry::readValue(entry, u"Exec"_s),
                      DesktopEntry::quoteArgument(QCoreApplication::applicationFilePath()));
        }
    }
    // An entry the desktop was told to skip shows unchecked.
    write(entry, "[Desktop Entry]\nExec=/x\nHidden=true\n");
    open(3);
    EXPECT_FALSE(control(m_music, 1008)->isChecked());
}

// How mimeapps.list is merged is DesktopEntry_test's; here what the page registers.
TEST_F(PagesTest, FileJoinRegistersTheCheckedTypesOnOkAndStartsUnchecked) {
    const QString dataHome = file(u"data home"_s), apps = dataHome + u"/applications/"_s;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(file(u"config home"_s)));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
    for (const bool ok : {false, true}) {
        auto sheet = open(2);
        for (int id : {1007, 1012}) control(m_fileJoin, id)->setChecked(true);
        ok ? sheet->accept() : sheet->reject();
        EXPECT_EQ(QDir(apps).exists(), ok);
    }
    const QString program = QCoreApplication::applicationFilePath();
    for (const auto& [type, mime] :
         {std::pair{u"mp3"_s, u"audio/mpeg;"_s}, {u"ogg"_s, u"audio/ogg;audio/x-vorbis+ogg;"_s}}) {
        const QString file = apps + u"Orvoplayer.%1.desktop"_s.arg(type);
        EXPECT_EQ(DesktopEntry::readValue(file, u"Exec"_s), program + u" %F"_s);
        EXPECT_EQ(DesktopEntry::readValue(file, u"Icon"_s),
                  u"" ORVO_OUT_DIR "/res/"_s + type + u".ico"_s);
        EXPECT_EQ(DesktopEntry::readValue(file, u"MimeType"_s), mime);
    }
    EXPECT_FALSE(QFile::exists(apps + u"Orvoplayer.wma.desktop"_s));
    EXPECT_TRUE(read(file(u"config home/mimeapps.list"_s))
                    .contains("\naudio/x-vorbis+ogg=Orvoplayer.ogg.desktop;\n"));

    // The desktop database is refreshed when its tool exists.
    for (QProcess* p : qApp->findChildren<QProcess*>()) p->waitForFinished(10000);
    if (!QStandardPaths::findExecutable(u"update-desktop-database"_s).isEmpty()) {
        EXPECT_TRUE(read(apps + u"mimeinfo.cache"_s).contains("Orvoplayer.mp3.desktop"));
    }

    // Associated or not, every box starts unchecked.
    open(2);
    for (const FileJoin::Row& row : FileJoin::kRows)
        EXPECT_FALSE(control(m_fileJoin, row.id)->isChecked());
}

// Whatever address a link names, only the site opens.
TEST_F(PagesTest, AboutPageLinkOpensOnlyTheSite) {
    OpenedUrls desktop;
    open(0);
    emit control<QLabel>(m_about, 1026)->linkActivated(u"http://elsewhere.example/page"_s);
    EXPECT_EQ(desktop.urls, (QList<QUrl>{QUrl(u"http://www.orvoplayer.example"_s)}));
}

}  // namespace

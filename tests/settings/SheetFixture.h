#pragma once
// The sheet in the order the main window builds it, the two pages made elsewhere as probes,
// against the seeded data folder, a private HOME (with a blank in its name) and XDG folders.

#include "app/InstanceKey.h"
#include "settings/AboutMe.h"
#include "settings/CMyPropertySheet.h"
#include "settings/FileJoin.h"
#include "settings/MusicSetting.h"
#include "tests/settings/ProbePage.h"
#include "tests/settings/RecordingTarget.h"
#include "tests/settings/SeededDataFixture.h"

#include <QProcess>
#include <QTest>
#include <vector>

class SheetFixture : public SeededDataFixture {
protected:
    void SetUp() override {
        SeededDataFixture::SetUp();
        m_home = file(QStringLiteral("home dir"));
        ASSERT_TRUE(QDir().mkpath(m_home));
        qputenv("HOME", QFile::encodeName(m_home));
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("XDG_DATA_HOME");
        m_target.window.setProperty(OrvoInstance::kInstanceKey, 1);
    }
    void TearDown() override {
        // The desktop database refresh runs on; it must be done before its folder goes.
        for (QProcess* p : qApp->findChildren<QProcess*>()) p->waitForFinished(10000);
        SeededDataFixture::TearDown();
    }

    // A new sheet, shown and active, at page `row`; the one before is gone, as in the player.
    CMyPropertySheet* open(int row = 0) {
        m_sheet.reset();
        m_sheet = std::make_unique<CMyPropertySheet>();
        for (SettingsPage* p : pages()) m_sheet->AddPage(p);
        m_sheet->show();
        m_sheet->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_sheet.get()));
        if (row > 0) m_sheet->OnClickNavigation(row);
        return m_sheet.get();
    }

    std::vector<SettingsPage*> pages() {
        return {&m_about, &m_ui, &m_fileJoin, &m_music, &m_update};
    }

    std::unique_ptr<CMyPropertySheet> m_sheet;
    QString m_home;
    RecordingTarget m_target;
    AboutMe m_about;
    ProbePage m_ui{QStringLiteral("界面设置")};
    FileJoin m_fileJoin;
    MusicSetting m_music{m_target};
    ProbePage m_update{QStringLiteral("版本检测")};
};

// Exec quoting and value escaping as the desktop entry format reads them back, and the autostart
// entry in a temporary XDG config folder.

#include "DesktopEntry.h"
#include "Autostart.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

TEST(DesktopEntry, QuotesReservedCharactersAndEscapesValues) {
    const struct {
        QString program;
        QString exec;  // as written in the file
    } cases[] = {
        {u"/opt/orvo/OrvoPlayer"_s, u"/opt/orvo/OrvoPlayer %F"_s},
        {u"/opt/My Player/OrvoPlayer"_s, u"\"/opt/My Player/OrvoPlayer\" %F"_s},
        {u"/opt/a$b\"c`d/x"_s, u"\"/opt/a\\\\$b\\\\\"c\\\\`d/x\" %F"_s},
        {u"/opt/back\\slash/x"_s, u"\"/opt/back\\\\\\\\slash/x\" %F"_s},
        {u"/opt/100%/x"_s, u"/opt/100%%/x %F"_s},
        {u"/opt/音乐 播放/x"_s, u"\"/opt/音乐 播放/x\" %F"_s},
    };
    for (const auto& c : cases) {
        const QByteArray text =
            DesktopEntry::text({{u"Exec"_s, DesktopEntry::execValue(c.program, u"%F"_s)}});
        EXPECT_EQ(QString::fromUtf8(text), u"[Desktop Entry]\nExec="_s + c.exec + u"\n"_s)
            << c.program.toStdString();
    }
    // Values come back as they went in, newlines and tabs included.
    QTemporaryDir dir;
    const QString path = dir.path() + u"/sub/x.desktop"_s;
    const QString value = u"a\\b\nc\td \\s"_s;
    ASSERT_TRUE(DesktopEntry::write(path, {{u"Name"_s, value}, {u"Icon"_s, u"/i i.ico"_s}}));
    EXPECT_EQ(DesktopEntry::readValue(path, u"Name"_s), value);
    EXPECT_EQ(DesktopEntry::readValue(path, u"Icon"_s), u"/i i.ico"_s);
    EXPECT_EQ(DesktopEntry::readValue(path, u"Missing"_s), QString());
}

TEST(Autostart, EntryRunsTheFullPathInTheConfigFolderAndGoesAway) {
    QTemporaryDir dir;
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    const QString config = dir.path() + u"/my config"_s;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    const QString entry = config + u"/autostart/Orvoplayer.desktop"_s;
    EXPECT_EQ(Autostart::entryPath(), entry);
    EXPECT_FALSE(Autostart::isEnabled());
    EXPECT_TRUE(Autostart::disable());  // nothing to remove is no failure

    ASSERT_TRUE(Autostart::enable(u"/opt/My Player/OrvoPlayer"_s));
    EXPECT_TRUE(Autostart::isEnabled());
    EXPECT_EQ(DesktopEntry::readValue(entry, u"Exec"_s), u"\"/opt/My Player/OrvoPlayer\""_s);
    EXPECT_EQ(DesktopEntry::readValue(entry, u"Type"_s), u"Application"_s);
    EXPECT_TRUE(Autostart::disable());
    EXPECT_FALSE(QFile::exists(entry));

    // Where the folder cannot be made, enabling fails and says so.
    ASSERT_TRUE(QDir(config).removeRecursively());
    QFile blocker(config);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(Autostart::enable(u"/x"_s));
    qputenv("XDG_CONFIG_HOME", saved);
}

}  // namespace

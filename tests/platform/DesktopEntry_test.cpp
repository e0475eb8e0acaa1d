// Desktop entries as the format reads them back (Exec quoting, escapes), and the player made the
// default in mimeapps.list with every other line kept, in temporary XDG folders.

#include "DesktopEntry.h"
#include "FileAssociations.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

TEST(DesktopEntry, QuotesReservedCharactersAndEscapesValues) {
    const std::pair<QString, QString> cases[] = {
        {u"/opt/orvo/OrvoPlayer"_s, u"/opt/orvo/OrvoPlayer %F"_s},
        {u"/opt/My 音乐/x"_s, u"\"/opt/My 音乐/x\" %F"_s},
        {u"/a$b\"c`d/x"_s, u"\"/a\\\\$b\\\\\"c\\\\`d/x\" %F"_s},
        {u"/back\\slash/x"_s, u"\"/back\\\\\\\\slash/x\" %F"_s},
        {u"/100%/x"_s, u"/100%%/x %F"_s}};
    for (const auto& [program, written] : cases) {
        const QByteArray text =
            DesktopEntry::text({{u"Exec"_s, DesktopEntry::execValue(program, u"%F"_s)}});
        EXPECT_EQ(QString::fromUtf8(text), u"[Desktop Entry]\nExec="_s + written + u"\n"_s);
    }
    QTemporaryDir dir;
    const QString path = dir.path() + u"/sub/x.desktop"_s;
    ASSERT_TRUE(DesktopEntry::write(path, {{u"Name"_s, u"a\\b\nc\td \\s"_s}}));
    EXPECT_EQ(DesktopEntry::readValue(path, u"Name"_s), u"a\\b\nc\td \\s"_s);
}

TEST(FileAssociations, DefaultsGoFirstInTheirGroupAndNothingElseMoves) {
    const QStringList mpeg = {u"audio/mpeg"_s}, ogg = {u"audio/ogg"_s, u"audio/x-vorbis+ogg"_s};
    const struct {
        const char* before;
        QStringList types;
        const char* after;
    } cases[] = {
        {"", mpeg, "[Default Applications]\naudio/mpeg=X.desktop;\n"},
        {"[Added]\na/b=c;", mpeg,
         "[Added]\na/b=c;\n\n[Default Applications]\naudio/mpeg=X.desktop;\n"},
        // The earlier choice stays behind ours, once; CR LF kept; the next group untouched.
        {"[Default Applications]\r\naudio/mpeg=v;X.desktop;\r\n[O]\r\naudio/mpeg=z;\r\n", mpeg,
         "[Default Applications]\r\naudio/mpeg=X.desktop;v;\r\n[O]\r\naudio/mpeg=z;\r\n"},
        // New keys after the group's last line; a key that only starts like ours is another.
        {"#c\n[Default Applications]\naudio/oggx=e;\n\n[O]\naudio/ogg=o;\n", ogg,
         "#c\n[Default Applications]\naudio/oggx=e;\naudio/ogg=X.desktop;\n"
         "audio/x-vorbis+ogg=X.desktop;\n\n[O]\naudio/ogg=o;\n"}};
    for (const auto& c : cases) {
        const QByteArray once = FileAssociations::withDefaults(c.before, u"X.desktop"_s, c.types);
        EXPECT_EQ(once, QByteArray(c.after)) << c.before;
        EXPECT_EQ(FileAssociations::withDefaults(once, u"X.desktop"_s, c.types), once);
    }
}

TEST(FileAssociations, RegistersAProgramPathWithSpacesAndLeavesAnUnreadableListAlone) {
    QTemporaryDir dir;
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME"), savedData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + u"/c f g"_s));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path() + u"/d a t a"_s));
    EXPECT_FALSE(FileAssociations::registerType(u".txt"_s, u"/p"_s, u"Orvoplayer.txt"_s, u"/i"_s));
    ASSERT_TRUE(FileAssociations::registerType(u".flac"_s, u"/opt/My Player/OrvoPlayer"_s,
                                               u"Orvoplayer.flac"_s,
                                               u"/opt/My Player/res/f.ico"_s));
    const QString entry = dir.path() + u"/d a t a/applications/Orvoplayer.flac.desktop"_s;
    EXPECT_EQ(DesktopEntry::readValue(entry, u"Exec"_s), u"\"/opt/My Player/OrvoPlayer\" %F"_s);
    // A mimeapps.list that is no regular file is not replaced, and the failure is reported.
    const QString list = dir.path() + u"/c f g/mimeapps.list"_s;
    ASSERT_TRUE(QFile::remove(list) && QDir().mkdir(list));
    EXPECT_FALSE(FileAssociations::registerType(u".ape"_s, u"/p"_s, u"Orvoplayer.ape"_s, u"/i"_s));
    EXPECT_TRUE(QFileInfo(list).isDir());
    qputenv("XDG_CONFIG_HOME", savedConfig);
    qputenv("XDG_DATA_HOME", savedData);
}

}  // namespace

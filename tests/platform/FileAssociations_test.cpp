// Making the player the default for a type in mimeapps.list (every other line kept), and a whole
// registration with a program path that holds spaces, in temporary XDG folders.

#include "FileAssociations.h"
#include "DesktopEntry.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

TEST(FileAssociations, DefaultsGoFirstInTheirGroupAndNothingElseMoves) {
    const QStringList mpeg = {u"audio/mpeg"_s};
    const struct {
        const char* before;
        QStringList types;
        const char* after;
    } cases[] = {
        {"", mpeg, "[Default Applications]\naudio/mpeg=X.desktop;\n"},
        // No group yet, no final newline: a blank line, then the group.
        {"[Added Associations]\na/b=c.desktop;", mpeg,
         "[Added Associations]\na/b=c.desktop;\n\n[Default Applications]\naudio/mpeg=X.desktop;\n"},
        // The earlier choice stays behind ours, once; CR LF kept; the next group untouched.
        {"[Default Applications]\r\naudio/mpeg=vlc.desktop;X.desktop;\r\n[Other]\r\n"
         "audio/mpeg=z;\r\n",
         mpeg,
         "[Default Applications]\r\naudio/mpeg=X.desktop;vlc.desktop;\r\n[Other]\r\n"
         "audio/mpeg=z;\r\n"},
        // New keys after the group's last line, before the blank line that ends it.
        {"#c\n[Default Applications]\nt/p=e;\n\n[Other]\naudio/ogg=o;\n",
         {u"audio/ogg"_s, u"audio/x-vorbis+ogg"_s},
         "#c\n[Default Applications]\nt/p=e;\naudio/ogg=X.desktop;\naudio/x-vorbis+ogg=X.desktop;\n"
         "\n[Other]\naudio/ogg=o;\n"},
        // A key that only starts like ours is another key.
        {"[Default Applications]\naudio/mpegurl=u;\n", mpeg,
         "[Default Applications]\naudio/mpegurl=u;\naudio/mpeg=X.desktop;\n"},
    };
    for (const auto& c : cases) {
        const QByteArray once = FileAssociations::withDefaults(c.before, u"X.desktop"_s, c.types);
        EXPECT_EQ(once, QByteArray(c.after)) << c.before;
        EXPECT_EQ(FileAssociations::withDefaults(once, u"X.desktop"_s, c.types), once) << c.before;
    }
}

TEST(FileAssociations, RegistersWithAProgramPathWithSpacesAndKeepsAnUnreadableList) {
    QTemporaryDir dir;
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME"), savedData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + u"/c f g"_s));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path() + u"/d a t a"_s));

    EXPECT_TRUE(FileAssociations::mimeTypes(u".WMA"_s) == QStringList{u"audio/x-ms-wma"_s});
    EXPECT_FALSE(FileAssociations::registerType(u".txt"_s, u"/p"_s, u"Orvoplayer.txt"_s, u"/i"_s));
    ASSERT_TRUE(FileAssociations::registerType(u".flac"_s, u"/opt/My Player/OrvoPlayer"_s,
                                               u"Orvoplayer.flac"_s,
                                               u"/opt/My Player/res/flac.ico"_s));
    const QString entry = dir.path() + u"/d a t a/applications/Orvoplayer.flac.desktop"_s;
    EXPECT_EQ(DesktopEntry::readValue(entry, u"Exec"_s), u"\"/opt/My Player/OrvoPlayer\" %F"_s);
    EXPECT_EQ(DesktopEntry::readValue(entry, u"Icon"_s), u"/opt/My Player/res/flac.ico"_s);
    EXPECT_EQ(DesktopEntry::readValue(entry, u"MimeType"_s), u"audio/flac;"_s);
    QFile list(dir.path() + u"/c f g/mimeapps.list"_s);
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    EXPECT_EQ(list.readAll(),
              QByteArray("[Default Applications]\naudio/flac=Orvoplayer.flac.desktop;\n"));
    list.close();

    // A mimeapps.list that is no regular file is left alone and the registration fails.
    ASSERT_TRUE(list.remove() && QDir().mkdir(list.fileName()));
    EXPECT_FALSE(FileAssociations::registerType(u".ape"_s, u"/p"_s, u"Orvoplayer.ape"_s, u"/i"_s));
    EXPECT_TRUE(QFileInfo(list.fileName()).isDir());
    qputenv("XDG_CONFIG_HOME", savedConfig);
    qputenv("XDG_DATA_HOME", savedData);
}

}  // namespace

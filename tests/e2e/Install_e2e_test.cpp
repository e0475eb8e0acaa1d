// The installed layout: `cmake --install` of this build into a temporary prefix, checked as a
// packager and a user would: the validators accept the desktop entry and the metainfo, the
// installed program starts on a private X server with an empty home, seeds its data folder
// there, plays a handed-over file from its own libraries and changes nothing under the prefix.

#include "E2eSupport.h"

#include <gtest/gtest.h>

#include <QtCore/qtestsupport_core.h>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <QMap>
#include <QMimeDatabase>
#include <QRegularExpression>

namespace {

using namespace E2eSupport;

class InstallE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        QProcess install;
        install.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        install.start(ORVO_CMAKE_COMMAND, {"--install", ORVO_BUILD_DIR, "--prefix", m_prefix});
        ASSERT_TRUE(install.waitForFinished(120000) && install.exitCode() == 0);
    }

    // Every entry under the prefix with its size, time and permissions.
    QMap<QString, QString> prefixState() const {
        QMap<QString, QString> state;
        QDirIterator it(m_prefix,
                        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            state[info.filePath()] = QStringLiteral("%1 %2 %3")
                                         .arg(QString::number(info.size()),
                                              info.lastModified().toString(Qt::ISODateWithMs),
                                              QString::number(int(info.permissions()), 16));
        }
        return state;
    }

    QTemporaryDir m_root;
    const QString m_prefix = m_root.path() + "/prefix";
};

TEST_F(InstallE2E, LayoutAndItsDesktopFilesValidate) {
    QStringList missing;
    for (const char* path :
         {"bin/OrvoPlayer", "lib/orvoplayer/libOrvo_XMLCtrl.so",
          "lib/orvoplayer/libOrvo_MusicTags.so", "lib/orvoplayer/libOrvo_Audio.so",
          "lib/orvoplayer/libOrvo_AudioFfmpeg.so", "lib/orvoplayer/libOrvo_Common.so",
          "share/orvoplayer/config.xml", "share/orvoplayer/skinlist.xml",
          "share/orvoplayer/res/orvo.png", "share/orvoplayer/res/checknew.gif",
          "share/orvoplayer/skin/1/1.bmp", "share/applications/orvoplayer.desktop",
          "share/metainfo/example.orvoplayer.OrvoPlayer.metainfo.xml"})
        if (!QFileInfo(m_prefix + '/' + path).isFile()) missing << path;
    for (int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString icon =
            QStringLiteral("share/icons/hicolor/%1x%1/apps/orvoplayer.png").arg(side);
        if (QImageReader(m_prefix + '/' + icon).size() != QSize(side, side)) missing << icon;
    }
    EXPECT_EQ(missing, QStringList());

    // The entry opens every supported type: each extension's type, as the shared MIME database
    // names it, is listed (MP1 has none of its own and goes as MPEG audio with MP3).
    const QString entry = m_prefix + "/share/applications/orvoplayer.desktop";
    QFile desktop(entry);
    ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
    QMap<QString, QString> keys;
    for (const QString& line : QString::fromUtf8(desktop.readAll()).split('\n'))
        keys.insert(line.section('=', 0, 0), line.section('=', 1));
    const QStringList types = keys["MimeType"].split(';', Qt::SkipEmptyParts);
    const QMimeDatabase mime;
    for (const char* ext : {"mp2", "mp3", "wma", "flac", "aac", "ogg", "ape"}) {
        const QMimeType type =
            mime.mimeTypeForFile(QStringLiteral("a.") + ext, QMimeDatabase::MatchExtension);
        EXPECT_TRUE(!type.isDefault() && types.contains(type.name()))
            << ext << " is " << type.name().toStdString();
    }
    EXPECT_TRUE(types.contains("audio/mpeg"));
    EXPECT_TRUE(keys["Exec"].endsWith(" %F"));

    if (const QStringList tools = missingTools({"desktop-file-validate", "appstreamcli"});
        !tools.isEmpty())
        GTEST_SKIP() << "validators missing: " << tools.join(' ').toStdString();
    for (const QStringList& command :
         {QStringList{"desktop-file-validate", entry},
          QStringList{"appstreamcli", "validate", "--no-net",
                      m_prefix + "/share/metainfo/example.orvoplayer.OrvoPlayer.metainfo.xml"}}) {
        QProcess validator;
        validator.setProcessChannelMode(QProcess::ForwardedChannels);
        validator.start(command[0], command.mid(1));
        EXPECT_TRUE(validator.waitForFinished(60000) && validator.exitCode() == 0)
            << command.join(' ').toStdString();
    }
}

TEST_F(InstallE2E, InstalledProgramSeedsTheUserFolderPlaysAndWritesNothingBesideItself) {
    if (const QStringList tools = missingTools({"Xvfb", "ffmpeg"}); !tools.isEmpty())
        GTEST_SKIP() << "needs " << tools.join(' ').toStdString();
    const QString home = m_root.path() + "/home", run = m_root.path() + "/run";
    ASSERT_TRUE(QDir().mkpath(home));
    ASSERT_TRUE(QDir().mkdir(run, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    // AAC, which only the FFmpeg plugin decodes: it too has to come from the private folder.
    const QString song = makeToneSong(m_root.path() + "/tone.aac", 1000);
    ASSERT_FALSE(song.isEmpty());
    const QMap<QString, QString> installed = prefixState();

    Processes processes;
    const QString display = startXvfb(processes);
    ASSERT_FALSE(display.isEmpty()) << "Xvfb did not start";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"ORVO_DATA_DIR", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME",
                             "XDG_STATE_HOME", "LD_LIBRARY_PATH"})
        env.remove(name);
    const QString capture = m_root.path() + "/heard.wav";
    for (const auto& [name, value] : {std::pair{"HOME", home},
                                      {"XDG_RUNTIME_DIR", run},
                                      {"DISPLAY", display},
                                      {"QT_QPA_PLATFORM", QString("xcb")},
                                      {"ORVO_AUDIO_OUTPUT", QString("null")},
                                      {"ORVO_AUDIO_CAPTURE", capture}})
        env.insert(name, value);
    // Started from the root, so a folder relative to the working directory would show up too.
    QProcess& player = processes.start(m_prefix + "/bin/OrvoPlayer", {song}, env, m_prefix);
    ASSERT_TRUE(hearsTone(capture, 1000));

    // Every library came from the private folder, none from the build. The store and the tag
    // reader are loaded around each use and may be unmapped right now; the saved play list
    // below shows the store's work.
    QFile maps(QStringLiteral("/proc/%1/maps").arg(player.processId()));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    QStringList libraries;
    for (const QByteArray& line : maps.readAll().split('\n'))
        if (line.contains("libOrvo_")) libraries << QString::fromUtf8(line.mid(line.indexOf('/')));
    libraries.removeDuplicates();
    const QString privateFolder = m_prefix + "/lib/orvoplayer/";
    for (const char* name : {"Audio", "AudioFfmpeg", "Common"})
        EXPECT_TRUE(libraries.contains(privateFolder + "libOrvo_" + name + ".so")) << name;
    EXPECT_EQ(libraries.filter(QRegularExpression('^' + QRegularExpression::escape(privateFolder)))
                  .size(),
              libraries.size())
        << libraries.join(' ').toStdString();

    ASSERT_TRUE(Processes::terminate(player));
    const QString data = home + "/.local/share/OrvoPlayer/";
    for (const char* name : {"config.xml", "skinlist.xml", "skin/1/1.bmp", "skin/4/4.bmp"})
        EXPECT_TRUE(QFileInfo(data + name).isFile()) << name;
    QFile list(data + "playlist.xml");
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    EXPECT_TRUE(list.readAll().contains(song.toUtf8()));
    EXPECT_EQ(prefixState(), installed);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

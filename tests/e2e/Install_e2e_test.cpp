// `cmake --install` of this build into a temporary prefix, checked as a packager and a user
// would: run with an empty home, the program seeds its data folder there, plays from its own
// libraries and changes nothing under the prefix; the validators accept its desktop files.

#include "PlayerE2E.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

class InstallE2E : public PlayerE2E {
protected:
    InstallE2E() { m_program = m_prefix + "/bin/OrvoPlayer"; }

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

    const QString m_prefix = m_root.path() + "/prefix";
};

TEST_F(InstallE2E, InstalledProgramPlaysWritesNothingBesideItselfAndItsFilesValidate) {
    QProcess* install =
        run(ORVO_CMAKE_COMMAND, {"--install", ORVO_BUILD_DIR, "--prefix", m_prefix});
    ASSERT_TRUE(ended(install, 120000) && install->exitCode() == 0);
    QStringList missing;
    // What the run and the validators below do not reach.
    for (const char* path :
         {"lib/orvoplayer/libOrvo_XMLCtrl.so", "lib/orvoplayer/libOrvo_MusicTags.so",
          "share/orvoplayer/res/orvo.png", "share/orvoplayer/res/checknew.gif"})
        if (!QFileInfo(m_prefix + '/' + path).isFile()) missing << path;
    for (int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString icon =
            QStringLiteral("share/icons/hicolor/%1x%1/apps/orvoplayer.png").arg(side);
        if (QImageReader(m_prefix + '/' + icon).size() != QSize(side, side)) missing << icon;
    }
    EXPECT_EQ(missing, QStringList());

    // AAC, which only the FFmpeg plugin decodes: it too has to come from the private folder.
    const QString song = this->song(m_root.path() + "/tone.aac", 0);
    ASSERT_FALSE(song.isEmpty());
    const QMap<QString, QString> installed = prefixState();
    for (const char* name : {"ORVO_DATA_DIR", "XDG_STATE_HOME", "LD_LIBRARY_PATH"})
        m_env.remove(name);
    // Started from the prefix, so a folder relative to the working directory would show up too.
    QProcess* player = this->player({song}, m_prefix);
    ASSERT_TRUE(hears("A"));

    // Every library came from the private folder, none from the build (the store and the tag
    // reader are loaded around each use; the saved play list below shows the store's work).
    QStringList libraries;
    for (const QString& line :
         text(QStringLiteral("/proc/%1/maps").arg(player->processId())).split('\n'))
        if (line.contains("libOrvo_")) libraries << line.mid(line.indexOf('/'));
    libraries.removeDuplicates();
    const QString privateFolder = m_prefix + "/lib/orvoplayer/";
    for (const char* name : {"Audio", "AudioFfmpeg", "Common"})
        EXPECT_TRUE(libraries.contains(privateFolder + "libOrvo_" + name + ".so")) << name;
    EXPECT_EQ(libraries.filter(QRegularExpression('^' + QRegularExpression::escape(privateFolder)))
                  .size(),
              libraries.size())
        << libraries.join(' ').toStdString();

    ASSERT_TRUE(terminate(player));
    const QString data = m_env.value("HOME") + "/.local/share/OrvoPlayer/";
    for (const char* name : {"config.xml", "skinlist.xml", "skin/1/1.bmp", "skin/4/4.bmp"})
        EXPECT_TRUE(QFileInfo(data + name).isFile()) << name;
    EXPECT_TRUE(text(data + "playlist.xml").contains(song));
    EXPECT_EQ(prefixState(), installed);

    // The entry opens each supported extension's type as the shared MIME database names it.
    const QString entry = m_prefix + "/share/applications/orvoplayer.desktop";
    const QString desktop = text(entry);
    EXPECT_TRUE(desktop.contains(QRegularExpression("\nExec=[^\n]* %F\n")));
    const QStringList types =
        QRegularExpression("\nMimeType=([^\n]*)").match(desktop).captured(1).split(';');
    for (const char* ext : {"mp2", "mp3", "wma", "flac", "aac", "ogg", "ape"}) {
        const QMimeType type = QMimeDatabase().mimeTypeForFile(QStringLiteral("a.") + ext,
                                                               QMimeDatabase::MatchExtension);
        EXPECT_TRUE(!type.isDefault() && types.contains(type.name()))
            << ext << " is " << type.name().toStdString();
    }
    for (const QStringList& command :
         {QStringList{"desktop-file-validate", entry},
          QStringList{"appstreamcli", "validate", "--no-net",
                      m_prefix + "/share/metainfo/example.orvoplayer.OrvoPlayer.metainfo.xml"}}) {
        if (QStandardPaths::findExecutable(command[0]).isEmpty())
            GTEST_SKIP() << "validator missing: " << command[0].toStdString();
        QProcess* validator = run(command[0], command.mid(1));
        EXPECT_TRUE(ended(validator, 60000) && validator->exitCode() == 0)
            << command.join(' ').toStdString() << validator->readAllStandardOutput().toStdString();
    }
}

}  // namespace

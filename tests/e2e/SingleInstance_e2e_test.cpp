// Starts of the built player as real processes, looking only at the data folder, exit codes,
// the single-instance socket and the X windows.

#include "PlayerE2E.h"

#include <QtCore/qtestsupport_core.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

namespace {

class SingleInstanceE2E : public PlayerE2E {
protected:
    SingleInstanceE2E() { m_tools = {"Xvfb", "xdotool"}; }
    QString musicFile(const QString& name) const {
        QFile file(m_root.path() + "/music/" + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return file.fileName();
    }
};

// Data files that are not regular files (a FIFO config, a play list and a skin picture linked to
// devices; each kind is handled in the store's and the skin's unit tests) neither block the first
// start nor fill the memory. After it was killed, the next instance serves later starts (hostile
// peers on its socket are the server's unit tests'), maps its window again when started again,
// and a SIGTERM ends it cleanly.
TEST_F(SingleInstanceE2E, LaterStartsHandOverToAnInstanceThatReplacedAKilledOne) {
    QFile::remove(m_data + "/config.xml");
    ASSERT_EQ(::mkfifo(QFile::encodeName(m_data + "/config.xml").constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", m_data + "/playlist.xml"));
    ASSERT_TRUE(QDir().mkpath(m_data + "/skin/1"));
    ASSERT_TRUE(QFile::link("/dev/urandom", m_data + "/skin/1/1.bmp"));
    QFile skins(m_data + "/skinlist.xml");
    ASSERT_TRUE(skins.open(QIODevice::WriteOnly));
    skins.write("<SKIN id=\"1\" fname=\"1.bmp\" maskcolor=\"0\" />\n");
    skins.close();
    QElapsedTimer clock;
    clock.start();
    QProcess* killed = player();
    EXPECT_LT(clock.elapsed(), 8000);
    killed->kill();
    // Both were moved aside; the config was seeded with the delivered defaults.
    EXPECT_TRUE(QFileInfo(m_data + "/config.xml").isFile());
    for (const char* name : {"/config.xml.bad", "/playlist.xml.bad"})
        EXPECT_TRUE(QFileInfo::exists(m_data + name)) << name;
    ASSERT_TRUE(killed->waitForFinished(10000));
    EXPECT_TRUE(QFile::exists(m_server));
    // Its own command line's files join the list as handed-over ones do.
    const QString own = musicFile("own.ogg");
    QProcess* first = player({own});
    // Another client unmaps the window behind the player's back: Qt still thinks it is shown.
    xdotool({"windowunmap", "--sync", m_window});
    ASSERT_TRUE(xdotool({"search", "--onlyvisible", "--name", "欧沃播放器"}).isEmpty());
    EXPECT_EQ(second({}), 0);  // only comes forward: no empty entry
    EXPECT_EQ(window("欧沃播放器", 5000), m_window) << "the second start did not map the window";
    const QString song = musicFile("歌 一.mp3");
    // A relative name arrives absolute: the running player has another working folder.
    EXPECT_EQ(second({"歌 一.mp3"}, m_root.path() + "/music"), 0);
    // The answer comes after the file was taken, so it is already saved.
    EXPECT_EQ(playList(), (QStringList{own, song}));
    const QString other = musicFile("two.flac");
    const QString last = musicFile("a last.mp3");  // sorts before the other: order is kept
    // A later start hands over before it would connect to a display: it needs none.
    const QProcessEnvironment withDisplay = m_env;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) m_env.remove(name);
    EXPECT_EQ(second({other, last}), 0);
    m_env = withDisplay;
    EXPECT_EQ(playList(), (QStringList{own, song, other, last}));
    EXPECT_TRUE(terminate(first));  // as when the user logs out
    EXPECT_EQ(first->exitCode(), 0);
    EXPECT_FALSE(QFile::exists(m_server));
    EXPECT_FALSE(QFile::exists(m_server + ".lock"));
}

// A hand-over that nobody takes (the lock is held, nobody answers) is not a silent success.
TEST_F(SingleInstanceE2E, AHandOverThatFailsIsReportedAndExitsNonZero) {
    QLockFile lock(m_server + ".lock");  // we are the "running instance" that never listens
    ASSERT_TRUE(lock.tryLock(0));
    QProcess lost;
    lost.setProcessEnvironment(m_env);
    lost.start(m_program, {musicFile("lost.mp3")});
    ASSERT_TRUE(lost.waitForFinished(30000));
    EXPECT_EQ(lost.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(lost.exitCode(), 0);
    EXPECT_TRUE(lost.readAllStandardError().contains("nothing was handed over"));
}

// Without XDG_RUNTIME_DIR the lock and socket would go to the shared temp folder, where another
// user (root here) may take the names first: the user's own cache folder serves instead.
TEST_F(SingleInstanceE2E, AnotherUsersFoldersInTheTempFolderDoNotSwitchHandOverOff) {
    if (::geteuid() != 0 || QStandardPaths::findExecutable("setpriv").isEmpty())
        GTEST_SKIP() << "needs root and setpriv to run the player as nobody";
    constexpr uid_t kNobody = 65534;
    // The cache folder's path is short: a socket's path has a length limit.
    const QString tmp = m_root.path() + "/tmp", cache = m_root.path() + "/c";
    ASSERT_TRUE(QDir().mkdir(tmp) && QDir().mkdir(cache));
    ASSERT_EQ(::chmod(QFile::encodeName(tmp).constData(), 01777), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(m_root.path()).constData(), 0711), 0);
    for (const QString& taken :
         {QStringLiteral("runtime-nobody"), QStringLiteral("orvoplayer-%1").arg(kNobody)})
        ASSERT_TRUE(QDir().mkdir(tmp + "/" + taken, QFile::ReadOwner | QFile::ExeOwner));
    for (const QString& ours :
         {m_env.value("HOME"), cache, m_data, m_data + "/config.xml", m_root.path() + "/music"})
        ASSERT_EQ(::chown(QFile::encodeName(ours).constData(), kNobody, kNobody), 0);
    m_env.remove("XDG_RUNTIME_DIR");
    m_env.insert("TMPDIR", tmp);
    m_env.insert("XDG_CACHE_HOME", cache);
    m_env.insert("QT_QPA_PLATFORM", "offscreen");  // the X server is root's
    m_runAs = {"--reuid=65534", "--regid=65534", "--clear-groups"};
    m_server = QStringLiteral("%1/orvoplayer-%2/BA77185C-A5D5-406c-86FC-0974C8BA9337-%2")
                   .arg(cache)
                   .arg(kNobody);
    player();
    const QString song = musicFile("mine.mp3");
    EXPECT_EQ(second({song}), 0);
    EXPECT_EQ(playList(), QStringList{song});
}

}  // namespace

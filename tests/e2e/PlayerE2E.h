#pragma once
// The built player on a private X server, driven as a user would with xdotool. Songs A to D
// (generated FLAC, each its own tone) are what the tests hand over; what was heard is read from
// the null output's capture. Screenshots go to tests/artifacts/e2e/.

#include <gtest/gtest.h>

#include <QMap>
#include <QPoint>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

class PlayerE2E : public ::testing::Test {
protected:
    // The songs' tones, A to D.
    static const QList<int> kTones;

    void SetUp() override;
    void TearDown() override;

    // A song of m_songSeconds seconds at dir/name.flac under the test's folder, titled "Song name"
    // (and by m_songArtist when set).
    QString song(const QString& dir, QChar name, int hz);
    void writeConfig(const QString& autoplay);
    // A player process; a first start (with a capture) returns once its window is mapped.
    QProcess* start(const QStringList& args, const QString& capture = QString());
    // Waits for the end of p (which may have come while events were processed).
    static bool ended(QProcess* p);
    QStringList xdotool(const QStringList& args);
    void click(QPoint at);
    void screenshot(const QString& name);
    // The songs heard so far, in order: each run of 0.1 s blocks dominated by one song's tone
    // ("A" .. "D"), "-" for a run of silence, runs shorter than 0.3 s left out.
    QString heard(const QString& capture);
    // Waits until what was heard ends with tail.
    bool hears(const QString& capture, const QString& tail, int ms = 15000);
    // The paths in playlist.xml, joined by "|" (readable when a check fails).
    QString playList() const;
    QString config(const QString& key) const;

    QTemporaryDir m_root;
    QProcessEnvironment m_env;
    QProcess m_xvfb;
    QList<QProcess*> m_players;
    QStringList m_songs;    // A, B in music/album, C in music, D in drop
    int m_songSeconds = 6;  // long enough for a few clicks on a busy machine
    QString m_songArtist;   // the songs' artist tag, none when empty
    QString m_window;
    QString m_lastPlayed;
    static constexpr int kBlock = 4410;
    QMap<QString, QString> m_blocks;
};

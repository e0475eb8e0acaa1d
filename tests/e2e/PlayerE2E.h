#pragma once
// The built player as real processes, driven as a user would: a private folder tree (data, run,
// home, music), a private X server (Xvfb, xdotool, import) unless a suite brings its own display,
// tone songs and what the null output's capture heard. Processes a test starts end with it, in
// reverse order, so a display server outlives its clients. Screenshots go to tests/artifacts/e2e/.

#include <gtest/gtest.h>

#include <QImage>
#include <QMap>
#include <QPoint>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// Failures show Qt's texts as text.
inline void PrintTo(const QString& text, std::ostream* os) { *os << text.toStdString(); }
inline void PrintTo(const QStringList& list, std::ostream* os) { PrintTo(list.join(" | "), os); }

class PlayerE2E : public ::testing::Test {
protected:
    static const QList<int> kTones;  // the songs' tones, A to D

    void SetUp() override;  // skips unless m_tools are installed; starts Xvfb when m_x11
    void TearDown() override;

    // A song at path (the format follows the name) in tone A + letter, titled "Song <letter>" by
    // "Orvo Tones"; empty when ffmpeg failed. makeSongs: A and B in music/album, C in music, D in
    // drop, as m_songs.
    QString song(const QString& path, int letter, int seconds = 6);
    void makeSongs(int seconds);
    // The delivered settings, opaque, with values replaced by key.
    void writeConfig(const QMap<QString, QString>& values = {});
    QProcess* run(const QString& program, const QStringList& args, const QString& dir = {});
    // A first player, returned once its socket answers and (on X11) its window is mapped; what
    // it plays is captured for heard().
    QProcess* player(const QStringList& args = {}, const QString& dir = {});
    // A later start, waited for: its exit code, -1 when it did not end by itself.
    int second(const QStringList& args, const QString& dir = {});
    static bool ended(QProcess* p, int ms = 15000);
    // SIGTERM, then waits: true when p exited by itself.
    static bool terminate(QProcess* p, int ms = 15000);

    // xdotool's output lines, empty when it failed or hung.
    QStringList xdotool(const QStringList& args, int ms = 15000);
    // The first visible window whose title matches the pattern.
    QString window(const QString& title, int ms = 15000);
    // The mouse to a point of a window (the player's by default), then xdotool's commands.
    void mouse(QPoint at, const QStringList& then = {}, const QString& window = {});
    void click(QPoint at, const QString& window = {}) { mouse(at, {"click", "1"}, window); }
    // Kept as tests/artifacts/e2e/<name>/; null when none was taken.
    QImage screenshot(const QString& name, const QString& window = {});

    // The songs heard so far, in order: each run of 0.1 s blocks dominated by one song's tone
    // ("A" .. "D"), "-" for a run of silence, runs shorter than 0.3 s left out.
    QString heard();
    bool hears(const QString& tail, int ms = 15000);  // until what was heard ends with tail
    bool grows(int ms = 1000);  // until the capture grows by more than a few blocks

    QStringList playList() const;
    QString config(const QString& key) const;
    static QString text(const QString& path);

    QTemporaryDir m_root;
    const QString m_data = m_root.path() + "/data";
    QStringList m_tools = {"Xvfb", "xdotool", "ffmpeg"};
    bool m_x11 = true;
    QString m_program;
    QStringList m_runAs;  // setpriv's options; empty: as ourselves
    QString m_server;     // the single-instance socket
    QProcessEnvironment m_env;
    QStringList m_songs;
    QString m_window;
    QString m_capture;

private:
    QList<std::shared_ptr<QProcess>> m_processes;
    QString m_blocks;
};

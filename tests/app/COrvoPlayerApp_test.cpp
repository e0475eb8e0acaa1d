#include "app/COrvoPlayerApp.h"
#include "app/InstanceKey.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

TEST(COrvoPlayerApp, KernelGateRefusesOnlyKnownOldKernels) {
    for (const char* old : {"2.6.32-754.el6.x86_64", "2.4", "2"})
        EXPECT_FALSE(COrvoPlayerApp::isKernelVersionSupported(QString::fromLatin1(old))) << old;
    // Numbers, not text ("10" < "3" as text); an unknown kernel is not known to be too old.
    for (const char* fine : {"3.0.0", "10.1.0", "6.18.44-fc-v1300", "", "unknown"})
        EXPECT_TRUE(COrvoPlayerApp::isKernelVersionSupported(QString::fromLatin1(fine))) << fine;
}

TEST(COrvoPlayerApp, CommandLineNamesFilesInOrderMadeAbsolute) {
    auto parse = [](const QStringList& args) {
        return COrvoPlayerApp::parseCommandLineFiles(QStringList{"OrvoPlayer"} + args,
                                                     "/home/u/音乐");
    };
    EXPECT_EQ(parse({}), QStringList());
    EXPECT_EQ(parse({"../x/./b.mp3"}), QStringList{"/home/u/x/b.mp3"});
    EXPECT_EQ(parse({"/abs/d.mp3", "c.mp3", "/abs/d.mp3", "dir/"}),
              (QStringList{"/abs/d.mp3", "/home/u/音乐/c.mp3", "/abs/d.mp3", "/home/u/音乐/dir"}));
    EXPECT_EQ(parse({"-v", "", "e f.mp3", "--", "-dash.mp3", "--"}),
              (QStringList{"/home/u/音乐/e f.mp3", "/home/u/音乐/-dash.mp3", "/home/u/音乐/--"}));
}

// The settings sheet sends its changes only to a window with the mark (the hand-over itself, and
// what a file then does, is checked end to end).
TEST(COrvoPlayerApp, MainWindowCarriesTheInstanceMarkAndOnlyItTakesHandedOverFiles) {
    QTemporaryDir data;
    qputenv("ORVO_DATA_DIR", QFile::encodeName(data.path()));
    std::unique_ptr<QWidget> window(COrvoPlayerApp::createMainWindow());
    EXPECT_EQ(window->property(OrvoInstance::kInstanceKey).toInt(), 1);
    QWidget plain;  // a window that cannot take files says so
    EXPECT_FALSE(COrvoPlayerApp::deliverHandedOverPaths(&plain, {"/m/a.mp3"}));
    qunsetenv("ORVO_DATA_DIR");
}

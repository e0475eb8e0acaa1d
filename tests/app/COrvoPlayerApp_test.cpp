#include "app/COrvoPlayerApp.h"
#include "app/InstanceKey.h"

#include <gtest/gtest.h>

#include <QApplication>
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

TEST(COrvoPlayerApp, CommandLineNamesOneFileMadeAbsolute) {
    auto parse = [](const QStringList& args) {
        return COrvoPlayerApp::parseCommandLineFile(QStringList{"OrvoPlayer"} + args,
                                                    "/home/u/音乐");
    };
    EXPECT_EQ(parse({}), QString());
    EXPECT_EQ(parse({"../x/./b.mp3"}), QStringLiteral("/home/u/x/b.mp3"));
    EXPECT_EQ(parse({"/abs/c.mp3", "/abs/d.mp3"}), QStringLiteral("/abs/c.mp3"));
    EXPECT_EQ(parse({"-v", "", "e f.mp3"}), QStringLiteral("/home/u/音乐/e f.mp3"));
    EXPECT_EQ(parse({"--", "-dash.mp3"}), QStringLiteral("/home/u/音乐/-dash.mp3"));
}

// Whatever class the main window has, a later start must find and feed it (what a file then
// does is checked end to end).
TEST(COrvoPlayerApp, MainWindowCarriesTheMarksOfARunningInstanceAndTakesHandedOverFiles) {
    QTemporaryDir data;
    qputenv("ORVO_DATA_DIR", QFile::encodeName(data.path()));
    std::unique_ptr<QWidget> window(COrvoPlayerApp::createMainWindow());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->windowTitle().contains(QString::fromUtf8(OrvoInstance::kWindowTitle)));
    EXPECT_EQ(window->property(OrvoInstance::kInstanceKey).toInt(), 1);
    EXPECT_TRUE(COrvoPlayerApp::deliverHandedOverPath(window.get(), QString()));
    EXPECT_TRUE(window->isVisible());  // without a file it only comes forward
    QWidget plain;                     // a window that cannot take files says so
    EXPECT_FALSE(COrvoPlayerApp::deliverHandedOverPath(&plain, QStringLiteral("/m/a.mp3")));
    qunsetenv("ORVO_DATA_DIR");
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

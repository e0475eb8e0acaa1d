#include "app/COrvoPlayerApp.h"
#include "app/InstanceKey.h"
#include "app/StandInMainWindow.h"
#include "core/StoreBinding.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

namespace {

TEST(COrvoPlayerApp, KernelGateRefusesOnlyKnownOldKernels) {
    struct Case {
        const char* version;
        bool supported;
    };
    const Case cases[] = {
        {"2.6.32-754.el6.x86_64", false},
        {"2.4", false},
        {"2", false},
        {"3.0.0", true},
        {"3.10.0-1160.el7.x86_64", true},
        {"10.1.0", true},  // compared as a number, not as text
        {"6.18.44-fc-v1300", true},
        {"", true},  // unknown is not known to be too old
        {"unknown", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(COrvoPlayerApp::isKernelVersionSupported(QString::fromLatin1(c.version)),
                  c.supported)
            << c.version;
    }
}

TEST(COrvoPlayerApp, CommandLineNamesOneFileMadeAbsolute) {
    const QString cwd = QStringLiteral("/home/u/音乐");
    auto parse = [&](const QStringList& args) {
        return COrvoPlayerApp::parseCommandLineFile(QStringList{"OrvoPlayer"} + args, cwd);
    };
    EXPECT_EQ(parse({}), QString());
    EXPECT_EQ(parse({"a.mp3"}), QStringLiteral("/home/u/音乐/a.mp3"));
    EXPECT_EQ(parse({"../x/./b.mp3"}), QStringLiteral("/home/u/x/b.mp3"));
    EXPECT_EQ(parse({"/abs/c.mp3", "/abs/d.mp3"}), QStringLiteral("/abs/c.mp3"));
    EXPECT_EQ(parse({"-v", "", "e f.mp3"}), QStringLiteral("/home/u/音乐/e f.mp3"));
    EXPECT_EQ(parse({"--", "-dash.mp3"}), QStringLiteral("/home/u/音乐/-dash.mp3"));
    EXPECT_EQ(parse({"--", "--"}), QStringLiteral("/home/u/音乐/--"));
}

TEST(COrvoPlayerApp, LockAndSocketArePerUserInTheRuntimeFolder) {
    QTemporaryDir runtime;
    ASSERT_TRUE(QFile::setPermissions(runtime.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const QString lock = COrvoPlayerApp::instanceLockPath();
    const QString socket = COrvoPlayerApp::instanceServerName();
    qputenv("XDG_RUNTIME_DIR", saved);

    const QString uid = QString::number(::getuid());
    for (const QString& path : {lock, socket}) {
        EXPECT_TRUE(path.startsWith(runtime.path() + '/')) << path.toStdString();
        EXPECT_TRUE(path.contains(QLatin1String(OrvoInstance::kInstanceKey)));
        EXPECT_TRUE(path.contains(uid));
    }
    EXPECT_NE(lock, socket);
}

// A window that records what was handed to it.
class ProbeWindow : public QWidget {
    Q_OBJECT
public:
    QStringList handed;
public slots:
    void OpenHandedOverFile(const QString& path) { handed.append(path); }
};

TEST(COrvoPlayerApp, HandOverWithoutAFileOnlyBringsTheWindowForward) {
    ProbeWindow window;
    window.hide();
    EXPECT_TRUE(COrvoPlayerApp::deliverHandedOverPath(&window, QString()));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.handed.isEmpty());

    window.showMinimized();
    EXPECT_TRUE(COrvoPlayerApp::deliverHandedOverPath(&window, QStringLiteral("/m/a.mp3")));
    EXPECT_EQ(window.handed, QStringList{QStringLiteral("/m/a.mp3")});

    QWidget plain;  // a window that cannot take files says so
    EXPECT_FALSE(COrvoPlayerApp::deliverHandedOverPath(&plain, QStringLiteral("/m/a.mp3")));
    EXPECT_FALSE(COrvoPlayerApp::deliverHandedOverPath(nullptr, QString()));
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_data.isValid());
        m_savedDataDir = qgetenv("ORVO_DATA_DIR");
        qputenv("ORVO_DATA_DIR", QFile::encodeName(m_data.path()));
        StoreBinding::setLibraryPath(QStringLiteral(ORVO_OUT_DIR "/libOrvo_XMLCtrl.so"));
    }
    void TearDown() override {
        StoreBinding::setLibraryPath(QString());
        qputenv("ORVO_DATA_DIR", m_savedDataDir);
    }
    QTemporaryDir m_data;
    QByteArray m_savedDataDir;
};

TEST_F(MainWindowTest, CarriesTheMarksARunningInstanceIsKnownBy) {
    std::unique_ptr<QWidget> window(COrvoPlayerApp::createMainWindow());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->windowTitle().contains(QString::fromUtf8(OrvoInstance::kWindowTitle)));
    EXPECT_EQ(window->property(OrvoInstance::kInstanceKey).toInt(), 1);
    EXPECT_GE(window->metaObject()->indexOfMethod("OpenHandedOverFile(QString)"), 0);
}

TEST_F(MainWindowTest, StandInKeepsHandedOverFilesInThePlayList) {
    if (!QFile::exists(StoreBinding::libraryPath())) {
        GTEST_SKIP() << "data store library not built";
    }
    {
        StandInMainWindow window;
        window.OpenHandedOverFile(QStringLiteral("/m/01.Intro.mp3"));
        ASSERT_EQ(window.playList().size(), 1);
        EXPECT_EQ(window.playList().first().title, QStringLiteral("01"));
        EXPECT_TRUE(window.isVisible());
    }
    StandInMainWindow reopened;
    ASSERT_EQ(reopened.playList().size(), 1);
    EXPECT_EQ(reopened.playList().first().path, QStringLiteral("/m/01.Intro.mp3"));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "COrvoPlayerApp_test.moc"

// Importing a 2,000 × 1,000 JPEG as a background, as a user does it on the interface settings
// page: from the click on "自定义背景图" (the file already chosen) to its thumbnail in the list,
// and from the click on that thumbnail to the main window painted with the new background.
// Runs on the offscreen platform with the real main window (opaque), store library and pictures.
//
//   build/bench/bin/bench_settings_import [runs]

#include "core/StoreBinding.h"
#include "mainwindow/ControlPanelDlg.h"
#include "platform/DataDirectory.h"
#include "settings/UiSetting.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

// A photo-like picture: smooth gradients with fine noise, so the JPEG is of a realistic size.
QString makeJpeg(const QString& dir) {
    QImage img(2000, 1000, QImage::Format_RGB32);
    QRandomGenerator rng(7);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int n = int(rng.bounded(24));
            line[x] = qRgb((x / 8 + n) & 0xFF, (y / 4 + n) & 0xFF, ((x + y) / 12 + n) & 0xFF);
        }
    }
    const QString path = dir + QStringLiteral("/photo.jpg");
    img.save(path, "JPG", 90);
    return path;
}

// CPU time of the process in ms: on a shared machine the wall time mostly measures the others.
double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double median(QList<double> v) {
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v.at(v.size() / 2);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    QTemporaryDir dir;
    qputenv("ORVO_DATA_DIR", QFile::encodeName(dir.path() + QStringLiteral("/data")));
    DataDirectory::setDeliveredDirectoryOverride(QStringLiteral(ORVO_OUT_DIR));
    DataDirectory::setProgramDirectoryOverride(QStringLiteral(ORVO_OUT_DIR "/"));
    StoreBinding::setLibraryPath(QStringLiteral(ORVO_OUT_DIR "/libOrvo_XMLCtrl.so"));
    if (!DataDirectory::prepare()) return 1;
    const QString jpeg = makeJpeg(dir.path());
    // Opaque: a translucent window fades the new background in over a fixed 750 ms.
    StoreBinding::WriteConfigValue(QStringLiteral("entransparent"), 0);

    ControlPanelDlg window;
    window.show();
    UiSetting page(window);
    page.setPrompts({[&](QWidget*) { return jpeg; },
                     {},
                     [](const QString& text) {
                         std::fprintf(stderr, "import failed: %s\n", qPrintable(text));
                     }});
    QWidget sheet;
    sheet.resize(280, 350);
    page.CreatePage(&sheet)->resize(280, 350);
    sheet.show();
    QApplication::processEvents();
    auto* list = page.page()->findChild<QListWidget*>(QStringLiteral("1023"));
    auto* button = page.page()->findChild<QPushButton*>(QStringLiteral("1017"));

    QList<double> importMs, shownMs, importCpu, shownCpu;
    for (int i = 0; i < runs; ++i) {
        const int before = list->count();
        QElapsedTimer t;
        t.start();
        double cpu = cpuMs();
        button->click();
        if (list->count() != before + 1) return 1;
        importMs << t.nsecsElapsed() / 1e6;
        importCpu << cpuMs() - cpu;

        QSignalSpy changed(&window, &ControlPanelDlg::backgroundChanged);
        const QRect item = list->visualItemRect(list->item(list->count() - 1));
        t.restart();
        cpu = cpuMs();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
        if (!changed.wait(5000)) return 1;
        window.repaint();
        shownMs << t.nsecsElapsed() / 1e6;
        shownCpu << cpuMs() - cpu;
    }
    const auto report = [](const char* what, const QList<double>& wall, const QList<double>& cpu) {
        std::printf("%s: median %.1f ms wall (min %.1f, max %.1f), %.1f ms CPU\n", what,
                    median(wall), *std::min_element(wall.begin(), wall.end()),
                    *std::max_element(wall.begin(), wall.end()), median(cpu));
    };
    report("import click to thumbnail listed", importMs, importCpu);
    report("pick click to new background painted", shownMs, shownCpu);
    return 0;
}

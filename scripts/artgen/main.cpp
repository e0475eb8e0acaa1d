// orvo-artgen: draws the player's delivered art.
//   orvo-artgen ROOT                      res/, skin/1..4, skinlist.xml and the theme icons
//                                         (player/desktop/icons/) under ROOT
//   orvo-artgen --spinner DIR             the busy spinner's frames (make-art.sh makes the GIF)
//   orvo-artgen --mock ROOT OUT [W H]     window mocks of every skin at 1x and 2x into OUT
//   orvo-artgen --check ROOT              verifies what ROOT delivers (sizes, icons, GIF, skins)

#include "ArtCheck.h"
#include "ControlArt.h"
#include "IconArt.h"
#include "SkinArt.h"
#include "WindowMock.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

static int usage() {
    std::fprintf(stderr,
                 "usage: orvo-artgen ROOT | --spinner DIR | --mock ROOT OUT [WIDTH HEIGHT] | "
                 "--check ROOT\n");
    return 2;
}

int main(int argc, char** argv) {
    // Text is drawn with installed fonts, which needs a GUI application; no window is shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) return usage();

    if (args[0] == "--spinner") {
        if (args.size() != 2) return usage();
        return IconArt::writeSpinnerFrames(args[1]) > 0 ? 0 : 1;
    }
    if (args[0] == "--check") {
        if (args.size() != 2) return usage();
        const QStringList problems = ArtCheck::run(args[1]);
        for (const QString& p : problems) std::fprintf(stderr, "artgen: %s\n", qPrintable(p));
        return problems.isEmpty() ? 0 : 1;
    }
    if (args[0] == "--mock") {
        if (args.size() != 3 && args.size() != 5) return usage();
        const QString root = args[1], out = args[2];
        const int w = args.size() == 5 ? args[3].toInt() : 316;
        const int h = args.size() == 5 ? args[4].toInt() : 560;
        if (w < 200 || h < 300) return usage();
        QDir().mkpath(out);
        for (int n = 1; n <= SkinArt::kSkinCount; ++n) {
            for (int scale : {1, 2}) {
                const QImage img = WindowMock::render(
                    root + "/res", QString("%1/skin/%2/%2.bmp").arg(root).arg(n), w, h, scale);
                const QString file = QString("%1/mock-%2-%3x.png").arg(out).arg(n).arg(scale);
                if (!img.save(file)) {
                    std::fprintf(stderr, "artgen: cannot write %s\n", qPrintable(file));
                    return 1;
                }
            }
        }
        return 0;
    }
    if (args.size() != 1) return usage();
    const QString root = args[0];
    bool ok = ControlArt::writeAll(root + "/res");
    ok = IconArt::writeAll(root + "/res") && ok;
    ok = IconArt::writeThemeIcons(root + "/" + IconArt::kThemeIconFolder) && ok;
    ok = SkinArt::writeAll(root) && ok;
    return ok ? 0 : 1;
}

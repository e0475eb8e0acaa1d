// The floor under the player's start-up: a frameless Qt window that paints one line of text in
// the player's face and reports its first frame the same way the player does. What the player
// takes beyond this is its own.
#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <ctime>

namespace {

class FloorWindow : public QWidget {
public:
    FloorWindow() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
        setAttribute(Qt::WA_TranslucentBackground);
        resize(320, 560);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), QColor(0x26, 0x28, 0x2C));
        QFont font;
        font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("Noto Sans CJK SC")});
        font.setPixelSize(14);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(24, 170, QStringLiteral("00:00"));
        if (!m_reported) {
            m_reported = true;
            QTimer::singleShot(0, this, [] {
                timespec now{};
                clock_gettime(CLOCK_REALTIME, &now);
                std::fprintf(stderr, "orvo-startup first-paint %lld\n",
                             static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
                std::fflush(stderr);
            });
        }
    }

private:
    bool m_reported = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    FloorWindow w;
    w.show();
    return app.exec();
}

#pragma once
// Steps the window opacity up after a background change: 17, 34, ... every 50 ms, up to the
// target. Timer driven, so the window keeps answering input while it fades.
// Thread: UI thread only.

#include <QList>
#include <QObject>
#include <QTimer>

class BackgroundFader : public QObject {
    Q_OBJECT
public:
    explicit BackgroundFader(QObject* parent = nullptr);

    // Starts a fade towards target (a running one is dropped). False when target is below the
    // first step: then nothing is emitted at all.
    bool start(int target);
    void stop();
    // Jumps to the end of a running fade: its last step and finished() are emitted at once.
    void finish();
    bool isRunning() const { return m_timer.isActive(); }

signals:
    void step(int opacity);
    void finished();

private:
    void tick();

    QTimer m_timer;
    QList<int> m_steps;
    qsizetype m_next = 0;
};

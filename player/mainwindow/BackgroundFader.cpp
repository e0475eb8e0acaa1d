#include "BackgroundFader.h"

#include "WindowGeometry.h"

BackgroundFader::BackgroundFader(QObject* parent) : QObject(parent) {
    m_timer.setInterval(WindowGeometry::kFadeIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &BackgroundFader::tick);
}

bool BackgroundFader::start(int target) {
    m_timer.stop();
    m_steps = WindowGeometry::FadeSteps(target);
    m_next = 0;
    if (m_steps.isEmpty()) return false;
    m_timer.start();
    return true;
}

void BackgroundFader::stop() {
    m_timer.stop();
    m_steps.clear();
    m_next = 0;
}

void BackgroundFader::finish() {
    if (!isRunning()) return;
    m_next = m_steps.size() - 1;
    tick();
}

void BackgroundFader::tick() {
    if (m_next >= m_steps.size()) {
        stop();
        return;
    }
    const int opacity = m_steps.at(m_next++);
    const bool last = m_next >= m_steps.size();
    if (last) stop();
    emit step(opacity);
    if (last) emit finished();
}

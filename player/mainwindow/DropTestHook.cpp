#include "DropTestHook.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QWidget>

DropTestHook* DropTestHook::createIfRequested(QWidget* window) {
    const QString file = qEnvironmentVariable("ORVO_TEST_DROP");
    return file.isEmpty() ? nullptr : new DropTestHook(window, file);
}

DropTestHook::DropTestHook(QWidget* window, const QString& file)
    : QObject(window), m_window(window), m_file(file) {
    connect(&m_timer, &QTimer::timeout, this, &DropTestHook::poll);
    m_timer.start(100);
}

void DropTestHook::poll() {
    QFile file(m_file);
    if (!file.open(QIODevice::ReadOnly)) return;
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"), file.readAll());
    file.close();
    file.remove();
    const QPointF at(m_window->width() / 2.0, m_window->height() / 2.0);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_window, &enter);
    if (!enter.isAccepted()) return;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_window, &drop);
}

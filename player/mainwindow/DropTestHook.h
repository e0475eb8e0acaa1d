#pragma once
// For end-to-end tests only, and only when ORVO_TEST_DROP names a file: when that file appears,
// its text/uri-list content is dropped on the window as a real drag enter and drop (an XDND drag
// cannot be driven from outside on a bare X server), and the file is removed.
// Thread: UI thread only.

#include <QObject>
#include <QString>
#include <QTimer>

class QWidget;

class DropTestHook : public QObject {
    Q_OBJECT
public:
    // Null when the environment does not ask for the hook.
    static DropTestHook* createIfRequested(QWidget* window);

private:
    DropTestHook(QWidget* window, const QString& file);
    void poll();

    QWidget* m_window;
    QString m_file;
    QTimer m_timer;
};

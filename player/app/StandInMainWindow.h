#pragma once
// A plain main window until the skinned one takes its place: the title, the instance key
// property and the play list with its storage, so the single-instance hand-over works end to end.

#include <QList>
#include <QWidget>

#include "store/StoreRecords.h"

class QListWidget;

class StandInMainWindow : public QWidget {
    Q_OBJECT
public:
    explicit StandInMainWindow(QWidget* parent = nullptr);

    const QList<tagFileListInfo>& playList() const { return m_playList; }

public slots:
    // A file handed over by a later start: bring the window forward, append and save.
    void OpenHandedOverFile(const QString& path);

private:
    QList<tagFileListInfo> m_playList;
    QListWidget* m_listView;
};

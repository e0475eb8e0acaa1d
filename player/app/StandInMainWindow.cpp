#include "StandInMainWindow.h"

#include <QListWidget>
#include <QVBoxLayout>

#include "COrvoPlayerApp.h"
#include "InstanceKey.h"
#include "core/StoreBinding.h"
#include "core/TextOps.h"

StandInMainWindow::StandInMainWindow(QWidget* parent)
    : QWidget(parent), m_listView(new QListWidget(this)) {
    setWindowTitle(QString::fromUtf8(OrvoInstance::kWindowTitle));
    setProperty(OrvoInstance::kInstanceKey, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_listView);
    resize(303, 526);

    StoreBinding::LoadPlayList(&m_playList);
    for (const tagFileListInfo& entry : std::as_const(m_playList)) {
        m_listView->addItem(entry.title);
    }
}

void StandInMainWindow::OpenHandedOverFile(const QString& path) {
    COrvoPlayerApp::showAndActivate(this);
    tagFileListInfo entry;
    entry.title = TextOps::FileNameTitle(path);
    entry.path = path;
    m_playList.append(entry);
    StoreBinding::SavePlayList(&m_playList);
    m_listView->addItem(entry.title);
    m_listView->setCurrentRow(m_listView->count() - 1);
}

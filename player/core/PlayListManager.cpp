#include "PlayListManager.h"

#include "AudioLibrary.h"
#include "ConfigKeys.h"
#include "PlayListEdit.h"
#include "StoreBinding.h"
#include "TagReaderBinding.h"
#include "TextOps.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <algorithm>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

void collectFolder(const QString& folder, QStringList& out) {
    const QFileInfoList entries = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir()) {
            // A link to a folder could lead back up the tree: only real folders are entered.
            if (!entry.isSymLink()) collectFolder(entry.filePath(), out);
        } else if (entry.isFile() && TextOps::IsSupportedAudioFile(entry.fileName())) {
            out.append(entry.absoluteFilePath());
        }
    }
}

}  // namespace

PlayListManager::PlayListManager(QList<tagFileListInfo>& items, Playback& playback,
                                 PlayerView* view)
    : m_items(items), m_playback(playback), m_view(view) {}

void PlayListManager::LoadPlayListAtStart() {
    StoreBinding::LoadPlayList(&m_items);
    if (!m_items.isEmpty() && m_view) m_view->ListChanged(false);
}

bool PlayListManager::RestoreLastPlayed() {
    const QString last =
        StoreBinding::ReadConfigValue(QString::fromLatin1(ConfigKeys::kLastPlayFile), QString());
    if (last.isEmpty()) return false;
    const auto found = std::find_if(m_items.cbegin(), m_items.cend(),
                                    [&](const tagFileListInfo& e) { return e.path == last; });
    if (found == m_items.cend()) return false;
    const int index = int(found - m_items.cbegin());
    m_playback.SetCurrent(last, found->title, index);
    const bool playing = m_playback.PlayFile(last);
    if (m_view) m_view->RowMarked(index, 1);
    return playing;
}

void PlayListManager::ClearPlayList() {
    m_items.clear();
    if (m_view) {
        m_view->RowMarked(-1, 1);
        m_view->ListChanged(false);
    }
    m_playback.Stop();
    m_playback.SetCurrent(QString(), QString(), 0);
    StoreBinding::SavePlayList(&m_items);
    m_playback.NotifyChanged();
}

bool PlayListManager::RemoveRows(const QList<int>& rows) {
    return !m_busy && rowsRearranged(PlayListEdit::RemoveRows(m_items, rows));
}

bool PlayListManager::MoveRows(const QList<int>& rows, int before) {
    return !m_busy && rowsRearranged(PlayListEdit::MoveRows(m_items, rows, before));
}

bool PlayListManager::rowsRearranged(const QList<int>& newIndexOf) {
    if (newIndexOf.isEmpty()) return false;
    if (m_view) m_view->RowsRearranged(newIndexOf);
    const int current = m_playback.currentIndex();
    if (current >= 0 && current < newIndexOf.size()) {
        const int moved = newIndexOf[current];
        if (moved >= 0) {
            m_playback.SetCurrent(m_playback.currentPath(), m_playback.currentTitle(), moved);
        } else {
            // The current song left the list: it stops, and is not remembered as last played.
            if (m_playback.isPlaying()) m_playback.Stop();
            const auto kept = std::count_if(newIndexOf.cbegin(), newIndexOf.cbegin() + current,
                                            [](int to) { return to >= 0; });
            const int count = int(m_items.size());
            m_playback.SetCurrent(QString(), QString(),
                                  std::min(int(kept), std::max(0, count - 1)));
        }
    }
    StoreBinding::SavePlayList(&m_items);
    // The desktop's view of the list (track ids, next and previous) follows the new order.
    m_playback.NotifyChanged();
    return true;
}

QString PlayListManager::DialogFilter() {
    // The text the user reads, then the patterns in the form Qt takes (the dialog hides the
    // second pair of brackets). Qt matches them without regard to case.
    return QStringLiteral(
        "音乐文件格式 (*.mp1;*.mp2;*.mp3;*.wma;*.flac;*.aac;*.ogg;*.ape) "
        "(*.mp1 *.mp2 *.mp3 *.wma *.flac *.aac *.ogg *.ape)");
}

void PlayListManager::AddFilesFromDialog(QWidget* parent) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilter(DialogFilter());
    if (dialog.exec() != QDialog::Accepted) return;
    AddFiles(dialog.selectedFiles(), true);
}

void PlayListManager::AddDroppedFiles(const QList<QUrl>& urls) {
    QStringList files;
    for (const QString& path : LocalPaths(urls)) files += ExpandPath(path, true);
    AddFiles(files, true);
}

void PlayListManager::AddFileToList(const QString& path) {
    if (path.isEmpty()) return;
    AddFiles({path}, false);
}

bool PlayListManager::OpenHandedOverFiles(const QStringList& paths) {
    if (m_busy) {
        // Another adding operation is repainting between its chunks: this one follows it.
        m_pending.append(paths);
        return false;
    }
    QStringList files;
    for (const QString& path : paths) {
        if (!path.isEmpty()) files += ExpandPath(path, false);
    }
    const int first = int(m_items.size());
    if (AddFiles(files, false) == 0) return false;
    m_playback.PlayIndex(first, 1);
    return true;
}

int PlayListManager::AddFiles(const QStringList& files, bool listedTitles) {
    if (files.isEmpty()) return 0;
    m_busy = true;
    const int total = int(files.size());
    if (m_view) m_view->AddingProgress(true, 0, total);
    {
        // Streams for the tag reader open without a started output, so titles do not depend on
        // whether playback could start.
        TagReaderBinding tags(AudioLibrary::api());
        const auto source =
            listedTitles ? TagReaderBinding::Source::Listed : TagReaderBinding::Source::Single;
        for (int done = 0; done < total; done += kChunk) {
            m_items.append(tags.MakeEntries(files.mid(done, kChunk), source));
            if (m_view && done + kChunk < total) {
                m_view->ListChanged(true);
                m_view->AddingProgress(true, done + kChunk, total);
            }
        }
        StoreBinding::SavePlayList(&m_items);
    }
#if defined(__GLIBC__)
    // Reading thousands of tags leaves freed blocks all over the heap that the list will not
    // reuse; the allocator keeps them unless asked (1.6 MiB after 2,000 MP3s).
    malloc_trim(0);
#endif
    m_busy = false;
    if (m_view) {
        m_view->ListChanged(true);
        m_view->AddingProgress(false, total, total);
    }
    m_playback.NotifyChanged();
    runPending();
    return total;
}

void PlayListManager::runPending() {
    while (!m_pending.isEmpty() && !m_busy) OpenHandedOverFiles(m_pending.takeFirst());
}

QStringList PlayListManager::ExpandPath(const QString& path, bool checkExtension) {
    const QFileInfo info(path);
    if (info.isDir()) {
        QStringList files;
        collectFolder(info.absoluteFilePath(), files);
        return files;
    }
    if (checkExtension && !TextOps::IsSupportedAudioFile(path)) return {};
    return {path};
}

QStringList PlayListManager::LocalPaths(const QList<QUrl>& urls) {
    QStringList paths;
    for (const QUrl& url : urls) {
        if (url.isLocalFile()) paths.append(url.toLocalFile());
    }
    return paths;
}

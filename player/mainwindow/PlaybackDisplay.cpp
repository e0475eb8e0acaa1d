#include "PlaybackDisplay.h"

#include "ControlLayout.h"
#include "ControlPanelDlg.h"
#include "SkinControls.h"
#include "controls/UIButton.h"
#include "controls/UICanvar.h"
#include "controls/UILable.h"
#include "controls/UIList.h"
#include "controls/UISlider.h"
#include "core/Playback.h"

#include <QCoreApplication>

PlaybackDisplay::PlaybackDisplay(ControlPanelDlg& window, Playback& playback)
    : m_window(window), m_playback(playback) {
    m_progress.setInterval(kProgressMs);
    m_marquee.setInterval(kMarqueeMs);
    connect(&m_progress, &QTimer::timeout, this, &PlaybackDisplay::OnProgressTimer);
    connect(&m_marquee, &QTimer::timeout, this, &PlaybackDisplay::OnMarqueeTimer);
}

void PlaybackDisplay::SongStarted(const QString& title) {
    SkinControls& c = m_window.controls();
    c.musicNameLable->setText(title);
    c.musicNameLable->setScrollOffset(0);
    m_direction = 0;
    LayoutNameLable();
    m_window.setWindowTitle(QString::fromUtf8(ControlPanelDlg::kTitle) + u'-' + title);
    m_window.canvas().UpdateCanvar(c.musicNameLable);
    SyncPlayButton();
    // The length is known at once; waiting a second for the first tick would show 00:00.
    c.totalTimeLable->setText(Playback::FormatTime(m_playback.songDuration()));
    m_window.canvas().UpdateCanvar(c.totalTimeLable);
    m_progress.start();
    UpdateMarquee();
}

void PlaybackDisplay::SongStopped() {
    m_progress.stop();
    m_marquee.stop();
    SkinControls& c = m_window.controls();
    UICanvar& canvas = m_window.canvas();
    c.positionSlider->setValue(0);
    c.totalTimeLable->setText(Playback::FormatTime(0));
    c.elapsedTimeLable->setText(Playback::FormatTime(0));
    c.musicNameLable->EmptyString();
    c.musicNameLable->setScrollOffset(0);
    m_direction = 0;
    m_window.setWindowTitle(QString::fromUtf8(ControlPanelDlg::kTitle));
    for (IControl* changed :
         {static_cast<IControl*>(c.positionSlider), static_cast<IControl*>(c.totalTimeLable),
          static_cast<IControl*>(c.elapsedTimeLable), static_cast<IControl*>(c.musicNameLable)}) {
        canvas.UpdateCanvar(changed);
    }
    SyncPlayButton();
}

void PlaybackDisplay::RowMarked(int row, int flag) {
    UIList* list = m_window.controls().musicList;
    list->SetFileIndex(&m_window, row, flag);
    m_window.canvas().UpdateCanvar(list);
}

void PlaybackDisplay::ListChanged(bool scrollToEnd) {
    UIList* list = m_window.controls().musicList;
    list->setHasSongs(list->GetListCount() > 0);
    m_window.layout().LayoutList(m_window.windowWidth(), m_window.windowHeight(), m_window.inset(),
                                 scrollToEnd ? 1 : 0);
    m_window.canvas().UpdateCanvar(list);
}

void PlaybackDisplay::RowsRearranged(const QList<int>& newIndexOf) {
    m_window.controls().musicList->remapRows(newIndexOf);
    ListChanged(false);
}

void PlaybackDisplay::AddingProgress(bool busy, int done, int total) {
    // No input while files are examined, but the window keeps painting: the list grows chunk
    // by chunk in front of the user.
    m_window.setEnabled(!busy);
    if (busy && total > 0) {
        m_window.setWindowTitle(QString::fromUtf8(ControlPanelDlg::kTitle) +
                                QStringLiteral("-%1/%2").arg(done).arg(total));
    } else {
        const QString title = m_window.controls().musicNameLable->text();
        m_window.setWindowTitle(QString::fromUtf8(ControlPanelDlg::kTitle) +
                                (m_playback.isPlaying() ? u'-' + title : QString()));
    }
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void PlaybackDisplay::OnProgressTimer() {
    SkinControls& c = m_window.controls();
    UICanvar& canvas = m_window.canvas();
    const Playback::Progress p = m_playback.OnProgressTimer(c.positionSlider->length());
    // An end of song has already reset the display (and maybe started the next song).
    if (p.ended || !canvas.progressUpdatesAllowed()) return;
    c.positionSlider->setValue(p.sliderValue);
    c.totalTimeLable->setText(Playback::FormatTime(p.durationSeconds));
    c.elapsedTimeLable->setText(Playback::FormatTime(p.elapsedSeconds));
    canvas.UpdateCanvar(c.positionSlider);
    canvas.UpdateCanvar(c.totalTimeLable);
    canvas.UpdateCanvar(c.elapsedTimeLable);
}

void PlaybackDisplay::OnMarqueeTimer() {
    UILable* label = m_window.controls().musicNameLable;
    const int overflow = label->GetStrWidht() - label->ShownWidth();
    int offset = label->scrollOffset();
    // One pixel a tick forward until one past the end, then back to the start, and again.
    if (offset <= overflow && m_direction == 0) {
        ++offset;
    } else {
        m_direction = 1;
        --offset;
        if (offset <= 0) {
            offset = 0;
            m_direction = 0;
        }
    }
    label->setScrollOffset(offset);
    m_window.canvas().UpdateCanvar(label);
}

void PlaybackDisplay::SyncPlayButton() {
    UIButton* play = m_window.controls().playButton;
    play->setButtonImg(m_playback.isPlaying() ? 2 : 1);
    m_window.canvas().UpdateCanvar(play);
}

void PlaybackDisplay::LayoutNameLable() {
    m_window.layout().LayoutNameLable(m_window.windowWidth(), m_window.inset(),
                                      m_window.controls().musicNameLable->text());
}

void PlaybackDisplay::UpdateMarquee() {
    UILable* label = m_window.controls().musicNameLable;
    const bool wide = label->GetStrWidht() > label->ShownWidth();
    // Timer 1 runs exactly while a song is shown.
    if (wide && m_progress.isActive()) {
        if (!m_marquee.isActive()) m_marquee.start();
        return;
    }
    m_marquee.stop();
    if (label->scrollOffset() == 0) return;
    label->setScrollOffset(0);
    m_direction = 0;
    m_window.canvas().UpdateCanvar(label);
}

#include "Playback.h"

#include <algorithm>
#include <cmath>

namespace {

using Gains = std::array<float, Playback::kBandCount>;
constexpr std::array<Gains, Playback::kEffectCount> kEffects = {{
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},      // 原音
    {3, 1, 0, -2, -4, -4, -2, 0, 1, 2},  // 流行音乐
    {-2, 0, 2, 4, -2, -2, 0, 0, 4, 4},   // 摇滚
    {-6, 0, 0, 0, 0, 0, 4, 0, 4, 0},     // 金属乐
    {-2, 3, 4, 1, -2, -2, 0, 0, 4, 4},   // 舞曲
    {-6, 1, 4, -2, -2, -4, 0, 0, 6, 6},  // 电子乐
}};

}  // namespace

Playback::Playback(const QList<tagFileListInfo>* list, PlayerView* view)
    : m_list(list), m_view(view) {}

Playback::~Playback() {
    if (m_api && m_stream) m_api->streamFree(m_stream);
}

void Playback::SetCurrent(const QString& path, const QString& title, int index) {
    m_path = path;
    m_title = title;
    m_index = index;
    NotifyChanged();
}

bool Playback::PlayFile(const QString& path) {
    if (!m_api || path.isEmpty()) return false;
    const OrvoAudio::Handle stream = m_api->streamCreateFileUtf16(path.toStdU16String(), 0, 0);
    if (stream == 0) return false;
    // A stream left over (a caller that did not stop first) must not play on underneath.
    if (m_stream) m_api->streamFree(m_stream);
    m_stream = stream;
    for (OrvoAudio::Handle& fx : m_fx) fx = m_api->channelSetFxParamEq(m_stream);
    // The chosen effect stays in force for every song, not only the one it was chosen during.
    applyEffect();
    applyVolume();
    m_api->channelPlay(m_stream, false);
    m_duration = readDuration();
    m_playing = true;
    m_paused = false;
    if (m_view) m_view->SongStarted(m_title);
    NotifyChanged();
    return true;
}

void Playback::Stop() {
    if (m_api && m_stream) {
        m_api->channelStop(m_stream);
        m_api->streamFree(m_stream);
    }
    m_stream = 0;
    m_fx.fill(0);
    m_playing = false;
    m_paused = false;
    if (m_view) m_view->SongStopped();
    NotifyChanged();
}

void Playback::StopCurrent() {
    if (m_view) m_view->RowMarked(-1, 1);
    Stop();
}

bool Playback::Pause() {
    if (!m_playing || !m_api->channelStop(m_stream)) return false;
    m_playing = false;
    m_paused = true;
    NotifyChanged();
    return true;
}

bool Playback::Resume() {
    if (!m_paused || !m_api->channelPlay(m_stream, false)) return false;
    m_playing = true;
    m_paused = false;
    NotifyChanged();
    return true;
}

bool Playback::PlayCurrent() {
    if (m_playing) {
        StopCurrent();
        return false;
    }
    if (m_paused) return Resume();
    if (m_path.isEmpty() && m_list && !m_list->isEmpty()) {
        // Nothing chosen yet: the play button plays the entry the list points at.
        const int index = clampedIndex(m_index);
        SetCurrent(m_list->at(index).path, m_list->at(index).title, index);
        if (m_view) m_view->RowMarked(index, 1);
    }
    return PlayFile(m_path);
}

bool Playback::PlayIndex(int index, int flag) {
    Stop();
    if (!m_list || m_list->isEmpty()) return false;
    index = clampedIndex(index);
    SetCurrent(m_list->at(index).path, m_list->at(index).title, index);
    if (m_view) m_view->RowMarked(index, flag);
    return PlayCurrent();
}

bool Playback::Next() {
    const int count = m_list ? int(m_list->size()) : 0;
    return PlayIndex(m_index + 1 < count ? m_index + 1 : 0, 1);
}

bool Playback::Previous() { return PlayIndex(m_index - 1 >= 0 ? m_index - 1 : m_index, 0); }

Playback::Progress Playback::OnProgressTimer(int sliderLength) {
    Progress p;
    if (!m_api || !m_stream) return p;
    const double elapsed = positionSeconds();
    // A paused stream reads as stopped to the library, but has not ended.
    if (!m_paused && m_api->channelIsActive(m_stream) == OrvoAudio::Activity::Stopped) {
        p.ended = true;
        Stop();
        if (m_loop && m_list && !m_list->isEmpty()) p.advanced = Next();
        return p;
    }
    m_duration = readDuration();
    p.durationSeconds = m_duration;
    p.elapsedSeconds = qint64(elapsed);
    // Unknown length: the slider stays at 0 while the time runs. A file that decodes past the
    // length its header promised keeps the slider at its end.
    if (m_duration > 0 && sliderLength > 0) {
        const double value = elapsed * (double(sliderLength) / double(m_duration));
        p.sliderValue = int(std::clamp(value, 0.0, double(sliderLength)));
    }
    return p;
}

void Playback::Seek(int value, int length) {
    if (length <= 0) return;
    SeekSeconds(double(m_duration) / double(length) * double(value));
}

bool Playback::SeekSeconds(double seconds) {
    if (!m_api || !m_stream || !(seconds >= 0)) return false;
    const std::int64_t bytes = m_api->channelSeconds2Bytes(m_stream, seconds);
    return bytes >= 0 && m_api->channelSetPosition(m_stream, bytes);
}

double Playback::positionSeconds() const {
    if (!m_api || !m_stream) return 0;
    return std::max(0.0,
                    m_api->channelBytes2Seconds(m_stream, m_api->channelGetPosition(m_stream)));
}

double Playback::lengthSeconds() const {
    if (!m_api || !m_stream) return 0;
    const std::int64_t bytes = m_api->channelGetLength(m_stream);
    return bytes > 0 ? std::max(0.0, m_api->channelBytes2Seconds(m_stream, bytes)) : 0.0;
}

void Playback::setLoop(bool on) {
    m_loop = on;
    NotifyChanged();
}

void Playback::SetVolume(int value, int length) {
    m_volume = value > 0 && length > 0 ? std::min(1.0f, float(value) / float(length)) : 0.0f;
    applyVolume();
    NotifyChanged();
}

void Playback::SetMuted(bool muted) {
    m_muted = muted;
    applyVolume();
    NotifyChanged();
}

void Playback::applyVolume() {
    if (m_api && m_stream) m_api->channelSetVolume(m_stream, m_muted ? 0.0f : m_volume);
}

void Playback::SetSoundEffect(int choice) {
    if (choice < 0 || choice >= kEffectCount) return;
    m_effect = choice;
    applyEffect();
}

int Playback::EffectFromMessage(qintptr wParam, qintptr lParam) {
    if (wParam != 0) return 0;
    return lParam >= 0 && lParam + 1 < kEffectCount ? int(lParam + 1) : -1;
}

const std::array<float, Playback::kBandCount>& Playback::EffectGains(int choice) {
    return kEffects.at(std::clamp(choice, 0, kEffectCount - 1));
}

void Playback::applyEffect() {
    if (!m_api) return;
    const Gains& gains = kEffects.at(m_effect);
    for (int band = 0; band < kBandCount; ++band) {
        if (m_fx[band] == 0) continue;
        m_api->fxSetParameters(
            m_fx[band], OrvoAudio::ParamEq{kBandCentresHz[band], kBandwidthSemitones, gains[band]});
    }
}

qint64 Playback::readDuration() const { return qint64(lengthSeconds()); }

int Playback::clampedIndex(int index) const {
    const int count = m_list ? int(m_list->size()) : 0;
    return count > 0 ? std::clamp(index, 0, count - 1) : 0;
}

QString Playback::FormatTime(qint64 seconds) {
    seconds = std::max<qint64>(0, seconds);
    return QStringLiteral("%1:%2")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

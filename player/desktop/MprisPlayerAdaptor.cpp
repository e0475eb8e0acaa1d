#include "MprisPlayerAdaptor.h"

#include "MprisService.h"

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service), m_service(service) {}

QString MprisPlayerAdaptor::playbackStatus() const { return m_service->playbackStatus(); }
QString MprisPlayerAdaptor::loopStatus() const { return m_service->loopStatus(); }
void MprisPlayerAdaptor::setLoopStatus(const QString& status) { m_service->setLoopStatus(status); }
QVariantMap MprisPlayerAdaptor::metadata() const { return m_service->metadata(); }
double MprisPlayerAdaptor::volume() const { return m_service->volume(); }
void MprisPlayerAdaptor::setVolume(double volume) { m_service->setVolume(volume); }
qlonglong MprisPlayerAdaptor::position() const { return m_service->position(); }
bool MprisPlayerAdaptor::canGoNext() const { return m_service->canGoNext(); }
bool MprisPlayerAdaptor::canPlay() const { return m_service->canPlay(); }
bool MprisPlayerAdaptor::canPause() const { return m_service->canPause(); }
bool MprisPlayerAdaptor::canSeek() const { return m_service->canSeek(); }

using Action = MprisService::Action;
void MprisPlayerAdaptor::Play() { m_service->Act(Action::Play); }
void MprisPlayerAdaptor::Pause() { m_service->Act(Action::Pause); }
void MprisPlayerAdaptor::PlayPause() { m_service->Act(Action::PlayPause); }
void MprisPlayerAdaptor::Stop() { m_service->Act(Action::Stop); }
void MprisPlayerAdaptor::Next() { m_service->Act(Action::Next); }
void MprisPlayerAdaptor::Previous() { m_service->Act(Action::Previous); }
void MprisPlayerAdaptor::Seek(qlonglong Offset) { m_service->Seek(Offset); }
void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
    m_service->SetPosition(TrackId, Position);
}
void MprisPlayerAdaptor::OpenUri(const QString& Uri) { m_service->OpenUri(Uri); }

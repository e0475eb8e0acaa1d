#include "MprisRootAdaptor.h"

#include "MprisService.h"
#include "app/InstanceKey.h"

MprisRootAdaptor::MprisRootAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service), m_service(service) {}

QString MprisRootAdaptor::identity() const { return QString::fromUtf8(OrvoInstance::kWindowTitle); }

QStringList MprisRootAdaptor::supportedMimeTypes() const {
    return MprisService::supportedMimeTypes();
}

void MprisRootAdaptor::Raise() { m_service->Raise(); }

void MprisRootAdaptor::Quit() { m_service->Quit(); }

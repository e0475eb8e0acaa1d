#include "VersionCheck.h"

#include "core/WebSite.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkInformation>
#include <QNetworkInterface>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace {
int timeLimit() {
    const int hook = VersionCheck::testHooks().timeoutMs;
    return hook > 0 ? hook : VersionCheck::kTimeoutMs;
}

QUrl serviceUrl() {
    const VersionCheck::TestHooks& hooks = VersionCheck::testHooks();
    QUrl url(QStringLiteral("http://") + QLatin1String(WebSite::kHost) +
             QStringLiteral("/upgrade.php"));
    if (!hooks.host.isEmpty()) url.setHost(hooks.host);
    if (hooks.port >= 0) url.setPort(hooks.port);
    return url;
}

// The system's proxy settings, as the user configured them for every program; a loopback host is
// always asked directly.
class SystemProxies : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
        if (QHostAddress(query.peerHostName()).isLoopback() ||
            query.peerHostName() == QLatin1String("localhost"))
            return {QNetworkProxy::NoProxy};
        return systemProxyForQuery(query);
    }
};

// Failures that say the network is down rather than that the exchange went wrong.
bool networkDown(QNetworkReply::NetworkError error) {
    return error == QNetworkReply::TemporaryNetworkFailureError ||
           error == QNetworkReply::NetworkSessionFailedError ||
           error == QNetworkReply::BackgroundRequestNotAllowedError;
}
}  // namespace

VersionCheck::TestHooks& VersionCheck::testHooks() {
    static TestHooks hooks;
    return hooks;
}

VersionCheck::VersionCheck(QObject* parent)
    : QObject(parent), m_manager(new QNetworkAccessManager(this)), m_deadline(new QTimer(this)) {
    m_manager->setProxyFactory(new SystemProxies);  // the manager owns it
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, [this] { conclude({Outcome::NetworkError, {}}); });
}

VersionCheck::~VersionCheck() {
    // The reply would report its abort to a half-destroyed object.
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

bool VersionCheck::networkAlive() {
    if (testHooks().networkAlive) return testHooks().networkAlive();
    using Info = QNetworkInformation;
    if (Info::loadBackendByFeatures(Info::Feature::Reachability)) {
        const Info::Reachability reach = Info::instance()->reachability();
        if (reach == Info::Reachability::Disconnected) return false;
        if (reach != Info::Reachability::Unknown) return true;
    }
    const auto live = QNetworkInterface::IsUp | QNetworkInterface::IsRunning;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        if ((interface.flags() & live) == live &&
            !interface.flags().testFlag(QNetworkInterface::IsLoopBack) &&
            !interface.addressEntries().isEmpty())
            return true;
    }
    return false;
}

bool VersionCheck::start() {
    if (m_running) return false;
    m_running = true;
    m_body.clear();
    const quint64 serial = ++m_serial;
    if (!networkAlive()) {
        // Reported from the event loop, like every other outcome.
        QMetaObject::invokeMethod(
            this,
            [this, serial] {
                if (serial == m_serial) conclude({Outcome::Disconnected, {}});
            },
            Qt::QueuedConnection);
        return true;
    }
    QNetworkRequest request(serviceUrl());
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    request.setTransferTimeout(timeLimit());
    m_reply = m_manager->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &VersionCheck::readBody);
    connect(m_reply, &QNetworkReply::finished, this, &VersionCheck::replyFinished);
    m_deadline->start(timeLimit());
    return true;
}

void VersionCheck::readBody() {
    if (!m_reply) return;
    m_body += m_reply->read(kMaxReplyBytes + 1 - m_body.size());
    if (m_body.size() > kMaxReplyBytes) conclude({Outcome::Replied, {}});
}

void VersionCheck::replyFinished() {
    if (!m_reply) return;
    readBody();
    if (!m_running) return;  // too big: already concluded
    const QNetworkReply::NetworkError error = m_reply->error();
    // Any HTTP status counts as a reply (an error page is parsed like any other), but not one
    // whose body the connection cut short.
    const bool replied =
        m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid() &&
        (error == QNetworkReply::NoError || error >= QNetworkReply::ContentAccessDenied);
    if (networkDown(error)) {
        conclude({Outcome::Disconnected, {}});
    } else if (!replied) {
        conclude({Outcome::NetworkError, {}});
    } else {
        conclude({Outcome::Replied, VersionReply::Read(QString::fromLocal8Bit(m_body))});
    }
}

void VersionCheck::conclude(const Result& result) {
    if (!m_running) return;
    m_running = false;
    ++m_serial;
    m_deadline->stop();
    m_body.clear();
    if (QNetworkReply* reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    emit finished(result);
}

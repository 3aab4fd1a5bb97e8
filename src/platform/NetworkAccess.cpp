#include "NetworkAccess.h"

#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>

namespace {

constexpr auto tooLargeProperty = "tallyfernTooLarge";

// Keeps nothing and sends nothing: a Set-Cookie answer is dropped, and the only cookie on a
// request is the header the caller sets itself.
class NullCookieJar : public QNetworkCookieJar
{
public:
    using QNetworkCookieJar::QNetworkCookieJar;

    QList<QNetworkCookie> cookiesForUrl(const QUrl&) const override { return {}; }
    bool setCookiesFromUrl(const QList<QNetworkCookie>&, const QUrl&) override { return false; }
    bool insertCookie(const QNetworkCookie&) override { return false; }
    bool updateCookie(const QNetworkCookie&) override { return false; }
};

QList<QPointer<QNetworkAccessManager>>& managers()
{
    static QList<QPointer<QNetworkAccessManager>> made;
    return made;
}

} // namespace

QNetworkAccessManager* NetworkAccess::makeEphemeralManager(QObject* parent)
{
    auto* manager = new QNetworkAccessManager(parent);
    managers().removeAll(nullptr);
    managers().append(manager);
    manager->setCookieJar(new NullCookieJar(manager));
    manager->setCache(nullptr);
    manager->setRedirectPolicy(QNetworkRequest::SameOriginRedirectPolicy);
    manager->setTransferTimeout(idleTimeoutMs);
    return manager;
}

void NetworkAccess::releaseManagers()
{
    for (const QPointer<QNetworkAccessManager>& manager : std::as_const(managers())) {
        if (!manager)
            continue;
        for (QNetworkReply* reply : manager->findChildren<QNetworkReply*>()) {
            // Quietly: nobody waits for these answers any more.
            reply->disconnect();
            reply->abort();
        }
        delete manager.data();
    }
    managers().clear();
}

void NetworkAccess::guard(QNetworkReply* reply, int timeoutMs, qint64 maxBytes)
{
    auto* timer = new QTimer(reply);
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, reply, &QNetworkReply::abort);
    QObject::connect(reply, &QNetworkReply::finished, timer, &QTimer::stop);
    timer->start(timeoutMs);

    const auto checkSize = [reply, maxBytes](qint64 received, qint64 total) {
        if (received > maxBytes || total > maxBytes) {
            reply->setProperty(tooLargeProperty, true);
            reply->abort();
        }
    };
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, checkSize);
}

bool NetworkAccess::wasTooLarge(const QNetworkReply* reply)
{
    return reply->property(tooLargeProperty).toBool();
}

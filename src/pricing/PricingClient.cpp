#include "PricingClient.h"

#include "PricingParser.h"

#include "model/PricingStore.h"
#include "platform/Clock.h"
#include "platform/NetworkAccess.h"
#include "platform/ServiceOrigin.h"

#include <QCoreApplication>
#include <QCoroNetworkReply>
#include <QDeadlineTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QSet>
#include <QStringDecoder>
#include <QUrl>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The pricing download has a session of its own: it never carries the dashboard's cookie.
QNetworkAccessManager* manager()
{
    static QPointer<QNetworkAccessManager> shared;
    if (!shared)
        shared = NetworkAccess::makeEphemeralManager(QCoreApplication::instance());
    return shared;
}

std::optional<QString> decodeUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The download carries no cookie, so it may follow a redirect to another origin, as long as that
// origin would be accepted as the service's own.
bool acceptedTarget(const QUrl& target)
{
    const QUrl origin = target.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment);
    return target.isValid() && ServiceOrigin::accepted(origin.toString(QUrl::FullyEncoded)).has_value();
}

// The document's text, or nothing for any transport error, a refused redirect, a status outside
// 2xx, an oversized answer or a body that is not UTF-8. Redirects are followed here, each address
// asked for once and at most `maxRedirects` of them, all within the one request timeout: Qt's own
// following of verified redirects asks for an address more than once and gives up at the third.
QCoro::Task<std::optional<QString>> download(QUrl url)
{
    const QDeadlineTimer deadline(NetworkAccess::requestTimeoutMs);
    QSet<QUrl> asked;
    for (int redirects = 0;; ++redirects) {
        asked.insert(url);
        QNetworkRequest request(url);
        request.setRawHeader("Accept", PricingClient::acceptHeader);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        QNetworkReply* reply = manager()->get(request);
        NetworkAccess::guard(reply, int(std::max<qint64>(deadline.remainingTime(), 1)),
                             PricingClient::maxDocumentBytes);
        co_await reply;
        // QCoro 0.8 resumes inside the reply's finished signal: release it later, not here.
        reply->deleteLater();

        if (reply->error() != QNetworkReply::NoError || NetworkAccess::wasTooLarge(reply))
            co_return std::nullopt;
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid() && isRedirect(status.toInt())) {
            const QUrl target =
                url.resolved(reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl())
                    .adjusted(QUrl::RemoveFragment);
            if (redirects == PricingClient::maxRedirects || asked.contains(target) || !acceptedTarget(target))
                co_return std::nullopt;
            url = target;
            continue;
        }
        if (!status.isValid() || status.toInt() < 200 || status.toInt() > 299)
            co_return std::nullopt;
        // An answer that arrived in one piece may finish before its size was ever reported, and one
        // cut at the cap is no whole document either.
        const QByteArray body = reply->readAll();
        if (body.size() >= PricingClient::maxDocumentBytes)
            co_return std::nullopt;
        co_return decodeUtf8(body);
    }
}

} // namespace

QCoro::Task<bool> PricingClient::syncIfNeeded()
{
    try {
        const Timestamp now = Clock::now();
        if (!PricingStore::needsSync(now))
            co_return false;
        PricingStore::recordAttempt(now);

        const QUrl url(ServiceOrigin::current() + QLatin1StringView(documentPath), QUrl::StrictMode);
        if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty())
            co_return false;
        const auto text = co_await download(url);
        if (!text)
            co_return false;

        const auto catalog = PricingParser::parse(*text, Clock::now());
        if (!catalog)
            co_return false;
        if (const auto stored = PricingStore::load(); stored && PricingStore::hasSameRates(*stored, *catalog))
            co_return false; // the stored catalog keeps its older sync date
        co_return PricingStore::save(*catalog);
    } catch (...) {
        // Nothing here is expected to throw (allocation aside); a failed sync is just a false.
        co_return false;
    }
}

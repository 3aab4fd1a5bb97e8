#include "PricingClient.h"

#include "PricingParser.h"

#include "model/PricingStore.h"
#include "platform/Clock.h"
#include "platform/NetworkAccess.h"
#include "platform/ServiceOrigin.h"

#include <QCoreApplication>
#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QStringDecoder>
#include <QUrl>

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

// The document's text, or nothing for any transport error, a status outside 2xx, an oversized
// answer or a body that is not UTF-8.
QCoro::Task<std::optional<QString>> download(const QUrl& url)
{
    QNetworkRequest request(url);
    request.setRawHeader("Accept", PricingClient::acceptHeader);
    QNetworkReply* reply = manager()->get(request);
    NetworkAccess::guard(reply);
    co_await reply;
    // QCoro 0.8 resumes inside the reply's finished signal: release it later, not here.
    reply->deleteLater();

    if (reply->error() != QNetworkReply::NoError || NetworkAccess::wasTooLarge(reply))
        co_return std::nullopt;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid() || status.toInt() < 200 || status.toInt() > 299)
        co_return std::nullopt;
    co_return decodeUtf8(reply->readAll());
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
        PricingStore::save(*catalog);
        co_return true;
    } catch (...) {
        // Nothing here is expected to throw (allocation aside); a failed sync is just a false.
        co_return false;
    }
}

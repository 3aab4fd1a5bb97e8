#include "DashboardClient_p.h"
#include "DashboardError.h"
#include "RateLimit.h"
#include "SessionKeychain.h"
#include "SessionKeychainError.h"
#include "TransportError.h"

#include "model/AccountPlace.h"
#include "model/UsageJSON.h"
#include "platform/Clock.h"
#include "platform/ServiceOrigin.h"

#include <QCoreApplication>
#include <QCoroNetworkReply>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QUrl>

#include <cmath>

using namespace Qt::StringLiterals;

namespace DashboardClient {

namespace {

// Created on first use and parented to the application object, so it outlives every request and
// still dies before the application. A new application (only in tests) gets a new manager.
QNetworkAccessManager* sharedManager()
{
    static QPointer<QNetworkAccessManager> manager;
    if (!manager)
        manager = NetworkAccess::makeEphemeralManager(QCoreApplication::instance());
    return manager;
}

// Rejects what JSON cannot carry: a NaN or infinite number would otherwise be written as null.
bool isEncodable(const QJsonValue& value)
{
    if (value.isDouble())
        return std::isfinite(value.toDouble());
    if (value.isArray()) {
        const QJsonArray array = value.toArray();
        return std::all_of(array.begin(), array.end(), [](const QJsonValue& v) { return isEncodable(v); });
    }
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        return std::all_of(object.begin(), object.end(), [](const QJsonValue& v) { return isEncodable(v); });
    }
    return true;
}

// Qt accepts only an object or an array at the top level; a bare string or number is still valid
// JSON and, like an array, a well-formed answer of the wrong shape.
bool isJsonScalar(const QByteArray& body)
{
    QJsonParseError error;
    const QJsonDocument wrapped = QJsonDocument::fromJson('[' + body + ']', &error);
    return error.error == QJsonParseError::NoError && wrapped.array().size() == 1;
}

QNetworkReply* start(QNetworkAccessManager* manager, const PreparedRequest& prepared)
{
    if (prepared.method == "GET")
        return manager->get(prepared.network);
    if (prepared.method == "POST")
        return manager->post(prepared.network, prepared.body);
    return manager->sendCustomRequest(prepared.network, prepared.method, prepared.body);
}

TransportError transportFailure(const QNetworkReply& reply, const QString& path, bool cancelled)
{
    if (cancelled)
        return TransportError(TransportError::Kind::cancelled, path);
    switch (reply.error()) {
    case QNetworkReply::OperationCanceledError: // only our own whole-request timer aborts
    case QNetworkReply::TimeoutError:
        return TransportError(TransportError::Kind::timeout, path);
    default:
        return TransportError(TransportError::Kind::network, path);
    }
}

QJsonObject interpret(QNetworkReply& reply, const QString& path, bool cancelled, ClientState& state)
{
    if (NetworkAccess::wasTooLarge(&reply))
        throw DashboardError::requestFailed(path);
    // A redirect to another origin is refused before it is followed: the cookie stays here.
    if (reply.error() == QNetworkReply::InsecureRedirectError ||
        reply.error() == QNetworkReply::TooManyRedirectsError)
        throw DashboardError::requestFailed(path);

    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        throw transportFailure(reply, path, cancelled);
    const int code = status.toInt();
    if (code == 429) {
        // Without a record (a caller that keeps nothing) the wait still ends this refresh.
        const QByteArray retryAfter = reply.rawHeader("Retry-After");
        throw DashboardError::rateLimited(state.rateLimit ? state.rateLimit->record(retryAfter)
                                                          : MemoryRateLimit().record(retryAfter));
    }
    if (code == 401 || code == 403 || code == 204)
        throw DashboardError::unauthorized();
    if (code < 200 || code > 299)
        throw DashboardError::requestFailed(path);
    // A success whose body was cut off is no answer at all.
    if (reply.error() != QNetworkReply::NoError)
        throw transportFailure(reply, path, cancelled);

    const QByteArray body = reply.readAll();
    if (body.isEmpty())
        throw DashboardError::requestFailed(path);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError) {
        if (isJsonScalar(body))
            throw DashboardError::requestFailed(path);
        throw TransportError(TransportError::Kind::badAnswer, path);
    }
    if (!document.isObject())
        throw DashboardError::requestFailed(path);
    return document.object();
}

} // namespace

namespace detail {

void requireToken(const QString& token)
{
    // Control characters would end the header early and let the rest pass as headers of its own.
    if (token.isEmpty() || !SessionKeychain::isSendable(token))
        throw DashboardError::noSession();
}

Limits& limits()
{
    static Limits current;
    return current;
}

QCoro::Task<QJsonObject> send(PreparedRequest prepared, Call call)
{
    RequestGroup* group = call.group;
    if (group && group->isCancelled()) {
        if (group->reason())
            std::rethrow_exception(group->reason());
        throw TransportError(TransportError::Kind::cancelled, prepared.path);
    }
    QNetworkReply* reply = start(sharedManager(), prepared);
    NetworkAccess::guard(reply, limits().requestTimeoutMs, limits().maxBodyBytes);
    if (group)
        group->track(reply);

    co_await reply;
    // QCoro 0.8 resumes inside the reply's finished signal: release it later, never here.
    reply->deleteLater();
    try {
        co_return interpret(*reply, prepared.path, group && group->isCancelled(), *call.state);
    } catch (const DashboardError& error) {
        // A busy service ends the whole refresh at once: its other requests stop here too.
        if (group && error.kind() == DashboardError::Kind::rateLimited && !group->reason())
            group->cancel(std::current_exception());
        throw;
    } catch (const TransportError&) {
        if (group && group->reason())
            std::rethrow_exception(group->reason());
        throw;
    }
}

QCoro::Task<Answer> optionalGet(QString path, Call call)
{
    try {
        co_return co_await send(request(call.token, path, "GET"), call);
    } catch (const DashboardError& error) {
        if (error.endsRefresh())
            throw;
    } catch (...) {
    }
    co_return std::nullopt;
}

QCoro::Task<Answer> optionalPost(QString path, QJsonObject body, Call call)
{
    try {
        co_return co_await send(request(call.token, path, "POST", body), call);
    } catch (const DashboardError& error) {
        if (error.endsRefresh())
            throw;
    } catch (...) {
    }
    co_return std::nullopt;
}

double rememberUserId(const QJsonObject& me, ClientState& state)
{
    const std::optional<double> id = UsageJSON::number(me.value("id"_L1));
    if (!id)
        throw DashboardError::unauthorized();
    state.userId = *id;
    state.subjectUserId = AccountPlace::userIdOfSubject(me.value("sub"_L1).toString());
    state.email = me.value("email"_L1).toString();
    return *id;
}

} // namespace detail

PreparedRequest request(const QString& token, const QString& path, const QByteArray& method,
                        const std::optional<QJsonObject>& body)
{
    detail::requireToken(token);

    const QString origin = ServiceOrigin::current();
    // A refused TALLYFERN_SERVICE_ORIGIN is no origin: the request goes nowhere, not to the default.
    if (origin.isEmpty())
        throw DashboardError::originRefused();
    // Only an absolute path keeps the request on the service's host.
    const QUrl url(origin + path, QUrl::StrictMode);
    if (!path.startsWith(u'/') || !url.isValid() || url.isRelative())
        throw DashboardError::requestFailed(path);

    PreparedRequest prepared{path, method, QNetworkRequest(url), {}};
    prepared.network.setRawHeader("Accept", "application/json");
    prepared.network.setRawHeader("Origin", origin.toUtf8());
    prepared.network.setRawHeader("Referer", (origin + u"/dashboard/usage").toUtf8());
    prepared.network.setRawHeader("Cookie", "WorkosCursorSessionToken=" + token.toUtf8());
    if (body) {
        if (!isEncodable(*body))
            throw TransportError(TransportError::Kind::badBody, path);
        prepared.network.setRawHeader("Content-Type", "application/json");
        prepared.body = QJsonDocument(*body).toJson(QJsonDocument::Compact);
    }
    return prepared;
}

QCoro::Task<QJsonObject> send(PreparedRequest request, ClientStateRef state)
{
    return detail::send(std::move(request), {{}, std::move(state)});
}

QCoro::Task<Answer> optionalGet(QString token, ClientStateRef state, QString path)
{
    return detail::optionalGet(std::move(path), {std::move(token), std::move(state)});
}

QCoro::Task<Answer> optionalPost(QString token, ClientStateRef state, QString path, QJsonObject body)
{
    return detail::optionalPost(std::move(path), std::move(body), {std::move(token), std::move(state)});
}

double startOfLocalMonth()
{
    const Timestamp now = Clock::now();
    const QDateTime local = now.toDateTime().toLocalTime();
    if (!local.isValid())
        return now.msSince1970();
    const QDateTime start(QDate(local.date().year(), local.date().month(), 1), QTime(0, 0));
    return start.isValid() ? double(start.toMSecsSinceEpoch()) : now.msSince1970();
}

double startOfLocalDay()
{
    const Timestamp now = Clock::now();
    const QDateTime local = now.toDateTime().toLocalTime();
    if (!local.isValid())
        return now.msSince1970();
    const QDateTime start(local.date(), QTime(0, 0));
    return start.isValid() ? double(start.toMSecsSinceEpoch()) : now.msSince1970();
}

QString describe(const std::exception& error)
{
    if (const auto* client = dynamic_cast<const ClientError*>(&error))
        return client->description();
    if (const auto* keychain = dynamic_cast<const SessionKeychainError*>(&error))
        return keychain->description();
    return u"刷新失败"_s;
}

namespace Testing {

void setLimits(int requestTimeoutMs, qint64 maxBodyBytes)
{
    detail::limits() = {requestTimeoutMs, maxBodyBytes};
}

void restoreLimits()
{
    detail::limits() = {};
}

} // namespace Testing

} // namespace DashboardClient

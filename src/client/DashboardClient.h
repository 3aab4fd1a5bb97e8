#pragma once

#include "AggregatedBody.h"
#include "ClientState.h"

#include "model/UsageSnapshot.h"

#include <QByteArray>
#include <QCoroTask>
#include <QJsonObject>
#include <QList>
#include <QNetworkRequest>
#include <QString>

#include <exception>
#include <functional>
#include <memory>
#include <optional>

// The Cursor service's dashboard API. Everything runs as coroutines on the main thread's event loop.
// Every call takes the session token and the account's ClientState; the client reads no keychain
// and no settings and keeps nothing between calls.
//
// Failures: DashboardError for what the user must hear about (see its cases), TransportError for a
// required request that never produced a usable answer. Optional requests are absent on any failure
// except an expired cookie, which always propagates as DashboardError::unauthorized.
namespace DashboardClient {

using Answer = std::optional<QJsonObject>;
using Events = QList<QJsonObject>;

inline constexpr auto mePath = "/api/auth/me";
inline constexpr auto periodPath = "/api/dashboard/get-current-period-usage";
inline constexpr auto planPath = "/api/dashboard/get-plan-info";
inline constexpr auto sandPath = "/api/dashboard/get-sand-usage-status";
inline constexpr auto summaryPath = "/api/usage-summary";
inline constexpr auto aggregatedPath = "/api/dashboard/get-aggregated-usage-events";
inline constexpr auto eventsPath = "/api/dashboard/get-filtered-usage-events";

inline constexpr int eventPageSize = 200;

// A request ready to send. `path` names it in errors.
struct PreparedRequest
{
    QString path;
    QByteArray method;
    QNetworkRequest network;
    QByteArray body;
};

// Authenticated JSON request to the service origin. Throws DashboardError::noSession for an empty
// token or one that could not travel in a header, originRefused when TALLYFERN_SERVICE_ORIGIN is set
// but refused, requestFailed(path) when origin + path is no URL, TransportError(badBody) when the
// body holds a number JSON cannot carry.
PreparedRequest request(const QString& token, const QString& path, const QByteArray& method,
                        const std::optional<QJsonObject>& body = std::nullopt);

// The answer's top-level JSON object. 429 is DashboardError::rateLimited, with the wait remembered
// in the state's rate-limit record; 401, 403 and 204 are DashboardError::unauthorized; another
// status, an empty body, a non-object, an oversized answer or a cross-origin redirect are
// requestFailed(path); no answer at all or a body that is not JSON is a TransportError.
QCoro::Task<QJsonObject> send(PreparedRequest request, ClientStateRef state);

// Absent on every failure except those that end a refresh (DashboardError::endsRefresh()), which are
// thrown.
QCoro::Task<Answer> optionalGet(QString token, ClientStateRef state, QString path);
QCoro::Task<Answer> optionalPost(QString token, ClientStateRef state, QString path, QJsonObject body);

// Local midnight of the first of the current month, in milliseconds since 1970.
double startOfLocalMonth();
// Local midnight of today, in milliseconds since 1970.
double startOfLocalDay();

// One refresh of the account overview: the snapshot without event-derived figures (no daily series,
// no tokens for today). Throws noSession before any request without a usable token, unauthorized,
// empty when no usage answer came back, or the failure of "/api/auth/me".
QCoro::Task<UsageSnapshot> fetchOverview(QString token, ClientStateRef state);

// Raised by a caller that no longer wants the events it asked for: no further page is requested, and
// the fetch ends with TransportError::cancelled. `stillWanted`, when set, is asked before each page
// too (false: the account was removed meanwhile).
struct Cancellation
{
    bool requested = false;
    std::function<bool()> stillWanted;

    bool isRaised() const { return requested || (stillWanted && !stillWanted()); }
};
using CancellationFlag = std::shared_ptr<const Cancellation>;

// The aggregated token usage of a window, trying the body variants from the one that last worked.
// Nothing when no variant answers with usage; throws only what ends a refresh (unauthorized,
// rateLimited), after which no other body is tried and the preference stays.
QCoro::Task<Answer> fetchAggregated(QString token, ClientStateRef state, double userId, double startMs,
                                    double endMs);

// One page of usage events (pages count from 1). Nothing when both body forms fail; throws only what
// ends a refresh, before the other body form is tried.
QCoro::Task<Answer> fetchEventPage(QString token, ClientStateRef state, double userId, double startMs,
                                   double endMs, int page);

// A page answer's events (objects only), and its "totalUsageEventsCount" when it is a usable number.
Events eventsOf(const Answer& page);
std::optional<qint64> eventCountOf(const Answer& page);

// The events of a window, page after page, up to maxPages pages of 200. Throws what ends a refresh
// (unauthorized, rateLimited), or cancelled when `cancellation` was raised before a page.
QCoro::Task<Events> fetchEvents(QString token, ClientStateRef state, double userId, double startMs,
                                double endMs, int maxPages, CancellationFlag cancellation = {});

// The user id of the state's last "/api/auth/me", asking for it when none is known. Throws
// noSession, unauthorized, or the failure of that request.
QCoro::Task<double> currentUserId(QString token, ClientStateRef state);

// `base` with the event-derived figures filled in: the included/on-demand split, today's tokens and
// the daily series. Throws noSession, unauthorized, or the failure of "/api/auth/me" when it must be
// asked for the user id; stops between pages once `cancellation` is raised.
QCoro::Task<UsageSnapshot> fetchEventPatch(QString token, ClientStateRef state, UsageSnapshot base,
                                           CancellationFlag cancellation = {});

// Who a token belongs to, as "/api/auth/me" says: the user id is its `sub` after the last '|'.
struct Identity
{
    double id = 0;
    QString userId;
    QString email;
    QString name;
};

// Asks "/api/auth/me" (and remembers the numeric id in the state). Throws what a required request
// throws, and requestFailed for an answer whose `sub` names no usable user id.
QCoro::Task<Identity> fetchIdentity(QString token, ClientStateRef state);

// The status-line text of any failure the client throws.
QString describe(const std::exception& error);

// Seams for tests only.
namespace Testing {

// Shorter whole-request timeout and answer size limit than the 60 s and 32 MiB of real use;
// restoreLimits() brings back those of real use.
void setLimits(int requestTimeoutMs, qint64 maxBodyBytes);
void restoreLimits();

} // namespace Testing

} // namespace DashboardClient

#include "UsageService.h"

using namespace DashboardClient;

// Each returns the client's own task rather than awaiting it: no frame of these calls holds `this`.

QCoro::Task<UsageSnapshot> CursorService::fetchOverview(QString token, ClientStateRef state)
{
    return DashboardClient::fetchOverview(std::move(token), std::move(state));
}

QCoro::Task<UsageSnapshot> CursorService::fetchEventPatch(QString token, ClientStateRef state,
                                                          UsageSnapshot base, CancellationFlag cancellation)
{
    return DashboardClient::fetchEventPatch(std::move(token), std::move(state), std::move(base),
                                            std::move(cancellation));
}

QCoro::Task<double> CursorService::currentUserId(QString token, ClientStateRef state)
{
    return DashboardClient::currentUserId(std::move(token), std::move(state));
}

QCoro::Task<Identity> CursorService::identify(QString token, ClientStateRef state)
{
    return DashboardClient::fetchIdentity(std::move(token), std::move(state));
}

QCoro::Task<Answer> CursorService::fetchEventPage(QString token, ClientStateRef state, double userId,
                                                  double startMs, double endMs, int page)
{
    return DashboardClient::fetchEventPage(std::move(token), std::move(state), userId, startMs, endMs, page);
}

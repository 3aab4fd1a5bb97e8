#pragma once

#include "DashboardClient.h"

// The Cursor service as a refresh and the ledger's sync see it. Every call takes the account's
// session token and client state; CursorService talks to the real service, tests script one.
class UsageService
{
public:
    virtual ~UsageService() = default;

    virtual QCoro::Task<UsageSnapshot> fetchOverview(QString token,
                                                     DashboardClient::ClientStateRef state) = 0;
    virtual QCoro::Task<UsageSnapshot> fetchEventPatch(QString token, DashboardClient::ClientStateRef state,
                                                       UsageSnapshot base,
                                                       DashboardClient::CancellationFlag cancellation) = 0;
    virtual QCoro::Task<double> currentUserId(QString token, DashboardClient::ClientStateRef state) = 0;
    virtual QCoro::Task<DashboardClient::Identity> identify(QString token,
                                                            DashboardClient::ClientStateRef state) = 0;
    virtual QCoro::Task<DashboardClient::Answer> fetchEventPage(QString token,
                                                                DashboardClient::ClientStateRef state,
                                                                double userId, double startMs, double endMs,
                                                                int page) = 0;
};

// The dashboard API at the service origin (DashboardClient). It keeps nothing itself, so the tasks
// it hands out never refer back to it.
class CursorService : public UsageService
{
public:
    QCoro::Task<UsageSnapshot> fetchOverview(QString token, DashboardClient::ClientStateRef state) override;
    QCoro::Task<UsageSnapshot> fetchEventPatch(QString token, DashboardClient::ClientStateRef state,
                                               UsageSnapshot base,
                                               DashboardClient::CancellationFlag cancellation) override;
    QCoro::Task<double> currentUserId(QString token, DashboardClient::ClientStateRef state) override;
    QCoro::Task<DashboardClient::Identity> identify(QString token,
                                                    DashboardClient::ClientStateRef state) override;
    QCoro::Task<DashboardClient::Answer> fetchEventPage(QString token, DashboardClient::ClientStateRef state,
                                                        double userId, double startMs, double endMs,
                                                        int page) override;
};

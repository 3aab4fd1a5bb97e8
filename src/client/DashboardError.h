#pragma once

#include "ClientError.h"

#include "platform/Timestamp.h"

#include <QString>

// The service's answer, or its absence, as the user must hear about it. `unauthorized` is the one
// case every caller lets through: the cookie must be pasted again.
class DashboardError : public ClientError
{
public:
    enum class Kind {
        requestFailed, // carries the request path
        noSession,
        unauthorized,
        empty,
        locked,        // the token is in a keyring that is locked
        rateLimited,   // the service answered 429; carries until when to leave it alone
        originRefused, // TALLYFERN_SERVICE_ORIGIN is set but refused: nothing was sent anywhere
        badUserId,     // "/api/auth/me" named a user whose id cannot name a folder; carries the `sub`
    };

    static DashboardError requestFailed(const QString& path)
    {
        return DashboardError(Kind::requestFailed, path);
    }
    static DashboardError noSession() { return DashboardError(Kind::noSession); }
    static DashboardError unauthorized() { return DashboardError(Kind::unauthorized); }
    static DashboardError empty() { return DashboardError(Kind::empty); }
    static DashboardError locked() { return DashboardError(Kind::locked); }
    static DashboardError originRefused() { return DashboardError(Kind::originRefused); }
    static DashboardError badUserId(const QString& subject)
    {
        return DashboardError(Kind::badUserId, subject);
    }
    static DashboardError rateLimited(Timestamp until)
    {
        DashboardError error(Kind::rateLimited);
        error.m_until = until;
        return error;
    }

    Kind kind() const { return m_kind; }
    QString path() const { return m_path; }     // the request's for requestFailed, the `sub` for badUserId
    Timestamp until() const { return m_until; } // only for rateLimited
    // Ends the whole refresh: no other request or body is tried, nothing remembered changes.
    bool endsRefresh() const
    {
        return m_kind == Kind::unauthorized || m_kind == Kind::rateLimited || m_kind == Kind::originRefused;
    }
    QString description() const override;
    const char* what() const noexcept override;

    bool operator==(const DashboardError& other) const
    {
        return m_kind == other.m_kind && m_path == other.m_path && m_until == other.m_until;
    }

protected:
    explicit DashboardError(Kind kind, const QString& path = {})
        : m_kind(kind)
        , m_path(path)
    {}

private:
    Kind m_kind;
    QString m_path;
    Timestamp m_until;
};

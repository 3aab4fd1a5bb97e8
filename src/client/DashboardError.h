#pragma once

#include "ClientError.h"

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
    };

    static DashboardError requestFailed(const QString& path)
    {
        return DashboardError(Kind::requestFailed, path);
    }
    static DashboardError noSession() { return DashboardError(Kind::noSession); }
    static DashboardError unauthorized() { return DashboardError(Kind::unauthorized); }
    static DashboardError empty() { return DashboardError(Kind::empty); }

    Kind kind() const { return m_kind; }
    QString path() const { return m_path; } // empty unless requestFailed
    QString description() const override;
    const char* what() const noexcept override;

    bool operator==(const DashboardError& other) const
    {
        return m_kind == other.m_kind && m_path == other.m_path;
    }

protected:
    explicit DashboardError(Kind kind, const QString& path = {})
        : m_kind(kind)
        , m_path(path)
    {}

private:
    Kind m_kind;
    QString m_path;
};

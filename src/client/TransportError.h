#pragma once

#include "ClientError.h"

#include <QString>

// A request that never produced a usable HTTP answer: no connection, a timeout, a refresh that was
// abandoned, an answer that is not JSON, or a body that cannot be written as JSON. Optional calls
// turn these into an absent answer; only a required call lets them reach the user.
class TransportError : public ClientError
{
public:
    enum class Kind {
        network,   // connection, TLS or protocol failure
        timeout,   // the whole request took longer than allowed
        cancelled, // the refresh it belonged to failed first
        badAnswer, // the answer is not JSON
        badBody,   // the request body cannot be written as JSON
    };

    TransportError(Kind kind, const QString& path)
        : m_kind(kind)
        , m_path(path)
    {}

    Kind kind() const { return m_kind; }
    QString path() const { return m_path; }
    QString description() const override;
    const char* what() const noexcept override { return "TransportError"; }

private:
    Kind m_kind;
    QString m_path;
};

#pragma once

#include <QString>

#include <exception>

// Why the editor's login could not be taken over. The description is the one short line the status
// line, the settings page and "--import-session" show.
class EditorSessionError : public std::exception
{
public:
    enum class Kind {
        noDatabase, // the editor's state database is not there
        signedOut,  // no login row, or an empty one
        expired,    // the token ends within a minute or has ended
        unreadable, // locked beyond the timeout, corrupt, not SQLite, no table (or another kind of
                    // object in its place)
        timedOut,   // the read took longer than its budget: a database made to keep a query running
        malformed,  // not a usable token: not a JWT, bad payload or user id, too large
        rejected,   // the service already turned this very token away
    };

    explicit EditorSessionError(Kind kind)
        : m_kind(kind)
    {}

    Kind kind() const { return m_kind; }
    QString description() const;
    const char* what() const noexcept override;

    bool operator==(const EditorSessionError& other) const { return m_kind == other.m_kind; }

private:
    Kind m_kind;
};

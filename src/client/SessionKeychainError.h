#pragma once

#include <QString>

#include <exception>

// Why a pasted cookie was not stored. The description is what the status line shows.
class SessionKeychainError : public std::exception
{
public:
    enum class Kind {
        empty,       // the paste holds no token, or none that could be sent
        saveFailed,  // the keyring did not take it
        locked,      // the keyring is locked: writing would raise a prompt nobody asked for
        listChanged, // the accounts changed meanwhile (one was removed or added): nothing stored
    };

    explicit SessionKeychainError(Kind kind)
        : m_kind(kind)
    {}

    Kind kind() const { return m_kind; }
    QString description() const;
    const char* what() const noexcept override;

    bool operator==(const SessionKeychainError& other) const { return m_kind == other.m_kind; }

private:
    Kind m_kind;
};

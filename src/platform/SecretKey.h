#pragma once

#include <QString>

// Which secret-store item holds a session token: two attributes, interoperable with `secret-tool`.
// A lookup or a removal matches every item that carries at least the attributes asked for, so each
// kind of item has a `service` value of its own: no account's lookup or logout ever reaches another
// account's item.
struct SecretKey
{
    QString service;
    QString attribute;
    QString value;

    bool operator==(const SecretKey&) const = default;

    // The item every version has kept: service "tallyfern.session", account "WorkosCursorSessionToken".
    static SecretKey home();
    // Another account's: service "tallyfern.account", user <user id>.
    static SecretKey account(const QString& userId);
};

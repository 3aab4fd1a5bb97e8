#pragma once

#include <QString>

// What the secret store holds for the session cookie, as far as can be told without unlocking it. A
// locked item is neither a secret nor the absence of one: the secret is there but cannot be read
// until the user unlocks the keyring.
struct SecretLookup
{
    enum class State { absent, found, locked };

    State state = State::absent;
    QString secret; // only when found

    bool operator==(const SecretLookup&) const = default;
};

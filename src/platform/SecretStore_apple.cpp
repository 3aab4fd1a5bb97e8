#include "SecretStore.h"

// The macOS edition keeps the cookie in the Keychain; that backend cannot be compiled on the Linux
// machines the app is built on today. Until it is written, nothing is kept: reading finds nothing
// and saving fails, so the window asks for the cookie and says it could not be saved, rather than
// keeping it anywhere less safe.

SecretLookup SystemSecretStore::lookup(const SecretKey&)
{
    return {};
}

SecretLookup::State SystemSecretStore::presence(const SecretKey&)
{
    return SecretLookup::State::absent;
}

bool SystemSecretStore::isLocked()
{
    return false;
}

void SystemSecretStore::unlockAndLookup(const SecretKey&, std::function<void(SecretLookup)> done)
{
    done({});
}

bool SystemSecretStore::write(const SecretKey&, const QString&)
{
    return false;
}

void SystemSecretStore::remove(const SecretKey&) {}

void SystemSecretStore::reconnect() {}

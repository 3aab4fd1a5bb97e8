#include "SecretStore.h"

namespace {

SecretStore* replacement = nullptr;

} // namespace

SecretStore& SecretStore::current()
{
    static SystemSecretStore system;
    return replacement ? *replacement : system;
}

void SecretStore::setCurrent(SecretStore* store)
{
    replacement = store;
}

std::optional<QString> SecretStore::read(const SecretKey& key)
{
    SecretLookup found = lookup(key);
    if (found.state != SecretLookup::State::found)
        return std::nullopt;
    return std::move(found.secret);
}

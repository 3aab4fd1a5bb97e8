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

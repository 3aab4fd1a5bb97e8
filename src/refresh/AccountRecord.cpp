#include "AccountRecord.h"

#include "AccountRegistry.h"

#include "model/PlaceGuard.h"

RegisteredAccount::RegisteredAccount(AccountPlace place)
    : m_place(std::move(place))
{}

bool RegisteredAccount::isCurrent()
{
    return PlaceGuard::isCurrent(m_place);
}

void RegisteredAccount::recordIdentity(const QString& userId, const QString& email)
{
    AccountRegistry::recordHome(m_place, userId, email);
}

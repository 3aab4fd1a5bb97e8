#pragma once

#include "RecordingRunner.h"
#include "ScriptedEdges.h"
#include "TestEnvironment.h"

#include "app/UsageStore.h"
#include "platform/MemorySecretStore.h"
#include "platform/ProcessRunner.h"

#include <QHash>

#include <chrono>
#include <memory>

// One usage store's world: temporary folders with the clock pinned at `now`, the agent's commands
// recorded, a secret store in memory (where adding and removing accounts write), and the accounts
// on scripted edges: `account` in the home place, `other` in any other. The refresh's own rules are
// tests/refresh's.
struct StoreWorld
{
    explicit StoreWorld(const QString& now)
    {
        env.setNow(now);
        ProcessRunner::setCurrent(&runner);
        SecretStore::setCurrent(&secrets);
    }
    ~StoreWorld()
    {
        SecretStore::setCurrent(nullptr);
        ProcessRunner::setCurrent(nullptr);
    }
    StoreWorld(const StoreWorld&) = delete;
    StoreWorld& operator=(const StoreWorld&) = delete;

    // The periodic refresh stays out of the way unless a test makes it short.
    std::unique_ptr<UsageStore> store(std::chrono::milliseconds interval = std::chrono::hours(1))
    {
        return std::make_unique<UsageStore>(scriptedWiring(account, other, &noticeTitles), account.pricing,
                                            interval);
    }

    TestEnvironment env;
    RecordingRunner runner;
    MemorySecretStore secrets;
    ScriptedAccount account;
    ScriptedAccount other;
    QHash<QString, std::shared_ptr<const QString>> noticeTitles; // by user id
};

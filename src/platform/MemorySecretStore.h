#pragma once

#include "SecretStore.h"

// A secret store that lives in memory, for tests. It can be told to refuse writes, as a locked or
// missing keyring does.
class MemorySecretStore : public SecretStore
{
public:
    std::optional<QString> read() override { return m_secret; }
    bool write(const QString& secret) override;
    void remove() override { m_secret.reset(); }

    void setFailsWrites(bool fails) { m_failsWrites = fails; }
    int writeCount() const { return m_writeCount; }

private:
    std::optional<QString> m_secret;
    bool m_failsWrites = false;
    int m_writeCount = 0;
};

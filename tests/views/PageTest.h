#pragma once

#include "PageTesting.h"
#include "TestEnvironment.h"

#include <QObject>

#include <memory>

// Every view test starts with no stored pricing catalog (unless the test writes one) and the clock
// at PageTesting::now, so that day counts are stable.
class PageTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_env->setNow(QString::fromLatin1(PageTesting::now));
    }
    void cleanup() { m_env.reset(); }

private:
    std::unique_ptr<TestEnvironment> m_env;
};

#pragma once

#include "TestEnvironment.h"
#include "WidgetTestData.h"

#include "platform/Preferences.h"

#include <QObject>

#include <memory>

// Every widget test runs as the widget (what the app stored is planted as the app, storeAsApp),
// with nothing stored, no pricing catalog to change the estimates, and the clock at noon.
class WidgetTest : public QObject
{
    Q_OBJECT

protected:
    std::unique_ptr<TestEnvironment> m_env;

private Q_SLOTS:
    void initTestCase() { Preferences::setProcess(Preferences::Process::widget); }
    void cleanupTestCase() { Preferences::setProcess(Preferences::Process::app); }
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_env->setNow(WidgetTestData::noon);
    }
    void cleanup() { m_env.reset(); }
};

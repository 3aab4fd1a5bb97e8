#pragma once

#include "platform/Clock.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

// Points the support folder and the settings at a fresh temporary folder for one test, and pins the
// clock. Restores the system clock when destroyed.
class TestEnvironment
{
public:
    TestEnvironment();
    ~TestEnvironment();

    TestEnvironment(const TestEnvironment&) = delete;
    TestEnvironment& operator=(const TestEnvironment&) = delete;

    QString root() const { return m_dir.path(); }
    QString dataHome() const { return m_dir.path() + u"/data"; }
    QString configHome() const { return m_dir.path() + u"/config"; }

    // Pins Clock::now() to the given instant (internet date-time text).
    void setNow(const QString& internetDateTime);
    void setNow(Timestamp now);

private:
    QTemporaryDir m_dir;
};

// Reads a file under the calling test module's data folder.
QByteArray readTestData(const char* dataDir, const QString& name);

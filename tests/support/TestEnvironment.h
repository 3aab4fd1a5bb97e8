#pragma once

#include "platform/Clock.h"
#include "platform/Preferences.h"

#include <QSettings>
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

    // The settings file of a domain as it is on disk, for checking what was stored under which name
    // and for planting what an older version or a hand edit left ("Tallyfern", "TallyfernWidget").
    std::unique_ptr<QSettings> settingsFile(const QString& domain = QStringLiteral("Tallyfern")) const;

    // Pins Clock::now() to the given instant (internet date-time text).
    void setNow(const QString& internetDateTime);
    void setNow(Timestamp now);

private:
    QTemporaryDir m_dir;
};

// Stands in for another process while it lives: the widget writing its own settings, say.
class AsProcess
{
public:
    explicit AsProcess(Preferences::Process process)
        : m_previous(Preferences::process())
    {
        Preferences::setProcess(process);
    }
    ~AsProcess() { Preferences::setProcess(m_previous); }

    AsProcess(const AsProcess&) = delete;
    AsProcess& operator=(const AsProcess&) = delete;

private:
    Preferences::Process m_previous;
};

// A disk that takes no more than `bytes` into any one file while it lives: a longer write fails (with
// EFBIG, as a full disk fails with ENOSPC) part of the way, whoever runs the test, root included.
class FullDisk
{
public:
    explicit FullDisk(qint64 bytes = 0);
    ~FullDisk();

    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

private:
    qint64 m_previous = -1;
};

// Reads a file under the calling test module's data folder.
QByteArray readTestData(const char* dataDir, const QString& name);

// A file's bytes; empty when it cannot be read.
QByteArray fileBytes(const QString& fileName);

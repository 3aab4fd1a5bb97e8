#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <csignal>

#include <sys/resource.h>

TestEnvironment::TestEnvironment()
{
    QVERIFY2(m_dir.isValid(), "cannot create a temporary folder");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome()));
}

TestEnvironment::~TestEnvironment()
{
    Clock::setSource({});
}

std::unique_ptr<QSettings> TestEnvironment::settingsFile(const QString& domain) const
{
    return std::make_unique<QSettings>(configHome() + u"/Tallyfern/" + domain + u".conf",
                                       QSettings::IniFormat);
}

void TestEnvironment::setNow(const QString& internetDateTime)
{
    const auto parsed = Timestamp::parseInternetDateTime(internetDateTime);
    QVERIFY2(parsed.has_value(), qPrintable(internetDateTime));
    setNow(*parsed);
}

void TestEnvironment::setNow(Timestamp now)
{
    Clock::setSource([now] { return now; });
}

FullDisk::FullDisk(qint64 bytes)
{
    // The signal a longer write would raise is ignored: the write fails with EFBIG instead.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &limit) == 0);
    m_previous = qint64(limit.rlim_cur);
    limit.rlim_cur = rlim_t(bytes);
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &limit) == 0);
}

FullDisk::~FullDisk()
{
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = rlim_t(m_previous);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

QByteArray readTestData(const char* dataDir, const QString& name)
{
    QFile file(QFile::decodeName(dataDir) + u'/' + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test data file %s", qPrintable(file.fileName()));
    return file.readAll();
}

QByteArray fileBytes(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

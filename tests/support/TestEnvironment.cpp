#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QtTest>

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

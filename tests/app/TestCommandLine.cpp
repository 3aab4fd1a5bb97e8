#include "TestRegistry.h"

#include "app/CommandLine.h"

#include <QtTest>

using namespace Qt::StringLiterals;

using Mode = CommandLine::Mode;
Q_DECLARE_METATYPE(CommandLine::Mode)

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void modes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Mode>("mode");
        QTest::newRow("nothing") << QStringList{} << Mode::Interactive;
        QTest::newRow("refresh") << QStringList{u"--refresh"_s} << Mode::Refresh;
        QTest::newRow("refresh anywhere")
            << QStringList{u"-style"_s, u"fusion"_s, u"--refresh"_s, u"x"_s} << Mode::Refresh;
        QTest::newRow("after --") << QStringList{u"--"_s, u"--refresh"_s} << Mode::Refresh;
        QTest::newRow("refresh with unknown options")
            << QStringList{u"--bogus"_s, u"--refresh"_s} << Mode::Refresh;
        QTest::newRow("upper case") << QStringList{u"--REFRESH"_s} << Mode::Interactive;
        QTest::newRow("with a value") << QStringList{u"--refresh=1"_s} << Mode::Interactive;
        QTest::newRow("single dash") << QStringList{u"-refresh"_s} << Mode::Interactive;
        QTest::newRow("unknown options") << QStringList{u"--bogus"_s, u"-x"_s} << Mode::Interactive;
        QTest::newRow("toolkit option with a v") << QStringList{u"-reverse"_s} << Mode::Interactive;
        QTest::newRow("help") << QStringList{u"--help"_s} << Mode::Help;
        QTest::newRow("short help") << QStringList{u"-h"_s} << Mode::Help;
        QTest::newRow("help wins over refresh") << QStringList{u"--refresh"_s, u"--help"_s} << Mode::Help;
        QTest::newRow("help after unknown") << QStringList{u"--bogus"_s, u"--help"_s} << Mode::Help;
        QTest::newRow("version") << QStringList{u"--version"_s} << Mode::Version;
        QTest::newRow("short version") << QStringList{u"-v"_s} << Mode::Version;
        QTest::newRow("version wins over refresh") << QStringList{u"-v"_s, u"--refresh"_s} << Mode::Version;
    }

    void modes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(Mode, mode);
        QCOMPARE(CommandLine::mode(QStringList{u"/usr/bin/tallyfern"_s} + arguments), mode);
    }

    void programNameIsNoArgument()
    {
        QCOMPARE(CommandLine::mode({u"--refresh"_s}), Mode::Interactive);
        QCOMPARE(CommandLine::mode({}), Mode::Interactive);
    }
};

TALLYFERN_REGISTER_TEST(TestCommandLine);
#include "TestCommandLine.moc"

#include "TestRegistry.h"

#include <QProcess>
#include <QtTest>

#include <algorithm>
#include <vector>

namespace {

struct Registered
{
    QByteArray name;
    TestFactory factory;
};

std::vector<Registered>& registered()
{
    static std::vector<Registered> all;
    return all;
}

} // namespace

bool registerTest(const char* name, TestFactory factory)
{
    registered().push_back({QByteArray(name), std::move(factory)});
    return true;
}

bool passesInChild(const QObject* test, const QString& function, const char* variable,
                   const QByteArray& value)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(variable), QString::fromLatin1(value));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QString::fromLatin1(test->metaObject()->className()), function});
    const bool finished = child.waitForFinished(120000);
    const QByteArray output = child.readAll();
    const bool passed = finished && child.exitCode() == 0 && output.contains(QByteArray("PASS   : ")) &&
                        output.contains(QByteArray("::" + function.toUtf8() + "()"));
    if (!passed)
        qWarning().noquote() << QString::fromUtf8(output);
    return passed;
}

int runRegisteredTests(int argc, char** argv)
{
    // "<executable> TestClass [functions…]" runs that class alone; otherwise every class runs with
    // the arguments as given.
    const QByteArray only = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    const bool named = std::any_of(registered().begin(), registered().end(),
                                   [&only](const Registered& test) { return test.name == only; });
    std::vector<char*> arguments(argv, argv + argc);
    if (named)
        arguments.erase(arguments.begin() + 1);

    int failed = 0;
    for (const Registered& registration : registered()) {
        if (named && registration.name != only)
            continue;
        const std::unique_ptr<QObject> test = registration.factory();
        failed += QTest::qExec(test.get(), int(arguments.size()), arguments.data());
    }
    return failed == 0 ? 0 : 1;
}

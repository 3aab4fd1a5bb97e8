#include "TestRegistry.h"

#include <QtTest>

#include <vector>

namespace {

std::vector<TestFactory>& factories()
{
    static std::vector<TestFactory> all;
    return all;
}

} // namespace

bool registerTest(TestFactory factory)
{
    factories().push_back(std::move(factory));
    return true;
}

int runRegisteredTests(int argc, char** argv)
{
    int failed = 0;
    for (const TestFactory& factory : factories()) {
        const std::unique_ptr<QObject> test = factory();
        failed += QTest::qExec(test.get(), argc, argv);
    }
    return failed == 0 ? 0 : 1;
}

#pragma once

#include <QObject>

#include <functional>
#include <memory>

// Lets one test executable per module run several Qt Test classes, one per behaviour area.
using TestFactory = std::function<std::unique_ptr<QObject>()>;

bool registerTest(TestFactory factory);

// Runs every registered class in order; non-zero when any test failed.
int runRegisteredTests(int argc, char** argv);

#define TALLYFERN_REGISTER_TEST(Class)                                                                       \
    static const bool Class##Registered = registerTest([] { return std::make_unique<Class>(); })

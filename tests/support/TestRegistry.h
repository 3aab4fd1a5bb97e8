#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// Lets one test executable per module run several Qt Test classes, one per behaviour area.
using TestFactory = std::function<std::unique_ptr<QObject>()>;

// `name` is the class's, so that one class can be asked for without building the others.
bool registerTest(const char* name, TestFactory factory);

// Runs every registered class in order; non-zero when any test failed.
int runRegisteredTests(int argc, char** argv);

// For what the application fixes when it starts, such as QT_SCALE_FACTOR: runs one test function
// of the test's class again in a child process with the variable set (the class alone, since the
// other classes of this executable do not know the function). True when the child passed.
bool passesInChild(const QObject* test, const QString& function, const char* variable,
                   const QByteArray& value);

#define TALLYFERN_REGISTER_TEST(Class)                                                                       \
    static const bool Class##Registered = registerTest(#Class, [] { return std::make_unique<Class>(); })

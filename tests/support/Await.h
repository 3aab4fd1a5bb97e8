#pragma once

#include <QCoroTask>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <type_traits>

// Runs a task to its end on the event loop and hands back its result, or rethrows its exception.
// QCoro 0.8's waitFor never returns when the task throws, so the task is awaited inside one that
// cannot throw. A task still running after `timeout` fails the test (Qt Test reports the exception)
// instead of hanging it.
template <typename T>
T await(QCoro::Task<T> task, std::chrono::milliseconds timeout = std::chrono::seconds(30))
{
    using Value = std::conditional_t<std::is_void_v<T>, bool, T>;
    struct Outcome
    {
        std::optional<Value> value;
        std::exception_ptr error;
        bool done = false;
        QPointer<QEventLoop> loop; // while the test waits
    };
    // Shared with the waiting coroutine, which may still end after a timeout.
    const auto outcome = std::make_shared<Outcome>();
    [](QCoro::Task<T> awaited, std::shared_ptr<Outcome> into) -> QCoro::Task<> {
        try {
            if constexpr (std::is_void_v<T>) {
                co_await std::move(awaited);
                into->value = true;
            } else {
                into->value = co_await std::move(awaited);
            }
        } catch (...) {
            into->error = std::current_exception();
        }
        into->done = true;
        if (into->loop)
            into->loop->quit();
    }(std::move(task), outcome);
    if (!outcome->done) {
        QEventLoop loop;
        QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
        outcome->loop = &loop;
        loop.exec();
        outcome->loop = nullptr;
    }
    if (!outcome->done)
        throw std::runtime_error("the awaited task did not end in time");
    if (outcome->error)
        std::rethrow_exception(outcome->error);
    if constexpr (!std::is_void_v<T>)
        return std::move(*outcome->value);
}

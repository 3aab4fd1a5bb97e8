#pragma once

#include "FakeService.h"
#include "TestEnvironment.h"

#include "app/UsageStore.h"
#include "platform/MemorySecretStore.h"
#include "platform/ProcessRunner.h"

#include <QSemaphore>
#include <QStringList>

#include <memory>

class QLabel;
class QWidget;

// Records the commands the background agent would run, instead of running systemctl.
class RecordingRunner : public ProcessRunner
{
public:
    int run(const QString& program, const QStringList& arguments) override;
    QList<QStringList> calls;
};

// Holds a route's answer until the test lets it go, so that a test can look at the app while a
// refresh is under way without depending on how long anything takes.
class Gate
{
public:
    void open() { m_semaphore.release(1000); }
    // On the service's thread: waits for open(), at most long enough that a failing test ends.
    void pass() { m_semaphore.tryAcquire(1, 20000); }

private:
    QSemaphore m_semaphore;
};

// One test's world for the app: temporary settings and support folder with a pinned clock, an
// in-memory keychain, a recording process runner and the fake service as the service origin,
// scripted with a small account. The store is made by the test, after it has arranged what a
// start should find.
class ShellFixture
{
public:
    // Obviously fake: screenshots and failure messages may show it.
    static constexpr auto fakeCookie = "WorkosCursorSessionToken=fake-session-for-tests";
    static constexpr auto fakeToken = "fake-session-for-tests";
    static constexpr auto now = "2025-05-19T04:00:00Z"; // 12:00 in Asia/Shanghai

    ShellFixture();
    ~ShellFixture();
    ShellFixture(const ShellFixture&) = delete;
    ShellFixture& operator=(const ShellFixture&) = delete;

    // The account's "/api/auth/me" answer waits for the gate (a refresh stays under way until then).
    void holdAnswers();
    Gate& gate() { return *m_gate; }

    // Puts a token in the keychain, as an earlier paste would have.
    void storeToken();
    // Stores the realistic snapshot (or the given one) where the next start finds it.
    void storeSnapshot();
    void storeSnapshot(const UsageSnapshot& snapshot);
    static UsageSnapshot realisticSnapshot();
    void setStoredFlag(const char* key, bool value);
    QVariant storedValue(const char* key) const;

    std::unique_ptr<UsageStore> makeStore();

    FakeService& service() { return m_service; }
    MemorySecretStore& secrets() { return m_secrets; }
    RecordingRunner& runner() { return m_runner; }
    TestEnvironment& environment() { return m_environment; }

private:
    void scriptAccount();

    TestEnvironment m_environment;
    MemorySecretStore m_secrets;
    RecordingRunner m_runner;
    FakeService m_service;
    std::shared_ptr<Gate> m_gate = std::make_shared<Gate>();
};

// What the window shows, read back.
namespace ShellProbe {

void showAndSettle(QWidget* window);
void settle();
// The first visible label under the root that reads the text, or null.
QLabel* labelWithText(const QWidget* root, const QString& text);
// With TALLYFERN_SCREENSHOT_DIR set, saves the window as `name`.png at twice its resolution.
void saveScreenshot(QWidget* window, const QString& name);

} // namespace ShellProbe

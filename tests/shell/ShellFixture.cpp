#include "ShellFixture.h"

#include "client/DashboardClient.h"
#include "model/SnapshotStore.h"
#include "platform/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QPainter>
#include <QPixmap>
#include <QWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray me = R"({"email":"reader@example.com","id":4242,"sub":"user_fake"})";
// A cycle from 1 May to 1 June 2025 with $12.44 of $40 used.
const QByteArray period = R"({"billingCycleStart":"1746057600000","billingCycleEnd":"1748736000000",)"
                          R"("planUsage":{"includedSpend":1244,"limit":4000}})";
const QByteArray plan = R"({"planInfo":{"planName":"Pro"}})";

} // namespace

int RecordingRunner::run(const QString& program, const QStringList& arguments)
{
    calls.append(QStringList{program} + arguments);
    return 0;
}

ShellFixture::ShellFixture()
{
    // A test that forgot the in-memory keychain must fail rather than reach a real keyring.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tallyfern-test-bus");
    QVERIFY(m_service.start());
    qputenv("TALLYFERN_SERVICE_ORIGIN", m_service.origin().toUtf8());
    SecretStore::setCurrent(&m_secrets);
    ProcessRunner::setCurrent(&m_runner);
    DashboardClient::Testing::reset();
    m_environment.setNow(QString::fromLatin1(now));
    scriptAccount();
}

ShellFixture::~ShellFixture()
{
    m_gate->open();
    // Idle keep-alive connections would hold the fake service's threads for seconds on stop().
    for (QNetworkAccessManager* manager : qApp->findChildren<QNetworkAccessManager*>())
        manager->clearConnectionCache();
    m_service.stop();
    SecretStore::setCurrent(nullptr);
    ProcessRunner::setCurrent(nullptr);
    qunsetenv("TALLYFERN_SERVICE_ORIGIN");
    DashboardClient::Testing::reset();
}

void ShellFixture::scriptAccount()
{
    m_service.setJson("GET", DashboardClient::mePath, me);
    m_service.setJson("POST", DashboardClient::periodPath, period);
    m_service.setJson("POST", DashboardClient::planPath, plan);
}

void ShellFixture::holdAnswers()
{
    std::shared_ptr<Gate> gate = m_gate;
    m_service.setHandler("GET", DashboardClient::mePath, [gate](const FakeService::Request&) {
        gate->pass();
        return FakeService::Answer{200, me, {}, 0};
    });
}

void ShellFixture::storeToken()
{
    QVERIFY(m_secrets.write(QString::fromLatin1(fakeToken)));
}

UsageSnapshot ShellFixture::realisticSnapshot()
{
    return *UsageSnapshot::decode(readTestData(TALLYFERN_TEST_DATA_DIR, u"realistic-snapshot.json"_s));
}

void ShellFixture::storeSnapshot()
{
    storeSnapshot(realisticSnapshot());
}

void ShellFixture::storeSnapshot(const UsageSnapshot& snapshot)
{
    auto defaults = Settings::open(QString::fromLatin1(Settings::appDomain));
    SnapshotStore::save(snapshot, defaults.get());
}

void ShellFixture::setStoredFlag(const char* key, bool value)
{
    auto defaults = Settings::open(QString::fromLatin1(Settings::appDomain));
    defaults->setValue(QLatin1StringView(key), value);
    defaults->sync();
}

QVariant ShellFixture::storedValue(const char* key) const
{
    return Settings::open(QString::fromLatin1(Settings::appDomain))->value(QLatin1StringView(key));
}

std::unique_ptr<UsageStore> ShellFixture::makeStore()
{
    // The periodic refresh stays out of the way of the tests.
    return std::make_unique<UsageStore>(std::chrono::hours(1));
}

void ShellProbe::settle()
{
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents();
}

QLabel* ShellProbe::labelWithText(const QWidget* root, const QString& text)
{
    for (QLabel* label : root->findChildren<QLabel*>()) {
        if (label->isVisibleTo(root) && label->text() == text)
            return label;
    }
    return nullptr;
}

void ShellProbe::showAndSettle(QWidget* window)
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    settle();
}

void ShellProbe::saveScreenshot(QWidget* window, const QString& name)
{
    const QString folder = qEnvironmentVariable("TALLYFERN_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    settle();
    constexpr qreal scale = 2;
    QPixmap pixmap(window->size() * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(window->palette().color(QPalette::Window));
    {
        QPainter painter(&pixmap);
        window->render(&painter, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
    QVERIFY(pixmap.save(folder + u'/' + name + u".png"_s));
}

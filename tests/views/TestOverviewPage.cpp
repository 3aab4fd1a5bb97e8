#include "PageProbe.h"
#include "Snapshots.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "app/views/OverviewPage.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestOverviewPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        // A fresh support folder per test: no stored pricing catalog unless the test writes one.
        m_env = std::make_unique<TestEnvironment>();
        m_env->setNow(QString::fromLatin1(Snapshots::now));
    }
    void cleanup() { m_env.reset(); }

    void screenshots()
    {
        OverviewPage page;
        page.setPricingLabel(u"标价用内置表"_s);
        PageProbe::saveScreenshot(&page, 720, u"overview-empty"_s);
        page.setSnapshot(Snapshots::realistic());
        PageProbe::saveScreenshot(&page, 720, u"overview"_s);
        PageProbe::saveScreenshot(&page, 640, u"overview-narrow"_s);
        qDebug() << PageProbe::visibleTexts(&page);
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
};

TALLYFERN_REGISTER_TEST(TestOverviewPage);
#include "TestOverviewPage.moc"

#include "PageProbe.h"
#include "Snapshots.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "app/views/ModelsPage.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestModelsPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_env->setNow(QString::fromLatin1(Snapshots::now));
    }
    void cleanup() { m_env.reset(); }

    void screenshots()
    {
        ModelsPage page;
        PageProbe::saveScreenshot(&page, 720, u"models-empty"_s);
        page.setSnapshot(Snapshots::realistic());
        PageProbe::saveScreenshot(&page, 720, u"models"_s);
        PageProbe::saveScreenshot(&page, 640, u"models-narrow"_s);
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
};

TALLYFERN_REGISTER_TEST(TestModelsPage);
#include "TestModelsPage.moc"

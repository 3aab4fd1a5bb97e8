#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "platform/Paths.h"
#include "platform/Preferences.h"

#include <QtTest>

#include <pwd.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

class TestPaths : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void supportFolderFollowsXdgDataHomeElseTheUserDatabase()
    {
        TestEnvironment env;
        QCOMPARE(Paths::supportFolder(), env.dataHome() + u"/Tallyfern");
        QVERIFY2(!QFileInfo::exists(Paths::supportFolder()), "reading the location must not create it");
        // A relative XDG path is invalid, and $HOME is not what the user database says.
        const QByteArray savedHome = qgetenv("HOME");
        qputenv("XDG_DATA_HOME", "relative/path");
        qputenv("HOME", QFile::encodeName(env.root()));
        const QString home = QString::fromLocal8Bit(::getpwuid(::getuid())->pw_dir);
        QCOMPARE(Paths::supportFolder(), QDir::cleanPath(home) + u"/.local/share/Tallyfern");
        qputenv("XDG_DATA_HOME", QFile::encodeName(env.dataHome()));
        qputenv("HOME", savedHome);
    }

    void settingsFollowXdgConfigHomeOnEveryOpen()
    {
        // Qt resolves its own settings folder once per process; each test needs a fresh one.
        {
            TestEnvironment env;
            Preferences::setValue(Preferences::Key::windowPinned, true);
            QVERIFY(QFileInfo::exists(env.configHome() + u"/Tallyfern/Tallyfern.conf"));
        }
        TestEnvironment other;
        QVERIFY(!Preferences::contains(Preferences::Key::windowPinned));
        // Reading creates nothing.
        QVERIFY(!Preferences::flag(Preferences::Key::windowPinned));
        QVERIFY(!QFileInfo::exists(other.configHome()));
    }
};

TALLYFERN_REGISTER_TEST(TestPaths);
#include "TestPaths.moc"

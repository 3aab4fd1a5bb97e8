#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "app/LaunchAgent.h"
#include "platform/Paths.h"
#include "platform/ProcessRunner.h"
#include "platform/Settings.h"

#include <QXmlStreamReader>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Records every command instead of touching the real user manager, with whether the unit files
// existed when it ran.
class RecordingRunner : public ProcessRunner
{
public:
    QStringList commands;

    int run(const QString& program, const QStringList& arguments) override
    {
        const bool filesPresent =
            QFile::exists(LaunchAgent::serviceFileName()) && QFile::exists(LaunchAgent::timerFileName());
        commands.append((QStringList{program} + arguments).join(u' ') +
                        (filesPresent ? u" [files]"_s : u" [no files]"_s));
        return 1; // a failing manager must change nothing
    }
};

QString readText(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The plist as a flat list of "key=type:value" items, array items as "key[]=type:value".
QStringList flatten(const QByteArray& xml, QString* doctype)
{
    QStringList items;
    QXmlStreamReader reader(xml);
    QString key;
    bool inArray = false;
    int depth = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isDTD())
            *doctype = reader.text().toString();
        if (reader.isStartElement()) {
            ++depth;
            const QString name = reader.name().toString();
            if (name == "plist"_L1)
                items.append(u"plist version="_s + reader.attributes().value("version"_L1));
            else if (name == "array"_L1)
                inArray = true;
            else if (name == "key"_L1)
                key = reader.readElementText(), --depth;
            else if (name != "dict"_L1) {
                const QString value = reader.readElementText();
                --depth;
                items.append(key + (inArray ? u"[]"_s : QString()) + u'=' + name + u':' + value);
            }
        } else if (reader.isEndElement()) {
            --depth;
            if (reader.name() == "array"_L1)
                inArray = false;
        }
    }
    if (reader.hasError())
        items.append(u"error: "_s + reader.errorString());
    return items;
}

} // namespace

class TestLaunchAgent : public QObject
{
    Q_OBJECT

private:
    RecordingRunner m_runner;

private Q_SLOTS:
    void init()
    {
        // Each test sees only its own commands; none of them may reach the real systemctl.
        m_runner.commands.clear();
        ProcessRunner::setCurrent(&m_runner);
    }

    void cleanup() { ProcessRunner::setCurrent(nullptr); }

    void enabledByDefault()
    {
        TestEnvironment env;
        QVERIFY(LaunchAgent::isEnabled());
        const auto settings = Settings::open(QLatin1StringView(Settings::appDomain));
        settings->setValue("backgroundRefreshEnabled"_L1, false);
        settings->sync();
        QVERIFY(!LaunchAgent::isEnabled());
        settings->setValue("backgroundRefreshEnabled"_L1, true);
        settings->sync();
        QVERIFY(LaunchAgent::isEnabled());
        QCOMPARE(LaunchAgent::installedExecutable(), QCoreApplication::applicationFilePath());
    }

    void installTwiceThenUninstall()
    {
        TestEnvironment env;
        const QString folder = env.configHome() + u"/systemd/user"_s;
        QCOMPARE(LaunchAgent::serviceFileName(), folder + u"/com.local.tallyfern.refresh.service");
        QCOMPARE(LaunchAgent::timerFileName(), folder + u"/com.local.tallyfern.refresh.timer");

        LaunchAgent::install();
        const QString service = readText(LaunchAgent::serviceFileName());
        const QString timer = readText(LaunchAgent::timerFileName());
        QCOMPARE(service, u"[Unit]\n"
                          u"Description=Tallyfern 后台刷新用量\n"
                          u"\n"
                          u"[Service]\n"
                          u"Type=oneshot\n"
                          u"ExecStart=\""_s +
                              QCoreApplication::applicationFilePath() +
                              u"\" --refresh\n"
                              u"StandardOutput=null\n"
                              u"StandardError=null\n");
        QCOMPARE(timer, u"[Unit]\n"
                        u"Description=Tallyfern 每 180 秒刷新一次用量\n"
                        u"\n"
                        u"[Timer]\n"
                        u"OnActiveSec=0\n"
                        u"OnUnitActiveSec=180\n"
                        u"AccuracySec=1s\n"
                        u"\n"
                        u"[Install]\n"
                        u"WantedBy=timers.target\n"_s);

        LaunchAgent::install();
        QCOMPARE(readText(LaunchAgent::serviceFileName()), service);
        QCOMPARE(readText(LaunchAgent::timerFileName()), timer);
        // Atomic writes leave no temporary files behind.
        QCOMPARE(QDir(folder).entryList(QDir::Files), (QStringList{u"com.local.tallyfern.refresh.service"_s,
                                                                   u"com.local.tallyfern.refresh.timer"_s}));

        LaunchAgent::uninstall();
        QVERIFY(!QFile::exists(LaunchAgent::serviceFileName()));
        QVERIFY(!QFile::exists(LaunchAgent::timerFileName()));

        // Stop-and-disable before every enable-and-start, so one timer runs however often the app
        // installs it; files in place before the manager reads them, and until it has let go.
        const QStringList once{
            u"systemctl --user daemon-reload [files]"_s,
            u"systemctl --user disable --now com.local.tallyfern.refresh.timer [files]"_s,
            u"systemctl --user enable --now com.local.tallyfern.refresh.timer [files]"_s,
        };
        QCOMPARE(
            m_runner.commands,
            once + once +
                QStringList{u"systemctl --user disable --now com.local.tallyfern.refresh.timer [files]"_s});

        // Uninstalling what is not there still asks the manager, and fails quietly.
        m_runner.commands.clear();
        LaunchAgent::uninstall();
        QCOMPARE(
            m_runner.commands,
            QStringList{u"systemctl --user disable --now com.local.tallyfern.refresh.timer [no files]"_s});
    }

    void installReplacesAnOlderUnit()
    {
        TestEnvironment env;
        QDir().mkpath(QFileInfo(LaunchAgent::serviceFileName()).path());
        QFile old(LaunchAgent::serviceFileName());
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("[Service]\nExecStart=/old/place/tallyfern --refresh\n");
        old.close();
        LaunchAgent::install();
        QVERIFY(readText(LaunchAgent::serviceFileName()).contains(QCoreApplication::applicationFilePath()));
        QVERIFY(!readText(LaunchAgent::serviceFileName()).contains("/old/place"_L1));
    }

    void execStart_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("line");
        QTest::newRow("plain") << u"/usr/bin/tallyfern"_s << u"\"/usr/bin/tallyfern\" --refresh"_s;
        QTest::newRow("spaces") << u"/home/a b/My Apps/tallyfern"_s
                                << u"\"/home/a b/My Apps/tallyfern\" --refresh"_s;
        QTest::newRow("percent is a specifier") << u"/opt/100%/%h"_s << u"\"/opt/100%%/%%h\" --refresh"_s;
        // The program path is not subject to "$" substitution: doubling it would name another file.
        QTest::newRow("dollar") << u"/opt/$HOME/t"_s << u"\"/opt/$HOME/t\" --refresh"_s;
        QTest::newRow("non-ASCII") << u"/home/用户/tallyfern"_s << u"\"/home/用户/tallyfern\" --refresh"_s;
        // systemd refuses these in a program path, so the shell runs it from an argument, where
        // C escapes, "%%" and "$$" all apply.
        QTest::newRow("backslash")
            << u"/opt/a\\b/$x/100%/t"_s
            << u"/bin/sh -c \"exec \\\"$$0\\\" --refresh\" \"/opt/a\\\\b/$$x/100%%/t\""_s;
        QTest::newRow("quotes") << u"/opt/\"it's\"/t"_s
                                << u"/bin/sh -c \"exec \\\"$$0\\\" --refresh\" \"/opt/\\\"it's\\\"/t\""_s;
        QTest::newRow("newline") << u"/opt/a\nb"_s
                                 << u"/bin/sh -c \"exec \\\"$$0\\\" --refresh\" \"/opt/a\\x0ab\""_s;
        QTest::newRow("relative") << u"tallyfern"_s << QString();
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("NUL") << u"/opt/a"_s + QChar(0) + u"b" << QString();
    }

    void execStart()
    {
        QFETCH(QString, path);
        QFETCH(QString, line);
        QCOMPARE(LaunchAgent::execStart(path).value_or(QString()), line);
        const auto unit = LaunchAgent::serviceUnit(path);
        QCOMPARE(unit.has_value(), !line.isEmpty());
        if (unit) {
            // The path never breaks out of its line.
            QVERIFY(QString::fromUtf8(*unit).contains(u"\nExecStart="_s + line + u"\nStandardOutput=null\n"));
        }
    }

    void propertyList()
    {
        const QString path = u"/Users/a & b/<Apps>/Tallyfern.app/Contents/MacOS/Tallyfern"_s;
        const auto xml = LaunchAgent::propertyList(path);
        QVERIFY(xml);
        QVERIFY(xml->startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
        QString doctype;
        QCOMPARE(flatten(*xml, &doctype), (QStringList{
                                              u"plist version=1.0"_s,
                                              u"Label=string:com.local.tallyfern.refresh"_s,
                                              u"ProgramArguments[]=string:"_s + path,
                                              u"ProgramArguments[]=string:--refresh"_s,
                                              u"RunAtLoad=true:"_s,
                                              u"StandardErrorPath=string:/dev/null"_s,
                                              u"StandardOutPath=string:/dev/null"_s,
                                              u"StartInterval=integer:180"_s,
                                          }));
        QCOMPARE(doctype.trimmed(), u"<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                    u"\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">"_s);
        QCOMPARE(LaunchAgent::propertyListFileName(),
                 Paths::homeDirectory() + u"/Library/LaunchAgents/com.local.tallyfern.refresh.plist");

        // A path XML cannot carry gives no file at all rather than a broken one.
        QCOMPARE(LaunchAgent::propertyList(u"/Users/a\u0001b"_s), std::nullopt);
        QCOMPARE(LaunchAgent::propertyList(u"/Users/a\rb"_s), std::nullopt);
        QCOMPARE(LaunchAgent::propertyList(u"/Users/a"_s + QChar(0xd800) + u"b"), std::nullopt);
    }
};

TALLYFERN_REGISTER_TEST(TestLaunchAgent);
#include "TestLaunchAgent.moc"

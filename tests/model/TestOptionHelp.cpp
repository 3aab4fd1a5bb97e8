#include "TestRegistry.h"

#include "model/OptionHelp.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// The option list of --help lines up on a terminal, where a Chinese value name takes two columns a
// character.
class TestOptionHelp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lines_data()
    {
        QTest::addColumn<QList<OptionHelp::Row>>("rows");
        QTest::addColumn<QString>("text");

        QTest::newRow("names only") << QList<OptionHelp::Row>{{{u"h"_s, u"help"_s}, {}, u"帮助"_s},
                                                              {{u"refresh"_s}, {}, u"刷新"_s}}
                                    << u"  -h, --help  帮助\n"
                                       u"  --refresh   刷新\n"_s;
        QTest::newRow("a Chinese value name")
            << QList<OptionHelp::Row>{{{u"format"_s}, u"格式"_s, u"输出"_s},
                                      {{u"follow"_s}, {}, u"跟随"_s},
                                      {{u"remove-account"_s}, u"账号"_s, u"移除"_s}}
            << u"  --format 格式          输出\n"
               u"  --follow               跟随\n"
               u"  --remove-account 账号  移除\n"_s;
        QTest::newRow("nothing") << QList<OptionHelp::Row>{} << QString();
    }

    void lines()
    {
        QFETCH(QList<OptionHelp::Row>, rows);
        QFETCH(QString, text);
        QCOMPARE(OptionHelp::lines(rows), text);
    }
};

TALLYFERN_REGISTER_TEST(TestOptionHelp);
#include "TestOptionHelp.moc"

// A stand-alone fake of the service for manual runs, demos and benchmarks: the options are in
// --help, its use in the README ("Trying it without an account"). tests/fake_service/account answers
// every dashboard route as a personal Pro+ plan, tests/fake_service/team as a team seat; with
// "--account team=tests/fake_service/team" a token "team::…" is answered as the team seat.
#include "FakeService.h"
#include "HeavyAccount.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <csignal>
#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Serves a folder of JSON answers as the Cursor dashboard API."_s);
    parser.addHelpOption();
    parser.addOption({u"port"_s, u"Listen on port N (default: any free port)."_s, u"N"_s, u"0"_s});
    parser.addOption({u"delay"_s, u"Delay every answer by MS milliseconds."_s, u"MS"_s, u"0"_s});
    parser.addOption(
        {u"heavy-events"_s, u"Answer event pages from N generated events a cycle."_s, u"N"_s, u"0"_s});
    parser.addOption({u"account"_s, u"Answer tokens starting with PREFIX from DIR."_s, u"PREFIX=DIR"_s});
    parser.addPositionalArgument(u"DIR"_s, u"Folder holding PATH.json for every route."_s);
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);

    const QString root = QDir(parser.positionalArguments().constFirst()).absolutePath();
    const int delay = parser.value(u"delay"_s).toInt();
    QList<QPair<QByteArray, QString>> accounts;
    for (const QString& pair : parser.values(u"account"_s)) {
        const qsizetype equals = pair.indexOf(u'=');
        if (equals <= 0)
            parser.showHelp(2);
        accounts.append({pair.first(equals).toUtf8(), QDir(pair.sliced(equals + 1)).absolutePath()});
    }
    FakeService service;
    service.serveFolders(root, accounts, delay);
    std::unique_ptr<HeavyAccount> heavy;
    if (const int events = parser.value(u"heavy-events"_s).toInt(); events > 0) {
        // The account's own cycle and the one before it, so the history the app keeps fills up.
        constexpr qint64 dayMs = 86'400'000;
        QFile period(root + u"/api/dashboard/get-current-period-usage.json"_s);
        qint64 start = QDateTime::currentMSecsSinceEpoch() - 30 * dayMs;
        if (period.open(QIODevice::ReadOnly)) {
            const QString text =
                QJsonDocument::fromJson(period.readAll()).object().value("billingCycleStart"_L1).toString();
            if (const qint64 ms = text.toLongLong(); ms > 0)
                start = ms;
        }
        heavy = std::make_unique<HeavyAccount>(start - 31 * dayMs, 62, 2 * events);
        service.setHandler("POST", "/api/dashboard/get-filtered-usage-events",
                           [&heavy](const FakeService::Request& request) { return heavy->answer(request); });
    }
    if (!service.start(quint16(parser.value(u"port"_s).toUInt()))) {
        std::fprintf(stderr, "cannot bind a port on 127.0.0.1\n");
        return 1;
    }
    std::printf("%s\n", qPrintable(service.origin()));
    std::fflush(stdout);
    std::signal(SIGINT, [](int) { QCoreApplication::quit(); });
    std::signal(SIGTERM, [](int) { QCoreApplication::quit(); });
    return app.exec();
}

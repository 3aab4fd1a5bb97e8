#include "StatusCommand.h"

#include "StatusLine.h"

#include "model/SnapshotStore.h"
#include "platform/Settings.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <cstdio>

using namespace Qt::StringLiterals;

std::optional<StatusCommand::Format> StatusCommand::format(const QStringList& arguments)
{
    QString name = u"text"_s;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--format"_L1) {
            if (i + 1 == arguments.size())
                return std::nullopt;
            name = arguments[++i];
        } else if (arguments[i].startsWith("--format="_L1)) {
            name = arguments[i].sliced(9);
        }
    }
    if (name == "text"_L1)
        return Format::text;
    if (name == "json"_L1)
        return Format::json;
    if (name == "waybar"_L1)
        return Format::waybar;
    return std::nullopt;
}

int StatusCommand::run(int& argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const auto chosen = format(QCoreApplication::arguments());
    if (!chosen) {
        std::fputs("tallyfern: --format 只接受 text、json 或 waybar\n", stderr);
        return 2;
    }
    const auto settings = Settings::openForReading(QLatin1StringView(Settings::appDomain));
    const UsageSnapshot snapshot = SnapshotStore::load(settings.get());
    QByteArray line;
    switch (*chosen) {
    case Format::text:
        line = StatusLine::text(snapshot).toUtf8();
        break;
    case Format::json:
        line = QJsonDocument(StatusLine::json(snapshot)).toJson(QJsonDocument::Compact);
        break;
    case Format::waybar:
        line = QJsonDocument(StatusLine::waybar(snapshot, QuotaThresholds::load(settings.get())))
                   .toJson(QJsonDocument::Compact);
        break;
    }
    line.append('\n');
    std::fputs(line.constData(), stdout);
    return 0;
}

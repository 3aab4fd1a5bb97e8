#include "StatusCommand.h"

#include "desktop/StatusLine.h"

#include "model/SnapshotStore.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <cstdio>

using namespace Qt::StringLiterals;

std::optional<StatusCommand::Format> StatusCommand::format(const std::optional<QString>& name)
{
    if (!name || *name == "text"_L1)
        return Format::text;
    if (*name == "json"_L1)
        return Format::json;
    if (*name == "waybar"_L1)
        return Format::waybar;
    return std::nullopt;
}

int StatusCommand::run(int& argc, char** argv, const std::optional<QString>& formatName)
{
    QCoreApplication app(argc, argv);
    const auto chosen = format(formatName);
    if (!chosen) {
        std::fputs("tallyfern: --format 只接受 text、json 或 waybar\n", stderr);
        return 2;
    }
    // Reading creates nothing: a status bar polls this every few seconds.
    const UsageSnapshot snapshot = SnapshotStore::load();
    QByteArray line;
    switch (*chosen) {
    case Format::text:
        line = StatusLine::text(snapshot).toUtf8();
        break;
    case Format::json:
        line = QJsonDocument(StatusLine::json(snapshot)).toJson(QJsonDocument::Compact);
        break;
    case Format::waybar:
        line = QJsonDocument(StatusLine::waybar(snapshot, QuotaThresholds::load()))
                   .toJson(QJsonDocument::Compact);
        break;
    }
    line.append('\n');
    std::fputs(line.constData(), stdout);
    return 0;
}

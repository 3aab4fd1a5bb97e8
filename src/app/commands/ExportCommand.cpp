#include "ExportCommand.h"

#include "CommandLine.h"

#include "history/CycleExport.h"
#include "history/Ledger.h"
#include "model/SnapshotStore.h"
#include "platform/Clock.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace ExportCommand {

Parsed parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption file(u"export-csv"_s, QString(), u"file"_s);
    const QCommandLineOption cycle(u"cycle"_s, QString(), u"cycle"_s);
    parser.addOptions({file, cycle});
    // Other options are the interactive app's business and ignored here.
    parser.parse(arguments);
    const QString fileName = parser.value(file);
    if (fileName.isEmpty() || fileName.startsWith(u'-'))
        return Parsed{std::nullopt, u"--export-csv 需要一个文件名"_s};
    Request request{fileName, CycleExport::Cycle::current};
    if (parser.isSet(cycle)) {
        const QString value = parser.value(cycle);
        if (value == "previous"_L1)
            request.cycle = CycleExport::Cycle::previous;
        else if (value != "current"_L1)
            return Parsed{std::nullopt, u"--cycle 只能是 current 或 previous"_s};
    }
    return Parsed{request, {}};
}

int exportCsv(const Request& request, QString* errors)
{
    using Outcome = CycleExport::Result::Outcome;
    const CycleExport::Result result =
        CycleExport::write(Ledger::defaultPath(), SnapshotStore::load(), request.cycle, request.fileName);
    switch (result.outcome) {
    case Outcome::noLedger:
        *errors = u"没有用量历史：请先在设置中打开“保存用量历史”并刷新"_s;
        return 1;
    case Outcome::unreadable:
        *errors = u"无法读取用量历史"_s;
        return 1;
    case Outcome::unwritable:
        *errors = u"无法写入 "_s + request.fileName;
        return 1;
    case Outcome::written:
        break;
    }
    if (!result.isComplete())
        *errors = u"账期尚未同步完整（%1/%2 天）"_s.arg(result.finalDays).arg(result.days);
    return 0;
}

int run(int& argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const Parsed parsed = parse(CommandLine::fromArgv(argc, argv));
    QString errors = parsed.error;
    const int status = parsed.request ? exportCsv(*parsed.request, &errors) : 2;
    if (!errors.isEmpty())
        std::fputs((errors + u'\n').toLocal8Bit().constData(), stderr);
    return status;
}

} // namespace ExportCommand

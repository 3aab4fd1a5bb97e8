#include "ExportCommand.h"

#include "CommandAccounts.h"
#include "CommandRunner.h"

#include "desktop/OwnFiles.h"
#include "model/SnapshotStore.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace ExportCommand {

int exportCsv(const Request& request, QString* errors)
{
    if (request.fileName.isEmpty() || request.fileName.startsWith(u'-')) {
        *errors = u"tallyfern：--export-csv 需要一个文件名"_s;
        return 2;
    }
    CycleExport::Cycle cycle = CycleExport::Cycle::current;
    if (request.cycle && *request.cycle == "previous"_L1) {
        cycle = CycleExport::Cycle::previous;
    } else if (request.cycle && *request.cycle != "current"_L1) {
        *errors = u"tallyfern：--cycle 只能是 current 或 previous"_s;
        return 2;
    }
    const std::optional<QList<CommandAccounts::Entry>> chosen =
        CommandAccounts::chosen(AccountRoster::read(), request.account, false);
    if (!chosen) {
        *errors = CommandAccounts::unknown(*request.account);
        return 2;
    }
    // Before anything changes: an export never takes the place of one of our own files.
    if (OwnFiles::contains(request.fileName)) {
        *errors = u"tallyfern："_s + CycleExport::ownFileText(request.fileName);
        return 1;
    }
    const AccountPlace place = chosen->constFirst().place;

    using Outcome = CycleExport::Result::Outcome;
    const CycleExport::Result result =
        CycleExport::write(place.ledgerFile(), SnapshotStore::loadFrom(place), cycle, request.fileName);
    switch (result.outcome) {
    case Outcome::noLedger:
        *errors = u"tallyfern：还没有用量历史，刷新后再试"_s;
        return 1;
    case Outcome::unreadable:
        *errors = u"无法读取用量历史"_s;
        return 1;
    case Outcome::unwritable:
        *errors = CycleExport::unwritableText(request.fileName);
        return 1;
    case Outcome::written:
        break;
    }
    if (!result.isComplete())
        *errors = CycleExport::incompleteText(result);
    return 0;
}

int run(int& argc, char** argv, const Request& request)
{
    QCoreApplication app(argc, argv);
    QString errors;
    const int status = exportCsv(request, &errors);
    return errors.isEmpty() ? status : CommandRunner::print(stderr, errors, status);
}

} // namespace ExportCommand

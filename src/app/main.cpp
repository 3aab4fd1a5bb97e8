#include "commands/AccountCommands.h"
#include "commands/BackgroundRefresh.h"
#include "commands/CommandLine.h"
#include "commands/ExportCommand.h"
#include "commands/SessionImportCommand.h"
#include "commands/StatusCommand.h"

#include "platform/Preferences.h"
#include "shell/InteractiveApp.h"

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

int print(const QString& text, std::FILE* stream = stdout, int status = 0)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    const CommandLine::Invocation invocation = CommandLine::parse(CommandLine::fromArgv(argc, argv));
    const bool interactive =
        invocation.mode == CommandLine::Mode::Interactive || invocation.mode == CommandLine::Mode::Background;
    Preferences::setProcess(interactive ? Preferences::Process::app : Preferences::Process::headless);
    switch (invocation.mode) {
    case CommandLine::Mode::Help:
        return print(CommandLine::helpText());
    case CommandLine::Mode::Version:
        return print(CommandLine::versionText());
    case CommandLine::Mode::Misused:
        return print(invocation.problem + u'\n', stderr, 2);
    case CommandLine::Mode::Refresh:
        return BackgroundRefresh::run(argc, argv);
    case CommandLine::Mode::ImportSession:
        return SessionImportCommand::run(argc, argv);
    case CommandLine::Mode::Status:
        return StatusCommand::run(argc, argv, invocation.format, invocation.account, invocation.follow);
    case CommandLine::Mode::ExportCsv:
        return ExportCommand::run(argc, argv, {invocation.value, invocation.cycle, invocation.account});
    case CommandLine::Mode::AddAccount:
        return AccountCommands::add(argc, argv);
    case CommandLine::Mode::Accounts:
        return AccountCommands::list(argc, argv, invocation.format);
    case CommandLine::Mode::RemoveAccount:
        return AccountCommands::remove(argc, argv, invocation.value);
    case CommandLine::Mode::Primary:
        return AccountCommands::primary(argc, argv, invocation.value);
    case CommandLine::Mode::Background:
    case CommandLine::Mode::Interactive:
        break;
    }
    // "--background" (the login autostart entry) starts into the tray without the window.
    return runInteractiveApp(argc, argv, invocation.mode == CommandLine::Mode::Background);
}

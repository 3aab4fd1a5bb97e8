#include "commands/AccountCommands.h"
#include "commands/BackgroundRefresh.h"
#include "commands/CommandLine.h"
#include "commands/CommandRunner.h"
#include "commands/ExportCommand.h"
#include "commands/SessionImportCommand.h"
#include "commands/StatusCommand.h"

#include "platform/Preferences.h"
#include "platform/ProcessHardening.h"
#include "platform/ServiceOrigin.h"
#include "shell/InteractiveApp.h"

#include <cstdio>

namespace {

// The modes that read a session token from the secret store, or take one in. The status line, the
// export and the widget read only what was stored and stay as they are.
bool readsToken(CommandLine::Mode mode)
{
    switch (mode) {
    case CommandLine::Mode::Interactive:
    case CommandLine::Mode::Background:
    case CommandLine::Mode::Refresh:
    case CommandLine::Mode::ImportSession:
    case CommandLine::Mode::AddAccount:
    case CommandLine::Mode::Accounts:
    case CommandLine::Mode::RemoveAccount:
    case CommandLine::Mode::Primary:
        return true;
    case CommandLine::Mode::Status:
    case CommandLine::Mode::ExportCsv:
    case CommandLine::Mode::Help:
    case CommandLine::Mode::Version:
    case CommandLine::Mode::Misused:
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const CommandLine::Invocation invocation = CommandLine::parse(CommandLine::fromArgv(argc, argv));
    const bool interactive =
        invocation.mode == CommandLine::Mode::Interactive || invocation.mode == CommandLine::Mode::Background;
    Preferences::setProcess(interactive ? Preferences::Process::app : Preferences::Process::headless);
    if (!interactive)
        CommandRunner::silenceQtMessages();
    // Before anything can read a token: a crash then leaves no core file holding the cookie.
    if (readsToken(invocation.mode))
        ProcessHardening::keepMemoryPrivate();
    switch (invocation.mode) {
    case CommandLine::Mode::Help:
        return CommandRunner::print(stdout, CommandLine::helpText().chopped(1), 0);
    case CommandLine::Mode::Version:
        return CommandRunner::print(stdout, CommandLine::versionText().chopped(1), 0);
    case CommandLine::Mode::Misused:
        return CommandRunner::print(stderr, invocation.problem, 2);
    case CommandLine::Mode::Refresh:
        return BackgroundRefresh::run(argc, argv);
    case CommandLine::Mode::ImportSession:
        if (const auto refusal = ServiceOrigin::refusal())
            return CommandRunner::print(stderr, *refusal, 2);
        return SessionImportCommand::run(argc, argv);
    case CommandLine::Mode::Status:
        return StatusCommand::run(argc, argv, invocation.format, invocation.account, invocation.follow);
    case CommandLine::Mode::ExportCsv:
        return ExportCommand::run(argc, argv, {invocation.value, invocation.cycle, invocation.account});
    case CommandLine::Mode::AddAccount:
        // The commands that act for the user with the service stop at a refused origin, before the
        // cookie is even asked for.
        if (const auto refusal = ServiceOrigin::refusal())
            return CommandRunner::print(stderr, *refusal, 2);
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

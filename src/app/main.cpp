#include "BackgroundRefresh.h"
#include "CommandLine.h"
#include "ExportCommand.h"

#include "shell/InteractiveApp.h"

#include <cstdio>

namespace {

int print(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    switch (CommandLine::mode(CommandLine::fromArgv(argc, argv))) {
    case CommandLine::Mode::Help:
        return print(CommandLine::helpText());
    case CommandLine::Mode::Version:
        return print(CommandLine::versionText());
    case CommandLine::Mode::Refresh:
        return BackgroundRefresh::run(argc, argv);
    case CommandLine::Mode::ExportCsv:
        return ExportCommand::run(argc, argv);
    case CommandLine::Mode::Interactive:
        break;
    }
    return runInteractiveApp(argc, argv);
}

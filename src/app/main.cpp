#include "BackgroundRefresh.h"
#include "CommandLine.h"

#include <cstdio>

namespace {

int print(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return 0;
}

// The dashboard window and tray arrive with the interactive app.
int runInteractive(int&, char**)
{
    return print(QStringLiteral("Tallyfern 的窗口将在后续版本中提供；目前只支持 --refresh。\n"));
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
    case CommandLine::Mode::Interactive:
        break;
    }
    return runInteractive(argc, argv);
}

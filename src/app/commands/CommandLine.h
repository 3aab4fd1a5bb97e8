#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The executable's arguments, parsed once: the mode and the modifiers that mode accepts, which the
// commands take as they are and never parse again. "--refresh" anywhere selects the headless refresh
// that the background agent starts, whatever else is there. Every other option is a row of one table
// (CommandLine.cpp), which also writes the help text. Options the app does not know are ignored, not
// an error; a known option used wrongly, or a modifier its mode does not take, is.
namespace CommandLine {

inline constexpr auto refreshArgument = "--refresh";

enum class Mode {
    Interactive,
    Background,
    Refresh,
    ImportSession,
    Status,
    ExportCsv,
    AddAccount,
    Accounts,
    RemoveAccount,
    Primary,
    Help,
    Version,
    Misused
};

struct Invocation
{
    Mode mode = Mode::Interactive;
    // The mode's own value: the file of --export-csv, the account of --remove-account and --primary.
    QString value;
    // The modifiers given, each only for a mode that takes it.
    std::optional<QString> format;  // --status, --accounts
    std::optional<QString> cycle;   // --export-csv
    std::optional<QString> account; // --status, --export-csv
    bool follow = false;            // --status
    QString problem;                // for Misused: one line saying what is wrong
};

// `arguments` includes the program name first, as argv has it.
Invocation parse(const QStringList& arguments);

QStringList fromArgv(int argc, char** argv);

QString helpText();
QString versionText();

} // namespace CommandLine

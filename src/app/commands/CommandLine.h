#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// The executable's arguments. "--refresh" anywhere selects the headless refresh that the background
// agent starts, whatever else is there. Every other option is a row of one table (CommandLine.cpp),
// which also writes the help text. Options the app does not know are ignored, not an error; a known
// option used wrongly is.
namespace CommandLine {

inline constexpr auto refreshArgument = "--refresh";

enum class Mode {
    Interactive,
    Background,
    Refresh,
    ImportSession,
    Status,
    ExportCsv,
    Help,
    Version,
    Misused
};

struct Invocation
{
    Mode mode = Mode::Interactive;
    // The value of every option given that takes one, by its name without dashes ("format" to
    // "json"); of an option given twice, the later value.
    QHash<QString, QString> values;
    QString problem; // for Misused: one line saying what is wrong

    // The value given for the option `name`, if it was given.
    std::optional<QString> valueOf(const QString& name) const;
};

// `arguments` includes the program name first, as argv has it.
Invocation parse(const QStringList& arguments);

QStringList fromArgv(int argc, char** argv);

QString helpText();
QString versionText();

} // namespace CommandLine

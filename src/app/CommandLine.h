#pragma once

#include <QString>
#include <QStringList>

// The executable's arguments. "--refresh" anywhere selects the headless refresh that the
// background agent starts; anything the interactive app does not know is ignored, not an error.
namespace CommandLine {

inline constexpr auto refreshArgument = "--refresh";
inline constexpr auto exportCsvArgument = "--export-csv";

enum class Mode { Interactive, Refresh, Help, Version, ExportCsv };

// `arguments` includes the program name first, as argv has it.
Mode mode(const QStringList& arguments);

QStringList fromArgv(int argc, char** argv);

QString helpText();
QString versionText();

} // namespace CommandLine

#pragma once

#include "WidgetFamily.h"

#include <QString>
#include <QStringList>

#include <optional>

class Provider;
class QApplication;

// The widget executable's command line: without arguments it puts the widget on the desktop;
// `--render FAMILY OUT.png` draws one timeline entry into a PNG file and exits. Parsed before the
// application exists, so that a wrong use, the help and a rendering need no display. Like the app's,
// every option may be written with one dash or two, its value after a space or an `=`; a value
// taken from the next argument never starts with "-" (`--account=-x` gives one that does).
namespace WidgetCommandLine {

inline constexpr auto programName = "tallyfern-widget";

struct Invocation
{
    enum class Mode { desktop, render, help, version, misused };

    Mode mode = Mode::desktop;
    std::optional<WidgetFamily> family; // render
    QString output;                     // render: the PNG file
    bool placeholder = false;           // render: the sample, not the stored usage
    bool dark = false;                  // render
    double scale = 2;                   // render: device pixels per point
    QString account;                    // another account than the primary one; empty for that
    QString problem;                    // misused: one line, the program's name first
};

// `arguments` includes the program name first, as argv has it.
Invocation parse(const QStringList& arguments);

QString helpText();

// One line for stderr on a wrong use: "tallyfern-widget：" and the problem.
QString problem(const QString& text);

// Puts the widget on the desktop, or renders; the exit status. The provider knows the account.
int run(QApplication& app, const Invocation& invocation, const Provider& provider);

} // namespace WidgetCommandLine

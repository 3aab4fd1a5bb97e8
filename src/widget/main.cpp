#include "Provider.h"
#include "WidgetCommandLine.h"
#include "WidgetFonts.h"

#include "platform/Preferences.h"

#include <QApplication>
#include <QFile>

#include <cstdio>

using namespace Qt::StringLiterals;
using Mode = WidgetCommandLine::Invocation::Mode;

namespace {

int print(const QString& text, std::FILE* stream, int status)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    Preferences::setProcess(Preferences::Process::widget);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QFile::decodeName(argv[i]));
    const WidgetCommandLine::Invocation invocation = WidgetCommandLine::parse(arguments);
    switch (invocation.mode) {
    case Mode::help:
        return print(WidgetCommandLine::helpText(), stdout, 0);
    case Mode::version:
        return print(QLatin1StringView(WidgetCommandLine::programName) + u" "_s +
                         QLatin1StringView(TALLYFERN_VERSION) + u'\n',
                     stdout, 0);
    case Mode::misused:
        return print(invocation.problem + u'\n', stderr, 2);
    case Mode::desktop:
    case Mode::render:
        break;
    }
    const Provider provider(invocation.account);
    if (!provider.knowsAccount())
        return print(WidgetCommandLine::problem(u"没有这个账号："_s + invocation.account) + u'\n', stderr, 2);

    // A rendering needs no display: without a platform chosen it draws offscreen.
    if (invocation.mode == Mode::render && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The arguments are all taken: none of them is left for the toolkit to read as one of its own.
    int toolkitArgc = 1;
    QApplication app(toolkitArgc, argv);
    QApplication::setApplicationName(QLatin1StringView(WidgetCommandLine::programName));
    QApplication::setApplicationVersion(QStringLiteral(TALLYFERN_VERSION));
    WidgetFonts::installApplicationFont();
    return WidgetCommandLine::run(app, invocation, provider);
}

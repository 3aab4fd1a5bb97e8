#include "CommandLine.h"

#include <QCommandLineParser>
#include <QFile>

using namespace Qt::StringLiterals;

CommandLine::Mode CommandLine::mode(const QStringList& arguments)
{
    QCommandLineParser parser;
    // "-reverse" and friends (toolkit options) stay whole words instead of a cluster of "-v"...
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{u"h"_s, u"help"_s});
    const QCommandLineOption version(QStringList{u"v"_s, u"version"_s});
    const QCommandLineOption refresh(u"refresh"_s);
    parser.addOptions({help, version, refresh});
    // Unknown options are no error: the interactive app starts anyway, as it always has.
    parser.parse(arguments);

    // Help and version first: they only print, whatever else was asked.
    if (parser.isSet(help))
        return Mode::Help;
    if (parser.isSet(version))
        return Mode::Version;
    // Exact words only: "--refresh=1" or "--REFRESH" start the interactive app.
    if (arguments.sliced(qMin<qsizetype>(1, arguments.size())).contains(QLatin1StringView(refreshArgument)))
        return Mode::Refresh;
    if (arguments.sliced(qMin<qsizetype>(1, arguments.size())).contains(QLatin1StringView(exportCsvArgument)))
        return Mode::ExportCsv;
    return Mode::Interactive;
}

QStringList CommandLine::fromArgv(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QFile::decodeName(argv[i]));
    return arguments;
}

QString CommandLine::helpText()
{
    return u"用法：tallyfern [选项]\n"
           u"Tallyfern：在桌面上查看 Cursor 的用量与预估费用。\n"
           u"\n"
           u"选项：\n"
           u"  -h, --help     显示本帮助后退出\n"
           u"  -v, --version  显示版本号后退出\n"
           u"  --refresh      在后台刷新一次用量后退出（供后台任务使用）\n"
           u"  --export-csv 文件 [--cycle current|previous]\n"
           u"                 把本账期（或上一账期）的用量历史导出为 CSV 后退出\n"_s;
}

QString CommandLine::versionText()
{
    return u"tallyfern "_s + QLatin1StringView(TALLYFERN_VERSION) + u'\n';
}

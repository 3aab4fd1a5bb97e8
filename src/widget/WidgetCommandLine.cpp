#include "WidgetCommandLine.h"

#include "Provider.h"
#include "Tallyfern.h"
#include "TallyfernView.h"
#include "TimelineHost.h"
#include "WidgetPalette.h"
#include "WidgetWindow.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "tallyfern-widget: %s\n", qPrintable(message));
    return 2;
}

int showOnDesktop(QApplication& app, const Provider& provider)
{
    TimelineHost host(provider);
    WidgetWindow window(&host);
    // Named in the title, so that two widgets side by side can be told apart.
    if (const QString name = provider.accountName(); !name.isEmpty())
        window.setWindowTitle(QLatin1StringView(Tallyfern::displayName) + u" · "_s + name);
    host.start();
    window.show();
    return app.exec();
}

} // namespace

void WidgetCommandLine::preparePlatform(int argc, char** argv)
{
    // Help and version need no display either.
    const auto headless = [](const char* argument) {
        for (const char* option : {"--render", "--help", "--help-all", "-h", "--version", "-v"}) {
            const size_t length = std::strlen(option);
            if (std::strncmp(argument, option, length) == 0 &&
                (argument[length] == 0 || argument[length] == '='))
                return true;
        }
        return false;
    };
    for (int i = 1; i < argc; ++i) {
        if (headless(argv[i])) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            return;
        }
    }
}

int WidgetCommandLine::run(QApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(Tallyfern::description));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption render(
        u"render"_s, u"Draw FAMILY (small, medium or large) into OUT.png and exit."_s, u"FAMILY"_s);
    const QCommandLineOption placeholder(u"placeholder"_s,
                                         u"With --render: draw the sample, not the stored usage."_s);
    const QCommandLineOption dark(u"dark"_s, u"With --render: use the dark palette."_s);
    const QCommandLineOption scale(u"scale"_s, u"With --render: device pixels per point (default 2)."_s,
                                   u"N"_s, u"2"_s);
    const QCommandLineOption account(u"account"_s, u"Show another account than the primary one."_s,
                                     u"USER-ID-OR-LABEL"_s);
    parser.addOptions({render, placeholder, dark, scale, account});
    parser.addPositionalArgument(u"OUT.png"_s, u"With --render: the image file to write."_s);
    // An option without its value ("--render" alone) is a wrong use of it, exit 2 as the app's are;
    // process() would exit 1, which stays for an unknown option. It then handles help and version.
    if (!parser.parse(QCoreApplication::arguments()) && parser.unknownOptionNames().isEmpty())
        return fail(parser.errorText());
    parser.process(app);

    const Provider provider(parser.value(account));
    if (!provider.knowsAccount())
        return fail(u"no account "_s + parser.value(account));
    if (!parser.isSet(render)) {
        if (!parser.positionalArguments().isEmpty() || parser.isSet(placeholder) || parser.isSet(dark))
            return fail(u"OUT.png, --placeholder and --dark go with --render"_s);
        return showOnDesktop(app, provider);
    }

    const auto family = WidgetFamilies::fromName(parser.value(render));
    if (!family)
        return fail(u"--render takes small, medium or large"_s);
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return fail(u"--render needs one output file"_s);
    bool scaleOk = false;
    const double pixelsPerPoint = parser.value(scale).toDouble(&scaleOk);
    if (!scaleOk || !(pixelsPerPoint >= 0.5 && pixelsPerPoint <= 8))
        return fail(u"--scale takes a number from 0.5 to 8"_s);

    // One timeline entry, as the desktop would show it now.
    UsageEntry entry = provider.placeholder();
    if (!parser.isSet(placeholder)) {
        const Timeline timeline = provider.timeline();
        entry = timeline.entries.constFirst();
    }
    const WidgetPalette palette = parser.isSet(dark) ? WidgetPalette::dark() : WidgetPalette::light();
    const QImage image = TallyfernView(*family, entry).render(palette, pixelsPerPoint);
    if (!image.save(positional.constFirst(), "PNG"))
        return fail(u"cannot write "_s + positional.constFirst());
    return 0;
}

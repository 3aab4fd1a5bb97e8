#pragma once

#include "ServiceWorld.h"

#include "app/desktop/LaunchAgent.h"

#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

// A program's exit code (-1 for a crash or a hang) and all it printed, given `input` on its standard
// input, waited for with the event loop running so that a fake D-Bus service here can answer it.
inline std::pair<int, QString>
runProgram(const QString& program, const QStringList& arguments,
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
           const QByteArray& input = {})
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(program, arguments);
    process.write(input); // a pipe, never a terminal
    process.closeWriteChannel();
    if (!finished.wait(60'000))
        return {-1, QString::fromUtf8(process.readAll())}; // killed as it goes
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAll())};
}

// One app test's world: the shared one, with the sample account (tests/fake_service/account)
// answering every route, this process's private D-Bus session and gnome-keyring kept for the
// executables it runs, and each command noted with whether the agent's unit files existed then.
struct AppWorld : ServiceWorld
{
    explicit AppWorld(int answerDelayMs = 0)
        : ServiceWorld({.now = {}, .sampleAccount = true, .answerDelayMs = answerDelayMs, .sessionBus = true})
    {
        runner.note = [] {
            const bool files =
                QFile::exists(LaunchAgent::serviceFileName()) && QFile::exists(LaunchAgent::timerFileName());
            return files ? u" [files]"_s : u" [no files]"_s;
        };
    }
};

// The built executable's environment: its home in the world's folder. It inherits this test's
// private D-Bus session and gnome-keyring, so its token is in a real Secret Service.
inline QProcessEnvironment programEnvironment(const AppWorld& world)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, world.env.root());
    environment.insert(u"XDG_CACHE_HOME"_s, world.env.root() + u"/cache");
    // No display to be had: a mode that created a GUI application would abort here.
    environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    environment.remove(u"DISPLAY"_s);
    environment.remove(u"WAYLAND_DISPLAY"_s);
    return environment;
}

// The built executable, run as the background agent or a user would.
inline std::pair<int, QString> run(const AppWorld& world, const QStringList& arguments,
                                   const QByteArray& input = {})
{
    return runProgram(QStringLiteral(TALLYFERN_EXECUTABLE), arguments, programEnvironment(world), input);
}

// What a run that has nothing to say leaves: exit status 0 and no output.
inline const std::pair<int, QString> quiet{0, {}};

// The manual page's text, its escaped dashes plain.
inline QString manualPage()
{
    return QString::fromUtf8(fileBytes(QStringLiteral(TALLYFERN_MANUAL_PAGE))).replace(u"\\-"_s, u"-"_s);
}

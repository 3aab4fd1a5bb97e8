#pragma once

#include <QDBusConnection>
#include <QImage>
#include <QJsonValue>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// A real GNOME Shell without a display, for one test class. On a machine without a system bus the
// shell aborts at start-up unless logind answers, so a private bus stands in for the system bus with
// python-dbusmock's logind on it. The shell runs on this process's session bus (the private one of
// scripts/with-keyring) and finds the extensions in $XDG_DATA_HOME/gnome-shell/extensions/.
class HeadlessShell
{
public:
    // The numbers for an extension's state, the same in GNOME 43 and 48 (where they are named ACTIVE
    // and INACTIVE).
    static constexpr int enabled = 1;
    static constexpr int disabled = 2;

    HeadlessShell() = default;
    // Stops what it started. The shell crashes on SIGTERM here; its status says nothing.
    ~HeadlessShell();

    HeadlessShell(const HeadlessShell&) = delete;
    HeadlessShell& operator=(const HeadlessShell&) = delete;

    // Starts the buses and the shell with `extensions` enabled, `binFolder` first on its PATH and its
    // output in `logFile`, and waits until the shell reports `awaited` enabled. Otherwise false, with
    // the reason (and the end of the log) in problem().
    bool start(const QStringList& extensions, const QString& awaited, const QString& binFolder,
               const QString& logFile);
    QString problem() const { return m_problem; }
    qint64 pid() const { return m_shell.processId(); }

    // org.gnome.Shell.Extensions.GetExtensionInfo: empty for an extension the shell does not know.
    QVariantMap extensionInfo(const QString& uuid) const;
    int extensionState(const QString& uuid) const;
    // org.gnome.Shell.Eval (unsafe mode only): the value of the last expression of `code`, passed
    // through JSON.stringify. Undefined when the shell refused or the code threw.
    QJsonValue eval(const QString& code) const;
    // org.gnome.Shell.Screenshot.ScreenshotArea (unsafe mode only), in screen pixels.
    QImage screenshot(const QRect& area, const QString& fileName) const;

    // Whether the shell has an inotify watch on `path` (what a Gio.FileMonitor holds).
    bool watches(const QString& path) const;
    // What the shell has said so far, warnings and JavaScript errors among it.
    QString log() const;

private:
    bool startSystemBus();

    QProcess m_systemBus;
    QProcess m_logind;
    QProcess m_shell;
    QString m_logFile;
    QString m_problem;
};

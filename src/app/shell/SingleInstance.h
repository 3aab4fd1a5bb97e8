#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLockFile;

// One interactive app per user. The first instance holds a lock file and listens on a local socket
// beside it; a later one finds the lock taken, asks the first to show its window and leaves. Both
// live in a folder that is the user's alone, so that another local user can neither keep the app
// from starting nor hear it start.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // "tallyfern-<uid>" in the user's runtime folder ($XDG_RUNTIME_DIR) when that is the user's and
    // no one else may write into it, else in the "run" folder of the support folder.
    static QString defaultPath();

    // `path` names the socket; the lock file is `path` + ".lock".
    explicit SingleInstance(const QString& path = defaultPath(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the first: it then listens for later ones. False when another
    // instance runs: it has been asked to show its window (best effort, unless `askToShow` is
    // false) and this one should leave. The folder is created (0700) when missing; a lock naming a
    // process of another user counts as not held. In a folder that is not the user's alone nothing
    // is trusted: the app then runs on its own (true, not listening).
    bool claim(bool askToShow = true);

    bool isListening() const;
    QString path() const { return m_path; }

    static constexpr auto showCommand = "show\n";

Q_SIGNALS:
    // A later instance asked for the window.
    void showRequested();

private:
    bool listen();
    void accept();
    bool notifyRunningInstance() const;

    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};

#include "StatusFollow.h"

#include "CommandAccounts.h"
#include "CommandRunner.h"

#include "model/SnapshotStore.h"
#include "model/StatusLine.h"
#include "platform/Clock.h"
#include "platform/FileIdentity.h"
#include "platform/Paths.h"
#include "platform/WidgetCenter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <limits>

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// One save shows up as several folder events (temporary file, rename, the marker after it): they
// are answered once, shortly after the first.
constexpr int settleMs = 150;

// The files whose replacement means something to show: the marker every store replaces, and the
// account list (an account added or removed, another primary).
struct Watched
{
    std::optional<FileIdentity> marker;
    std::optional<FileIdentity> accounts;

    static Watched now()
    {
        return {FileIdentity::of(WidgetCenter::markerFileName()), FileIdentity::of(AccountList::fileName())};
    }
    bool operator==(const Watched&) const = default;
};

// The support folder when it exists, else the nearest folder above it that does, where it will
// appear. Nothing is created.
QString watchable()
{
    QString folder = Paths::supportFolder();
    while (!QFileInfo(folder).isDir()) {
        const QString parent = QFileInfo(folder).path();
        if (parent == folder)
            break;
        folder = parent;
    }
    return folder;
}

// Milliseconds until the first shown account whose data are fresh turns stale; nothing when none is.
std::optional<int> untilStale()
{
    const double now = Clock::now().secondsSinceReference;
    std::optional<double> first;
    for (const CommandAccounts::Entry& entry : CommandAccounts::all(AccountRoster::read())) {
        const UsageSnapshot snapshot = SnapshotStore::loadFrom(entry.place);
        const double staleAt = snapshot.updatedAt.secondsSinceReference + StatusLine::staleAfterSeconds;
        if (snapshot.hasRealData && staleAt >= now)
            first = std::min(first.value_or(staleAt), staleAt);
    }
    if (!first)
        return std::nullopt;
    // A moment past the limit, where the data count as stale.
    const double ms = (*first - now) * 1000 + 1000;
    return int(std::min(ms, double(std::numeric_limits<int>::max())));
}

class Follower
{
public:
    Follower(StatusCommand::Format format, std::optional<QString> account)
        : m_format(format)
        , m_account(std::move(account))
        , m_seen(Watched::now())
    {
        m_settle.setSingleShot(true);
        m_settle.setInterval(settleMs);
        m_stale.setSingleShot(true);
        m_stale.setTimerType(Qt::CoarseTimer);
        QObject::connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle, [this] {
            if (!m_settle.isActive())
                m_settle.start();
        });
        QObject::connect(&m_settle, &QTimer::timeout, &m_settle, [this] { folderChanged(); });
        QObject::connect(&m_stale, &QTimer::timeout, &m_stale, [this] { show(); });
        watchHangUp();
    }

    // Prints what there is now; false for an unknown account.
    bool start()
    {
        watch();
        return show();
    }

private:
    void watch()
    {
        const QString folder = watchable();
        const QStringList watched = m_watcher.directories();
        if (watched == QStringList{folder})
            return;
        if (!watched.isEmpty())
            m_watcher.removePaths(watched);
        m_watcher.addPath(folder);
    }

    void folderChanged()
    {
        // The folder may have appeared, or gone and come back.
        watch();
        const Watched seen = Watched::now();
        if (seen == m_seen)
            return;
        m_seen = seen;
        show();
    }

    bool show()
    {
        const std::optional<QStringList> lines = StatusCommand::lines(m_format, m_account);
        if (!lines) {
            CommandRunner::print(stderr, CommandAccounts::unknown(*m_account), 2);
            QCoreApplication::exit(2);
            return false;
        }
        if (const std::optional<int> ms = untilStale())
            m_stale.start(*ms);
        else
            m_stale.stop();
        const QString text = lines->join(u'\n') + u'\n';
        if (text == m_printed)
            return true;
        m_printed = text;
        const QByteArray bytes = text.toUtf8();
        // A reader that went away makes the write fail (SIGPIPE is ignored): that ends it as well.
        if (std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout) !=
                std::size_t(bytes.size()) ||
            std::fflush(stdout) != 0)
            QCoreApplication::exit(0);
        return true;
    }

    // A pipe's or socket's reader that goes away is seen without writing: poll() reports an error or
    // a hang-up on our end, which the event loop delivers to a read notifier. A terminal that closes
    // sends SIGHUP instead, and a file has no reader to lose.
    void watchHangUp()
    {
        struct stat status
        {};
        if (fstat(STDOUT_FILENO, &status) != 0 || !(S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)))
            return;
        m_hangUp = std::make_unique<QSocketNotifier>(STDOUT_FILENO, QSocketNotifier::Read);
        QObject::connect(m_hangUp.get(), &QSocketNotifier::activated, m_hangUp.get(), [this] {
            pollfd out{STDOUT_FILENO, 0, 0};
            if (poll(&out, 1, 0) >= 0 && (out.revents & (POLLERR | POLLHUP | POLLNVAL))) {
                QCoreApplication::exit(0);
                return;
            }
            // Something to read on a socket is nobody leaving; it would wake the loop again and again.
            m_hangUp->setEnabled(false);
        });
    }

    StatusCommand::Format m_format;
    std::optional<QString> m_account;
    Watched m_seen;
    QString m_printed;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QTimer m_stale;
    std::unique_ptr<QSocketNotifier> m_hangUp;
};

} // namespace

int StatusFollow::run(StatusCommand::Format format, const std::optional<QString>& account)
{
    std::signal(SIGPIPE, SIG_IGN);
    Follower follower(format, account);
    if (!follower.start())
        return 2;
    return QCoreApplication::exec();
}

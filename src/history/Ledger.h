#pragma once

#include "LedgerDay.h"
#include "LedgerEvent.h"
#include "LedgerWindow.h"

#include "model/CycleSpan.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

struct LedgerDatabase;

// Every usage event of the current and the previous billing cycle, in an SQLite file of its own
// (WAL, so the app may read while the background refresh writes). Rows are replaced a whole window
// at a time, so fetching a window again never doubles an event; a day × model table is kept up to
// date on every write so the trends page never scans the events.
class Ledger
{
public:
    // Opens or creates the file (0600) in its folder, which must exist. A file that is corrupt, not a
    // database or of a newer schema is set aside (LedgerFile::setAside) and a new one started.
    // Nothing when another process holds the file, when the disk is full or fails (the file stays as
    // it is), or when a new file cannot be started either.
    static std::unique_ptr<Ledger> open(const QString& path);
    // Deletes the file and its WAL companions; true when none is left.
    static bool remove(const QString& path);

    ~Ledger();
    Ledger(const Ledger&) = delete;
    Ledger& operator=(const Ledger&) = delete;

    // The user whose events the file holds; nothing in a new file.
    std::optional<double> user() const;
    // Before another user's events leave the file: a whole copy of it, 0600, beside it as
    // "<name>.user-<id>-<yyyyMMdd-HHmmss>" (never in place of another file). False when it could not
    // be made whole (a full disk); nothing has changed then.
    bool keepAsOtherUser() const;
    // Before a sync: forgets the rows of another user (keep them first), drops everything before
    // `keepFromMs`, and adds the windows not yet known. False when the file is busy or cannot be
    // written.
    bool prepare(double userId, const QList<CycleSpan::Window>& windows, qint64 keepFromMs);
    // Every known window, newest first.
    QList<LedgerWindow> windows() const;
    // One transaction: the window's rows are first removed when `replace`, then `events` added
    // (those outside the window are dropped), then the window's state saved. False when busy.
    bool store(const LedgerWindow& state, const QList<LedgerEvent>& events, bool replace);

    // Local days from `from` to `to`, both included; days without events are absent.
    QList<LedgerDay> days(QDate from, QDate to) const;
    // The local days that [fromMs, toMs) touches, each with only its events inside the span (a
    // cycle that starts or ends mid-day shares that day with its neighbour); days without events
    // are absent.
    QList<LedgerDay> days(qint64 fromMs, qint64 toMs) const;
    // Every event in [fromMs, toMs), oldest first.
    QList<LedgerEvent> events(qint64 fromMs, qint64 toMs) const;

private:
    explicit Ledger(std::unique_ptr<LedgerDatabase> d);

    // One local day's events within [fromMs, toMs), summed by the database.
    LedgerDay daySpan(QDate date, qint64 fromMs, qint64 toMs) const;

    std::unique_ptr<LedgerDatabase> d;
};

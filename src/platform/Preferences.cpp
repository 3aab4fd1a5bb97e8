#include "Preferences.h"

#include "SettingsFile_p.h"

#include <QPoint>

#include <array>

using namespace Qt::StringLiterals;

namespace {

using Preferences::Key;
using Preferences::Process;

enum class Domain { app, widget };

constexpr unsigned writers(std::initializer_list<Process> processes)
{
    unsigned mask = 0;
    for (const Process process : processes)
        mask |= unsigned(process);
    return mask;
}

struct Declaration
{
    Key key;
    const char* name;
    Domain domain;
    QVariant fallback; // what a missing value reads as
    unsigned writers;
};

constexpr unsigned app = writers({Process::app});
constexpr unsigned anyRefresh = writers({Process::app, Process::headless});

// One row per key, in the order of the enumeration. The stored names and defaults are those every
// earlier version wrote and read, so an existing Tallyfern.conf keeps working.
const std::array<Declaration, 15>& declarations()
{
    static const std::array<Declaration, 15> table{{
        {Key::windowPinned, "windowPinnedEnabled", Domain::app, false, app},
        {Key::backgroundRefresh, "backgroundRefreshEnabled", Domain::app, true, app},
        {Key::trayAtLogin, "trayAtLoginEnabled", Domain::app, false, app},
        {Key::quotaNotices, "quotaNoticesEnabled", Domain::app, true, app},
        {Key::quotaLowThreshold, "quotaLowThreshold", Domain::app, 20, app},
        {Key::quotaCriticalThreshold, "quotaCriticalThreshold", Domain::app, 5, app},
        {Key::usageHistory, "usageHistoryEnabled", Domain::app, true, app},
        // "--import-session" switches following on.
        {Key::editorLoginFollow, "editorLoginFollowEnabled", Domain::app, false, anyRefresh},
        {Key::editorLoginRejected, "editorLoginRejectedSha256", Domain::app, QString(), app},
        {Key::serviceBusyUntil, "serviceBusyUntil", Domain::app, QVariant(), anyRefresh},
        {Key::pricingLastAttemptDay, "pricingLastAttemptDay", Domain::app, QVariant(), anyRefresh},
        {Key::usageSnapshot, "usageSnapshot", Domain::app, QVariant(), anyRefresh},
        {Key::widgetFamily, "family", Domain::widget, QVariant(), writers({Process::widget})},
        {Key::widgetPosition, "position", Domain::widget, QVariant(), writers({Process::widget})},
        {Key::widgetSnapshot, "usageSnapshot", Domain::widget, QVariant(), writers({Process::widget})},
    }};
    return table;
}

const Declaration& declaration(Key key)
{
    const Declaration& row = declarations()[std::size_t(key)];
    Q_ASSERT(row.key == key);
    return row;
}

QString domainName(Domain domain)
{
    return domain == Domain::app ? u"Tallyfern"_s : u"TallyfernWidget"_s;
}

Process& currentProcess()
{
    static Process process = Process::app;
    return process;
}

// Asserted in debug builds, where the sanitizer run of the tests catches a process writing what
// another owns; a release build writes nothing instead.
bool mayWrite(const Declaration& row)
{
    const bool allowed = (row.writers & unsigned(currentProcess())) != 0;
    Q_ASSERT_X(allowed, "Preferences", row.name);
    return allowed;
}

} // namespace

void Preferences::setProcess(Process process)
{
    currentProcess() = process;
}

Preferences::Process Preferences::process()
{
    return currentProcess();
}

QVariant Preferences::value(Key key)
{
    const Declaration& row = declaration(key);
    const QVariant stored = SettingsFile::open(domainName(row.domain), SettingsFile::Mode::read)
                                ->value(QLatin1StringView(row.name));
    return stored.isValid() ? stored : row.fallback;
}

bool Preferences::flag(Key key)
{
    return value(key).toBool();
}

bool Preferences::contains(Key key)
{
    const Declaration& row = declaration(key);
    return SettingsFile::open(domainName(row.domain), SettingsFile::Mode::read)
        ->contains(QLatin1StringView(row.name));
}

void Preferences::setValue(Key key, const QVariant& value)
{
    const Declaration& row = declaration(key);
    if (!mayWrite(row))
        return;
    const auto settings = SettingsFile::open(domainName(row.domain), SettingsFile::Mode::write);
    settings->setValue(QLatin1StringView(row.name), value);
    settings->sync();
}

void Preferences::setValues(std::initializer_list<std::pair<Key, QVariant>> values)
{
    if (values.size() == 0)
        return;
    const Domain domain = declaration(values.begin()->first).domain;
    for (const auto& [key, value] : values) {
        Q_ASSERT(declaration(key).domain == domain);
        if (!mayWrite(declaration(key)))
            return;
    }
    const auto settings = SettingsFile::open(domainName(domain), SettingsFile::Mode::write);
    for (const auto& [key, value] : values)
        settings->setValue(QLatin1StringView(declaration(key).name), value);
    settings->sync();
}

void Preferences::remove(Key key)
{
    const Declaration& row = declaration(key);
    if (!mayWrite(row))
        return;
    const auto settings = SettingsFile::open(domainName(row.domain), SettingsFile::Mode::write);
    settings->remove(QLatin1StringView(row.name));
    settings->sync();
}

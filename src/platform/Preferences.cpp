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
const std::array<Declaration, 19>& declarations()
{
    static const std::array<Declaration, 19> table{{
        {Key::windowPinned, "windowPinnedEnabled", Domain::app, false, app},
        {Key::backgroundRefresh, "backgroundRefreshEnabled", Domain::app, true, app},
        {Key::trayAtLogin, "trayAtLoginEnabled", Domain::app, false, app},
        {Key::quotaNotices, "quotaNoticesEnabled", Domain::app, true, app},
        {Key::quotaLowThreshold, "quotaLowThreshold", Domain::app, 20, app},
        {Key::quotaCriticalThreshold, "quotaCriticalThreshold", Domain::app, 5, app},
        {Key::onDemandNoticeAmount, "onDemandNoticeUSD", Domain::app, QVariant(), app},
        {Key::usageHistory, "usageHistoryEnabled", Domain::app, true, app},
        // "--import-session" switches following on, removing the followed account off.
        {Key::editorLoginFollow, "editorLoginFollowEnabled", Domain::app, false, anyRefresh},
        // The background refresh marks a revoked login too, so that it is sent only once.
        {Key::editorLoginRejected, "editorLoginRejectedSha256", Domain::app, QString(), anyRefresh},
        {Key::serviceBusyUntil, "serviceBusyUntil", Domain::app, QVariant(), anyRefresh},
        {Key::pricingLastAttemptDay, "pricingLastAttemptDay", Domain::app, QVariant(), anyRefresh},
        {Key::usageSnapshot, "usageSnapshot", Domain::app, QVariant(), anyRefresh},
        // Learnt from the service by any refresh; changed by the account commands too.
        {Key::homeUserId, "homeUserId", Domain::app, QVariant(), anyRefresh},
        {Key::homeEmail, "homeEmail", Domain::app, QString(), anyRefresh},
        {Key::homeGeneration, "homeGeneration", Domain::app, 0, anyRefresh},
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
    const QVariant stored = SettingsFile::read(domainName(row.domain))->value(QLatin1StringView(row.name));
    return stored.isValid() ? stored : row.fallback;
}

bool Preferences::flag(Key key)
{
    return value(key).toBool();
}

bool Preferences::contains(Key key)
{
    const Declaration& row = declaration(key);
    return SettingsFile::read(domainName(row.domain))->contains(QLatin1StringView(row.name));
}

bool Preferences::setValue(Key key, const QVariant& value)
{
    return setValues({{key, value}});
}

bool Preferences::setValues(std::initializer_list<std::pair<Key, QVariant>> values)
{
    if (values.size() == 0)
        return true;
    const Domain domain = declaration(values.begin()->first).domain;
    for (const auto& [key, value] : values) {
        Q_ASSERT(declaration(key).domain == domain);
        if (!mayWrite(declaration(key)))
            return false;
    }
    return SettingsFile::update(domainName(domain), [&values](QSettings& settings) {
        for (const auto& [key, value] : values) {
            // An invalid value removes the key, as a missing one reads as the default.
            if (value.isValid())
                settings.setValue(QLatin1StringView(declaration(key).name), value);
            else
                settings.remove(QLatin1StringView(declaration(key).name));
        }
    });
}

bool Preferences::remove(Key key)
{
    return setValues({{key, QVariant()}});
}

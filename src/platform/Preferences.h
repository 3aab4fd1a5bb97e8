#pragma once

#include <QString>
#include <QVariant>

#include <initializer_list>
#include <utility>

// Every setting Tallyfern keeps, declared once (Preferences.cpp): its stored name, the executable
// whose settings domain holds it ("Tallyfern" for the app, "TallyfernWidget" for the widget), its
// default and the processes that may write it. Nothing else opens the settings or spells a key.
//
// Reads are live: each one sees what another process wrote last, so the window and the background
// refresh never act on a stale copy. Reading creates nothing (so `--status` leaves no file behind);
// the first write creates the file, 0600, since it also holds the last usage snapshot.
namespace Preferences {

enum class Key {
    // The app's domain.
    windowPinned,           // "windowPinnedEnabled": the window floats above others
    backgroundRefresh,      // "backgroundRefreshEnabled": the systemd timer (launchd agent) runs
    trayAtLogin,            // "trayAtLoginEnabled": the autostart entry is written
    quotaNotices,           // "quotaNoticesEnabled": desktop notices when a quota runs low
    quotaLowThreshold,      // "quotaLowThreshold": whole percent left that counts as low
    quotaCriticalThreshold, // "quotaCriticalThreshold": and as critical
    onDemandNoticeAmount,   // "onDemandNoticeUSD": whole dollars of on-demand spend worth a notice
    usageHistory,           // "usageHistoryEnabled": the event ledger is kept
    editorLoginFollow,      // "editorLoginFollowEnabled": each refresh takes the editor's login
    editorLoginRejected,    // "editorLoginRejectedSha256": the editor token the service turned away
    serviceBusyUntil,       // "serviceBusyUntil": seconds since 2001 until which a 429 holds off
    pricingLastAttemptDay,  // "pricingLastAttemptDay": the local day of the last pricing download
    usageSnapshot,          // "usageSnapshot": the last stored snapshot, behind snapshot.json
    homeUserId,             // "homeUserId": the home account's user id; empty once it was removed
    homeEmail,              // "homeEmail": and its e-mail
    homeGeneration,         // "homeGeneration": changes whenever the home account leaves its place
    // The widget's domain.
    widgetFamily,   // "family": small, medium or large
    widgetPosition, // "position": where the widget window was left
    widgetSnapshot, // "usageSnapshot": the widget's own fallback, which only the widget writes
};

// The processes that may write a key: the interactive app (window and tray), the headless commands
// (`--refresh`, `--import-session`, `--export-csv`, `--status`) and the widget.
enum class Process { app = 1, headless = 2, widget = 4 };

// Which process this is; set once in main(). Writing a key this process may not write is a bug:
// it asserts in debug builds and writes nothing.
void setProcess(Process process);
Process process();

// The stored value, or the key's default when it is missing.
QVariant value(Key key);
bool flag(Key key);
bool contains(Key key);

// Written through at once, so the other process reads it next. False when the settings could not be
// saved (a full disk): they then hold what they held before.
bool setValue(Key key, const QVariant& value);
// Values that only make sense together, written in one go so that no reader sees half of them.
// All keys share one settings file. An invalid value removes its key.
bool setValues(std::initializer_list<std::pair<Key, QVariant>> values);
bool remove(Key key);

} // namespace Preferences

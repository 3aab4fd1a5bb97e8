#pragma once

#include "TallyfernView.h"
#include "WidgetFamily.h"
#include "WidgetItem.h"

#include "model/UsageSnapshot.h"

#include <QList>
#include <QString>

// Snapshots and look-ups shared by the widget's tests.
namespace WidgetTestData {

// A snapshot with real data and nothing else set.
UsageSnapshot real();

// The stored snapshot of a typical Pro+ account in mid-May 2025 (tests/widget/data).
UsageSnapshot realistic();

// A row as the service would report it, with its token counts summed.
ModelUsage row(const QString& name, double input, double output = 0);

// The texts a view draws, in drawing order.
QStringList texts(const QList<WidgetItem>& items);

// The item of that name; fails the test when there is none.
WidgetItem item(const QList<WidgetItem>& items, const QString& name);
bool hasItem(const QList<WidgetItem>& items, const QString& name);

Timestamp at(const QString& internetDateTime);

// Saves the view as `<state>-<family>[-dark].png` in $TALLYFERN_SCREENSHOT_DIR when it is set.
void saveScreenshot(const TallyfernView& view, const QString& state);

} // namespace WidgetTestData

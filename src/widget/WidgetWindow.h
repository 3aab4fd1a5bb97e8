#pragma once

#include "TimelineHost.h"
#include "UsageEntry.h"
#include "WidgetFamily.h"

#include <QPoint>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

class QMenu;

// The widget on the desktop: a frameless card below other windows and outside the taskbar, moved
// by dragging it, with a context menu to pick its size or close it. Remembers its size and place
// in the widget's own settings.
class WidgetWindow : public QWidget
{
    Q_OBJECT

public:
    explicit WidgetWindow(TimelineHost* host, QWidget* parent = nullptr);
    ~WidgetWindow() override;

    WidgetFamily family() const { return m_family; }
    const UsageEntry& entry() const { return m_entry; }
    void setFamily(WidgetFamily family);

    // The context menu's actions: the three sizes, then close. Owned by the caller.
    QMenu* createMenu(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void showEntry(const UsageEntry& entry);
    void restorePosition();
    void savePosition();

    UsageEntry m_entry;
    WidgetFamily m_family = WidgetFamily::small;
    std::optional<QPoint> m_dragOffset;
    QTimer m_positionSaver;
};

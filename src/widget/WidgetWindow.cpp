#include "WidgetWindow.h"

#include "Tallyfern.h"
#include "TallyfernView.h"
#include "WidgetPalette.h"

#include "platform/Preferences.h"

#include <QActionGroup>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace {

QString familyMenuText(WidgetFamily family)
{
    switch (family) {
    case WidgetFamily::small:
        return u"小尺寸"_s;
    case WidgetFamily::medium:
        return u"中尺寸"_s;
    case WidgetFamily::large:
        break;
    }
    return u"大尺寸"_s;
}

} // namespace

WidgetWindow::WidgetWindow(TimelineHost* host, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint)
    , m_entry(host->currentEntry())
{
    setWindowTitle(QLatin1StringView(Tallyfern::displayName));
    // The card has round corners; where the desktop composites windows, they stay round.
    setAttribute(Qt::WA_TranslucentBackground);

    const auto stored =
        WidgetFamilies::fromName(Preferences::value(Preferences::Key::widgetFamily).toString());
    setFamily(stored.value_or(WidgetFamily::small));
    restorePosition();
    m_positionSaver.setSingleShot(true);
    m_positionSaver.setInterval(500);
    connect(&m_positionSaver, &QTimer::timeout, this, &WidgetWindow::savePosition);

    connect(host, &TimelineHost::entryChanged, this, &WidgetWindow::showEntry);
}

WidgetWindow::~WidgetWindow()
{
    // A move that has not rested long enough to be written yet.
    if (m_positionSaver.isActive())
        savePosition();
}

void WidgetWindow::setFamily(WidgetFamily family)
{
    m_family = family;
    setFixedSize(WidgetFamilies::size(family).toSize());
    Preferences::setValue(Preferences::Key::widgetFamily, WidgetFamilies::name(family));
    update();
}

QMenu* WidgetWindow::createMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    auto* sizes = new QActionGroup(menu);
    for (WidgetFamily family : WidgetFamilies::all) {
        QAction* action = menu->addAction(familyMenuText(family));
        action->setCheckable(true);
        action->setChecked(family == m_family);
        sizes->addAction(action);
        connect(action, &QAction::triggered, this, [this, family] { setFamily(family); });
    }
    menu->addSeparator();
    QAction* close = menu->addAction(u"关闭"_s);
    connect(close, &QAction::triggered, this, &QWidget::close);
    return menu;
}

void WidgetWindow::showEntry(const UsageEntry& entry)
{
    m_entry = entry;
    update();
}

void WidgetWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    TallyfernView(m_family, m_entry).paint(painter, WidgetPalette::fromPalette(palette()));
}

void WidgetWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // The window manager moves the window where it can (Wayland allows nothing else); otherwise
    // the window follows the mouse itself.
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void WidgetWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragOffset && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - *m_dragOffset);
}

void WidgetWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_dragOffset) {
        m_dragOffset.reset();
        savePosition();
    }
}

void WidgetWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // A system move ends without a release event here: the position is written once it rests.
    if (isVisible() && !m_dragOffset)
        m_positionSaver.start();
}

void WidgetWindow::closeEvent(QCloseEvent* event)
{
    savePosition();
    QWidget::closeEvent(event);
    // A tool window does not count as the application's last window, so quit outright.
    QApplication::quit();
}

void WidgetWindow::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void WidgetWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange)
        update();
    QWidget::changeEvent(event);
}

void WidgetWindow::restorePosition()
{
    const QVariant stored = Preferences::value(Preferences::Key::widgetPosition);
    if (stored.isValid()) {
        const QPoint position = stored.toPoint();
        // Only where some screen still shows the widget's top-left corner.
        if (QGuiApplication::screenAt(position + QPoint(8, 8))) {
            move(position);
            return;
        }
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.right() - width() - 24, available.top() + 24);
    }
}

void WidgetWindow::savePosition()
{
    m_positionSaver.stop();
    Preferences::setValue(Preferences::Key::widgetPosition, pos());
}

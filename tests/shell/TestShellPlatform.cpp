#include "TestRegistry.h"

#include "app/shell/GaugeIcon.h"
#include "app/shell/SingleInstance.h"
#include "app/shell/WindowPinning.h"
#include "app/views/Theme.h"

#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestShellPlatform : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pinningKeepsTheWindowOnScreen()
    {
        QWidget window;
        window.resize(200, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QWindow* handle = window.windowHandle();
        QVERIFY(!WindowPinning::isPinned(&window));

        WindowPinning::apply(&window, true);
        // The same native window, still shown, now above the others.
        QCOMPARE(window.windowHandle(), handle);
        QVERIFY(window.isVisible());
        QVERIFY(handle->isVisible());
        QVERIFY(handle->flags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(WindowPinning::isPinned(&window));

        WindowPinning::apply(&window, false);
        QCOMPARE(window.windowHandle(), handle);
        QVERIFY(window.isVisible());
        QVERIFY(!handle->flags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

        // Pinned before it is first shown: the native window is created pinned.
        QWidget later;
        WindowPinning::apply(&later, true);
        later.show();
        QVERIFY(QTest::qWaitForWindowExposed(&later));
        QVERIFY(later.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));

        // A child widget is not a window and is left alone.
        QWidget child(&window);
        WindowPinning::apply(&child, true);
        QVERIFY(!child.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }

    void secondInstanceAsksTheFirst()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(u"tallyfern-test"_s);
        SingleInstance first(path);
        QVERIFY(first.claim());
        QVERIFY(first.isListening());
        QSignalSpy shown(&first, &SingleInstance::showRequested);

        SingleInstance second(path);
        QVERIFY(!second.claim());
        QVERIFY(!second.isListening());
        QVERIFY(shown.wait());
        QCOMPARE(shown.count(), 1);

        // Anything but the one command is ignored.
        QLocalSocket stranger;
        stranger.connectToServer(path);
        QVERIFY(stranger.waitForConnected(1000));
        stranger.write("hide\nshow please\n");
        stranger.write(QByteArray(200, 'x'));
        QVERIFY(stranger.waitForBytesWritten(1000));
        QTRY_COMPARE(stranger.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(shown.count(), 1);
    }

    void instanceTakesOverWhatAnEndedOneLeft()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(u"tallyfern-test"_s);
        {
            SingleInstance ended(path);
            QVERIFY(ended.claim());
        }
        // A socket file without a live owner, as a crash leaves it.
        QFile leftover(path);
        if (!leftover.exists()) {
            QVERIFY(leftover.open(QIODevice::WriteOnly));
            leftover.close();
        }
        SingleInstance next(path);
        QVERIFY(next.claim());
        QVERIFY(next.isListening());
        QSignalSpy shown(&next, &SingleInstance::showRequested);
        SingleInstance again(path);
        QVERIFY(!again.claim());
        QVERIFY(shown.wait());

        QVERIFY(SingleInstance::defaultPath().endsWith(u"/tallyfern-"_s + QString::number(::getuid())));
        QVERIFY(SingleInstance::defaultPath().startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR")));
    }

    void gaugeIconAtEverySize()
    {
        const QIcon icon = GaugeIcon::icon();
        for (int side : GaugeIcon::sizes)
            QVERIFY(icon.availableSizes().contains(QSize(side, side)));

        for (int side : {16, 64}) {
            const QImage image = GaugeIcon::render(side);
            QCOMPARE(image.size(), QSize(side, side));
            // A round face: clear corners, the board colour inside, and the cyan arc.
            QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
            QCOMPARE(image.pixelColor(side - 1, side - 1).alpha(), 0);
            QCOMPARE(image.pixel(side / 2, side - side / 8), Theme::boardBackground().rgb());
            bool cyan = false;
            for (int y = 0; y < side && !cyan; ++y) {
                for (int x = 0; x < side && !cyan; ++x)
                    cyan = image.pixel(x, y) == Theme::cursorTint().rgb();
            }
            QVERIFY2(cyan, qPrintable(QString::number(side)));
        }
        QCOMPARE(GaugeIcon::render(32, 2).size(), QSize(64, 64));
    }
};

TALLYFERN_REGISTER_TEST(TestShellPlatform);
#include "TestShellPlatform.moc"

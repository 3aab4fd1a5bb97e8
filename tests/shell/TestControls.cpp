#include "TestRegistry.h"

#include "app/shell/ActionButton.h"
#include "app/shell/CookieEntry.h"
#include "app/shell/DashboardPage.h"
#include "app/shell/PasteField.h"
#include "app/shell/SegmentedControl.h"
#include "app/shell/ShellColours.h"
#include "app/shell/SwitchToggle.h"
#include "app/views/Theme.h"

#include <QPainter>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// The widget drawn on the board, as the window shows it.
QImage onBoard(QWidget* widget)
{
    QImage image(widget->size(), QImage::Format_ARGB32);
    image.fill(Theme::boardBackground());
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

template <typename Widget>
void useBoardPalette(Widget& widget)
{
    widget.setPalette(ShellColours::boardPalette(widget.palette()));
}

} // namespace

class TestControls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pagesInSwitcherOrder()
    {
        QStringList titles;
        for (DashboardPage page : DashboardPages::all) {
            titles.append(DashboardPages::rawValue(page));
            QCOMPARE(DashboardPages::fromRawValue(DashboardPages::rawValue(page)), page);
        }
        QCOMPARE(titles, (QStringList{u"概览"_s, u"模型"_s, u"设置"_s}));
        QCOMPARE(DashboardPages::index(DashboardPage::settings), 2);
        QCOMPARE(DashboardPages::fromRawValue(u"overview"_s), std::nullopt);
        QCOMPARE(DashboardPages::fromRawValue(u"概览 "_s), std::nullopt);
        QCOMPARE(DashboardPages::fromRawValue(QString()), std::nullopt);
    }

    void segmentedControlSelects()
    {
        SegmentedControl control(u"页面"_s, {u"概览"_s, u"模型"_s, u"设置"_s});
        useBoardPalette(control);
        control.resize(301, SegmentedControl::controlHeight);
        QCOMPARE(control.accessibleName(), u"页面"_s);

        // The segments tile the width without gaps or overlap, whatever the remainder.
        QCOMPARE(control.segmentRect(0).left(), 0);
        QCOMPARE(control.segmentRect(1).left(), control.segmentRect(0).right() + 1);
        QCOMPARE(control.segmentRect(2).left(), control.segmentRect(1).right() + 1);
        QCOMPARE(control.segmentRect(2).right(), 300);
        QVERIFY(control.segmentRect(3).isEmpty());
        QCOMPARE(control.segmentAt(QPoint(299, 10)), 2);
        QCOMPARE(control.segmentAt(QPoint(400, 10)), -1);

        QSignalSpy changed(&control, &SegmentedControl::currentChanged);
        QCOMPARE(control.currentIndex(), 0);
        QTest::mouseClick(&control, Qt::LeftButton, {}, control.segmentRect(2).center());
        QCOMPARE(control.currentIndex(), 2);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toInt(), 2);
        // The selected segment again, a right click, or an index out of range change nothing.
        QTest::mouseClick(&control, Qt::LeftButton, {}, control.segmentRect(2).center());
        QTest::mouseClick(&control, Qt::RightButton, {}, control.segmentRect(0).center());
        control.setCurrentIndex(3);
        control.setCurrentIndex(-1);
        QCOMPARE(control.currentIndex(), 2);
        QCOMPARE(changed.count(), 1);

        // Arrow keys step through the segments and stop at either end.
        QTest::keyClick(&control, Qt::Key_Right);
        QCOMPARE(control.currentIndex(), 2);
        QTest::keyClick(&control, Qt::Key_Left);
        QTest::keyClick(&control, Qt::Key_Left);
        QTest::keyClick(&control, Qt::Key_Left);
        QCOMPARE(control.currentIndex(), 0);
        QCOMPARE(changed.count(), 3);

        // The selected segment is drawn lighter than the others (sampled beside the text).
        const QImage image = onBoard(&control);
        const auto lightness = [&](int index) {
            return image
                .pixelColor(control.segmentRect(index).left() + 6, SegmentedControl::controlHeight / 2)
                .lightness();
        };
        QVERIFY2(lightness(0) > lightness(1) + 10,
                 qPrintable(u"%1 vs %2"_s.arg(lightness(0)).arg(lightness(1))));
        QCOMPARE(lightness(1), lightness(2));
    }

    void switchToggles()
    {
        SwitchToggle toggle(u"置顶"_s, SwitchToggle::Size::small);
        useBoardPalette(toggle);
        toggle.resize(toggle.sizeHint());
        QCOMPARE(toggle.accessibleName(), u"置顶"_s);
        QVERIFY(toggle.sizeHint().width() < SwitchToggle(u"x"_s).sizeHint().width());

        QSignalSpy clicked(&toggle, &SwitchToggle::clicked);
        const QPointF offKnob = toggle.knobCentre();
        QCOMPARE(toggle.trackColour().alphaF() < 0.5f, true);
        QTest::mouseClick(&toggle, Qt::LeftButton, {}, toggle.rect().center());
        QVERIFY(toggle.isChecked());
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.at(0).at(0).toBool(), true);
        QVERIFY(toggle.knobCentre().x() > offKnob.x() + 8);
        QCOMPARE(toggle.trackColour(), ShellColours::accent());

        // The knob is drawn where the state says: white on the right, the accent on the left.
        const QImage on = onBoard(&toggle);
        QCOMPARE(on.pixelColor(toggle.knobCentre().toPoint()), QColor(Qt::white));
        QCOMPARE(on.pixelColor(offKnob.toPoint()), ShellColours::accent());

        // Setting the state from outside is not a click.
        toggle.setChecked(false);
        QCOMPARE(clicked.count(), 1);
        toggle.setEnabled(false);
        QTest::mouseClick(&toggle, Qt::LeftButton, {}, toggle.rect().center());
        QVERIFY(!toggle.isChecked());
        QCOMPARE(clicked.count(), 1);
    }

    void buttonsShowTheirRoleAndState()
    {
        ActionButton prominent(u"保存并刷新"_s, ActionButton::Kind::prominent);
        ActionButton bordered(u"Cookie"_s, ActionButton::Kind::bordered);
        ActionButton destructive(u"退出登录"_s, ActionButton::Kind::destructive);
        for (ActionButton* button : {&prominent, &bordered, &destructive}) {
            useBoardPalette(*button);
            button->resize(button->sizeHint());
            QCOMPARE(button->height(), ActionButton::controlHeight);
            QVERIFY(button->width() > button->fontMetrics().horizontalAdvance(button->text()));
        }
        QCOMPARE(prominent.fillColour(), ShellColours::accent());
        QCOMPARE(prominent.textColour(), QColor(Qt::white));
        QCOMPARE(bordered.fillColour(), Theme::white(0.14));
        QCOMPARE(destructive.textColour(), ShellColours::destructive(destructive.palette()));
        QVERIFY(destructive.textColour().red() > 200 && destructive.textColour().green() < 100);

        // The accent is drawn in the middle of an enabled prominent button, not of a disabled one.
        QCOMPARE(onBoard(&prominent).pixelColor(3, 3), ShellColours::accent());
        QSignalSpy clicked(&prominent, &ActionButton::clicked);
        prominent.setEnabled(false);
        QVERIFY(onBoard(&prominent).pixelColor(3, 3) != ShellColours::accent());
        QVERIFY(prominent.textColour().alphaF() < 0.5f);
        QTest::mouseClick(&prominent, Qt::LeftButton);
        QCOMPARE(clicked.count(), 0);
        prominent.setEnabled(true);
        QTest::mouseClick(&prominent, Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
    }

    void pasteFieldForgetsItsText()
    {
        PasteField field(Theme::white(0.08));
        const QFontInfo shown(field.editor()->font());
        QVERIFY2(shown.fixedPitch(),
                 qPrintable(shown.family() + u" / "_s + field.editor()->font().families().join(u',')));
        QVERIFY(field.editor()->minimumHeight() >= 140);
        QVERIFY(field.editor()->inputMethodHints().testFlag(Qt::ImhSensitiveData));

        ActionButton save(u"保存并刷新"_s, ActionButton::Kind::prominent);
        CookieEntry::bindSaveButton(&field, &save);
        QVERIFY(!save.isEnabled());
        QTest::keyClicks(field.editor(), u"fake-token"_s);
        QCOMPARE(field.text(), u"fake-token"_s);
        QVERIFY(save.isEnabled());
        field.clear();
        QVERIFY(!save.isEnabled());
        // Nothing to undo back to: the cleared text is gone from the editor.
        QVERIFY(!field.editor()->document()->isUndoAvailable());
        field.editor()->undo();
        QCOMPARE(field.text(), QString());
    }

    void blankTextCannotBeSaved_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("blank");
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("spaces") << u"   "_s << true;
        QTest::newRow("line breaks and tabs") << u"\n\t \r\n"_s << true;
        QTest::newRow("ideographic space") << u"\u3000"_s << true;
        QTest::newRow("value") << u"abc"_s << false;
        QTest::newRow("value among spaces") << u"\n  WorkosCursorSessionToken=fake \n"_s << false;
    }
    void blankTextCannotBeSaved()
    {
        QFETCH(QString, text);
        QFETCH(bool, blank);
        QCOMPARE(CookieEntry::isBlank(text), blank);
        PasteField field(Theme::white(0.08));
        ActionButton save(u"保存并刷新"_s, ActionButton::Kind::prominent);
        CookieEntry::bindSaveButton(&field, &save);
        field.setText(text);
        QCOMPARE(save.isEnabled(), !blank);
    }
};

TALLYFERN_REGISTER_TEST(TestControls);
#include "TestControls.moc"

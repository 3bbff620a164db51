// SPDX-License-Identifier: GPL-3.0-or-later
// Knob arithmetic, events, keyboard, mouse drag, tick menu and painting.
#include "controls/knob.h"
#include "controls/knobmath.h"
#include "controls/knobmenu.h"
#include "controls/numberknob.h"

#include <QCursor>
#include <QImage>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpontaneKeyEvent>
#include <QtTest>

#include <climits>
#include <cmath>
#include <functional>
#include <memory>

using namespace knobmath;

namespace {

// Every event as "changing:<tick>" / "changed:<tick>". The connections end
// with the log.
struct EventLog : QObject {
    QStringList events;
    void attach(Knob &k)
    {
        connect(&k, &Knob::OnChanging, this,
                [this](Knob *s) { events << QStringLiteral("changing:%1").arg(s->Tick()); });
        connect(&k, &Knob::OnChanged, this, [this](Knob *s) { events << QStringLiteral("changed:%1").arg(s->Tick()); });
    }
    QStringList take() { return std::exchange(events, {}); }
};

QStringList both(int tick)
{
    return {QStringLiteral("changing:%1").arg(tick), QStringLiteral("changed:%1").arg(tick)};
}

// A shown and painted number knob over [min, max] in steps of inc.
std::unique_ptr<NumberKnob> shownKnob(float min, float max, float inc = 1)
{
    auto k = std::make_unique<NumberKnob>();
    k->SetMin(min);
    k->SetMax(max);
    k->SetInc(inc);
    k->move(200, 200);
    k->show();
    if (!QTest::qWaitFor([&] { return k->PaintedOnce(); }))
        return nullptr;
    return k;
}

QImage render(QWidget &w)
{
    QImage img(w.size(), QImage::Format_RGB32);
    img.fill(Qt::white);
    w.render(&img, QPoint(), QRegion(), QWidget::DrawChildren); // no window background
    return img;
}

QColor px(const QImage &img, int x, int y)
{
    return QColor(img.pixel(x, y));
}
QColor opaque(const QColor &c)
{
    return QColor(c.rgb());
}

void mouse(QWidget &w, QEvent::Type type, QPoint local, Qt::MouseButton b = Qt::LeftButton)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(b);
    QMouseEvent e(type, local, w.mapToGlobal(local), type == QEvent::MouseMove ? Qt::NoButton : b, held,
                  Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}
// A wheel turn as the window system delivers it: spontaneous, so Qt passes
// it on to the parents unless a widget takes it.
void wheel(QWidget &w, int angleDelta, QPoint local = QPoint(16, 16))
{
    QWheelEvent e(local, w.mapToGlobal(local), QPoint(), QPoint(0, angleDelta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&e);
    qApp->notify(&w, &e); // as QTest does: sendEvent would clear the flag
}

void press(QWidget &w, QPoint p)
{
    mouse(w, QEvent::MouseButtonPress, p);
}
void moveTo(QWidget &w, QPoint p)
{
    mouse(w, QEvent::MouseMove, p);
}
void release(QWidget &w, QPoint p)
{
    mouse(w, QEvent::MouseButtonRelease, p);
}

// Something that turns a knob.
using Turn = std::function<void(NumberKnob &)>;

} // namespace

class TestKnob : public QObject {
    Q_OBJECT
private slots:
    void valueToTickIn32BitFloat()
    {
        QCOMPARE(numTicksFor(0, 1, 0.4f), 3); // 2.5 steps: ties to 2
        QCOMPARE(numTicksFor(0, 3, 2), 3);    // 1.5 steps: ties to 2
        // 0..10 in five ticks: s = 0.4f. 0.4f * 1.25 is 0.50000000745, which
        // a float rounds to the tie 0.5 (tick 0) and a double does not (tick 1).
        QCOMPARE(tickForValue(1.25f, 0, 10, 5).value(), 0);
        QCOMPARE(tickForValue(3.75f, 0, 10, 5).value(), 2);
        QCOMPARE(tickForValue(6.25f, 0, 10, 5).value(), 2);
        // The invariant holds up to both ends for the program's knobs.
        for (float max : {25.0f, 33.0f, 255.0f}) {
            const int n = numTicksFor(1, max, 1);
            QCOMPARE(n, int(max));
            for (int t = 0; t < n; ++t)
                QCOMPARE(tickForValue(valueOfTick(t, 1, 1), 1, max, n).value(), t);
        }
        QCOMPARE(roundTiesToEven(1e20f), INT_MAX); // saturates, no overflow
    }

    void dragAngleAndCursorBands()
    {
        const int h = 16;
        QCOMPARE(tickFromPoint(QPoint(h, 2), h, 33), 16);  // straight up
        QCOMPARE(tickFromPoint(QPoint(32, h), h, 33), 25); // 3 o'clock: 32 * 250/320
        // The gap at the bottom: straight down and its left half are the
        // minimum, its right half the maximum.
        QVERIFY(tickFromPoint(QPoint(h, h + 10), h, 33) <= 0);
        QVERIFY(tickFromPoint(QPoint(h - 1, h + 10), h, 33) <= 0);
        QVERIFY(tickFromPoint(QPoint(h + 1, h + 10), h, 33) >= 32);
        // Pressing on the drawn tip never moves the knob by more than a tick.
        for (int n : {26, 33})
            for (int t = 0; t < n; ++t)
                QVERIFY(std::abs(tickFromPoint(pointerPoint(t, n, h, 0.9), h, n) - t) <= 1);

        const QRect screen(0, 0, 1920, 1080);
        QVERIFY(!confinementRect(6, 0, h, QPoint(100, 200), screen));
        QCOMPARE(*confinementRect(7, 1, h, QPoint(100, 200), screen), QRect(QPoint(0, 0), QPoint(115, 1079)));
        QCOMPARE(*confinementRect(7, 4, h, QPoint(100, 200), screen), QRect(QPoint(116, 0), QPoint(1919, 1079)));
        // A knob at the very top of the screen has no room above its centre.
        QVERIFY(!confinementRect(33, 16, h, QPoint(100, -15), screen));
    }

    void textFormats()
    {
        QCOMPARE(cutText(QString(100, 'x')), QString(79, 'x'));
        // A character straddling the limit is dropped whole, not split.
        QCOMPARE(cutText(QString(78, 'x') + QString::fromUtf8("\xF0\x9F\x8E\xB8")), QString(78, 'x'));
        const QLocale c = QLocale::c();
        QCOMPARE(formatFixed(1234.5678f, 4, c), QStringLiteral("1234.5680")); // 7 significant digits
        QCOMPARE(formatFixed(-0.4f, 0, c), QStringLiteral("0"));
        QCOMPARE(formatFixed(1234567, 1, QLocale(QLocale::English, QLocale::UnitedStates)),
                 QStringLiteral("1234567.0"));
        QCOMPARE(formatFixed(2.5f, 1, QLocale(QLocale::German, QLocale::Germany)), QStringLiteral("2,5"));
        // Whole numbers take a shorter road to the same text, in any locale's digits.
        for (const QLocale &l :
             {c, QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::Arabic, QLocale::Egypt)})
            for (int v : {-2000000, -1001, -1, 0, 7, 33, 255, 1000, 999999, 1000001})
                QCOMPARE(formatFixed(float(v), 0, l), l.toString(double(v), 'f', 0).remove(l.groupSeparator()));
        QCOMPARE(formatGeneral(double(0.1f), c), QStringLiteral("0.100000001490116"));
    }

    void loadingBeforeFirstPaintIsUnchecked()
    {
        NumberKnob k;
        EventLog log;
        log.attach(k);
        QCOMPARE(k.NumTicks(), 100);
        k.SetTick(500); // stored as is: the range may come later
        k.SetMax(1);
        k.SetMin(5); // above the maximum, still taken before the first paint
        QCOMPARE(k.MinValue(), 5.0f);
        k.SetMin(1);
        k.SetMax(33);
        QCOMPARE(k.NumTicks(), 33);
        QCOMPARE(k.Tick(), 500);
        QVERIFY(log.events.isEmpty());
    }

    void rangeSettersAfterPaint()
    {
        auto k = shownKnob(1, 33);
        QVERIFY(k);
        k->SetValue(20);
        k->SetMin(40); // not below the maximum
        k->SetMax(0);  // not above the minimum
        k->SetInc(0);
        QCOMPARE(k->MinValue(), 1.0f);
        QCOMPARE(k->MaxValue(), 33.0f);
        QCOMPARE(k->NumTicks(), 33);
        k->SetMin(9);
        QCOMPARE(k->NumTicks(), 25);
        QCOMPARE(k->Tick(), 19); // no setter moves the tick
        QCOMPARE(k->GetValue(), 28.0f);
    }

    void setValueClampsAndFiresInOrder()
    {
        auto k = shownKnob(1, 33);
        QVERIFY(k);
        EventLog log;
        log.attach(*k);
        k->SetValue(40);
        QCOMPARE(k->GetValue(), 33.0f);
        QCOMPARE(log.take(), both(32));
        k->SetValue(0);
        QCOMPARE(k->GetValue(), 1.0f);
        QCOMPARE(log.take(), both(0));
        k->SetValue(1); // current value: nothing
        k->SetTick(-4);
        QVERIFY(log.events.isEmpty());
        k->SetTick(99);
        QCOMPARE(log.take(), both(32));

        k->hide(); // a hidden knob changes silently
        k->SetValue(12);
        QCOMPARE(k->Tick(), 11);
        QVERIFY(log.events.isEmpty());
    }

    void keyboardSteps_data()
    {
        QTest::addColumn<float>("max");
        QTest::addColumn<int>("step");
        QTest::newRow("33 ticks") << 33.0f << 3;
        QTest::newRow("26 ticks") << 26.0f << 2;
        QTest::newRow("5 ticks") << 5.0f << 1;
    }
    void keyboardSteps()
    {
        QFETCH(float, max);
        QFETCH(int, step);
        auto k = shownKnob(1, max);
        QVERIFY(k);
        const int last = k->NumTicks() - 1;
        EventLog log;
        log.attach(*k);
        QTest::keyClick(k.get(), Qt::Key_PageUp);
        QCOMPARE(log.take(), both(step));
        QTest::keyClick(k.get(), Qt::Key_Up);
        QTest::keyClick(k.get(), Qt::Key_PageDown);
        QCOMPARE(k->Tick(), 1);
        QTest::keyClick(k.get(), Qt::Key_PageDown);
        QCOMPARE(k->Tick(), 0);
        log.take();
        QTest::keyClick(k.get(), Qt::Key_Left); // already at 0: nothing
        QTest::keyClick(k.get(), Qt::Key_Home);
        QVERIFY(log.events.isEmpty());
        QTest::keyClick(k.get(), Qt::Key_End);
        QTest::keyClick(k.get(), Qt::Key_Right);
        QCOMPARE(k->Tick(), last);
        QTest::keyClick(k.get(), Qt::Key_Down);
        QTest::keyClick(k.get(), Qt::Key_PageUp);
        QCOMPARE(k->Tick(), last);
    }

    // A notch of the wheel is an arrow key: a tick up or down, both events,
    // nothing at the ends. Parts of a notch add up.
    void wheelTurnsLikeTheArrowKeys_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<QList<int>>("deltas");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("notch up") << 10 << QList<int>{120} << both(11);
        QTest::newRow("notch down") << 10 << QList<int>{-120} << both(9);
        QTest::newRow("two notches at once") << 10 << QList<int>{240} << both(11) + both(12);
        QTest::newRow("four quarters") << 10 << QList<int>{30, 30, 30, 30} << both(11);
        QTest::newRow("three quarters") << 10 << QList<int>{30, 30, 30} << QStringList();
        QTest::newRow("quarters down") << 10 << QList<int>{-40, -40, -40, -40} << both(9);
        QTest::newRow("back and forth") << 10 << QList<int>{90, -90, 90} << QStringList();
        QTest::newRow("at the top") << 32 << QList<int>{120} << QStringList();
        QTest::newRow("at the bottom") << 0 << QList<int>{-120} << QStringList();
        // Notches past an end are not kept for the way back.
        QTest::newRow("past the top and back") << 32 << QList<int>{360, -120} << both(31);
        QTest::newRow("far past the bottom") << 0 << QList<int>{-1200, 120} << both(1);
        QTest::newRow("huge turn up") << 30 << QList<int>{INT_MAX} << both(31) + both(32);
        QTest::newRow("huge turn down") << 2 << QList<int>{INT_MIN} << both(1) + both(0);
    }
    void wheelTurnsLikeTheArrowKeys()
    {
        QFETCH(int, from);
        QFETCH(QList<int>, deltas);
        QFETCH(QStringList, events);
        auto k = shownKnob(1, 33);
        QVERIFY(k);
        k->SetTick(from);
        EventLog log;
        log.attach(*k);
        for (int d : deltas)
            wheel(*k, d);
        QCOMPARE(log.take(), events);
    }

    // The wheel over a knob turns the knob and nothing else; not while it is
    // dragged, and not while it is disabled.
    void wheelStaysWithTheKnob()
    {
        QScrollArea area;
        auto *content = new QWidget;
        content->resize(300, 2000);
        auto *k = new NumberKnob(content);
        k->SetMin(1);
        k->SetMax(33);
        k->move(20, 20);
        area.setWidget(content);
        area.resize(200, 200);
        area.show();
        QVERIFY(QTest::qWaitFor([&] { return k->PaintedOnce(); }));
        QScrollBar *bar = area.verticalScrollBar();
        wheel(*content, -120, QPoint(150, 150)); // beside the knob the area scrolls
        QVERIFY(bar->value() > 0);
        bar->setValue(0);

        EventLog log;
        log.attach(*k);
        wheel(*k, 120);
        QCOMPARE(log.take(), both(1));
        wheel(*k, -240);
        QCOMPARE(log.take(), both(0));
        QCOMPARE(bar->value(), 0);

        k->SetTick(10);
        log.take();
        press(*k, QPoint(16, 16));
        wheel(*k, 90); // ignored, and not kept for later
        release(*k, QPoint(16, 16));
        QCOMPARE(k->Tick(), 10);
        wheel(*k, 30);
        QCOMPARE(k->Tick(), 10);
        QCOMPARE(log.take(), QStringList{"changed:10"});

        k->setEnabled(false);
        wheel(*k, 120); // never reaches the knob
        QCOMPARE(k->Tick(), 10);
        QVERIFY(log.events.isEmpty());
        k->setEnabled(true);
        wheel(*k, 90); // completes the 30 from after the drag
        QCOMPARE(log.take(), both(11));
    }

    void pressAndReleaseEvents()
    {
        auto k = shownKnob(1, 33);
        QVERIFY(k);
        EventLog log;
        log.attach(*k);
        // The mouse events are passed on after the knob has handled them.
        QStringList mouseLog;
        auto logMouse = [&](const char *name) {
            return [&, name](Knob *sender, QMouseEvent *e) {
                QCOMPARE(sender, k.get());
                mouseLog << QStringLiteral("%1:%2:%3").arg(name).arg(int(e->type())).arg(k->Dragging());
            };
        };
        connect(k.get(), &Knob::OnMouseDown, &log, logMouse("down"));
        connect(k.get(), &Knob::OnMouseMove, &log, logMouse("move"));
        connect(k.get(), &Knob::OnMouseUp, &log, logMouse("up"));
        press(*k, QPoint(30, 30));
        moveTo(*k, QPoint(30, 30));
        release(*k, QPoint(30, 30));
        QCOMPARE(mouseLog, (QStringList{"down:2:1", "move:5:1", "up:3:0"}));
        log.take();
        for (int t = 0; t < 33; ++t) {
            k->SetTick(t);
            log.take();
            // The click point does not matter: the press starts at the tip.
            const QPoint tip = k->PointerTip();
            press(*k, QPoint(30, 30));
            QCOMPARE(QCursor::pos(), k->mapToGlobal(tip));
            QVERIFY(k->Dragging());
            // The tip pixel may read back as a neighbouring tick; a press
            // alone never changes the value.
            QCOMPARE(k->Tick(), t);
            release(*k, QPoint(30, 30));
            QVERIFY(!k->Dragging());
            QCOMPARE(log.take(), QStringList{QStringLiteral("changed:%1").arg(t)}); // at every release
        }
    }

    // The press puts the cursor on the pointer's tip; an X server reports
    // that warp back as a move to the tip's pixel, which may lie in the
    // neighbouring tick's sector. A click that does not move must still
    // leave every tick of the program's knobs where it was.
    void clickWithoutMovementKeepsTheTick_data()
    {
        QTest::addColumn<float>("min");
        QTest::addColumn<float>("max");
        for (auto [min, max] : {std::pair{1, 25}, {0, 25}, {1, 33}, {0, 33}, {1, 255}})
            QTest::addRow("%d..%d", min, max) << float(min) << float(max);
    }
    void clickWithoutMovementKeepsTheTick()
    {
        QFETCH(float, min);
        QFETCH(float, max);
        auto k = shownKnob(min, max);
        QVERIFY(k);
        QCOMPARE(k->size(), QSize(33, 33));
        EventLog log;
        log.attach(*k);
        for (int t = 0; t < k->NumTicks(); ++t) {
            k->SetTick(t);
            log.take();
            press(*k, QPoint(30, 30));
            const QPoint warped = QCursor::pos();
            QCOMPARE(warped, k->mapToGlobal(k->PointerTip()));
            QMouseEvent echo(QEvent::MouseMove, k->mapFromGlobal(warped), warped, Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(k.get(), &echo);
            release(*k, k->mapFromGlobal(warped));
            QVERIFY2(k->Tick() == t, qPrintable(QStringLiteral("tick %1 became %2").arg(t).arg(k->Tick())));
            QCOMPARE(log.take(), QStringList{QStringLiteral("changed:%1").arg(t)});
        }
    }

    // After the press, every real movement turns the knob to the tick under
    // the cursor, the tip's own pixel included once the cursor has left it.
    void dragTurnsFromWhereTheCursorIs()
    {
        auto k = shownKnob(1, 25);
        QVERIFY(k);
        k->SetValue(3); // tick 2, its tip at (8, 24) in tick 1's sector
        QCOMPARE(k->PointerTip(), QPoint(8, 24));
        EventLog log;
        log.attach(*k);
        log.take();
        press(*k, QPoint(30, 30));
        moveTo(*k, QPoint(8, 24)); // the warp reported back: no movement
        moveTo(*k, QPoint(8, 23)); // moved, still in tick 2's sector
        QCOMPARE(k->Tick(), 2);
        moveTo(*k, QPoint(8, 24)); // back onto the tip: now it counts
        QCOMPARE(k->Tick(), 1);
        // Up past the top: held left of the centre column while the tick is
        // in the first third ...
        moveTo(*k, QPoint(18, 2));
        QCOMPARE(QCursor::pos(), k->mapToGlobal(QPoint(15, 2)));
        QCOMPARE(k->Tick(), 11);
        moveTo(*k, QPoint(18, 2)); // ... and free to cross it from the middle third
        QCOMPARE(k->Tick(), 12);
        release(*k, QPoint(18, 2));
        QCOMPARE(log.take(), (QStringList{"changing:1", "changing:11", "changing:12", "changed:12"}));
    }

    void dragIsHeldOutOfTheGap()
    {
        auto k = shownKnob(1, 33);
        QVERIFY(k);
        k->SetFocusOnClick(true);
        const int h = k->Centre();
        k->SetTick(16); // straight up
        EventLog log;
        log.attach(*k);
        press(*k, QPoint(h, h));
        QVERIFY(k->hasFocus());
        QCOMPARE(k->CursorBand()->bottom(), k->mapToGlobal(QPoint(0, h - 2)).y());

        // Down into the gap: the cursor is held above the centre row, so
        // (h + 1, h + 10) becomes (h + 1, h - 2) and the knob stays up.
        moveTo(*k, QPoint(h + 1, h + 10));
        QCOMPARE(QCursor::pos().y(), k->mapToGlobal(QPoint(0, h - 2)).y());
        QCOMPARE(k->Tick(), 18);
        // Out to the left: the band moves left of the centre column ...
        moveTo(*k, QPoint(0, h + 10));
        QCOMPARE(k->Tick(), 7);
        QCOMPARE(k->CursorBand()->right(), k->mapToGlobal(QPoint(h - 1, 0)).x());
        // ... so crossing the bottom ends at the minimum, not the maximum.
        moveTo(*k, QPoint(h + 1, h + 10));
        QCOMPARE(k->Tick(), 0);
        QCOMPARE(QCursor::pos().x(), k->mapToGlobal(QPoint(h - 1, 0)).x());
        QCOMPARE(log.take(), (QStringList{"changing:18", "changing:7", "changing:0"}));
        release(*k, QPoint(h, h));
        QVERIFY(!k->CursorBand());
        QCOMPARE(log.take(), QStringList{"changed:0"});

        // Six ticks or fewer: no band, the gap can be crossed.
        auto small = shownKnob(0, 5);
        QVERIFY(small);
        press(*small, QPoint(h, h));
        QVERIFY(!small->CursorBand());
        moveTo(*small, QPoint(h, h + 10)); // straight below: minimum
        QCOMPARE(small->Tick(), 0);
        moveTo(*small, QPoint(h + 1, h + 10)); // just right of it: maximum
        QCOMPARE(small->Tick(), 5);
        release(*small, QPoint(h, h));
    }

    // A handler may delete the knob; the knob touches nothing of itself after.
    void handlersMayDeleteTheKnob_data()
    {
        QTest::addColumn<bool>("onChanging");
        QTest::addColumn<Turn>("turn");
        const Turn key = [](NumberKnob &k) {
            QKeyEvent e(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
            QApplication::sendEvent(&k, &e);
        };
        const Turn drag = [](NumberKnob &k) {
            press(k, QPoint(16, 16));
            QPointer<Knob> alive(&k);
            moveTo(k, QPoint(30, 2)); // up to the right, several ticks on
            if (alive)
                release(k, QPoint(30, 2));
        };
        const Turn value = [](NumberKnob &k) { k.SetValue(20); };
        const Turn notches = [](NumberKnob &k) { wheel(k, 360); };
        for (bool onChanging : {true, false}) {
            const char *signal = onChanging ? "changing" : "changed";
            QTest::addRow("%s, key", signal) << onChanging << key;
            QTest::addRow("%s, drag", signal) << onChanging << drag;
            QTest::addRow("%s, value", signal) << onChanging << value;
            QTest::addRow("%s, wheel", signal) << onChanging << notches;
        }
    }
    void handlersMayDeleteTheKnob()
    {
        QFETCH(bool, onChanging);
        QFETCH(Turn, turn);
        auto owned = shownKnob(1, 33);
        QVERIFY(owned);
        NumberKnob *k = owned.release();
        QPointer<Knob> alive(k);
        int calls = 0;
        auto kill = [&calls, k] {
            ++calls;
            delete k;
        };
        connect(k, onChanging ? &Knob::OnChanging : &Knob::OnChanged, kill);
        turn(*k);
        QVERIFY(!alive);
        QCOMPARE(calls, 1);
    }

    void dragEndsWhenWindowLosesActivation()
    {
        auto k = shownKnob(1, 33);
        QVERIFY(k);
        QApplication::setActiveWindow(k.get());
        QTRY_VERIFY(k->isActiveWindow());
        EventLog log;
        log.attach(*k);
        press(*k, QPoint(16, 16));
        log.take();
        QWidget box; // stands in for a message box opened by a handler
        box.show();
        QApplication::setActiveWindow(&box);
        QTRY_VERIFY(!k->Dragging());
        QCOMPARE(log.take(), QStringList{QStringLiteral("changed:%1").arg(k->Tick())});
        k->SetValue(3); // program changes report both events again
        QCOMPARE(log.take(), both(2));
    }

    void tickMenu()
    {
        auto k = shownKnob(1, 33);
        QVERIFY(k);
        k->SetUnits("dB");
        k->SetValue(21);
        EventLog log;
        log.attach(*k);
        QTest::mouseClick(k.get(), Qt::RightButton, {}, QPoint(16, 16));
        KnobMenu *menu = k->TickMenu();
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(menu->Count(), 33);
        QCOMPARE(menu->Caption(32), QStringLiteral("33dB"));
        for (int i = 0; i < 33; ++i) {
            QCOMPARE(menu->Column(i), i / 10); // columns of 10
            QCOMPARE(menu->IsChecked(i), i == 20);
        }
        // Columns stand side by side, each starting at the top.
        QCOMPARE(menu->ItemRect(10).top(), menu->ItemRect(0).top());
        QVERIFY(menu->ItemRect(10).left() > menu->ItemRect(9).right());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->ItemRect(4).center());
        QVERIFY(!menu->isVisible());
        QCOMPARE(log.take(), both(4));

        k->SetPlaces(1); // rebuilt after a change of decimals
        QVERIFY(!k->MenuBuilt());
        k->ShowTickMenu(k->mapToGlobal(QPoint(16, 16)));
        QCOMPARE(menu->Caption(1), QStringLiteral("2.0dB"));
        QVERIFY(menu->IsChecked(4));
        menu->hide();
        k->SetRightMenu(false);
        QTest::mouseClick(k.get(), Qt::RightButton, {}, QPoint(16, 16));
        QCoreApplication::processEvents();
        QVERIFY(!menu->isVisible());

        // Shift+F10 and the extra key open it too; the menu takes the keyboard.
        k->SetRightMenu(true);
        k->SetMin(0);
        k->SetMax(25);
        QTest::keyClick(k.get(), Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(menu->ColumnCount(), 3);     // 26 ticks: 10, 10, 6
        QTest::keyClick(menu, Qt::Key_Right); // from the checked item, one column on
        QTest::keyClick(menu, Qt::Key_Return);
        QCOMPARE(k->Tick(), 14);
        k->SetOtherPopupKey(Qt::Key_Menu);
        QTest::keyClick(k.get(), Qt::Key_Menu);
        QTRY_VERIFY(menu->isVisible());
        QTest::keyClick(menu, Qt::Key_Escape);
        QVERIFY(!menu->isVisible());
    }

    void degenerateKnobsSurvive()
    {
        QVERIFY(!tickForValue(std::nanf(""), 0, 10, 11));
        // Minimum equals maximum: one tick, nothing to divide by.
        auto one = shownKnob(5, 5);
        QVERIFY(one);
        QCOMPARE(one->NumTicks(), 1);
        one->SetValue(7);
        QTest::keyClick(one.get(), Qt::Key_PageUp);
        press(*one, QPoint(16, 16));
        moveTo(*one, QPoint(30, 2));
        release(*one, QPoint(30, 2));
        QCOMPARE(one->Tick(), 0);
        QVERIFY(!render(*one).isNull());

        Knob none; // no ticks at all
        none.SetNumTicks(0);
        none.show();
        QVERIFY(QTest::qWaitFor([&] { return none.PaintedOnce(); }));
        none.SetTick(3);
        QTest::keyClick(&none, Qt::Key_End);
        QCOMPARE(none.Tick(), 0);
        none.ShowTickMenu(QPoint(0, 0));
        QCOMPARE(none.TickMenu()->Count(), 0);
        QTest::keyClick(none.TickMenu(), Qt::Key_Escape);
        QVERIFY(!render(none).isNull());
    }

    void paintsPointerAtTheTick()
    {
        auto k = shownKnob(1, 33);
        QVERIFY(k);
        const QColor inner(128, 128, 128), outer(0, 0, 0), face(0, 0, 255);
        k->SetValue(17); // tick 16: straight up, from (16, 10) to (16, 5)
        QImage img = render(*k);
        for (int y = 6; y <= 9; ++y)
            QCOMPARE(px(img, 16, y), inner);
        QCOMPARE(px(img, 15, 8), outer);
        QCOMPARE(px(img, 17, 8), outer);
        QCOMPARE(px(img, 16, 22), face);
        // First tick lower left, last tick lower right.
        for (int tick : {0, 32}) {
            k->SetTick(tick);
            img = render(*k);
            const QPoint m = (pointerPoint(tick, 33, 16, 0.5) + pointerPoint(tick, 33, 16, 0.9)) / 2;
            QVERIFY(m.y() > 16 && (tick == 0 ? m.x() < 16 : m.x() > 16));
            QCOMPARE(px(img, m.x(), m.y()), inner);
            QCOMPARE(px(img, 16, 8), face);
        }
        k->SetInnerTickColor(Qt::yellow);
        k->SetColor(QColor(0, 128, 128));
        img = render(*k);
        QCOMPARE(px(img, 19, 24), QColor(Qt::yellow)); // middle of the last tick's pointer
        QCOMPARE(px(img, 16, 8), QColor(0, 128, 128));
    }

    void paintsRingFrameAndFocus()
    {
        auto k = shownKnob(1, 33);
        QVERIFY(k);
        const QPalette pal = k->palette();
        QImage img = render(*k);
        QCOMPARE(px(img, 1, 16), opaque(pal.color(QPalette::Light))); // upper-left half of the ring
        QCOMPARE(px(img, 31, 16), opaque(pal.color(QPalette::Dark))); // lower-right half
        // No focus frame: the corner shows what lies behind the knob.
        QCOMPARE(px(img, 0, 0), opaque(pal.color(QPalette::Window)));
        k->SetTabStop(true);
        k->setFocus();
        QTRY_VERIFY(k->hasFocus());
        img = render(*k);
        // Focused: a frame in the selection colour, over the ring's edge.
        const QColor highlight = opaque(pal.color(QPalette::Active, QPalette::Highlight));
        for (QPoint edge : {QPoint(16, 1), QPoint(1, 16), QPoint(31, 16), QPoint(16, 31)})
            QCOMPARE(px(img, edge.x(), edge.y()), highlight);
        k->clearFocus();
        img = render(*k);
        QCOMPARE(px(img, 1, 16), opaque(pal.color(QPalette::Light)));
        k->SetShowFrame(true);
        img = render(*k);
        QCOMPARE(k->Centre(), 15);
        QCOMPARE(px(img, 0, 10), opaque(pal.color(QPalette::Button)));
        QCOMPARE(px(img, 32, 10), QColor(Qt::black));

        // Resizing keeps the centre where it was.
        QWidget window;
        Knob child(&window);
        child.move(100, 100);
        child.SetSize(44, 30);
        QCOMPARE(child.geometry(), QRect(95, 101, 44, 30)); // (44-33)/2 = 5, (30-33)/2 = -1
    }
};

QTEST_MAIN(TestKnob)
#include "tst_knob.moc"

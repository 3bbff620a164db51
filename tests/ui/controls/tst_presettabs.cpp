// SPDX-License-Identifier: GPL-3.0-or-later
// The wrapping tab row used for the slot tabs.
#include "controls/presettabs.h"

#include <QMimeData>
#include <QSignalSpy>
#include <QtTest>

namespace {
void fill(PresetTabs &tabs)
{
    for (const char *name :
         {"A1", "A2", "A3", "A4", "B1", "B2", "B3", "B4", "C1", "C2", "C3", "C4", "D1", "D2", "D3", "D4"})
        tabs.addTab(QString::fromLatin1(name));
}
} // namespace

class TestTabControl : public QObject {
    Q_OBJECT
private slots:
    void dropsOfTabsAndPresets()
    {
        PresetTabs tabs, other;
        fill(tabs);
        fill(other);
        tabs.resize(tabs.sizeHint().width(), tabs.heightForWidth(tabs.sizeHint().width()));
        QSignalSpy moved(&tabs, &PresetTabs::tabDropped);
        QSignalSpy preset(&tabs, &PresetTabs::presetDropped);
        // The data a drag of tab `from` of `source` carries.
        auto tabData = [](PresetTabs &source, int from) {
            auto *mime = new QMimeData;
            mime->setData(QLatin1String(PresetTabs::TabMimeType),
                          QByteArray::number(quintptr(&source)) + ':' + QByteArray::number(from));
            return mime;
        };
        auto drop = [&](QMimeData *mime, int onto, Qt::KeyboardModifiers keys = {}) {
            const QPointF at = tabs.tabRect(onto).center();
            QDragEnterEvent enter(at.toPoint(), Qt::MoveAction | Qt::CopyAction, mime, Qt::LeftButton, keys);
            QCoreApplication::sendEvent(&tabs, &enter);
            QDropEvent event(at, Qt::MoveAction | Qt::CopyAction, mime, Qt::LeftButton, keys);
            QCoreApplication::sendEvent(&tabs, &event);
            delete mime;
            return event.isAccepted();
        };
        QVERIFY(drop(tabData(tabs, 2), 9));
        QVERIFY(drop(tabData(tabs, 9), 2, Qt::ControlModifier));
        QCOMPARE(moved.size(), 2);
        QCOMPARE(moved[0], (QVariantList{2, 9, false}));
        QCOMPARE(moved[1], (QVariantList{9, 2, true}));
        // Onto itself, from another tab row, or nonsense: nothing.
        QVERIFY(!drop(tabData(tabs, 4), 4));
        QVERIFY(!drop(tabData(other, 1), 4));
        auto *junk = new QMimeData;
        junk->setData(QLatin1String(PresetTabs::TabMimeType), "garbage");
        QVERIFY(!drop(junk, 4));
        QCOMPARE(moved.size(), 2);

        auto *record = new QMimeData;
        record->setData(QLatin1String(PresetTabs::PresetMimeType), QByteArray(31, '\x11'));
        QVERIFY(drop(record, 15));
        QCOMPARE(preset.size(), 1);
        QCOMPARE(preset[0][0].toInt(), 15);
        QCOMPARE(preset[0][1].toByteArray(), QByteArray(31, '\x11'));
    }

    void wrapsSoEveryTabStaysInSight()
    {
        PresetTabs tabs;
        fill(tabs);
        const int oneRow = tabs.sizeHint().width();
        tabs.resize(oneRow, tabs.heightForWidth(oneRow));
        QCOMPARE(tabs.rowCount(), 1);

        const int narrow = oneRow / 3;
        tabs.resize(narrow, tabs.heightForWidth(narrow));
        QVERIFY(tabs.rowCount() >= 3);
        QVERIFY(tabs.heightForWidth(narrow) > tabs.heightForWidth(oneRow));
        for (int i = 0; i < tabs.count(); ++i) {
            const QRect r = tabs.tabRect(i);
            QVERIFY2(tabs.rect().contains(r), qPrintable(tabs.tabText(i)));
            for (int j = i + 1; j < tabs.count(); ++j)
                QVERIFY(!r.intersects(tabs.tabRect(j)));
            QCOMPARE(tabs.tabAt(r.center()), i);
        }
        QCOMPARE(tabs.tabAt(QPoint(-5, -5)), -1);
    }

    void selectedRowSitsNextToThePage()
    {
        PresetTabs tabs;
        fill(tabs);
        const int narrow = tabs.sizeHint().width() / 2;
        tabs.resize(narrow, tabs.heightForWidth(narrow));
        QVERIFY(tabs.rowCount() >= 2);
        auto bottom = [&] {
            int y = 0;
            for (int i = 0; i < tabs.count(); ++i)
                y = std::max(y, tabs.tabRect(i).y());
            return y;
        };
        QCOMPARE(tabs.tabRect(0).y(), bottom());
        tabs.setCurrentIndex(15);
        QCOMPARE(tabs.tabRect(15).y(), bottom());
        QVERIFY(tabs.tabRect(0).y() < bottom());
        // Order within a row is kept.
        for (int i = 0; i + 1 < tabs.count(); ++i)
            if (tabs.tabRect(i).y() == tabs.tabRect(i + 1).y())
                QVERIFY(tabs.tabRect(i).x() < tabs.tabRect(i + 1).x());
    }

    void selectionSignalsOnlyRealChanges()
    {
        PresetTabs tabs;
        fill(tabs);
        QSignalSpy changed(&tabs, &PresetTabs::currentChanged);
        QCOMPARE(tabs.currentIndex(), 0);
        tabs.setCurrentIndex(0);
        tabs.setCurrentIndex(-1);
        tabs.setCurrentIndex(16);
        QCOMPARE(changed.size(), 0);
        QCOMPARE(tabs.currentIndex(), 0);
        tabs.setCurrentIndex(6);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed[0][0].toInt(), 6);
    }

    void mouseAndKeyboard()
    {
        PresetTabs tabs;
        fill(tabs);
        tabs.resize(200, tabs.heightForWidth(200));
        tabs.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tabs));
        QSignalSpy changed(&tabs, &PresetTabs::currentChanged);
        QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.tabRect(9).center());
        QCOMPARE(tabs.currentIndex(), 9);
        // The right button opens menus, it does not select.
        QTest::mouseClick(&tabs, Qt::RightButton, {}, tabs.tabRect(3).center());
        QCOMPARE(tabs.currentIndex(), 9);
        QTest::keyClick(&tabs, Qt::Key_Right);
        QCOMPARE(tabs.currentIndex(), 10);
        QTest::keyClick(&tabs, Qt::Key_Left);
        QTest::keyClick(&tabs, Qt::Key_Left);
        QCOMPARE(tabs.currentIndex(), 8);
        QCOMPARE(changed.size(), 4);
        tabs.setCurrentIndex(15);
        QTest::keyClick(&tabs, Qt::Key_Right);
        QCOMPARE(tabs.currentIndex(), 15);
    }
};

QTEST_MAIN(TestTabControl)
#include "tst_presettabs.moc"

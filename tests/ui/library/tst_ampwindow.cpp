// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/presetfile.h"
#include "library/ampwindow.h"
#include "library/library.h"
#include "protocol/ampmessages.h"
#include "support/ampworld.h"
#include "support/scriptedprompter.h"

#include <QTreeWidget>
#include <QtTest>

using namespace preset;
using Button = Prompter::Button;

namespace {

Record withGain(int gain)
{
    Record r = DefaultRecord;
    r[PreGain] = std::uint8_t(gain);
    return r;
}

QStringList column(AmpWindow &window, int c)
{
    QStringList out;
    auto *tree = window.findChild<QTreeWidget *>(QStringLiteral("AmpSlots"));
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        out << tree->topLevelItem(i)->text(c).trimmed();
    return out;
}

} // namespace

class TestAmpWindow : public QObject {
    Q_OBJECT

private slots:
    void slotsAreNamedFromTheLibrary();
    void reorderPlan_data();
    void reorderPlan();
    void readWriteAndSwitchOverTheAmp();
};

void TestAmpWindow::slotsAreNamedFromTheLibrary()
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(data));
    files::writeSingleFile(data + QStringLiteral("/Glassy Jazz.syx"), withGain(5));
    std::array<std::uint8_t, GroupSize> group{};
    for (int s = 0; s < SlotCount; ++s)
        std::ranges::copy(withGain(10 + s), group.begin() + s * RecordSize);
    files::writeGroupFile(data + QStringLiteral("/Band.syx"), group);
    Library library(dir.filePath(QStringLiteral("index.sqlite")));
    library.setDataFolder(data);
    library.start();
    QVERIFY(library.waitUntilIdle());

    AmpSlots known;
    known.setClock([] { return QDateTime(QDate(2026, 12, 8), QTime(21, 5, 0)); });
    known.read(0, withGain(5));    // a single file's preset
    known.read(1, withGain(15));   // a group's slot
    known.read(2, withGain(30));   // nowhere in the library
    known.written(3, withGain(5)); // written, not read back: stale
    known.setPlaying(1);
    ScriptedPrompter prompter;
    AmpWindow window(known, library, prompter, {});
    const QStringList names = column(window, 1).mid(0, 5);
    QCOMPARE(names, (QStringList{QStringLiteral("Glassy Jazz.syx"), QStringLiteral("Band.syx B2"),
                                 QStringLiteral("not in the library"), QStringLiteral("Glassy Jazz.syx"),
                                 QStringLiteral("not read")}));
    QCOMPARE(column(window, 5).mid(0, 4), (QStringList{"21:05:00", "21:05:00", "21:05:00", "-"}));
    auto *tree = window.findChild<QTreeWidget *>(QStringLiteral("AmpSlots"));
    QVERIFY(tree->topLevelItem(1)->text(0).startsWith(QChar(0x25B6))); // playing
    QVERIFY(!tree->topLevelItem(3)->toolTip(1).isEmpty());             // stale
    QVERIFY(tree->topLevelItem(0)->toolTip(1).isEmpty());
    // An edit on the Amp makes the playing slot stale; a read makes it fresh.
    known.playingEdited();
    QVERIFY(!tree->topLevelItem(1)->toolTip(1).isEmpty());
    known.read(1, withGain(16));
    QVERIFY(tree->topLevelItem(1)->toolTip(1).isEmpty());
    QCOMPARE(column(window, 1)[1], QStringLiteral("Band.syx B3"));
}

void TestAmpWindow::reorderPlan_data()
{
    QTest::addColumn<QList<int>>("order"); // the slots as shown after the drag, A1 first
    QTest::addColumn<QString>("plan");
    QList<int> identity;
    for (int s = 0; s < SlotCount; ++s)
        identity << s;
    QList<int> swap = identity;
    std::swap(swap[0], swap[5]);
    QTest::newRow("swap A1 and B2") << swap << QStringLiteral("A1 \u2190 B2, B2 \u2190 A1");
    QList<int> moved = identity;
    moved.move(0, 2); // A1 dragged below A3: A2 and A3 move up
    QTest::newRow("moved down") << moved << QStringLiteral("A1 \u2190 A2, A2 \u2190 A3, A3 \u2190 A1");
    QList<int> same = identity;
    std::swap(same[6], same[7]); // B3 and B4 hold the same preset
    QTest::newRow("same presets") << same << QString();
    QList<int> unknown = identity;
    std::swap(unknown[14], unknown[15]); // D4 never read: D3 cannot take it
    QTest::newRow("unknown slot") << unknown << QStringLiteral("D4 \u2190 D3");
    QTest::newRow("nothing moved") << identity << QString();
}

void TestAmpWindow::reorderPlan()
{
    QFETCH(QList<int>, order);
    QFETCH(QString, plan);
    AmpSlots known;
    for (int s = 0; s < SlotCount - 1; ++s)
        known.read(s, withGain(s == 7 ? 7 : s + 1));
    QString text;
    const AmpWindow::Actions::Plan written =
        AmpWindow::planFor(std::vector<int>(order.begin(), order.end()), known, &text);
    QCOMPARE(text, plan);
    for (const auto &[to, record] : written)
        QCOMPARE(record, *known.slot(order[to]).record);
}

void TestAmpWindow::readWriteAndSwitchOverTheAmp()
{
    ScriptedPrompter prompter;
    AmpWorld world(prompter);
    QTemporaryDir dir;
    world.s().backups().setFolder(dir.filePath(QStringLiteral("backups")));
    world.s().link().identified(0x20, false); // found, as after a sync
    for (int s = 0; s < SlotCount; ++s)
        std::ranges::copy(withGain(s + 1), world.amp().presets.begin() + s * RecordSize);
    AmpSlots &known = world.s().ampSlots();

    // Read the Amp: every slot known, the document untouched.
    world.s().run([&] { world.s().fetches().readTheAmp(); });
    world.settle();
    QVERIFY(known.allKnown());
    QCOMPARE(known.slot(9).record, withGain(10));
    QVERIFY(!world.s().document().isModified());

    // A1 and B2 swapped: one backup of the group, two slots written, both stale.
    std::vector<int> order(SlotCount);
    std::iota(order.begin(), order.end(), 0);
    std::swap(order[0], order[5]);
    QString text;
    const auto plan = AmpWindow::planFor(order, known, &text);
    prompter.answers = {Button::Yes};
    world.s().run([&] { world.s().writes().writeSlots(plan, text); });
    world.settle();
    QCOMPARE(int(world.amp().presets[PreGain]), 6);
    QCOMPARE(int(world.amp().presets[5 * RecordSize + PreGain]), 1);
    QCOMPARE(int(world.amp().presets[1 * RecordSize + PreGain]), 2);
    QCOMPARE(QDir(dir.filePath(QStringLiteral("backups"))).entryList(QDir::Files).size(), 1);
    QVERIFY(known.slot(0).stale && known.slot(5).stale && !known.slot(1).stale);

    // Clicking B3 switches the Amp; the editor follows and the slot plays.
    world.s().run([&] { world.s().fetches().switchTo(6); });
    world.settle();
    QCOMPARE(world.amp().currentSlot, 6);
    QCOMPARE(known.playing(), 6);
    QCOMPARE(world.shown(), withGain(7));
    QCOMPARE(world.s().document().titleName(), QStringLiteral("User Preset B3"));
    QCOMPARE(prompter.unexpected, 0);
}

QTEST_MAIN(TestAmpWindow)
#include "tst_ampwindow.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// The Amp, the screen and the file stay in step: the faults that once put
// them apart, one row each, over the built-in virtual Amp through the real
// send queue.
#include "files/presetfile.h"
#include "model/quorvexerror.h"
#include "session/amplink.h"
#include "support/ampworld.h"
#include "support/scriptedprompter.h"
#include "support/sequencedriver.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using Button = Prompter::Button;
using View = PresetEditor::View;

namespace {

// Sixteen presets told apart by their PreGain (slot + 1) and amp model.
std::array<std::uint8_t, preset::GroupSize> bandGroup()
{
    std::array<std::uint8_t, preset::GroupSize> g{};
    for (int slot = 0; slot < preset::SlotCount; ++slot) {
        std::copy(preset::DefaultRecord.begin(), preset::DefaultRecord.end(), g.begin() + slot * preset::RecordSize);
        g[slot * preset::RecordSize + preset::PreGain] = std::uint8_t(slot + 1);
        g[slot * preset::RecordSize + preset::AmpCab] = std::uint8_t(slot % 12);
    }
    return g;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Rig {
    ScriptedPrompter prompter;
    AmpWorld world{prompter};
    Session &s = world.s();
    PresetEditor &editor = world.editor();
    QUndoStack &stack = editor.history().stack();
    QTemporaryDir dir;
    QString band = dir.filePath(QStringLiteral("band.syx"));

    // A group file opened, its tab A1 shown and playing.
    void openBand()
    {
        QVERIFY(s.document().setWorkingDirectory(dir.path()));
        files::writeGroupFile(band, bandGroup());
        QVERIFY(s.run([&] { QVERIFY(s.files().openNamed(band)); }));
        world.settle();
        QVERIFY(editor.isGroupView());
        QVERIFY(!s.document().isModified());
    }
    // Undo and redo as the Edit menu does them, each followed by the Amp.
    void undo()
    {
        stack.undo();
        world.settle();
    }
    void redo()
    {
        stack.redo();
        world.settle();
    }
    // Save, and the file holds what the editor holds.
    bool savedInStep()
    {
        if (!s.run([&] { s.files().save(); }))
            return false;
        const amp::Bytes expected = amp::groupDump(editor.image().group);
        return fileBytes(band) ==
               QByteArray(reinterpret_cast<const char *>(expected.data()), qsizetype(expected.size()));
    }
};

} // namespace

class TestOneTruth : public QObject {
    Q_OBJECT
private slots:
    void theAmpsPresetIntoAGroupIsAStep_data();
    void theAmpsPresetIntoAGroupIsAStep();
    void boostCommandsUndoOnTheAmpToo_data();
    void boostCommandsUndoOnTheAmpToo();
    void aFailedOpenChangesNothing_data();
    void aFailedOpenChangesNothing();
    void outOfRangeValuesAreMadeValidOnce();
    void restoringABackupLeavesTheAmpOnTheShownSlot();
    void checkTheAmp_data();
    void checkTheAmp();
    void randomSequencesStayInStep_data();
    void randomSequencesStayInStep();
};

void TestOneTruth::theAmpsPresetIntoAGroupIsAStep_data()
{
    QTest::addColumn<bool>("programChange"); // else Transfer > Preset from Amp > B2
    QTest::addColumn<QString>("step");
    QTest::newRow("a Program Change on the Amp") << true << u"From the Amp: B3 into tab D4"_qs;
    QTest::newRow("Preset from Amp") << false << u"From the Amp: B2 into tab D4"_qs;
}

void TestOneTruth::theAmpsPresetIntoAGroupIsAStep()
{
    // The selected tab takes the Amp's preset as an edit: unsaved, named,
    // undone on the Amp too; the edits before it stay undoable.
    QFETCH(bool, programChange);
    QFETCH(QString, step);
    Rig rig;
    rig.openBand();
    rig.editor.selectSlot(2);
    rig.editor.editByte(preset::Low, 30);
    rig.editor.selectSlot(15);
    rig.world.settle();
    const auto before = rig.editor.image().group;
    for (int slot = 0; slot < preset::SlotCount; ++slot)
        rig.world.amp().presets[slot * preset::RecordSize + preset::PreGain] = std::uint8_t(20 + slot);
    if (programChange)
        rig.world.hand().stepToPreset(6, true);
    else
        rig.s.run([&] { rig.s.fetches().presetFromAmp(5); });
    rig.world.settle();
    QCOMPARE(rig.editor.record()[preset::PreGain], programChange ? 26 : 25);
    QCOMPARE(rig.world.outOfStep(), QString());
    QVERIFY(rig.s.document().isModified());
    QCOMPARE(rig.s.document().filePath(), QFileInfo(rig.band).absoluteFilePath());
    QCOMPARE(rig.stack.undoText(), step);
    QCOMPARE(rig.prompter.shown.size(), 0); // nothing to lose, nothing asked

    rig.undo();
    QVERIFY(rig.editor.image().group == before);
    QCOMPARE(rig.world.outOfStep(), QString());
    QVERIFY(rig.stack.canUndo()); // the edit of A3 before it
    rig.redo();
    QCOMPARE(rig.editor.record()[preset::PreGain], programChange ? 26 : 25);
    QCOMPARE(rig.world.outOfStep(), QString());
    QVERIFY(rig.savedInStep());
    QVERIFY(!rig.s.document().isModified());
}

void TestOneTruth::boostCommandsUndoOnTheAmpToo_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("Boost All Tabs") << "boost";
    QTest::newRow("Un-boost All Tabs") << "unboost";
    QTest::newRow("Restore Boost Settings") << "restore";
}

void TestOneTruth::boostCommandsUndoOnTheAmpToo()
{
    QFETCH(QString, command);
    Rig rig;
    rig.openBand();
    // The shown slot's Boost differs from what the command makes of it.
    const int shownBoost = command == QLatin1String("boost") ? 0 : 1;
    rig.editor.editField(preset::BoostAlt, shownBoost);
    if (command == QLatin1String("restore"))
        rig.editor.boostAllTabs(false);
    rig.world.settle();
    QCOMPARE(rig.world.outOfStep(), QString());
    const auto before = rig.editor.image().group;
    if (command == QLatin1String("boost"))
        rig.editor.boostAllTabs(true);
    else if (command == QLatin1String("unboost"))
        rig.editor.boostAllTabs(false);
    else
        rig.editor.restoreBoostSettings();
    rig.world.settle();
    const auto after = rig.editor.image().group;
    QVERIFY(after != before);
    QCOMPARE(rig.world.outOfStep(), QString());
    rig.undo();
    QVERIFY(rig.editor.image().group == before);
    QCOMPARE(rig.world.outOfStep(), QString());
    rig.redo();
    QVERIFY(rig.editor.image().group == after);
    QCOMPARE(rig.world.outOfStep(), QString());
    // Undone on another tab, the Amp follows the tab it plays.
    rig.editor.selectSlot(9);
    rig.undo();
    QCOMPARE(rig.world.outOfStep(), QString());
}

void TestOneTruth::aFailedOpenChangesNothing_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("damaged");
    const amp::Bytes single = amp::singlePreset(preset::DefaultRecord);
    const amp::Bytes group = amp::groupDump(bandGroup());
    const QByteArray shortSingle(reinterpret_cast<const char *>(single.data()), 50);
    QTest::newRow("open: a preset file cut short") << "open" << shortSingle;
    QTest::newRow("open: a group file cut short")
        << "open" << QByteArray(reinterpret_cast<const char *>(group.data()), 999);
    QTest::newRow("open: a file of another kind") << "open" << QByteArray("F0 00 20 4F 10 00 09 ...");
    QTest::newRow("import: a preset file cut short") << "import" << shortSingle;
    QTest::newRow("restore: a backup cut short") << "restore" << shortSingle;
}

void TestOneTruth::aFailedOpenChangesNothing()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, damaged);
    Rig rig;
    rig.openBand();
    rig.editor.selectSlot(4);
    rig.editor.editByte(preset::PreGain, 30);
    rig.world.settle();
    const auto group = rig.editor.image().group;
    const QString title = rig.s.document().caption();
    const int steps = rig.stack.count();
    const QString path = rig.dir.filePath(QStringLiteral("damaged.syx"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(damaged);
    }
    const auto amp = rig.world.amp().presets;
    rig.prompter.answers = {Button::No};
    rig.prompter.fileNames = {path};
    rig.s.run([&] {
        if (command == QLatin1String("open"))
            rig.s.files().openDropped(path);
        else if (command == QLatin1String("import"))
            rig.s.files().importSingleToTab();
        else
            rig.s.writes().restoreBackup();
    });
    rig.world.settle();
    QVERIFY(rig.world.amp().presets == amp);
    QCOMPARE(rig.prompter.shown.last().caption, rig.s.document().applicationTitle()); // the error box
    QVERIFY(rig.editor.isGroupView());
    QCOMPARE(rig.editor.currentSlot(), 4);
    QVERIFY(rig.editor.image().group == group);
    QCOMPARE(rig.s.document().caption(), title);
    QCOMPARE(rig.stack.count(), steps);
    QVERIFY(rig.s.document().isModified());
    QCOMPARE(rig.world.outOfStep(), QString());
}

void TestOneTruth::outOfRangeValuesAreMadeValidOnce()
{
    // Bytes beyond what the Amp takes are set to the nearest value it
    // takes as the file is read; the user is told once, and the Amp never
    // gets the raw bytes.
    Rig rig;
    auto group = bandGroup();
    group[3 * preset::RecordSize + preset::ModTone] = 0xEF; // modulation type 15
    group[0 * preset::RecordSize + preset::PreGain] = 250;
    group[0 * preset::RecordSize + preset::DLTime] = 0;
    files::writeGroupFile(rig.band, group);
    QVERIFY(rig.s.run([&] { rig.s.files().openNamed(rig.band); }));
    rig.world.settle();
    QCOMPARE(rig.editor.record()[preset::PreGain], 33);
    QCOMPARE(rig.editor.record()[preset::DLTime], 1);
    QCOMPARE(rig.editor.image().readField(3, preset::ModType), 5);
    QCOMPARE(rig.editor.image().readField(3, preset::Presence), 2); // the rest of the byte kept
    QCOMPARE(rig.world.outOfStep(), QString());
    QCOMPARE(rig.prompter.shown.size(), 1);
    const QString told = rig.prompter.shown.first().text;
    QVERIFY2(told.contains(QLatin1String("band.syx")) && told.contains(QLatin1String("A1 PreGain")) &&
                 told.contains(QLatin1String("A4 Type")) && told.contains(QLatin1String("A1 Base")),
             qPrintable(told));
    QVERIFY(!rig.s.document().isModified());
    // The Amp's own out-of-range report is made valid and sent back.
    rig.world.hand().turnKnob(preset::PreGain, 99);
    rig.world.settle();
    QCOMPARE(rig.editor.record()[preset::PreGain], 33);
    QCOMPARE(rig.world.outOfStep(), QString());
}

void TestOneTruth::restoringABackupLeavesTheAmpOnTheShownSlot()
{
    // Old firmware stores a preset by way of its current preset: the
    // backup put back into B1 must not stay what the Amp plays.
    Rig rig;
    rig.openBand();
    rig.s.link().setFirmwareVersion(0x14);
    rig.s.backups().setFolder(rig.dir.filePath(QStringLiteral("backups")));
    preset::Record kept = preset::DefaultRecord;
    kept[preset::PreGain] = 29;
    const QString backup = rig.s.backups().save(amp::singlePreset(kept), QStringLiteral("B1"));
    rig.prompter.fileNames = {backup};
    rig.prompter.answers = {Button::Yes};
    rig.s.run([&] { rig.s.writes().restoreBackup(); });
    rig.world.settle();
    QCOMPARE(rig.world.amp().presets[4 * preset::RecordSize + preset::PreGain], 29);
    QCOMPARE(rig.world.outOfStep(), QString());
    QVERIFY(!rig.s.document().isModified());
}

void TestOneTruth::checkTheAmp_data()
{
    QTest::addColumn<bool>("differs");
    QTest::addColumn<bool>("reconnect"); // by itself, once the Amp is heard again after a silence
    QTest::addColumn<int>("answer");     // Yes: the editor's, No: the Amp's, Cancel: neither
    QTest::addColumn<QString>("told");
    QTest::newRow("matching") << false << false << int(Button::Ok) << "The Amp matches the editor.";
    QTest::newRow("matching after a reconnect") << false << true << int(Button::Ok) << "";
    QTest::newRow("send the editor's") << true << false << int(Button::Yes) << "tab A3:\n\nPreGain: editor 3, Amp 30";
    QTest::newRow("take the Amp's") << true << false << int(Button::No) << "tab A3:\n\nPreGain: editor 3, Amp 30";
    QTest::newRow("neither") << true << false << int(Button::Cancel) << "PreGain: editor 3, Amp 30";
    QTest::newRow("after a reconnect") << true << true << int(Button::No) << "PreGain: editor 3, Amp 30";
}

void TestOneTruth::checkTheAmp()
{
    QFETCH(bool, differs);
    QFETCH(bool, reconnect);
    QFETCH(int, answer);
    QFETCH(QString, told);
    Rig rig;
    rig.openBand();
    rig.editor.selectSlot(2);
    rig.world.settle();
    const auto document = rig.editor.image().group;
    if (differs) // lost on the way, or turned while nobody listened
        rig.world.amp().current[preset::PreGain] = 30;
    const auto amp = rig.world.amp().current;
    if (answer != int(Button::Ok))
        rig.prompter.answers = {Button(answer)};
    if (reconnect) {
        AmpLink &link = rig.s.link();
        link.identified(0x20, false);
        link.ampSilent();
        rig.world.hand().turnKnob(preset::Reserved16, rig.world.amp().current[preset::Reserved16]); // heard again
    } else {
        rig.s.run([&] { rig.s.check().checkAmp(); });
    }
    rig.world.settle();
    QCOMPARE(rig.prompter.shown.size(), told.isEmpty() ? 0 : 1);
    if (!told.isEmpty())
        QVERIFY2(rig.prompter.shown.first().text.contains(told), qPrintable(rig.prompter.shown.first().text));
    QCOMPARE(rig.prompter.unexpected, 0);
    if (answer == int(Button::Cancel)) {
        QVERIFY(rig.world.amp().current == amp); // left as it is, both sides
        QVERIFY(rig.editor.image().group == document);
        return;
    }
    QCOMPARE(rig.world.outOfStep(), QString());
    // Only taking the Amp's changes the document, as a step.
    QCOMPARE(rig.s.document().isModified(), answer == int(Button::No));
    if (answer == int(Button::No)) {
        QCOMPARE(rig.stack.undoText(), u"From the Amp: current preset into tab A3"_qs);
        rig.undo();
        QVERIFY(rig.editor.image().group == document);
        QCOMPARE(rig.world.outOfStep(), QString());
    } else {
        QVERIFY(rig.editor.image().group == document);
    }
}

void TestOneTruth::randomSequencesStayInStep_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<bool>("oldFirmware");
    QTest::addColumn<int>("steps");
    QTest::newRow("firmware 2.0") << 20260101u << false << 3000;
    QTest::newRow("firmware 1.4") << 14u << true << 3000;
    QTest::newRow("another seed") << 7u << false << 2000;
}

void TestOneTruth::randomSequencesStayInStep()
{
    // After every step of a long random run the Amp plays what the screen
    // shows, and every save holds the document.
    QFETCH(quint32, seed);
    QFETCH(bool, oldFirmware);
    QFETCH(int, steps);
    SequenceDriver driver(oldFirmware);
    QRandomGenerator random(seed);
    QStringList recent;
    for (int i = 0; i < steps; ++i) {
        const quint32 r = random.generate();
        recent << driver.step(std::uint8_t(r), std::uint8_t(r >> 8), std::uint8_t(r >> 16));
        if (recent.size() > 8)
            recent.removeFirst();
        const QString broken = driver.broken();
        QVERIFY2(broken.isEmpty(),
                 qPrintable(
                     QStringLiteral("step %1: %2\nafter: %3").arg(i).arg(broken, recent.join(QStringLiteral(" | ")))));
    }
}

QTEST_GUILESS_MAIN(TestOneTruth)
#include "tst_onetruth.moc"

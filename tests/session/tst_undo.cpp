// SPDX-License-Identifier: GPL-3.0-or-later
// Undo, redo and Compare on the session's objects, no window: each kind of
// step as a table (the record's bytes and the messages the Amp gets after
// each), merging of a knob's run of steps, the clean state after Save, a
// fresh history after a fetch, and Compare's two versions.
#include "ampsim/virtualamp.h"
#include "midi/loopbackbackend.h"
#include "session/session.h"
#include "support/ampbytes.h"
#include "support/scriptedprompter.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using amp::Bytes;
using View = PresetEditor::View;

namespace {

struct Rig {
    ScriptedPrompter prompter;
    LoopbackBackend *backend = new LoopbackBackend;
    Session s{std::unique_ptr<MidiBackend>(backend), prompter};
    PresetEditor &editor = s.editor();
    QUndoStack &stack = s.editor().history().stack();
    qint64 now = 1000;

    Rig()
    {
        s.link().midiOut().setPort(0);
        s.link().midiOut().setEnabled(true);
        editor.history().clock = [this] { return now; };
        editor.setView(View::Group);
        editor.selectSlotQuietly(2);
        for (int slot = 0; slot < preset::SlotCount; ++slot)
            editor.image().storeRecord(slot, preset::DefaultRecord);
        editor.startHistory(false);
        backend->sent.clear();
    }
    std::vector<Bytes> take() { return std::exchange(backend->sent, {}); }
    preset::Record record(int slot)
    {
        preset::Record r;
        const auto span = editor.image().record(slot);
        std::copy(span.begin(), span.end(), r.begin());
        return r;
    }
};

Bytes param(int index, int value)
{
    return ampMessage({0x0C, std::uint8_t(index), std::uint8_t(value >> 4), std::uint8_t(value & 0x0F), 0xF7});
}
Bytes bits(Field f, int value)
{
    return ampMessage(
        {0x0E, std::uint8_t(f.index), std::uint8_t(f.shift), std::uint8_t(f.width), std::uint8_t(value), 0xF7});
}

} // namespace

class TestUndo : public QObject {
    Q_OBJECT
private slots:
    void eachKindOfStep_data();
    void eachKindOfStep();
    void anotherSlotIsNotSent();
    void tabStepsPutEverySlotBack_data();
    void tabStepsPutEverySlotBack();
    void aKnobsRunIsOneStep();
    void cleanStateFollowsSave();
    void freshHistoryAfterAFetch();
    void compare();
    void compareEndsBeforeThePresetsChange_data();
    void compareEndsBeforeThePresetsChange();
    void aFloodStaysBounded_data();
    void aFloodStaysBounded();
};

void TestUndo::eachKindOfStep_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<Bytes>>("undoSends"); // redo sends the same messages with the edited values
    QTest::addColumn<QList<Bytes>>("redoSends");
    const preset::Record d = preset::DefaultRecord;
    // In group view each step names its tab.
    QTest::newRow("a knob") << "knob" << u"A3: PreGain 17 \u2192 25"_qs << QList<Bytes>{param(preset::PreGain, 17)}
                            << QList<Bytes>{param(preset::PreGain, 25)};
    // Captions two sections share say whose they are.
    QTest::newRow("the delay level") << "delay" << u"A3: Delay Level/Off 0 \u2192 12"_qs
                                     << QList<Bytes>{param(preset::DLLevel, 0)}
                                     << QList<Bytes>{param(preset::DLLevel, 12)};
    QTest::newRow("a check box") << "check" << u"A3: Bright Off \u2192 On"_qs << QList<Bytes>{bits(preset::Bright, 0)}
                                 << QList<Bytes>{bits(preset::Bright, 1)};
    QTest::newRow("the amp model") << "model" << QString() << QList<Bytes>{bits(preset::AmpModel, 0)}
                                   << QList<Bytes>{bits(preset::AmpModel, 9)};
    QTest::newRow("copy to the other set")
        << "copy"
        << "A3: Copy to other set"
        << QList<Bytes>{param(preset::PreGainAlt, d[4]), param(preset::LowAlt, d[6]), param(preset::MidAlt, d[8]),
                        param(preset::HighAlt, d[10]), param(preset::PostGainAlt, d[12])}
        << QList<Bytes>{param(preset::PreGainAlt, 29), param(preset::LowAlt, d[5]), param(preset::MidAlt, d[7]),
                        param(preset::HighAlt, d[9]), param(preset::PostGainAlt, d[11])};
    // The shown slot's flag goes with the step both ways (it once closed
    // before the panel sent it, and undid nothing on the Amp).
    QTest::newRow("boost all tabs") << "boost"
                                    << "Boost All Tabs" << QList<Bytes>{bits(preset::BoostAlt, 0)}
                                    << QList<Bytes>{bits(preset::BoostAlt, 1)};
    QTest::newRow("the Amp's own knob") << "amp" << u"A3: From the Amp: PreGain 17 \u2192 8"_qs
                                        << QList<Bytes>{param(preset::PreGain, 17)}
                                        << QList<Bytes>{param(preset::PreGain, 8)};
}

void TestUndo::eachKindOfStep()
{
    QFETCH(QString, step);
    QFETCH(QString, text);
    QFETCH(QList<Bytes>, undoSends);
    QFETCH(QList<Bytes>, redoSends);
    Rig rig;
    if (step == QLatin1String("copy"))
        rig.editor.record()[preset::PreGain] = 29; // the shown set differs from the other
    const preset::Record before = rig.record(2);
    if (step == QLatin1String("knob"))
        rig.editor.editByte(preset::PreGain, 25);
    else if (step == QLatin1String("delay"))
        rig.editor.editByte(preset::DLLevel, 12);
    else if (step == QLatin1String("check"))
        rig.editor.editField(preset::Bright, 1);
    else if (step == QLatin1String("model"))
        rig.editor.setAmpModel(9);
    else if (step == QLatin1String("copy"))
        rig.editor.copyToOtherSet(preset::Dual::Preamp);
    else if (step == QLatin1String("boost"))
        rig.editor.boostAllTabs(true);
    else if (step == QLatin1String("amp")) {
        rig.s.link().midiIn().setPort(0);
        rig.s.link().midiIn().setEnabled(true);
        rig.backend->inject(param(preset::PreGain, 8));
        rig.backend->flush();
    }
    const preset::Record edited = rig.record(2);
    QVERIFY(edited != before);
    QCOMPARE(rig.stack.count(), 1);
    if (!text.isEmpty())
        QCOMPARE(rig.stack.undoText(), text);
    rig.take();

    rig.stack.undo();
    QCOMPARE(rig.record(2), before);
    QCOMPARE(QList<Bytes>(rig.backend->sent.begin(), rig.backend->sent.end()), undoSends);
    rig.take();
    rig.stack.redo();
    QCOMPARE(rig.record(2), edited);
    QCOMPARE(QList<Bytes>(rig.backend->sent.begin(), rig.backend->sent.end()), redoSends);
    QVERIFY(!rig.editor.loading());
}

void TestUndo::anotherSlotIsNotSent()
{
    // Undone while another tab is shown: the slot gets its bytes back in the
    // editor; the Amp, which plays the shown slot, gets nothing.
    Rig rig;
    rig.editor.editByte(preset::Mid, 30);
    rig.editor.selectSlot(5);
    rig.take();
    QSignalSpy other(&rig.editor.history(), &EditHistory::otherSlotChanged);
    rig.stack.undo();
    QCOMPARE(rig.record(2)[preset::Mid], preset::DefaultRecord[preset::Mid]);
    QVERIFY(rig.take().empty());
    QCOMPARE(other.size(), 1);
    QCOMPARE(other.at(0).at(0).toInt(), 2);
}

void TestUndo::tabStepsPutEverySlotBack_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("shownChanges"); // slot 2 is shown: the Amp gets it whole both ways
    QTest::newRow("two other tabs swapped") << "swap" << 5 << 9 << false;
    QTest::newRow("the shown tab swapped") << "swap" << 9 << 2 << true;
    QTest::newRow("a tab copied to another") << "copy" << 5 << 9 << false;
    QTest::newRow("a tab copied to the shown one") << "copy" << 5 << 2 << true;
    QTest::newRow("a preset imported to another tab") << "import" << 0 << 9 << false;
    QTest::newRow("boost over every tab") << "boost" << 0 << 0 << true;
    QTest::newRow("a morph kept") << "take" << 0 << 2 << true;
}

void TestUndo::tabStepsPutEverySlotBack()
{
    // Steps that change tabs besides the shown one: each slot they touch
    // gets its bytes back at undo and the edited ones at redo, and no other.
    QFETCH(QString, step);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(bool, shownChanges);
    Rig rig;
    for (int slot = 0; slot < preset::SlotCount; ++slot) {
        rig.editor.image().record(slot)[preset::PreGain] = std::uint8_t(slot + 1);
        rig.editor.image().writeField(slot, preset::BoostAlt, slot % 2);
    }
    rig.editor.startHistory(false);
    const auto before = rig.editor.image().group;
    preset::Record imported = preset::DefaultRecord;
    imported[preset::Low] = 3;
    if (step == QLatin1String("swap"))
        rig.editor.swapSlots(from, to);
    else if (step == QLatin1String("copy"))
        rig.editor.copySlot(from, to);
    else if (step == QLatin1String("import"))
        rig.editor.importRecord(to, imported);
    else if (step == QLatin1String("take"))
        rig.editor.takeRecord(imported, QStringLiteral("Morph 40% from A to B"));
    else
        rig.editor.boostAllTabs(true);
    const auto edited = rig.editor.image().group;
    QVERIFY(edited != before);
    QCOMPARE(rig.stack.count(), 1);
    rig.take();

    rig.stack.undo();
    QVERIFY(rig.editor.image().group == before);
    const std::vector<Bytes> wholeBefore{amp::singlePreset(rig.record(2))};
    const std::vector<Bytes> none;
    if (step != QLatin1String("boost")) // boost sends the shown slot's flag alone (eachKindOfStep)
        QCOMPARE(rig.take(), shownChanges ? wholeBefore : none);
    rig.take();
    rig.stack.redo();
    QVERIFY(rig.editor.image().group == edited);
    if (step != QLatin1String("boost"))
        QCOMPARE(rig.take(), shownChanges ? std::vector<Bytes>{amp::singlePreset(rig.record(2))} : none);
}

void TestUndo::aKnobsRunIsOneStep()
{
    Rig rig;
    // Steps closer than the pause merge; the step's text spans the run.
    for (int v = 18; v <= 24; ++v) {
        rig.now += 100;
        rig.editor.editByte(preset::PreGain, std::uint8_t(v));
    }
    QCOMPARE(rig.stack.count(), 1);
    QCOMPARE(rig.stack.undoText(), u"A3: PreGain 17 \u2192 24"_qs);
    // Another control, or the same one after a pause, is a step of its own.
    rig.now += 100;
    rig.editor.editByte(preset::Low, 20);
    rig.now += EditHistory::MergePauseMs + 1;
    rig.editor.editByte(preset::Low, 21);
    QCOMPARE(rig.stack.count(), 3);
    // Turned back to where it began within one run: no step at all.
    rig.now += EditHistory::MergePauseMs + 1;
    rig.editor.editByte(preset::High, 30);
    rig.now += 50;
    rig.editor.editByte(preset::High, preset::DefaultRecord[preset::High]);
    QCOMPARE(rig.stack.count(), 3);
    rig.take();
    rig.stack.undo();
    rig.stack.undo();
    rig.stack.undo();
    QCOMPARE(rig.record(2), preset::DefaultRecord);
}

void TestUndo::cleanStateFollowsSave()
{
    Rig rig;
    QTemporaryDir dir;
    Document &doc = rig.s.document();
    rig.editor.editByte(preset::PreGain, 25);
    QVERIFY(doc.isModified());
    rig.prompter.fileNames = {dir.filePath(QStringLiteral("band.syx"))};
    QVERIFY(rig.s.files().saveAs());
    QVERIFY(!doc.isModified());
    rig.editor.editByte(preset::Low, 3);
    QVERIFY(doc.isModified());
    rig.stack.undo(); // back to what was saved
    QVERIFY(!doc.isModified());
    rig.stack.undo(); // before the save
    QVERIFY(doc.isModified());
    rig.stack.redo();
    QVERIFY(!doc.isModified());
    // The same knob at once: the saved step stays as saved, the turn is a
    // step of its own with its own name.
    rig.editor.editByte(preset::PreGain, 26);
    QCOMPARE(rig.stack.count(), 2);
    QCOMPARE(rig.stack.undoText(), u"A3: PreGain 25 \u2192 26"_qs);
    QVERIFY(doc.isModified());
}

void TestUndo::freshHistoryAfterAFetch()
{
    // In single view a fetch replaces the document: what was edited has
    // nothing to undo. (Into a group's tab it is a step: tst_onetruth.)
    Rig rig;
    VirtualAmp amp;
    rig.s.link().midiIn().setPort(0);
    rig.s.link().midiIn().setEnabled(true);
    rig.backend->peer = [&](const Bytes &m) {
        for (auto &reply : amp.receive(m))
            rig.backend->inject(reply);
    };
    rig.editor.setView(View::Single);
    rig.editor.editByte(preset::PreGain, 25);
    QVERIFY(rig.stack.canUndo());
    rig.prompter.answers = {Prompter::Button::No};
    rig.s.run([&] { rig.s.fetches().presetFromAmp(4); });
    rig.backend->flush();
    QVERIFY(!rig.stack.canUndo());
    QVERIFY(!rig.s.document().isModified());
    // The group from the Amp: a fresh history, unsaved all the same.
    rig.s.run([&] { rig.s.fetches().groupFromAmp(); });
    rig.backend->flush();
    QVERIFY(!rig.stack.canUndo());
    QVERIFY(rig.s.document().isModified());
    QVERIFY(!rig.stack.isClean());
}

void TestUndo::compare()
{
    Rig rig;
    // New presets have no stored version to compare with.
    rig.prompter.answers = {Prompter::Button::No};
    rig.s.files().newDocument(true);
    QVERIFY(!rig.editor.hasStoredVersion());
    rig.editor.setComparing(true);
    QVERIFY(!rig.editor.comparing());

    rig.editor.startHistory(false); // as if just opened
    rig.editor.editByte(preset::PreGain, 25);
    const preset::Record edited = rig.record(0);
    rig.take();
    rig.editor.setComparing(true);
    QCOMPARE(rig.take(), std::vector<Bytes>{amp::singlePreset(preset::DefaultRecord)});
    QCOMPARE(rig.record(0), preset::DefaultRecord);
    rig.editor.setComparing(false);
    QCOMPARE(rig.take(), std::vector<Bytes>{amp::singlePreset(edited)});
    QCOMPARE(rig.record(0), edited);
    QCOMPARE(rig.stack.count(), 1); // Compare is no step
}

void TestUndo::compareEndsBeforeThePresetsChange_data()
{
    QTest::addColumn<QString>("then");
    QTest::newRow("Save Changes? Yes") << "save";
    QTest::newRow("a file opened") << "open";
    QTest::newRow("a preset imported to a tab") << "import";
    QTest::newRow("a switch on the Amp") << "amp";
}

void TestUndo::compareEndsBeforeThePresetsChange()
{
    // Whatever changes or saves the presets while Compare shows the stored
    // version works on the edits, and nothing puts them back over it.
    QFETCH(QString, then);
    Rig rig;
    QTemporaryDir dir;
    const QString band = dir.filePath(QStringLiteral("band.syx"));
    QVERIFY(rig.s.document().setWorkingDirectory(dir.path())); // Save writes there without asking
    rig.prompter.fileNames = {band};
    QVERIFY(rig.s.files().saveAs()); // the stored version: the defaults
    rig.editor.editByte(preset::PreGain, 25);
    const auto edited = rig.editor.image().group;
    rig.editor.setComparing(true);
    QVERIFY(rig.editor.comparing());
    rig.take();

    preset::Record other = preset::DefaultRecord;
    other[preset::Low] = 3;
    const QString single = dir.filePath(QStringLiteral("single.syx"));
    {
        QFile f(single);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const Bytes bytes = amp::singlePreset(other);
        f.write(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
    }
    const Field alt = preset::Bright;
    if (then == QLatin1String("save")) {
        rig.prompter.answers = {Prompter::Button::Yes};
        rig.s.files().askToSave();
        QFile f(band);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), [&] {
            const Bytes bytes = amp::groupDump(edited);
            return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
        }());
    } else if (then == QLatin1String("open")) {
        rig.prompter.answers = {Prompter::Button::No};
        rig.s.files().askToSave();
        QVERIFY(rig.s.files().openNamed(single));
        QCOMPARE(rig.record(0), other);
    } else if (then == QLatin1String("import")) {
        rig.editor.selectSlotQuietly(3);
        rig.prompter.fileNames = {single};
        rig.s.files().importSingleToTab();
        QCOMPARE(rig.record(3), other);
        QCOMPARE(rig.record(2)[preset::PreGain], 25); // the edits, not the stored version
    } else {
        rig.editor.applyBitField(alt.index, alt.shift, alt.width, 1);
        const std::vector<Bytes> sent = rig.take();
        QCOMPARE(sent.size(), 2u);
        QCOMPARE(sent.back(), bits(alt, 1)); // the Amp's value on top of the edits sent back
        QCOMPARE(rig.record(2)[preset::PreGain], 25);
    }
    QVERIFY(!rig.editor.comparing());
    const auto after = rig.editor.image().group;
    rig.editor.setComparing(true); // and back: nothing of it is lost
    rig.editor.setComparing(false);
    QVERIFY(rig.editor.image().group == after);
}

void TestUndo::aFloodStaysBounded_data()
{
    QTest::addColumn<QString>("flood");
    QTest::addColumn<int>("steps"); // kept; 0: fewer than MaxSteps, as MaxBytes allows
    QTest::newRow("one of the Amp's knobs turning on") << "one knob" << 1;
    QTest::newRow("the Amp's knobs in turn: bounded by steps") << "knobs" << EditHistory::MaxSteps;
    QTest::newRow("tabs swapped: bounded by bytes") << "swaps" << 0;
}

void TestUndo::aFloodStaysBounded()
{
    // However long it goes on, the history keeps its newest steps within
    // its bounds, says that it dropped the oldest, and still undoes on the
    // Amp what it keeps.
    QFETCH(QString, flood);
    QFETCH(int, steps);
    Rig rig;
    VirtualAmp amp;
    rig.s.link().midiIn().setPort(0);
    rig.s.link().midiIn().setEnabled(true);
    rig.backend->peer = [&](const Bytes &m) { amp.receive(m); };
    for (int slot = 0; slot < preset::SlotCount; ++slot) // tabs that differ in every byte: the largest steps
        for (int i = 0; i < preset::RecordSize; ++i)
            rig.editor.image().record(slot)[i] = std::uint8_t(slot * 16 + i);
    rig.editor.sendEditorData();
    QSignalSpy dropped(&rig.editor.history(), &EditHistory::droppedOldestChanged);
    const int count = flood == QLatin1String("one knob") ? 2000 : EditHistory::MaxSteps * 2;
    for (int i = 0; i < count; ++i) {
        rig.now += 5; // faster than any hand
        if (flood == QLatin1String("swaps")) {
            rig.editor.swapSlots(i % 16, (i * 7 + 1) % 16);
            continue;
        }
        const int index = flood == QLatin1String("one knob") ? preset::PreGain : preset::PreGain + 2 * (i % 5);
        rig.backend->inject(amp.turnKnob(index, std::uint8_t(1 + (i * 13) % 33)));
        rig.backend->flush();
    }
    rig.backend->flush();
    rig.take();
    EditHistory &history = rig.editor.history();
    if (steps == 1) {
        QCOMPARE(rig.stack.count(), 1);
        QVERIFY(!history.droppedOldest());
        return;
    }
    if (steps > 0)
        QCOMPARE(rig.stack.count(), steps);
    else
        QVERIFY(rig.stack.count() < EditHistory::MaxSteps && rig.stack.count() > EditHistory::MaxSteps / 2);
    QVERIFY2(history.bytes() <= EditHistory::MaxBytes, qPrintable(QString::number(history.bytes())));
    QVERIFY(history.droppedOldest());
    QCOMPARE(dropped.size(), 1);
    // Nothing undoes back to the state the history began in: it is unsaved.
    while (rig.stack.canUndo())
        rig.stack.undo();
    QVERIFY(rig.s.document().isModified());
    QVERIFY(std::equal(amp.current.begin(), amp.current.end(), rig.editor.record().begin()));
    // A fresh history says nothing of dropped steps.
    rig.editor.startHistory(false);
    QVERIFY(!history.droppedOldest());
}

QTEST_GUILESS_MAIN(TestUndo)
#include "tst_undo.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ampsim/ampmonitor.h"
#include "ampsim/virtualamp.h"
#include "ampsim/virtualamppresets.h"
#include "midi/loopbackbackend.h"
#include "model/presetparams.h"
#include "session/session.h"
#include "support/scriptedprompter.h"
#include "tuner/tunerdisplay.h"

#include <QSignalSpy>
#include <QtTest>

// The editor's session against the virtual Amp, through the loopback MIDI
// service: every byte crosses the same ports a real Amp's would.
class TestAmpSim : public QObject {
    Q_OBJECT
private:
    struct Rig {
        ScriptedPrompter prompter;
        LoopbackBackend *backend = nullptr;
        VirtualAmp amp;
        std::unique_ptr<Session> session;

        Rig()
        {
            auto b = std::make_unique<LoopbackBackend>();
            backend = b.get();
            session = std::make_unique<Session>(std::move(b), prompter);
            backend->peer = [this](const amp::Bytes &m) {
                for (auto &reply : amp.receive(m))
                    backend->inject(reply);
            };
            session->link().midiIn().setPort(0);
            session->link().midiIn().setEnabled(true);
            session->link().midiOut().setPort(0);
            session->link().midiOut().setEnabled(true);
        }
        DeviceImage &image() { return session->editor().image(); }
        AmpTransfers &transfers() { return session->transfers(); }
        void send(const amp::Bytes &m) { session->link().midiOut().sendSysEx(m.data(), int(m.size())); }
        void request(const amp::Bytes &m, TransferState awaited)
        {
            send(m);
            if (awaited != TransferState::Idle)
                transfers().await(awaited);
            backend->flush();
        }
    };

private slots:
    void userPresetsAreDistinctAndValid();
    void identifyReportsConfiguredVersion();
    void groupRequestFillsTheImage();
    void liveEditsReachTheAmpsCurrentPreset();
    void globalRequestsAndSettings();
    void presetWriteStoreAndDumpsToAmp();
    void ampKnobAndTunerReachTheEditor();
    void ampIgnoresMalformedMessages();
    void tunerStreamsInTunerModeOnly();
    void monitorDescribesEachMessage_data();
    void monitorDescribesEachMessage();
};

void TestAmpSim::userPresetsAreDistinctAndValid()
{
    // Stepping through them must visibly change the editor: no two alike,
    // no value the Amp would not take, each named.
    VirtualAmp amp;
    QSet<QString> names;
    QSet<QByteArray> records;
    for (int s = 0; s < preset::SlotCount; ++s) {
        preset::Record r;
        std::copy_n(amp.presets.begin() + s * preset::RecordSize, preset::RecordSize, r.begin());
        QCOMPARE(r, virtualamppresets::all()[std::size_t(s)].record);
        QVERIFY(presetparams::makeValid(r).empty());
        names.insert(virtualamppresets::all()[std::size_t(s)].name);
        records.insert(QByteArray(reinterpret_cast<const char *>(r.data()), preset::RecordSize));
    }
    QCOMPARE(names.size(), preset::SlotCount);
    QCOMPARE(records.size(), preset::SlotCount);
    QVERIFY(std::equal(amp.current.begin(), amp.current.end(), amp.presets.begin()));
}

void TestAmpSim::identifyReportsConfiguredVersion()
{
    for (auto [byte, version, g] :
         {std::tuple{0x04, 0x14, false}, {0x05, 0x15, false}, {0x47, 0x17, true}, {0x10, 0x20, false}}) {
        Rig rig;
        rig.amp.versionByte = std::uint8_t(byte);
        rig.request(amp::identifyRequest(), TransferState::Identify);
        QCOMPARE(rig.session->link().firmwareVersion(), version);
        QCOMPARE(rig.session->link().gVariant(), g);
        QCOMPARE(rig.transfers().state(), TransferState::Idle);
        QVERIFY(rig.session->link().isAmpFound());
    }
}

void TestAmpSim::groupRequestFillsTheImage()
{
    Rig rig;
    for (int i = 0; i < preset::GroupSize; ++i)
        rig.amp.presets[i] = std::uint8_t((i * 13) & 0xFF);
    rig.request(amp::groupRequest(), TransferState::Group);
    auto valid = rig.amp.presets; // the editor takes values the Amp means
    for (int slot = 0; slot < preset::SlotCount; ++slot)
        presetparams::makeValid(
            std::span<std::uint8_t, preset::RecordSize>(valid.data() + slot * preset::RecordSize, preset::RecordSize));
    QCOMPARE(rig.image().group, valid);
    QCOMPARE(rig.transfers().state(), TransferState::Idle);
    QVERIFY(!rig.transfers().replyTimer().isActive());
    // Shown in group view on A1, which goes back to the Amp as its current preset.
    QCOMPARE(rig.session->editor().view(), PresetEditor::View::Group);
    QCOMPARE(rig.session->document().caption(), QStringLiteral("Amp Presets - Quorvex"));
    QCOMPARE(rig.backend->sent.size(), std::size_t(2));
    QCOMPARE(rig.backend->sent.back(), amp::singlePreset(rig.image().record(0)));

    // Not asked for: an unsolicited dump changes nothing.
    Rig idle;
    idle.amp.presets.fill(0x42);
    idle.request(amp::groupRequest(), TransferState::Idle);
    QVERIFY(idle.image().group != idle.amp.presets);
}

void TestAmpSim::liveEditsReachTheAmpsCurrentPreset()
{
    Rig rig;
    Session &s = *rig.session;
    s.editor().setView(PresetEditor::View::Group);
    s.editor().selectSlotQuietly(6);
    s.editor().editByte(preset::DLTime, 250);
    s.editor().editField(preset::Presence, 3);
    s.editor().editField(preset::TapFunction, 15);
    s.editor().editField(preset::Dark, 1);
    s.editor().editField(preset::DLSeparationBits, 25);
    QCOMPARE(rig.amp.current[preset::DLTime], 250);
    QCOMPARE(bitfield::read(rig.amp.current[preset::ModTone], 4, 2), 3);
    QCOMPARE(rig.amp.current[preset::AltTap] >> 4, 15);
    QCOMPARE(rig.amp.current[preset::DLSepDark], 0x80 | 25);
    QVERIFY(s.document().isModified());

    s.editor().sendEditorData();
    QVERIFY(std::equal(rig.amp.current.begin(), rig.amp.current.end(), rig.image().record(6).begin()));
}

void TestAmpSim::globalRequestsAndSettings()
{
    Rig rig;
    rig.amp.globals[3] = 0x25; // channel in the low five bits
    rig.amp.globals[13] = 4;
    rig.request(amp::globalBitFieldRequest(3, 0, 5), TransferState::Idle);
    QCOMPARE(rig.image().globals[3], 0x05);
    rig.request(amp::globalBitFieldRequest(13, 0, 5), TransferState::Idle);
    QCOMPARE(rig.image().globals[13], 4);

    for (int i = 0; i < preset::GlobalSize; ++i)
        rig.amp.globals[i] = std::uint8_t(0x80 + i);
    rig.session->globals().setGlobalsWindowOpen(true); // only the globals window takes them in
    rig.request(amp::globalsRequest(), TransferState::Globals);
    QCOMPARE(rig.image().globals, rig.amp.globals);

    rig.send(amp::globalBitField(10, 0, 7, 0x33));
    QCOMPARE(rig.amp.globals[10], 0x80 | 0x33); // a seven-bit field keeps the top bit
    rig.session->editor().setCabinet(5);        // the override is on (byte 13 is 0x8D)
    QCOMPARE(rig.amp.globals[13], 0x80 | 6);    // the override is a five-bit field
    rig.image().globals.fill(0x01);
    rig.send(amp::globals(rig.image().globals));
    QCOMPARE(rig.amp.globals, rig.image().globals);
}

void TestAmpSim::presetWriteStoreAndDumpsToAmp()
{
    Rig rig;
    preset::Record rec;
    rec.fill(0x21);
    rig.send(amp::presetWrite(15, rec));
    QVERIFY(std::equal(rec.begin(), rec.end(), rig.amp.presets.begin() + 465));
    QCOMPARE(rig.amp.presets[464], preset::DefaultRecord[30]);

    rig.image().record(0)[preset::Reserved16] = 0x99; // carried whatever it holds
    rig.session->editor().sendEditorData();
    rig.send(amp::presetStore(2));
    QCOMPARE(rig.amp.presets[2 * 31 + preset::Reserved16], 0x99);

    rig.image().group.fill(0x0C);
    rig.send(amp::groupDump(rig.image().group));
    QCOMPARE(rig.amp.presets, rig.image().group);

    rig.request(amp::presetRequest(4), TransferState::Idle); // unasked: ignored
    rig.send(amp::tunerMode(1));
    QVERIFY(rig.amp.tunerOn);
    rig.session->editor().pressFootswitch();
    rig.send(amp::syncComplete());
    QCOMPARE(rig.amp.footswitchPresses, std::vector<std::uint8_t>{1});
    QCOMPARE(rig.amp.syncCompletes, 1);
    QCOMPARE(rig.amp.ignored, 0);
}

void TestAmpSim::ampKnobAndTunerReachTheEditor()
{
    Rig rig;
    QSignalSpy tuner(&rig.session->globals(), &AmpGlobals::tunerReading);
    rig.backend->inject(rig.amp.turnKnob(preset::MidFreq, 30));
    rig.backend->inject(rig.amp.tunerReading(0x12, 0xAB));
    rig.backend->flush();
    QCOMPARE(rig.image().record(0)[preset::MidFreq], 30);
    QCOMPARE(rig.amp.current[preset::MidFreq], 30);
    QVERIFY(rig.session->document().isModified());
    QCOMPARE(tuner.size(), 1);
    QCOMPARE(tuner.at(0), (QVariantList{0x12, 0xAB}));
}

void TestAmpSim::ampIgnoresMalformedMessages()
{
    VirtualAmp amp;
    const auto before = amp.current;
    amp::Bytes m = amp::parameterSet(3, 0x55);
    m.pop_back(); // no F7
    QVERIFY(amp.receive(m).empty());
    m = amp::parameterSet(40, 0x55);
    amp.receive(m);
    m = amp::identifyRequest();
    m.insert(m.end() - 1, 0x00); // wrong length
    QVERIFY(amp.receive(m).empty());
    QCOMPARE(amp.current, before);
    QCOMPARE(amp.ignored, 2);
    QCOMPARE(amp.receive(amp::identifyRequest()).size(), std::size_t(1));
}

void TestAmpSim::tunerStreamsInTunerModeOnly()
{
    VirtualAmp amp;
    amp.versionByte = 0x05; // 1.5: the first with tuner data
    QVERIFY(!amp.tunerMessageDue(0));
    amp.receive(amp::tunerMode(1));

    // Twelve notes' worth at a 10 ms timer: a message every 50 ms, each a
    // whole tuner data message; every note class, every LED, beyond both
    // ends, and silence between the notes.
    const std::int64_t span = 12 * VirtualAmp::TunerNoteMs;
    int messages = 0, silent = 0;
    QSet<int> notes, leds;
    for (std::int64_t now = 1000; now < 1000 + span; now += 10) {
        const auto m = amp.tunerMessageDue(now);
        if (!m)
            continue;
        ++messages;
        QCOMPARE(m->size(), std::size_t(12));
        QVERIFY(amp::hasAmpHeader(m->data(), m->size()) && (*m)[6] == amp::TunerData && m->back() == 0xF7);
        for (int i = 7; i < 11; ++i)
            QVERIFY((*m)[i] < 0x10);
        const std::uint8_t n = amp::fromNibbles((*m)[7], (*m)[8]), p = amp::fromNibbles((*m)[9], (*m)[10]);
        if (n == tuner::Silence) {
            ++silent;
            continue;
        }
        notes.insert((n & 0x7F) % 12);
        leds.insert(tuner::ledFor(p));
    }
    QCOMPARE(messages, int(span / VirtualAmp::TunerIntervalMs));
    QCOMPARE(notes.size(), 12);
    QCOMPARE(leds.size(), tuner::LedCount + 1); // and NoLed
    QVERIFY(silent > 0 && silent < messages / 2);

    // A caller that falls behind gets one message, not a backlog.
    QVERIFY(amp.tunerMessageDue(100000));
    QVERIFY(!amp.tunerMessageDue(100049));
    QVERIFY(amp.tunerMessageDue(100050));

    // Not outside tuner mode, nor from firmware 1.4.
    amp.receive(amp::tunerMode(0));
    QVERIFY(!amp.tunerMessageDue(200000));
    VirtualAmp old;
    old.versionByte = 0x04;
    old.receive(amp::tunerMode(1));
    QVERIFY(!old.tunerMessageDue(0));
}

void TestAmpSim::monitorDescribesEachMessage_data()
{
    QTest::addColumn<amp::Bytes>("message");
    QTest::addColumn<QString>("line");
    QTest::newRow("parameter") << amp::parameterSet(0x12, 0xA5) << "parameter 18 = 165";
    QTest::newRow("field") << amp::bitField(29, 5, 1, 1) << "field 29 bits 5+1 = 1";
    QTest::newRow("preset request") << amp::presetRequest(5) << "preset request B2";
    QTest::newRow("identify reply G") << amp::identifyReply(0x40 | 0x04) << "identify reply: version 1.4 G";
    QTest::newRow("identify reply") << amp::identifyReply(0x02) << "identify reply: version 1.2";
    QTest::newRow("program change") << amp::Bytes{0xC2, 5} << "Program Change 5 (channel 3)";
    QTest::newRow("control change") << amp::Bytes{0xB0, 32, 1} << "Control Change 32 = 1 (channel 1)";
    QTest::newRow("foreign sysex") << amp::Bytes{0xF0, 0x7E, 0x00, 0xF7} << "SysEx F0 7E 00 F7 (4 bytes)";
    // A cut-off parameter message must not be read past its end.
    amp::Bytes cut = amp::parameterSet(3, 7);
    cut.resize(amp::CommandPos + 2);
    QTest::newRow("truncated") << cut << "parameter 3 = -1";
}

void TestAmpSim::monitorDescribesEachMessage()
{
    QFETCH(amp::Bytes, message);
    QFETCH(QString, line);
    QCOMPARE(describeMessage(message.data(), message.size()), line);
}

QTEST_GUILESS_MAIN(TestAmpSim)
#include "tst_ampsim.moc"

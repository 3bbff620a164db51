#include "ampsim/virtualamp.h"
#include "midi/loopbackbackend.h"
#include "midi/tmidiin.h"
#include "midi/tmidiout.h"
#include "protocol/ampsender.h"
#include "protocol/amptransfers.h"
#include "protocol/sysexdispatcher.h"

#include <QtTest>

// The editor's message layer against the virtual Amp, through the loopback
// MIDI service: every byte crosses the same ports a real Amp's would.
class TestAmpSim : public QObject {
    Q_OBJECT
private:
    struct Rig {
        LoopbackBackend backend;
        VirtualAmp amp;
        DeviceImage image;
        EditorState state;
        TMidiIn in{backend};
        TMidiOut out{backend};
        AmpTransfers transfers{image, state};
        SysExDispatcher dispatcher{image, state, transfers};
        AmpSender sender{out, image, state};

        Rig()
        {
            image.fillDefaults();
            backend.peer = [this](const amp::Bytes &m) {
                for (auto &reply : amp.receive(m))
                    backend.inject(reply);
            };
            in.OnSysEx = [this](TMidiIn *, const std::uint8_t *p, int n) { dispatcher.MidiIn1SysEx(p, n); };
            in.setUsing(true);
            out.setUsing(true);
        }
        void request(const amp::Bytes &m, int transferState)
        {
            sender.send(m);
            transfers.TransferState = transferState;
            transfers.TimerSysex.start();
            backend.flush();
        }
    };

private slots:
    void identifyReportsConfiguredVersion();
    void groupRequestFillsTheImage();
    void liveEditsReachTheAmpsCurrentPreset();
    void globalRequestsAndSettings();
    void presetWriteStoreAndDumpsToAmp();
    void ampKnobAndTunerReachTheEditor();
    void ampIgnoresMalformedMessages();
};

void TestAmpSim::identifyReportsConfiguredVersion()
{
    for (auto [byte, version, g] : {std::tuple{0x04, 0x14, false}, {0x05, 0x15, false}, {0x47, 0x17, true}, {0x10, 0x20, false}}) {
        Rig rig;
        rig.amp.versionByte = std::uint8_t(byte);
        rig.request(amp::identifyRequest(), 4);
        QCOMPARE(rig.state.firmwareVersion, version);
        QCOMPARE(rig.state.gVariant, g);
        QCOMPARE(rig.transfers.TransferState, 0);
        QVERIFY(rig.transfers.TimerAmpFound.isActive());
    }
}

void TestAmpSim::groupRequestFillsTheImage()
{
    Rig rig;
    for (int i = 0; i < preset::GroupSize; ++i)
        rig.amp.presets[i] = std::uint8_t((i * 13) & 0xFF);
    rig.request(amp::groupRequest(), 2);
    QCOMPARE(rig.image.group, rig.amp.presets);
    QCOMPARE(rig.transfers.TransferState, 0);
    QVERIFY(!rig.transfers.TimerSysex.isActive());
    QCOMPARE(rig.backend.sent.size(), std::size_t(1));

    // Not asked for: an unsolicited dump changes nothing.
    Rig idle;
    idle.amp.presets.fill(0x42);
    idle.request(amp::groupRequest(), 0);
    QVERIFY(idle.image.group != idle.amp.presets);
}

void TestAmpSim::liveEditsReachTheAmpsCurrentPreset()
{
    Rig rig;
    rig.state.view = EditorState::View::Group;
    rig.state.tabIndex = 6;
    auto rec = rig.image.record(6);
    rec[preset::DLTime] = 250;
    rig.sender.sendParameter(preset::DLTime);
    rig.image.writeField(6, preset::Presence, 3);
    rig.sender.sendBitField(preset::Presence);
    rig.image.writeField(6, preset::TapFunction, 15);
    rig.sender.sendBitField(preset::TapFunction);
    rig.image.record(6)[preset::DLSepDark] = 0x80 | 25;
    rig.sender.sendBitField(preset::DLSeparation);
    rig.sender.sendBitField(preset::Dark);
    QCOMPARE(rig.amp.current[preset::DLTime], 250);
    QCOMPARE(bitfield::read(rig.amp.current[preset::ModTone], 4, 2), 3);
    QCOMPARE(rig.amp.current[preset::AltTap] >> 4, 15);
    QCOMPARE(rig.amp.current[preset::DLSepDark], 0x80 | 25);
    QVERIFY(rig.state.modified);

    rig.sender.sendEditorData();
    QVERIFY(std::equal(rig.amp.current.begin(), rig.amp.current.end(), rig.image.record(6).begin()));
}

void TestAmpSim::globalRequestsAndSettings()
{
    Rig rig;
    rig.amp.globals[3] = 0x25; // channel in the low five bits
    rig.amp.globals[13] = 4;
    rig.request(amp::globalBitFieldRequest(3, 0, 5), 0);
    QCOMPARE(rig.image.globals[3], 0x05);
    rig.request(amp::globalBitFieldRequest(13, 0, 5), 0);
    QCOMPARE(rig.image.globals[13], 4);

    for (int i = 0; i < preset::GlobalSize; ++i)
        rig.amp.globals[i] = std::uint8_t(0x80 + i);
    rig.request(amp::globalsRequest(), 3);
    QCOMPARE(rig.image.globals, rig.amp.globals);

    rig.image.globals[10] = 0x33;
    rig.sender.sendGlobalBitField(10, 0, 7);
    QCOMPARE(rig.amp.globals[10], 0x80 | 0x33); // a seven-bit field keeps the top bit
    rig.image.globals.fill(0x01);
    rig.sender.send(amp::globals(rig.image.globals));
    QCOMPARE(rig.amp.globals, rig.image.globals);
}

void TestAmpSim::presetWriteStoreAndDumpsToAmp()
{
    Rig rig;
    preset::Record rec;
    rec.fill(0x21);
    rig.sender.send(amp::presetWrite(15, rec));
    QVERIFY(std::equal(rec.begin(), rec.end(), rig.amp.presets.begin() + 465));
    QCOMPARE(rig.amp.presets[464], preset::DefaultRecord[30]);

    rig.image.record(0)[preset::Reserved16] = 0x99; // carried whatever it holds
    rig.sender.sendEditorData();
    rig.sender.send(amp::presetStore(2));
    QCOMPARE(rig.amp.presets[2 * 31 + preset::Reserved16], 0x99);

    rig.image.group.fill(0x0C);
    rig.sender.send(amp::groupDump(rig.image.group));
    QCOMPARE(rig.amp.presets, rig.image.group);

    rig.request(amp::presetRequest(4), 0); // single preset replies belong to the transfer layer
    rig.sender.send(amp::tunerMode(1));
    QVERIFY(rig.amp.tunerOn);
    rig.sender.send(amp::footswitch(1));
    rig.sender.send(amp::syncComplete());
    QCOMPARE(rig.amp.footswitchPresses, std::vector<std::uint8_t>{1});
    QCOMPARE(rig.amp.syncCompletes, 1);
    QCOMPARE(rig.amp.ignored, 0);
}

void TestAmpSim::ampKnobAndTunerReachTheEditor()
{
    struct Tuner : TunerView {
        QList<QPair<int, int>> data;
        void tunerData(std::uint8_t a, std::uint8_t b) override { data.append({a, b}); }
        void showEbChromatic(bool, bool) override {}
        void showTunerLevel(int) override {}
    } tuner;
    Rig rig;
    rig.dispatcher.setViews({nullptr, nullptr, &tuner});
    rig.backend.inject(rig.amp.turnKnob(preset::MidFreq, 30));
    rig.backend.inject(rig.amp.tunerReading(0x12, 0xAB));
    rig.backend.flush();
    QCOMPARE(rig.image.record(0)[preset::MidFreq], 30);
    QCOMPARE(rig.amp.current[preset::MidFreq], 30);
    QVERIFY(rig.state.modified);
    QCOMPARE(tuner.data, (QList<QPair<int, int>>{{0x12, 0xAB}}));
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

QTEST_GUILESS_MAIN(TestAmpSim)
#include "tst_ampsim.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// The RtMidi backend where no MIDI service can be reached: an ALSA
// configuration with no sequencer, and JACK_DEFAULT_SERVER naming a server
// that does not run (CTest sets both). The program must then simply work offline, and must not
// start a JACK server of its own.
#include "midi/midiinport.h"
#include "midi/midioutport.h"
#include "midi/rtmidibackend.h"

#include <QtTest>

class TestRtMidiOffline : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void backendListsNothingAndRefusesQuietly_data();
    void backendListsNothingAndRefusesQuietly();
    void portComponentsWorkOffline();

private:
    QTemporaryDir home_;
};

void TestRtMidiOffline::initTestCase()
{
    QVERIFY2(qEnvironmentVariableIsSet("JACK_DEFAULT_SERVER") && qEnvironmentVariableIsSet("ALSA_CONFIG_PATH"),
             "run through CTest, which points JACK_DEFAULT_SERVER at a server that does not run and "
             "ALSA_CONFIG_PATH at a configuration with no sequencer");
    // libjack starts the server named in ~/.jackdrc for any client that lets
    // it. Offer one that would work here, so starting one would show.
    const QString jackd = QStandardPaths::findExecutable(QStringLiteral("jackd"));
    if (!jackd.isEmpty()) {
        QVERIFY(home_.isValid());
        QFile rc(home_.filePath(QStringLiteral(".jackdrc")));
        QVERIFY(rc.open(QIODevice::WriteOnly));
        rc.write((jackd + QStringLiteral(" -T --no-realtime -d dummy -r 48000 -p 256\n")).toLocal8Bit());
        rc.close();
        qputenv("HOME", QFile::encodeName(home_.path()));
        qunsetenv("JACK_NO_START_SERVER");
    }
}

void TestRtMidiOffline::backendListsNothingAndRefusesQuietly_data()
{
    QTest::addColumn<RtMidiBackend::Api>("api");
    QTest::newRow("automatic") << RtMidiBackend::Api::Automatic;
    // Explicit ALSA goes through RtMidi's failing constructor.
    QTest::newRow("alsa") << RtMidiBackend::Api::Alsa;
    QTest::newRow("jack") << RtMidiBackend::Api::Jack;
}

void TestRtMidiOffline::backendListsNothingAndRefusesQuietly()
{
    QFETCH(RtMidiBackend::Api, api);
    RtMidiBackend backend(api);
    QCOMPARE(backend.apiName(), QString());
    QCOMPARE(backend.maxSysExSize(), 0);
    QCOMPARE(backend.inputNames(), QStringList());
    QCOMPARE(backend.outputNames(), QStringList());

    int received = 0;
    for (const int index : {0, 1, -1}) {
        QVERIFY(backend.openInput(
                    index, [&](std::uint8_t, std::uint8_t, std::uint8_t) { ++received; },
                    [&](const std::uint8_t *, int) { ++received; }) != MidiBackend::Ok);
        QVERIFY(backend.openOutput(index) != MidiBackend::Ok);
    }
    const std::uint8_t message[] = {0xF0, 0x00, 0x20, 0x4F, 0x10, 0x00, 0x01, 0xF7};
    QCOMPARE(backend.sendSysEx(message, int(sizeof message)), MidiBackend::NotOpen);
    QCOMPARE(backend.sendShort(0x7F4090), MidiBackend::NotOpen);
    QCOMPARE(backend.resetOutput(), MidiBackend::NotOpen);
    QCOMPARE(backend.closeInput(), MidiBackend::Ok);
    QCOMPARE(backend.closeOutput(), MidiBackend::Ok);
    QCoreApplication::processEvents();
    QCOMPARE(received, 0);
}

void TestRtMidiOffline::portComponentsWorkOffline()
{
    RtMidiBackend backend;
    MidiInPort in(backend);
    MidiOutPort out(backend);
    QCOMPARE(in.deviceCount(), 0);
    QCOMPARE(out.deviceCount(), 0);

    // As at first activation: open, see the failure, set Using false again.
    in.setPort(0);
    in.setEnabled(true);
    QVERIFY(in.openResult() != 0);
    QVERIFY(in.isEnabled());
    in.setEnabled(false);
    out.setEnabled(true);
    QVERIFY(out.openResult() != 0);
    out.setEnabled(false);

    // Sends on a closed output are dropped without complaint.
    const std::uint8_t message[] = {0xF0, 0x00, 0x20, 0x4F, 0x10, 0x00, 0x01, 0xF7};
    QVERIFY(out.sendSysEx(message, int(sizeof message)));
    out.sendShort(0x90, 0x40, 0x7F);
    out.sendReset();
}

QTEST_GUILESS_MAIN(TestRtMidiOffline)
#include "tst_rtmidi_offline.moc"

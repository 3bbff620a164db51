#include "midi/loopbackbackend.h"
#include "midi/tmidiin.h"
#include "midi/tmidiout.h"

#include <QtTest>

#include <thread>

using Bytes = std::vector<std::uint8_t>;

namespace {
Bytes sysex(int size, std::uint8_t fill = 0x11)
{
    Bytes m(std::size_t(size), fill);
    m.front() = 0xF0;
    m.back() = 0xF7;
    return m;
}

// What a TMidiIn reported, in order: "S<status>" for short messages,
// "X<size>" for SysEx buffers.
struct Log {
    QStringList events;
    std::vector<Bytes> sysex;
    void attach(TMidiIn &in)
    {
        in.OnShort = [this](TMidiIn *, std::uint8_t s, std::uint8_t a, std::uint8_t b) {
            events << QStringLiteral("S%1.%2.%3").arg(s, 0, 16).arg(a).arg(b);
        };
        in.OnSysEx = [this](TMidiIn *, const std::uint8_t *p, int n) {
            events << QStringLiteral("X%1").arg(n);
            sysex.emplace_back(p, p + n);
        };
    }
};
} // namespace

class TestMidiPorts : public QObject {
    Q_OBJECT
private slots:
    void inputDeliversWholeMessagesInOrder();
    void closingDropsWhatIsStillQueued();
    void useFlagsSuppressEventsButKeepReceiving();
    void portRules();
    void outputSendRules();
    void outputPortSwitchAndFailedOpen();
    void outputCloseRetriesWhileStillPlaying();
    void threadHopKeepsOrderAndOwnsBytes();
    void oversizedSysExArrivesInPieces();
    void handlerClosingThePortStopsDelivery();
    void shortMessageLength_data();
    void shortMessageLength();
    void loopbackSendsShortMessagesAtTheirLength();
};

void TestMidiPorts::inputDeliversWholeMessagesInOrder()
{
    LoopbackBackend backend;
    TMidiIn in(backend);
    Log log;
    log.attach(in);
    in.setUsing(true);
    QCOMPARE(in.openResult(), 0);

    backend.inject({0xC0, 0x05});
    for (int i = 0; i < 9; ++i)
        backend.inject(sysex(1000, std::uint8_t(i)));
    backend.inject({0xB0, 0x20, 0x01});
    backend.inject(sysex(11));
    QVERIFY(log.events.isEmpty()); // nothing arrives inside the injecting call
    backend.flush();

    QStringList expected{QStringLiteral("Sc0.5.0")};
    for (int i = 0; i < 9; ++i)
        expected << QStringLiteral("X1000");
    expected << QStringLiteral("Sb0.32.1") << QStringLiteral("X11");
    QCOMPARE(log.events, expected);
    QCOMPARE(log.sysex[8], sysex(1000, 8));
}

void TestMidiPorts::closingDropsWhatIsStillQueued()
{
    LoopbackBackend backend;
    TMidiIn in(backend);
    Log log;
    log.attach(in);
    in.setUsing(true);
    backend.inject(sysex(70));
    backend.inject({0x90, 60, 100});
    in.setUsing(false);
    QVERIFY(!in.Using());
    backend.flush();
    QVERIFY(log.events.isEmpty());

    // Reopening does not resurrect the old messages either.
    backend.inject(sysex(70)); // input closed: dropped at once
    in.setUsing(true);
    backend.flush();
    QVERIFY(log.events.isEmpty());
    backend.inject(sysex(12));
    backend.flush();
    QCOMPARE(log.events, QStringList{QStringLiteral("X12")});
}

void TestMidiPorts::useFlagsSuppressEventsButKeepReceiving()
{
    LoopbackBackend backend;
    TMidiIn in(backend);
    Log log;
    log.attach(in);
    in.setUsing(true);
    in.UseSysEx = false;
    for (int i = 0; i < 10; ++i)
        backend.inject(sysex(1000));
    backend.inject({0x80, 1, 2});
    backend.flush();
    QCOMPARE(log.events, QStringList{QStringLiteral("S80.1.2")});
    in.UseSysEx = true;
    in.UseShort = false;
    backend.inject({0x80, 1, 2});
    backend.inject(sysex(9));
    backend.flush();
    QCOMPARE(log.events.last(), QStringLiteral("X9"));
    QCOMPARE(log.events.size(), 2);

    // No handler assigned: nothing to call, nothing breaks.
    in.OnSysEx = nullptr;
    backend.inject(sysex(9));
    backend.flush();
}

void TestMidiPorts::portRules()
{
    LoopbackBackend backend;
    backend.inputs.clear();
    for (int i = 0; i < 14; ++i)
        backend.inputs << QStringLiteral("In %1").arg(i);
    TMidiIn in(backend);
    QCOMPARE(in.NumDevs(), 12); // devices beyond the twelfth are not listed
    QCOMPARE(in.deviceName(11), QStringLiteral("In 11"));
    QCOMPARE(in.Port(), 0);
    in.setPort(12);
    QCOMPARE(in.Port(), 0);
    in.setPort(-1);
    QCOMPARE(in.Port(), -1);
    in.setUsing(true); // nothing chosen: the open fails, Using still reads true
    QVERIFY(in.openResult() != 0);
    QVERIFY(in.Using());
    in.setUsing(false);

    in.setPort(3);
    in.setUsing(true);
    QCOMPARE(backend.openInputIndex(), 3);
    in.setPort(5); // open: close and reopen on the new device
    QCOMPARE(backend.openInputIndex(), 5);
    QCOMPARE(backend.inputOpens, 2);
    in.setPort(13);
    QCOMPARE(backend.openInputIndex(), 5);

    LoopbackBackend none;
    none.inputs.clear();
    TMidiIn empty(none);
    QCOMPARE(empty.NumDevs(), 0);
    empty.setPort(0);
    QCOMPARE(empty.Port(), 0); // ignored: nothing stored, the default stays
    empty.setPort(-1);
    QCOMPARE(empty.Port(), -1);
}

void TestMidiPorts::outputSendRules()
{
    LoopbackBackend backend;
    TMidiOut out(backend);
    const Bytes m = sysex(11);
    out.SysEx(m.data(), int(m.size())); // closed: dropped, no error
    QVERIFY(backend.sent.empty());

    out.setUsing(true);
    const std::uint8_t two[] = {0xF0, 0xF7};
    out.SysEx(two, 2);
    QVERIFY(backend.sent.empty());
    const std::uint8_t three[] = {0xF0, 0x01, 0xF7};
    QVERIFY(out.SysEx(three, 3));
    QCOMPARE(backend.sent.size(), std::size_t(1));

    out.Put3(0xB0, 0x20, 0x01);
    out.Put2(0xC0, 0x07);
    QCOMPARE(backend.sent[1], (Bytes{0xB0, 0x20, 0x01}));
    QCOMPARE(backend.sent[2], (Bytes{0xC0, 0x07}));
}

void TestMidiPorts::outputPortSwitchAndFailedOpen()
{
    LoopbackBackend backend;
    backend.outputs = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
    backend.unavailableOutputs = {2};
    TMidiOut out(backend);
    out.setUsing(true);
    QCOMPARE(backend.openOutputIndex(), 0);
    out.setPort(1);
    QCOMPARE(backend.openOutputIndex(), 1);
    QCOMPARE(out.openResult(), 0);
    out.setPort(2);
    QVERIFY(out.openResult() != 0);
    QVERIFY(out.Using()); // the caller sets it false again
    QCOMPARE(backend.openOutputIndex(), -1);
    const Bytes m = sysex(11);
    out.SysEx(m.data(), int(m.size()));
    QVERIFY(backend.sent.empty());
    out.setUsing(false);
    QVERIFY(!out.Using());
}

void TestMidiPorts::outputCloseRetriesWhileStillPlaying()
{
    LoopbackBackend backend;
    {
        TMidiOut out(backend);
        out.setUsing(true);
        backend.stillPlayingCloses = 3;
        out.setUsing(false);
        QCOMPARE(out.closeResult(), 0);
        QCOMPARE(backend.openOutputIndex(), -1);
        out.setUsing(true);
        backend.stillPlayingCloses = 2;
    } // destroying an open component closes it too
    QCOMPARE(backend.openOutputIndex(), -1);
    QCOMPARE(backend.stillPlayingCloses, 0);
}

void TestMidiPorts::threadHopKeepsOrderAndOwnsBytes()
{
    MidiInbox inbox;
    QStringList events;
    bool onUiThread = true;
    const auto ui = std::this_thread::get_id();
    inbox.open(
        [&](std::uint8_t s, std::uint8_t a, std::uint8_t) {
            onUiThread = onUiThread && std::this_thread::get_id() == ui;
            events << QStringLiteral("S%1.%2").arg(s, 0, 16).arg(a);
        },
        [&](const std::uint8_t *p, int n) {
            onUiThread = onUiThread && std::this_thread::get_id() == ui;
            const bool whole = p[0] == 0xF0 && p[n - 1] == 0xF7 && p[1] == p[n - 2];
            events << QStringLiteral("X%1.%2%3").arg(n).arg(p[1]).arg(whole ? "" : "!");
        });

    QStringList expected;
    for (int i = 0; i < 200; ++i) {
        expected << QStringLiteral("S90.%1").arg(i % 128);
        expected << QStringLiteral("X%1.%2").arg(i % 2 ? 1000 : 11).arg(i % 128);
    }
    std::thread producer([&] {
        for (int i = 0; i < 200; ++i) {
            inbox.post({0x90, std::uint8_t(i % 128), 0x40});
            Bytes m = sysex(i % 2 ? 1000 : 11, std::uint8_t(i % 128));
            inbox.post(m);
            std::fill(m.begin(), m.end(), 0); // the producer's buffer is reused at once
        }
    });
    producer.join();
    QCoreApplication::processEvents();
    QCOMPARE(events, expected);
    QVERIFY(onUiThread);
}

void TestMidiPorts::oversizedSysExArrivesInPieces()
{
    MidiInbox inbox;
    QList<int> sizes;
    QList<int> firsts;
    inbox.open(nullptr, [&](const std::uint8_t *p, int n) {
        sizes << n;
        firsts << p[0];
    });
    inbox.post(sysex(20000));
    inbox.post({0x41, 0x42}); // stray data bytes are no message
    QCoreApplication::processEvents();
    QCOMPARE(sizes, (QList<int>{16000, 4000}));
    QCOMPARE(firsts[0], 0xF0);
    QVERIFY(firsts[1] != 0xF0);
}

void TestMidiPorts::handlerClosingThePortStopsDelivery()
{
    LoopbackBackend backend;
    TMidiIn in(backend);
    int seen = 0;
    in.OnSysEx = [&](TMidiIn *sender, const std::uint8_t *, int) {
        ++seen;
        sender->setUsing(false);
    };
    in.setUsing(true);
    backend.inject(sysex(20));
    backend.inject(sysex(20));
    backend.flush();
    QCOMPARE(seen, 1);
}

void TestMidiPorts::shortMessageLength_data()
{
    // Status byte ranges, together covering every byte once.
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("length");
    QTest::newRow("data bytes") << 0x00 << 0x7F << 0;
    QTest::newRow("note off/on, poly pressure, control") << 0x80 << 0xBF << 3;
    QTest::newRow("program change, channel pressure") << 0xC0 << 0xDF << 2;
    QTest::newRow("pitch bend") << 0xE0 << 0xEF << 3;
    QTest::newRow("SysEx start") << 0xF0 << 0xF0 << 0;
    QTest::newRow("quarter frame") << 0xF1 << 0xF1 << 2;
    QTest::newRow("song position") << 0xF2 << 0xF2 << 3;
    QTest::newRow("song select") << 0xF3 << 0xF3 << 2;
    QTest::newRow("undefined, tune request") << 0xF4 << 0xF6 << 1;
    QTest::newRow("SysEx end") << 0xF7 << 0xF7 << 0;
    QTest::newRow("real-time") << 0xF8 << 0xFF << 1;
}

void TestMidiPorts::shortMessageLength()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, length);
    for (int status = from; status <= to; ++status)
        QVERIFY2(midiShortLength(std::uint8_t(status)) == length, qPrintable(QString::number(status, 16)));
}

void TestMidiPorts::loopbackSendsShortMessagesAtTheirLength()
{
    LoopbackBackend backend;
    std::vector<Bytes> received;
    backend.peer = [&](const Bytes &m) { received.push_back(m); };
    QCOMPARE(backend.openOutput(0), MidiBackend::Ok);

    const auto pack = [](std::uint32_t status, std::uint32_t first, std::uint32_t second) {
        return status | first << 8 | second << 16;
    };
    // Data bytes beyond the message's length, and their top bits, are dropped.
    for (const std::uint32_t packed : {pack(0xF2, 0x05, 0x86), pack(0xF3, 0x85, 0x06), pack(0xF1, 0x21, 0x06),
                                       pack(0xF6, 0x01, 0x02), pack(0xC3, 0x07, 0x08)})
        QCOMPARE(backend.sendShort(packed), MidiBackend::Ok);
    QCOMPARE(received, (std::vector<Bytes>{{0xF2, 0x05, 0x06}, {0xF3, 0x05}, {0xF1, 0x21}, {0xF6}, {0xC3, 0x07}}));

    // Not short messages: nothing is sent.
    for (const std::uint32_t packed : {pack(0xF0, 0x01, 0x02), pack(0xF7, 0, 0), pack(0x40, 0x40, 0)})
        QCOMPARE(backend.sendShort(packed), MidiBackend::InvalidMessage);
    QCOMPARE(backend.sent.size(), std::size_t(5));
}

QTEST_GUILESS_MAIN(TestMidiPorts)
#include "tst_midiports.moc"

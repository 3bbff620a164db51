// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/linknotifier.h"
#include "midi/loopbackbackend.h"
#include "midi/mididevicechoice.h"
#include "midi/midiinport.h"
#include "midi/midioutport.h"
#include "midi/midistreamparser.h"

#include <QtTest>

#include <functional>
#include <stdexcept>
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

constexpr std::int64_t Ms = 1000000; // nanoseconds

// Time that moves only when told; waiting moves it to the end of the wait.
struct FakeClock : MidiOutPort::Clock {
    std::int64_t t = 1000 * Ms;
    std::int64_t slept = 0;
    std::int64_t now() override { return t; }
    void sleepUntil(std::int64_t time) override
    {
        slept += std::max<std::int64_t>(0, time - t);
        t = std::max(t, time);
    }
};

// An output paced like a cable, on a fake clock.
struct PacedRig {
    LoopbackBackend backend;
    FakeClock clock;
    std::unique_ptr<MidiOutPort> out;
    explicit PacedRig(int rate = MidiOutPort::DinRate)
    {
        backend.pacing = true;
        out = std::make_unique<MidiOutPort>(backend);
        out->setClock(&clock);
        out->setRate(rate);
        out->setEnabled(true);
    }
    bool send(int size, std::uint8_t fill = 0x11)
    {
        const Bytes m = sysex(size, fill);
        return out->sendSysEx(m.data(), int(m.size()));
    }
    // Runs the drain timer as if it fired now.
    void tick() { out->sendDue(); }
};

// What a MidiInPort reported, in order: "S<status>" for short messages,
// "X<size>" for SysEx buffers.
struct Log {
    QStringList events;
    std::vector<Bytes> sysex;
    void attach(MidiInPort &in)
    {
        in.OnShort = [this](MidiInPort *, std::uint8_t s, std::uint8_t a, std::uint8_t b) {
            events << QStringLiteral("S%1.%2.%3").arg(s, 0, 16).arg(a).arg(b);
        };
        in.OnSysEx = [this](MidiInPort *, const std::uint8_t *p, int n) {
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
    void sendQueuePacesInOrder();
    void sendQueueKeepsTheRateWhenTheTimerIsLate();
    void sendQueueBoundRefusesVisibly();
    void sendQueueRefusesWhatCannotBeDelivered();
    void sendQueueOffersABusyServiceAgain();
    void closingDropsQueuedSends();
    void flushSendsWhatIsQueuedUntilTheDeadline_data();
    void flushSendsWhatIsQueuedUntilTheDeadline();
    void inboxOverflowIsCountedAndSurvived();
    void handlerExceptionStaysInTheInbox();
    void inboxWakesTheEventLoop();
    void linkNotifierMergesAndHoldsBack();
    void portsTellWhatChanged_data();
    void portsTellWhatChanged();
    void streamParser_data();
    void streamParser();
    void streamParserSkipsARefusedSysEx();
    void deviceChoiceFollowsItsDevice();
};

void TestMidiPorts::inputDeliversWholeMessagesInOrder()
{
    LoopbackBackend backend;
    MidiInPort in(backend);
    Log log;
    log.attach(in);
    in.setEnabled(true);
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
    MidiInPort in(backend);
    Log log;
    log.attach(in);
    in.setEnabled(true);
    backend.inject(sysex(70));
    backend.inject({0x90, 60, 100});
    in.setEnabled(false);
    QVERIFY(!in.isEnabled());
    backend.flush();
    QVERIFY(log.events.isEmpty());

    // Reopening does not resurrect the old messages either.
    backend.inject(sysex(70)); // input closed: dropped at once
    in.setEnabled(true);
    backend.flush();
    QVERIFY(log.events.isEmpty());
    backend.inject(sysex(12));
    backend.flush();
    QCOMPARE(log.events, QStringList{QStringLiteral("X12")});
}

void TestMidiPorts::useFlagsSuppressEventsButKeepReceiving()
{
    LoopbackBackend backend;
    MidiInPort in(backend);
    Log log;
    log.attach(in);
    in.setEnabled(true);
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
    MidiInPort in(backend);
    QCOMPARE(in.deviceCount(), 12); // devices beyond the twelfth are not listed
    QCOMPARE(in.deviceName(11), QStringLiteral("In 11"));
    QCOMPARE(in.port(), 0);
    in.setPort(12);
    QCOMPARE(in.port(), 0);
    in.setPort(-1);
    QCOMPARE(in.port(), -1);
    in.setEnabled(true); // nothing chosen: the open fails, Using still reads true
    QVERIFY(in.openResult() != 0);
    QVERIFY(in.isEnabled());
    in.setEnabled(false);

    in.setPort(3);
    in.setEnabled(true);
    QCOMPARE(backend.openInputIndex(), 3);
    in.setPort(5); // open: close and reopen on the new device
    QCOMPARE(backend.openInputIndex(), 5);
    QCOMPARE(backend.inputOpens, 2);
    in.setPort(13);
    QCOMPARE(backend.openInputIndex(), 5);

    LoopbackBackend none;
    none.inputs.clear();
    MidiInPort empty(none);
    QCOMPARE(empty.deviceCount(), 0);
    empty.setPort(0);
    QCOMPARE(empty.port(), 0); // ignored: nothing stored, the default stays
    empty.setPort(-1);
    QCOMPARE(empty.port(), -1);
}

void TestMidiPorts::outputSendRules()
{
    LoopbackBackend backend;
    MidiOutPort out(backend);
    const Bytes m = sysex(11);
    out.sendSysEx(m.data(), int(m.size())); // closed: dropped, no error
    QVERIFY(backend.sent.empty());

    out.setEnabled(true);
    const std::uint8_t two[] = {0xF0, 0xF7};
    out.sendSysEx(two, 2);
    QVERIFY(backend.sent.empty());
    const std::uint8_t three[] = {0xF0, 0x01, 0xF7};
    QVERIFY(out.sendSysEx(three, 3));
    QCOMPARE(backend.sent.size(), std::size_t(1));

    out.sendShort(0xB0, 0x20, 0x01);
    out.sendShort(0xC0, 0x07);
    QCOMPARE(backend.sent[1], (Bytes{0xB0, 0x20, 0x01}));
    QCOMPARE(backend.sent[2], (Bytes{0xC0, 0x07}));
}

void TestMidiPorts::outputPortSwitchAndFailedOpen()
{
    LoopbackBackend backend;
    backend.outputs = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
    backend.unavailableOutputs = {2};
    MidiOutPort out(backend);
    out.setEnabled(true);
    QCOMPARE(backend.openOutputIndex(), 0);
    out.setPort(1);
    QCOMPARE(backend.openOutputIndex(), 1);
    QCOMPARE(out.openResult(), 0);
    out.setPort(2);
    QVERIFY(out.openResult() != 0);
    QVERIFY(out.isEnabled()); // the caller sets it false again
    QCOMPARE(backend.openOutputIndex(), -1);
    const Bytes m = sysex(11);
    out.sendSysEx(m.data(), int(m.size()));
    QVERIFY(backend.sent.empty());
    out.setEnabled(false);
    QVERIFY(!out.isEnabled());
}

void TestMidiPorts::outputCloseRetriesWhileStillPlaying()
{
    LoopbackBackend backend;
    {
        MidiOutPort out(backend);
        out.setEnabled(true);
        backend.stillPlayingCloses = 3;
        out.setEnabled(false);
        QCOMPARE(out.closeResult(), 0);
        QCOMPARE(backend.openOutputIndex(), -1);
        out.setEnabled(true);
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
    // Delivery takes turns with the event loop when it runs long.
    QTRY_COMPARE(events.size(), expected.size());
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
    QTRY_COMPARE(sizes.size(), 2);
    QCOMPARE(sizes, (QList<int>{16000, 4000}));
    QCOMPARE(firsts[0], 0xF0);
    QVERIFY(firsts[1] != 0xF0);
}

void TestMidiPorts::handlerClosingThePortStopsDelivery()
{
    LoopbackBackend backend;
    MidiInPort in(backend);
    int seen = 0;
    in.OnSysEx = [&](MidiInPort *sender, const std::uint8_t *, int) {
        ++seen;
        sender->setEnabled(false);
    };
    in.setEnabled(true);
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

void TestMidiPorts::sendQueuePacesInOrder()
{
    PacedRig rig;
    const std::int64_t cost = 11 * 1000 * Ms / MidiOutPort::DinRate; // 3.52 ms on the cable
    QVERIFY(rig.send(11, 1));                                        // nothing queued, cable free: leaves at once
    QCOMPARE(rig.backend.sent.size(), std::size_t(1));
    QVERIFY(rig.send(11, 2));
    rig.out->sendShort(0xC0, 0x05);
    QVERIFY(rig.send(11, 3));
    QCOMPARE(rig.backend.sent.size(), std::size_t(1));
    QCOMPARE(rig.out->stats().queuedMessages, std::size_t(3));
    QVERIFY(rig.out->sendTimer().isActive());
    QCOMPARE(rig.out->sendTimer().interval(), 4); // whole milliseconds, rounded up

    rig.clock.t += cost - 1;
    rig.tick();
    QCOMPARE(rig.backend.sent.size(), std::size_t(1)); // not before its time
    rig.clock.t += 1;
    rig.tick();
    QCOMPARE(rig.backend.sent.size(), std::size_t(2));
    rig.clock.t += cost + 2 * 1000 * Ms / MidiOutPort::DinRate + cost;
    rig.tick();
    QCOMPARE(rig.backend.sent, (std::vector<Bytes>{sysex(11, 1), sysex(11, 2), {0xC0, 0x05}, sysex(11, 3)}));
    QVERIFY(!rig.out->sendTimer().isActive());
    QCOMPARE(rig.out->stats().sent, std::uint64_t(4));

    // Idle again: the next edit leaves at once.
    rig.clock.t += cost;
    QVERIFY(rig.send(11, 4));
    QCOMPARE(rig.backend.sent.size(), std::size_t(5));

    // Rate 0: as fast as the service takes them.
    PacedRig fast(0);
    for (int i = 0; i < 50; ++i)
        QVERIFY(fast.send(1000));
    QCOMPARE(fast.backend.sent.size(), std::size_t(50));
}

void TestMidiPorts::sendQueueKeepsTheRateWhenTheTimerIsLate()
{
    // The timer fires up to a millisecond after each due time; the schedule
    // keeps its pace, and no message ever leaves before its due time.
    PacedRig rig;
    const std::int64_t start = rig.clock.t;
    const int count = 200;
    for (int i = 0; i < count; ++i)
        QVERIFY(rig.send(11, std::uint8_t(i)));
    std::int64_t bytesBefore = 0;
    std::size_t seen = 1;
    while (rig.backend.sent.size() < std::size_t(count)) {
        rig.clock.t += rig.out->sendTimer().interval() * Ms;
        rig.tick();
        // Bytes sent before this drain never exceed what the rate allowed.
        QVERIFY(bytesBefore * 1000 * Ms <= (rig.clock.t - start) * MidiOutPort::DinRate);
        for (; seen < rig.backend.sent.size(); ++seen)
            bytesBefore += 11;
        QVERIFY(rig.clock.t - start < 10 * 1000 * Ms);
    }
    const double ideal = double(count - 1) * 11 / MidiOutPort::DinRate * 1e9;
    const double took = double(rig.clock.t - start);
    QVERIFY2(took <= ideal * 1.01, qPrintable(QString::number(took / ideal)));
}

void TestMidiPorts::sendQueueBoundRefusesVisibly()
{
    PacedRig rig(1); // one byte a second: nothing drains meanwhile
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(
                                           "refused a SysEx message of 1000 bytes: the send queue is full")));
    int accepted = 0;
    while (rig.send(1000))
        ++accepted;
    const MidiOutPort::Stats s = rig.out->stats();
    QCOMPARE(s.refused, std::uint64_t(1));
    QVERIFY(s.queuedBytes <= MidiOutPort::QueueLimit);
    QVERIFY(s.queuedBytes > MidiOutPort::QueueLimit * 98 / 100);
    QCOMPARE(s.queuedMessages + 1, std::size_t(accepted)); // the first one left at once
    // A smaller message still fits in what is left.
    QVERIFY(rig.send(11));
}

void TestMidiPorts::sendQueueRefusesWhatCannotBeDelivered()
{
    PacedRig rig;
    rig.backend.maxSize = 100;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("refused a SysEx message of 101 bytes")));
    QVERIFY(!rig.send(101));
    QVERIFY(rig.send(100));
    QCOMPARE(rig.out->stats().refused, std::uint64_t(1));
    QCOMPARE(rig.backend.sent.size(), std::size_t(1));
}

void TestMidiPorts::sendQueueOffersABusyServiceAgain()
{
    PacedRig rig(0);
    rig.backend.busySends = 2;
    QVERIFY(rig.send(11, 1));
    QVERIFY(rig.send(11, 2));
    QVERIFY(rig.backend.sent.empty());
    QCOMPARE(rig.out->sendTimer().interval(), MidiOutPort::RetryMs);
    rig.tick(); // still busy
    QVERIFY(rig.backend.sent.empty());
    rig.tick();
    QCOMPARE(rig.backend.sent, (std::vector<Bytes>{sysex(11, 1), sysex(11, 2)}));
    QVERIFY(!rig.out->sendTimer().isActive());
}

void TestMidiPorts::closingDropsQueuedSends()
{
    PacedRig rig;
    for (int i = 0; i < 4; ++i)
        QVERIFY(rig.send(1000, std::uint8_t(i)));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("dropped 3 queued message")));
    rig.out->setEnabled(false);
    QCOMPARE(rig.out->stats().dropped, std::uint64_t(3));
    QVERIFY(!rig.out->sendTimer().isActive());
    rig.out->setEnabled(true);
    rig.clock.t += 10000 * Ms;
    rig.tick();
    QCOMPARE(rig.backend.sent.size(), std::size_t(1));
}

void TestMidiPorts::flushSendsWhatIsQueuedUntilTheDeadline_data()
{
    QTest::addColumn<int>("messages");
    QTest::addColumn<int>("busy");
    QTest::addColumn<int>("deadlineMs");
    QTest::addColumn<int>("sent");
    // 1000 bytes take 320 ms on the cable.
    QTest::newRow("all in time") << 5 << 0 << 2000 << 5;
    QTest::newRow("out of time") << 10 << 0 << 1000 << 4;
    QTest::newRow("busy service") << 3 << 5 << 2000 << 3;
    QTest::newRow("busy until the end") << 3 << 100000 << 2000 << 0;
}

void TestMidiPorts::flushSendsWhatIsQueuedUntilTheDeadline()
{
    QFETCH(int, messages);
    QFETCH(int, busy);
    QFETCH(int, deadlineMs);
    QFETCH(int, sent);
    PacedRig rig;
    rig.backend.busySends = busy;
    for (int i = 0; i < messages; ++i)
        QVERIFY(rig.send(1000, std::uint8_t(i)));
    const std::int64_t deadline = rig.clock.t + deadlineMs * Ms;
    if (sent < messages)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no time left")));
    QCOMPARE(rig.out->flush(deadline), sent == messages);
    QCOMPARE(int(rig.backend.sent.size()), sent);
    QVERIFY(rig.clock.t <= deadline);
    QCOMPARE(rig.out->stats().queuedMessages, std::size_t(0));
    QCOMPARE(rig.out->stats().dropped, std::uint64_t(messages - sent));
    QVERIFY(!rig.out->sendTimer().isActive());
}

void TestMidiPorts::inboxOverflowIsCountedAndSurvived()
{
    MidiInbox inbox;
    std::vector<Bytes> got;
    inbox.open(nullptr, [&](const std::uint8_t *p, int n) { got.emplace_back(p, p + n); });
    int posted = 0;
    while (inbox.post(sysex(1000, std::uint8_t(posted % 128))))
        ++posted;
    QVERIFY(posted > 100);
    QVERIFY(!inbox.post(sysex(20000))); // all pieces of a long message or none
    QCOMPARE(inbox.overflows(), std::uint64_t(2));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("overflowed: 2 message")));
    // A drain gives the event loop a turn after a slice of time (a slow
    // machine may need more than one); the rest follows by itself.
    inbox.drain();
    QTRY_COMPARE(int(got.size()), posted);
    QCOMPARE(got.back(), sysex(1000, std::uint8_t((posted - 1) % 128)));
    QVERIFY(inbox.post(sysex(20000)));
    inbox.drain();
    QTRY_COMPARE(got.size(), std::size_t(posted + 2));
}

void TestMidiPorts::handlerExceptionStaysInTheInbox()
{
    LoopbackBackend backend;
    MidiInPort in(backend);
    QStringList seen;
    in.OnShort = [&](MidiInPort *, std::uint8_t s, std::uint8_t, std::uint8_t) {
        seen << QString::number(s, 16);
        if (s == 0x90)
            throw std::runtime_error("handler broke");
    };
    in.setEnabled(true);
    backend.inject({0x90, 1, 2});
    backend.inject({0x80, 1, 2});
    QTest::ignoreMessage(QtWarningMsg, "A MIDI input handler failed: handler broke");
    backend.flush();
    QCOMPARE(seen, (QStringList{QStringLiteral("90"), QStringLiteral("80")}));
    QCOMPARE(in.stats().received, std::uint64_t(2));
}

void TestMidiPorts::inboxWakesTheEventLoop()
{
    // No one calls drain(): the wake-up alone brings the messages in.
    MidiInbox inbox;
    int seen = 0;
    inbox.open([&](std::uint8_t, std::uint8_t, std::uint8_t) { ++seen; }, nullptr);
    std::thread producer([&] {
        for (int i = 0; i < 1000; ++i)
            inbox.post({0x90, std::uint8_t(i % 128), 1});
    });
    producer.join();
    QTRY_COMPARE_WITH_TIMEOUT(seen, 1000, 5000);
}

void TestMidiPorts::linkNotifierMergesAndHoldsBack()
{
    LinkNotifier notifier;
    QList<unsigned> told;
    connect(&notifier, &LinkNotifier::changed, &notifier, [&](unsigned c) { told << c; });
    const auto fromThread = [&](const std::vector<unsigned> &changes) {
        std::thread producer([&, events = notifier.events()] {
            for (int i = 0; i < 1000; ++i)
                for (const unsigned c : changes)
                    events->post(c);
        });
        producer.join();
    };

    // A burst after a quiet spell: one delivery with all of it, at the
    // event loop's next turn.
    fromThread({LinkEvents::Received, LinkEvents::Failed});
    QVERIFY(told.isEmpty());
    QCoreApplication::processEvents();
    QCOMPARE(told, QList<unsigned>{LinkEvents::Received | LinkEvents::Failed});
    QVERIFY(notifier.holdTimer().isActive());

    // Held back: what comes meanwhile wakes nobody and waits for the hold's end.
    fromThread({LinkEvents::Sent, LinkEvents::Received});
    notifier.post(LinkEvents::Ports);
    QCoreApplication::processEvents();
    notifier.deliver();
    QCOMPARE(told.size(), 1);
    notifier.holdEnded();
    QCOMPARE(told.size(), 2);
    QCOMPARE(told.last(), unsigned(LinkEvents::Sent | LinkEvents::Received | LinkEvents::Ports));
    QVERIFY(notifier.holdTimer().isActive());

    // Nothing came: the hold ends and no timer is left running.
    notifier.holdEnded();
    QCOMPARE(told.size(), 2);
    QVERIFY(!notifier.holdTimer().isActive());

    // The next change goes through at once again.
    fromThread({LinkEvents::Service});
    QCoreApplication::processEvents();
    QCOMPARE(told.size(), 3);
    QCOMPARE(told.last(), unsigned(LinkEvents::Service));
}

// What the ports tell the link notifier when something happens: a rig with
// both ports open on device 0 (and nothing pending), an action, the changes
// delivered after it.
struct LinkRig {
    LoopbackBackend backend;
    MidiInPort in{backend};
    MidiOutPort out{backend};
    unsigned told = 0;
    LinkRig()
    {
        in.setEnabled(true);
        out.setEnabled(true);
        QObject::connect(&backend.linkNotifier(), &LinkNotifier::changed, &backend.linkNotifier(),
                         [this](unsigned c) { told |= c; });
        backend.linkNotifier().holdEnded();
        told = 0;
    }
    unsigned after(const std::function<void(LinkRig &)> &action)
    {
        action(*this);
        backend.linkNotifier().holdEnded();
        return told;
    }
};

void TestMidiPorts::portsTellWhatChanged_data()
{
    QTest::addColumn<std::function<void(LinkRig &)>>("action");
    QTest::addColumn<unsigned>("expected");
    using Action = std::function<void(LinkRig &)>;
    QTest::newRow("message received") << Action([](LinkRig &r) {
        r.backend.inject({0x90, 1, 2});
        r.backend.flush();
    }) << unsigned(LinkEvents::Received);
    QTest::newRow("message sent") << Action([](LinkRig &r) { r.out.sendShort(0xB0, 7, 100); })
                                  << unsigned(LinkEvents::Sent);
    QTest::newRow("too long: refused") << Action([](LinkRig &r) {
        r.backend.maxSize = 10;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("refused")));
        const Bytes m = sysex(20);
        QVERIFY(!r.out.sendSysEx(m.data(), int(m.size())));
    }) << unsigned(LinkEvents::Failed);
    QTest::newRow("closed with sends queued") << Action([](LinkRig &r) {
        r.backend.busySends = 1;
        r.out.sendShort(0xB0, 7, 100);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("dropped 1 queued")));
        r.out.setEnabled(false);
    }) << unsigned(LinkEvents::Failed | LinkEvents::Ports);
    QTest::newRow("input overflowed") << Action([](LinkRig &r) {
        for (int i = 0; i < 600; ++i)
            r.backend.inject(sysex(1000));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("overflowed")));
        r.backend.flush();
    }) << unsigned(LinkEvents::Received | LinkEvents::Failed);
    QTest::newRow("larger than the inbox") << Action([](LinkRig &r) {
        // Dropped while nothing else waits: the loss alone wakes the UI.
        r.backend.inject(sysex(int(MidiInboxQueue::Capacity) + 1));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("overflowed: 1 message")));
        QCoreApplication::processEvents();
    }) << unsigned(LinkEvents::Failed);
    QTest::newRow("device chosen again") << Action([](LinkRig &r) { r.in.setPort(0); }) << unsigned(LinkEvents::Ports);
    QTest::newRow("lists read again") << Action([](LinkRig &r) { r.out.refreshDevices(); })
                                      << unsigned(LinkEvents::Ports);
    QTest::newRow("input closed") << Action([](LinkRig &r) { r.in.setEnabled(false); }) << unsigned(LinkEvents::Ports);
    QTest::newRow("nothing") << Action([](LinkRig &) {}) << 0u;
}

void TestMidiPorts::portsTellWhatChanged()
{
    QFETCH(std::function<void(LinkRig &)>, action);
    QFETCH(unsigned, expected);
    LinkRig rig;
    QCOMPARE(rig.after(action), expected);
}

void TestMidiPorts::streamParser_data()
{
    // Chunks as a service hands them over; what comes out, one message a
    // line ("+" marks a SysEx piece that continues a message).
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QStringList>("expected");
    const auto hex = [](const char *text) { return QByteArray::fromHex(text); };
    QTest::newRow("short messages") << QList<QByteArray>{hex("903c7f"), hex("c005"), hex("f6")}
                                    << QStringList{"903c7f", "c005", "f6"};
    QTest::newRow("running status") << QList<QByteArray>{hex("903c7f3e00"), hex("40")}
                                    << QStringList{"903c7f", "903e00"};
    QTest::newRow("split across chunks") << QList<QByteArray>{hex("90"), hex("3c"), hex("7ff00102"), hex("03f7")}
                                         << QStringList{"903c7f", "f0010203f7"};
    QTest::newRow("real time inside SysEx")
        << QList<QByteArray>{hex("f001faf802fef7")} << QStringList{"fa", "f00102f7"};
    QTest::newRow("clock, sensing, time code left out")
        << QList<QByteArray>{hex("f8fef105c005")} << QStringList{"c005"};
    QTest::newRow("status ends SysEx") << QList<QByteArray>{hex("f00102903c7f")} << QStringList{"f00102", "903c7f"};
    QTest::newRow("stray data and end") << QList<QByteArray>{hex("0102f7c0")} << QStringList{};
    QByteArray longest = hex("f0") + QByteArray(MidiStreamParser::PieceSize, '\x11') + hex("f7");
    QTest::newRow("long SysEx in pieces")
        << QList<QByteArray>{longest}
        << QStringList{"f0" + QString(int(MidiStreamParser::PieceSize) * 2 - 2, QLatin1Char('1')),
                       QStringLiteral("+11f7")};
}

void TestMidiPorts::streamParser()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QStringList, expected);
    MidiStreamParser parser;
    QStringList got;
    const auto sink = [&](const std::uint8_t *p, std::size_t n, bool continuation) {
        got << (continuation ? "+" : "") +
                   QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(p), qsizetype(n)).toHex());
        return true;
    };
    for (const QByteArray &chunk : chunks)
        parser.feed(reinterpret_cast<const std::uint8_t *>(chunk.constData()), std::size_t(chunk.size()), sink);
    QCOMPARE(got, expected);
}

void TestMidiPorts::streamParserSkipsARefusedSysEx()
{
    // A queue that refuses the first piece of a long message gets none of
    // its other pieces; the next message is whole again.
    MidiStreamParser parser;
    QStringList got;
    bool refuse = true;
    const auto sink = [&](const std::uint8_t *p, std::size_t n, bool continuation) {
        if (refuse) {
            refuse = false;
            return false;
        }
        got << QStringLiteral("%1%2:%3").arg(continuation ? "+" : "").arg(p[0], 0, 16).arg(n);
        return true;
    };
    const Bytes longMessage = sysex(int(MidiStreamParser::PieceSize) + 10);
    parser.feed(longMessage.data(), longMessage.size(), sink);
    const Bytes next = sysex(20);
    parser.feed(next.data(), next.size(), sink);
    QCOMPARE(got, QStringList{QStringLiteral("f0:20")});
}

void TestMidiPorts::deviceChoiceFollowsItsDevice()
{
    MidiDeviceChoice choice;
    choice.setNames({"A", "B", "C"});
    QVERIFY(choice.setPort(1));
    choice.setNames({"C", "B"}); // listed in another order
    QCOMPARE(choice.port(), 1);
    choice.setNames({"X", "C", "B"});
    QCOMPARE(choice.port(), 2);
    choice.setNames({"X"}); // gone: remembered, none chosen
    QCOMPARE(choice.port(), -1);
    QCOMPARE(choice.storedPort(), 2);
    QCOMPARE(choice.storedName(), QStringLiteral("B"));
    choice.setNames({"B", "X"}); // back
    QCOMPARE(choice.port(), 0);
    QCOMPARE(choice.storedName(), QStringLiteral("B"));

    // Absent at start: kept for the next start until the user chooses.
    MidiDeviceChoice start;
    start.setNames({"X"});
    start.remember(3, QStringLiteral("Amp USB"));
    QCOMPARE(start.storedPort(), 3);
    QCOMPARE(start.storedName(), QStringLiteral("Amp USB"));
    QVERIFY(start.setPort(-1)); // the user chose none
    QCOMPARE(start.storedPort(), -1);
    QCOMPARE(start.storedName(), QString());
}

QTEST_GUILESS_MAIN(TestMidiPorts)
#include "tst_midiports.moc"

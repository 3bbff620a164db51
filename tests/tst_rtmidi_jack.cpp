// The RtMidi backend against a real MIDI service: a JACK server with the
// dummy driver, started by tests/run-with-jackd. A small peer of plain
// RtMidi opens virtual ports; the backend finds them by name and opens them.
#include "midi/rtmidibackend.h"
#include "midi/tmidiin.h"
#include "midi/tmidiout.h"

#include <QtTest>

#include <rtmidi/RtMidi.h>

#include <atomic>
#include <memory>
#include <thread>

using Messages = QList<QByteArray>;

namespace {
constexpr int Timeout = 5000; // ms; a message takes a few JACK cycles of 5.3 ms

QByteArray sysex(int size, int seed)
{
    QByteArray m(size, '\0');
    m[0] = char(0xF0);
    for (int i = 1; i < size - 1; ++i)
        m[i] = char((seed * 7 + i) & 0x7F);
    m[size - 1] = char(0xF7);
    return m;
}

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray m;
    for (const int b : list)
        m.append(char(b));
    return m;
}

const std::uint8_t *data(const QByteArray &m)
{
    return reinterpret_cast<const std::uint8_t *>(m.constData());
}

// Index of the peer's port in a device list, by name; -1 when absent.
int indexOf(const QStringList &names, const QString &port)
{
    for (int i = 0; i < names.size(); ++i) {
        if (names[i].startsWith(QLatin1String("QuorvexTestPeer")) && names[i].endsWith(QLatin1Char(':') + port))
            return i;
    }
    return -1;
}

// The other end of the cable: virtual ports "amp in" and "amp out", plain
// RtMidi on JACK. What arrives is copied on JACK's thread and queued to the
// test thread, so `received` is only touched here.
class Peer {
public:
    explicit Peer(const std::string &inName = "amp in", const std::string &outName = "amp out")
    {
        in_.setErrorCallback(quiet);
        out_.setErrorCallback(quiet);
        in_.ignoreTypes(false, true, true);
        in_.setCallback(onMessage, this);
        in_.openVirtualPort(inName);
        out_.openVirtualPort(outName);
    }

    void send(const QByteArray &m) { out_.sendMessage(data(m), std::size_t(m.size())); }

    Messages received;

private:
    static void quiet(RtMidiError::Type, const std::string &, void *) {}
    static void onMessage(double, std::vector<unsigned char> *message, void *self)
    {
        auto *peer = static_cast<Peer *>(self);
        QByteArray copy(reinterpret_cast<const char *>(message->data()), qsizetype(message->size()));
        QMetaObject::invokeMethod(
            &peer->context_, [peer, copy] { peer->received << copy; }, Qt::QueuedConnection);
    }

    QObject context_; // outlives the RtMidi objects below
    RtMidiIn in_{RtMidi::UNIX_JACK, "QuorvexTestPeer", 1000};
    RtMidiOut out_{RtMidi::UNIX_JACK, "QuorvexTestPeer"};
};

// What a TMidiIn reported, in one ordered stream: short messages as their
// three bytes, SysEx buffers as delivered.
struct Log {
    Messages events;
    void attach(TMidiIn &in)
    {
        in.OnShort = [this](TMidiIn *, std::uint8_t s, std::uint8_t a, std::uint8_t b) { events << bytes({s, a, b}); };
        in.OnSysEx = [this](TMidiIn *, const std::uint8_t *p, int n) {
            events << QByteArray(reinterpret_cast<const char *>(p), n);
        };
    }
};

// Restores JACK_DEFAULT_SERVER when a test pointed it elsewhere.
struct ServerNameScope {
    explicit ServerNameScope(const QByteArray &name) : saved(qgetenv("JACK_DEFAULT_SERVER"))
    {
        qputenv("JACK_DEFAULT_SERVER", name);
    }
    ~ServerNameScope() { qputenv("JACK_DEFAULT_SERVER", saved); }
    QByteArray saved;
};
} // namespace

class TestRtMidiJack : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void automaticFallsBackToJack();
    void sendsWholeMessagesInOrder();
    void receivesInterleavedMessagesInOrder();
    void longestSysExAndTooLong();
    void burstOfSendsArrivesWhole();
    void closingInputDropsWhatIsQueued();
    void deviceGoneSinceListingIsNotAvailable();
    void serverStoppingNeverHangsASend();
};

void TestRtMidiJack::initTestCase()
{
    QVERIFY2(qEnvironmentVariableIsSet("JACK_DEFAULT_SERVER"),
             "run through tests/run-with-jackd, which starts a private JACK server");
    RtMidiBackend backend(RtMidiBackend::Api::Jack);
    QVERIFY2(backend.apiName() == QLatin1String("JACK"), "the JACK server started by run-with-jackd is not reachable");
}

void TestRtMidiJack::automaticFallsBackToJack()
{
    if (QFileInfo::exists(QStringLiteral("/dev/snd/seq")))
        QSKIP("this machine has an ALSA sequencer, which comes first");
    Peer peer;
    RtMidiBackend backend;
    QCOMPARE(backend.apiName(), QStringLiteral("JACK"));
    QCOMPARE(backend.maxSysExSize(), RtMidiBackend::JackMaxSysEx);

    // The lists are RtMidi's, name for name.
    RtMidiIn plainIn(RtMidi::UNIX_JACK, "QuorvexTestLister");
    RtMidiOut plainOut(RtMidi::UNIX_JACK, "QuorvexTestLister");
    QStringList inputs, outputs;
    for (unsigned i = 0; i < plainIn.getPortCount(); ++i)
        inputs << QString::fromStdString(plainIn.getPortName(i));
    for (unsigned i = 0; i < plainOut.getPortCount(); ++i)
        outputs << QString::fromStdString(plainOut.getPortName(i));
    QCOMPARE(backend.inputNames(), inputs);
    QCOMPARE(backend.outputNames(), outputs);
    QVERIFY(indexOf(inputs, QStringLiteral("amp out")) >= 0);
    QVERIFY(indexOf(outputs, QStringLiteral("amp in")) >= 0);
}

void TestRtMidiJack::sendsWholeMessagesInOrder()
{
    Peer peer;
    RtMidiBackend backend(RtMidiBackend::Api::Jack);
    TMidiOut out(backend);
    const int index = indexOf(out.deviceNames(), QStringLiteral("amp in"));
    QVERIFY2(index >= 0, qPrintable(out.deviceNames().join(QLatin1String(", "))));
    out.setPort(index);
    out.setUsing(true);
    QCOMPARE(out.openResult(), 0);

    const Messages expected{sysex(1000, 1), bytes({0x90, 0x40, 0x7F}), sysex(11, 2), bytes({0xC0, 0x05}),
                            sysex(1000, 3), bytes({0xB0, 0x20, 0x01})};
    QVERIFY(out.SysEx(data(expected[0]), 1000));
    out.Put3(0x90, 0x40, 0x7F);
    QVERIFY(out.SysEx(data(expected[2]), 11));
    out.Put2(0xC0, 0x05);
    QVERIFY(out.SysEx(data(expected[4]), 1000));
    out.Put3(0xB0, 0x20, 0x01);
    QTRY_COMPARE_WITH_TIMEOUT(peer.received.size(), expected.size(), Timeout);
    QCOMPARE(peer.received, expected);

    out.setUsing(false);
    QVERIFY(out.SysEx(data(expected[0]), 1000)); // closed: dropped quietly
    QCOMPARE(backend.sendSysEx(data(expected[0]), 1000), MidiBackend::NotOpen);
}

void TestRtMidiJack::receivesInterleavedMessagesInOrder()
{
    Peer peer;
    RtMidiBackend backend(RtMidiBackend::Api::Jack);
    TMidiIn in(backend);
    Log log;
    log.attach(in);
    const int index = indexOf(in.deviceNames(), QStringLiteral("amp out"));
    QVERIFY2(index >= 0, qPrintable(in.deviceNames().join(QLatin1String(", "))));
    in.setPort(index);
    in.setUsing(true);
    QCOMPARE(in.openResult(), 0);

    // Short messages reach OnShort as three bytes, padded with zero.
    Messages expected;
    peer.send(bytes({0xC0, 0x05}));
    expected << bytes({0xC0, 0x05, 0x00});
    peer.send(sysex(1000, 1));
    expected << sysex(1000, 1);
    peer.send(sysex(11, 2));
    expected << sysex(11, 2);
    for (int i = 0; i < 24; ++i) {
        // Back to back, as the Amp answers a request and then reports a knob.
        if (i % 3 == 0) {
            peer.send(sysex(1000, 10 + i));
            expected << sysex(1000, 10 + i);
        } else {
            peer.send(bytes({0xB0, i, 127 - i}));
            expected << bytes({0xB0, i, 127 - i});
        }
    }
    QVERIFY(log.events.isEmpty()); // nothing is handled outside the event loop
    QTRY_COMPARE_WITH_TIMEOUT(log.events.size(), expected.size(), Timeout);
    QCOMPARE(log.events, expected);
}

void TestRtMidiJack::longestSysExAndTooLong()
{
    Peer peer;
    RtMidiBackend backend(RtMidiBackend::Api::Jack);
    const int limit = backend.maxSysExSize();
    QCOMPARE(limit, RtMidiBackend::JackMaxSysEx);
    QCOMPARE(backend.openOutput(indexOf(backend.outputNames(), QStringLiteral("amp in"))), MidiBackend::Ok);

    const QByteArray longest = sysex(limit, 4);
    const QByteArray tooLong = sysex(limit + 1, 5);
    const QByteArray after = sysex(11, 6);
    QCOMPARE(backend.sendSysEx(data(longest), longest.size()), MidiBackend::Ok);
    QCOMPARE(backend.sendSysEx(data(tooLong), tooLong.size()), MidiBackend::TooLong);
    QCOMPARE(backend.sendSysEx(data(after), after.size()), MidiBackend::Ok);
    QTRY_COMPARE_WITH_TIMEOUT(peer.received.size(), 2, Timeout);
    QCOMPARE(peer.received, (Messages{longest, after}));

    // The port component reports the refusal.
    TMidiOut out(backend);
    out.setPort(indexOf(out.deviceNames(), QStringLiteral("amp in")));
    out.setUsing(true);
    QCOMPARE(out.openResult(), 0);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("refused a SysEx message")));
    QVERIFY(!out.SysEx(data(tooLong), tooLong.size()));

    // Received, a message longer than one 16000-byte buffer arrives in pieces.
    TMidiIn in(backend);
    Log log;
    log.attach(in);
    in.setPort(indexOf(in.deviceNames(), QStringLiteral("amp out")));
    in.setUsing(true);
    QCOMPARE(in.openResult(), 0);
    peer.send(longest);
    QTRY_COMPARE_WITH_TIMEOUT(log.events.size(), 2, Timeout);
    QCOMPARE(log.events[0].size(), MidiInbox::SysExBufferSize);
    QCOMPARE(log.events[0] + log.events[1], longest);
}

void TestRtMidiJack::burstOfSendsArrivesWhole()
{
    // Far more than the 32 KB a JACK port carries in one cycle, sent as fast
    // as the backend takes it.
    Peer peer;
    RtMidiBackend backend(RtMidiBackend::Api::Jack);
    QCOMPARE(backend.openOutput(indexOf(backend.outputNames(), QStringLiteral("amp in"))), MidiBackend::Ok);
    Messages expected;
    for (int i = 0; i < 150; ++i)
        expected << sysex(1000, i);
    for (int i = 0; i < 50; ++i)
        expected << bytes({0xB0, 0x10, i}) << sysex(1000, i);
    for (int i = 0; i < 3; ++i)
        expected << sysex(RtMidiBackend::JackMaxSysEx, i);
    int failures = 0;
    for (const QByteArray &m : std::as_const(expected)) {
        const int result = m.size() == 3 ? backend.sendShort(std::uint8_t(m[0]) | std::uint8_t(m[1]) << 8 | std::uint8_t(m[2]) << 16)
                                         : backend.sendSysEx(data(m), m.size());
        failures += result != MidiBackend::Ok;
    }
    QCOMPARE(failures, 0);
    QTRY_COMPARE_WITH_TIMEOUT(peer.received.size(), expected.size(), Timeout);
    QCOMPARE(peer.received, expected);
}

void TestRtMidiJack::closingInputDropsWhatIsQueued()
{
    Peer peer;
    RtMidiBackend backend(RtMidiBackend::Api::Jack);
    TMidiIn in(backend);
    Log log;
    log.attach(in);
    in.setPort(indexOf(in.deviceNames(), QStringLiteral("amp out")));
    in.setUsing(true);
    QCOMPARE(in.openResult(), 0);

    // A second listener on the peer's port shows when messages have left the
    // peer: JACK hands them to both listeners in the same cycle.
    std::atomic<int> seen{0};
    RtMidiIn watcher(RtMidi::UNIX_JACK, "QuorvexTestWatcher");
    watcher.setCallback([](double, std::vector<unsigned char> *, void *count) { ++*static_cast<std::atomic<int> *>(count); },
                        &seen);
    QStringList names;
    for (unsigned i = 0; i < watcher.getPortCount(); ++i)
        names << QString::fromStdString(watcher.getPortName(i));
    const int peerOut = indexOf(names, QStringLiteral("amp out"));
    QVERIFY(peerOut >= 0);
    watcher.openPort(unsigned(peerOut), "watch");

    // Wait without running the event loop, so nothing is handled yet.
    const auto waitSeen = [&](int n) {
        QDeadlineTimer deadline(Timeout);
        while (seen.load() < n && !deadline.hasExpired())
            std::this_thread::yield();
        return seen.load() >= n;
    };
    for (int i = 0; i < 20; ++i)
        peer.send(bytes({0x90, i, 100}));
    QVERIFY(waitSeen(20));
    in.setUsing(false);
    peer.send(bytes({0x90, 0x7F, 100})); // sent while closed
    QVERIFY(waitSeen(21));
    QCoreApplication::processEvents();
    QVERIFY(log.events.isEmpty());

    in.setUsing(true);
    QCOMPARE(in.openResult(), 0);
    peer.send(bytes({0x80, 0x3C, 0x00}));
    QTRY_VERIFY_WITH_TIMEOUT(!log.events.isEmpty(), Timeout);
    QCOMPARE(log.events, (Messages{bytes({0x80, 0x3C, 0x00})}));
}

void TestRtMidiJack::deviceGoneSinceListingIsNotAvailable()
{
    Peer peer;
    auto leaving = std::make_unique<Peer>("leaving in", "leaving out");
    RtMidiBackend backend(RtMidiBackend::Api::Jack);
    const QStringList outputs = backend.outputNames();
    const int gone = indexOf(outputs, QStringLiteral("leaving in"));
    const int stays = indexOf(outputs, QStringLiteral("amp in"));
    QVERIFY(gone >= 0 && stays >= 0);
    leaving.reset();
    // The index still means the port the list showed, not whatever moved into its place.
    QCOMPARE(backend.openOutput(gone), MidiBackend::NotAvailable);
    QCOMPARE(backend.sendShort(0x7F4090), MidiBackend::NotOpen);
    QCOMPARE(backend.openOutput(stays), MidiBackend::Ok);
    QCOMPARE(backend.sendShort(0x7F4090), MidiBackend::Ok);
    QTRY_COMPARE_WITH_TIMEOUT(peer.received, (Messages{bytes({0x90, 0x40, 0x7F})}), Timeout);
    QCOMPARE(backend.openOutput(outputs.size()), MidiBackend::BadDevice);
}

void TestRtMidiJack::serverStoppingNeverHangsASend()
{
    // A server of this test's own, so stopping it leaves the others alone.
    const QByteArray name = qgetenv("JACK_DEFAULT_SERVER") + "-stopping";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("JACK_DEFAULT_SERVER"), QString::fromLatin1(name));
    QProcess jackd;
    jackd.setProcessEnvironment(env);
    jackd.start(QStringLiteral("jackd"), {QStringLiteral("-n"), QString::fromLatin1(name), QStringLiteral("--no-realtime"),
                                          QStringLiteral("-d"), QStringLiteral("dummy"), QStringLiteral("-r"),
                                          QStringLiteral("48000"), QStringLiteral("-p"), QStringLiteral("256")});
    QVERIFY2(jackd.waitForStarted(), "jackd not found; install jackd2 (scripts/bootstrap does)");
    QProcess wait;
    wait.setProcessEnvironment(env);
    wait.start(QStringLiteral("jack_wait"), {QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("10")});
    QVERIFY(wait.waitForFinished(15000));
    QCOMPARE(wait.exitCode(), 0);

    ServerNameScope scope(name);
    Peer peer;
    RtMidiBackend backend(RtMidiBackend::Api::Jack);
    QCOMPARE(backend.openOutput(indexOf(backend.outputNames(), QStringLiteral("amp in"))), MidiBackend::Ok);
    const QByteArray message = sysex(1000, 7);
    QCOMPARE(backend.sendSysEx(data(message), message.size()), MidiBackend::Ok);
    QTRY_COMPARE_WITH_TIMEOUT(peer.received.size(), 1, Timeout);

    jackd.terminate();
    QVERIFY(jackd.waitForFinished(10000));

    // More than RtMidi's 16 KB queue: without a running server RtMidi
    // would wait for room forever.
    QElapsedTimer took;
    took.start();
    int result = MidiBackend::Ok;
    for (int i = 0; i < 40 && result == MidiBackend::Ok; ++i)
        result = backend.sendSysEx(data(message), message.size());
    QCOMPARE(result, MidiBackend::NotAvailable);
    QCOMPARE(backend.sendShort(0x7F4090), MidiBackend::NotAvailable);
    QVERIFY2(took.elapsed() < 5000, qPrintable(QString::number(took.elapsed())));
    QCOMPARE(backend.outputNames(), QStringList());
    QCOMPARE(backend.closeOutput(), MidiBackend::Ok);
}

QTEST_GUILESS_MAIN(TestRtMidiJack)
#include "tst_rtmidi_jack.moc"

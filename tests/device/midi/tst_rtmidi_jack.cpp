// SPDX-License-Identifier: GPL-3.0-or-later
// The RtMidi backend against a real MIDI service: a JACK server with the
// dummy driver, started by tests/run-with-jackd. A small peer of plain
// libjack makes ports; the backend finds them by name and opens them.
#include "midi/midiinport.h"
#include "midi/midioutport.h"
#include "midi/rtmidibackend.h"

#include <QtTest>

#include <atomic>
#include <cstring>
#include <deque>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <memory>
#include <mutex>
#include <signal.h>
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

#if defined(__SANITIZE_THREAD__)
extern "C" void AnnotateIgnoreReadsBegin(const char *file, int line);
extern "C" void AnnotateIgnoreReadsEnd(const char *file, int line);
extern "C" void AnnotateIgnoreWritesBegin(const char *file, int line);
extern "C" void AnnotateIgnoreWritesEnd(const char *file, int line);
// The peers read and write JACK port buffers, which the server hands from
// client to client in the order of its graph: an ordering ThreadSanitizer
// cannot see. The peers' own accesses are left out of its view while they
// run; those of the program's client stay in it.
struct OutOfTsanView {
    OutOfTsanView()
    {
        AnnotateIgnoreReadsBegin(__FILE__, __LINE__);
        AnnotateIgnoreWritesBegin(__FILE__, __LINE__);
    }
    ~OutOfTsanView()
    {
        AnnotateIgnoreWritesEnd(__FILE__, __LINE__);
        AnnotateIgnoreReadsEnd(__FILE__, __LINE__);
    }
};
#else
struct OutOfTsanView {
    OutOfTsanView() {} // user-provided: no unused-variable warning where it does nothing
};
#endif

// The other end of the cable: a client of plain libjack with ports "amp in"
// and "amp out". What arrives is copied on JACK's thread and queued to the
// test thread, so `received` is only touched here. RtMidi's own JACK ports
// are not used: closing one can crash in libjack's thread.
class Peer {
public:
    explicit Peer(const std::string &inName = "amp in", const std::string &outName = "amp out")
    {
        // One client name for one pair of ports, as a device keeps its name
        // when it comes back.
        const std::string name = inName == "amp in" ? std::string("QuorvexTestPeer")
                                                    : "QuorvexTestPeer-" + inName.substr(0, inName.find(' '));
        jack_status_t status{};
        client_ = jack_client_open(name.c_str(), JackNoStartServer, &status);
        if (!client_)
            return;
        in_ = jack_port_register(client_, inName.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        out_ = jack_port_register(client_, outName.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback(client_, process, this);
        jack_activate(client_);
    }
    ~Peer()
    {
        if (client_)
            jack_client_close(client_);
    }

    // Leaves in a later cycle, whole, after what was sent before.
    void send(const QByteArray &m)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        pending_.push_back(m);
    }
    // Messages written to the output port so far.
    int sent() const { return sent_.load(); }
    // Server cycles run so far.
    std::uint64_t cycles() const { return cycles_.load(); }

    Messages received;

private:
    static int process(jack_nframes_t frames, void *arg)
    {
        const OutOfTsanView outOfView;
        auto *self = static_cast<Peer *>(arg);
        void *in = jack_port_get_buffer(self->in_, frames);
        const jack_nframes_t count = jack_midi_get_event_count(in);
        for (jack_nframes_t i = 0; i < count; ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, in, i) != 0)
                continue;
            QByteArray copy(reinterpret_cast<const char *>(event.buffer), qsizetype(event.size));
            QMetaObject::invokeMethod(
                &self->context_, [self, copy] { self->received << copy; }, Qt::QueuedConnection);
        }
        void *out = jack_port_get_buffer(self->out_, frames);
        jack_midi_clear_buffer(out);
        // A test peer may lock here; the send it waits for is short.
        const std::lock_guard<std::mutex> lock(self->mutex_);
        while (!self->pending_.empty()) {
            const QByteArray &m = self->pending_.front();
            if (std::size_t(m.size()) > jack_midi_max_event_size(out))
                break;
            jack_midi_data_t *at = jack_midi_event_reserve(out, 0, std::size_t(m.size()));
            if (!at)
                break;
            std::memcpy(at, m.constData(), std::size_t(m.size()));
            self->pending_.pop_front();
            ++self->sent_;
        }
        ++self->cycles_;
        return 0;
    }

    QObject context_; // outlives the client below
    jack_client_t *client_ = nullptr;
    jack_port_t *in_ = nullptr;
    jack_port_t *out_ = nullptr;
    std::mutex mutex_;
    std::deque<QByteArray> pending_;
    std::atomic<int> sent_{0};
    std::atomic<std::uint64_t> cycles_{0};
};

// What a MidiInPort reported, in one ordered stream: short messages as their
// three bytes, SysEx buffers as delivered.
struct Log {
    Messages events;
    void attach(MidiInPort &in)
    {
        in.OnShort = [this](MidiInPort *, std::uint8_t s, std::uint8_t a, std::uint8_t b) {
            events << bytes({s, a, b});
        };
        in.OnSysEx = [this](MidiInPort *, const std::uint8_t *p, int n) {
            events << QByteArray(reinterpret_cast<const char *>(p), n);
        };
    }
};

// Longest time a call into the MIDI layer may keep the UI thread.
constexpr qint64 UiBlockLimitMs = 50;

// Times calls made on the UI thread; keeps the longest.
struct CallTimer {
    qint64 longestNs = 0;
    template <class F>
    auto operator()(F &&f)
    {
        QElapsedTimer t;
        t.start();
        struct Done {
            CallTimer &self;
            QElapsedTimer &t;
            ~Done() { self.longestNs = std::max(self.longestNs, t.nsecsElapsed()); }
        } done{*this, t};
        return f();
    }
    qint64 longestMs() const { return longestNs / 1000000; }
};

// The longest the event loop went without running this timer: how long
// the UI thread was kept from its events.
struct GapMeter {
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    GapMeter()
    {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, &timer, [this] {
            const qint64 now = clock.elapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        clock.start();
        timer.start();
    }
};

// Two processes that keep both cores busy while they live.
struct CpuLoad {
    std::array<QProcess, 2> busy;
    CpuLoad()
    {
        for (QProcess &p : busy)
            p.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("while :; do :; done")});
        for (QProcess &p : busy)
            p.waitForStarted();
    }
    ~CpuLoad()
    {
        for (QProcess &p : busy) {
            p.kill();
            p.waitForFinished();
        }
    }
};

// The JACK server run-with-jackd started (its PID is handed over), to hang,
// kill and start again under the same name. A server started here is
// stopped cleanly at the end, so it leaves no entry in JACK's registry of
// servers, which holds eight.
class TestServer {
public:
    TestServer() : pid_(qEnvironmentVariableIntValue("QUORVEX_TEST_JACKD_PID")) {}
    ~TestServer()
    {
        cont();
        if (jackd_.state() == QProcess::NotRunning)
            return;
        jackd_.terminate();
        if (!jackd_.waitForFinished(5000)) {
            jackd_.kill();
            jackd_.waitForFinished();
        }
    }
    bool known() const { return pid_ > 0; }
    bool start()
    {
        const QString name = qEnvironmentVariable("JACK_DEFAULT_SERVER");
        jackd_.start(QStringLiteral("jackd"),
                     {QStringLiteral("-n"), name, QStringLiteral("--no-realtime"), QStringLiteral("-S"),
                      QStringLiteral("-d"), QStringLiteral("dummy"), QStringLiteral("-r"), QStringLiteral("48000"),
                      QStringLiteral("-p"), QStringLiteral("256")});
        if (!jackd_.waitForStarted())
            return false;
        pid_ = int(jackd_.processId());
        QProcess wait;
        wait.start(QStringLiteral("jack_wait"), {QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("10")});
        return wait.waitForFinished(15000) && wait.exitCode() == 0;
    }
    // SIGKILL: no goodbye to its clients.
    void kill()
    {
        ::kill(pid_t(pid_), SIGKILL);
        while (::kill(pid_t(pid_), 0) == 0 && jackd_.state() == QProcess::NotRunning)
            QThread::msleep(1); // not our child: gone once the signal is taken
        jackd_.waitForFinished();
    }
    void stop() { ::kill(pid_t(pid_), SIGSTOP); }
    void cont() { ::kill(pid_t(pid_), SIGCONT); }

private:
    int pid_;
    QProcess jackd_;
};

// A JACK client that fills its output port every cycle with random bytes
// and random SysEx, as fast as the server carries them.
class FloodPeer {
public:
    FloodPeer()
    {
        jack_status_t status{};
        client_ = jack_client_open("QuorvexTestFlood", JackNoStartServer, &status);
        if (!client_)
            return;
        port_ = jack_port_register(client_, "flood", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback(client_, process, this);
        jack_activate(client_);
    }
    ~FloodPeer()
    {
        if (client_)
            jack_client_close(client_);
    }
    bool ok() const { return client_ && port_; }
    QString portName() const { return QString::fromUtf8(jack_port_name(port_)); }
    std::atomic<bool> on{false};
    std::atomic<std::uint64_t> bytes{0};

private:
    std::uint64_t next()
    {
        seed_ ^= seed_ << 13;
        seed_ ^= seed_ >> 7;
        seed_ ^= seed_ << 17;
        return seed_;
    }
    static int process(jack_nframes_t frames, void *arg)
    {
        const OutOfTsanView outOfView;
        auto *self = static_cast<FloodPeer *>(arg);
        void *buffer = jack_port_get_buffer(self->port_, frames);
        jack_midi_clear_buffer(buffer);
        if (!self->on.load())
            return 0;
        // Up to 8 KB a cycle: about 1.5 MB a second.
        for (std::size_t room = 8192; room > 64;) {
            const std::uint64_t r = self->next();
            std::size_t size = r % 4 == 0 ? 1 + r % 32 : 5 + (r >> 8) % 3000;
            size = std::min({size, room, jack_midi_max_event_size(buffer)});
            if (size == 0)
                break;
            jack_midi_data_t *at = jack_midi_event_reserve(buffer, 0, size);
            if (!at)
                break;
            for (std::size_t i = 0; i < size; ++i)
                at[i] = jack_midi_data_t(self->next());
            if (r % 4 != 0) { // SysEx, closed or not
                at[0] = 0xF0;
                for (std::size_t i = 1; i < size; ++i)
                    at[i] &= 0x7F;
                if (r % 3 != 0)
                    at[size - 1] = 0xF7;
            }
            room -= size;
            self->bytes.fetch_add(size);
        }
        return 0;
    }

    jack_client_t *client_ = nullptr;
    jack_port_t *port_ = nullptr;
    std::uint64_t seed_ = 0x9E3779B97F4A7C15ull;
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
    void burstsUnderLoadArriveWholeAndInOrder_data();
    void burstsUnderLoadArriveWholeAndInOrder();
    void dinRateIsKept();
    void closingInputDropsWhatIsQueued();
    void deviceGoneSinceListingIsNotAvailable();
    void floodFromAPeerStaysBounded();
    // These two hang and kill the server: last.
    void hungServerNeverBlocks();
    void serverKilledMidBurstComesBack();
};

void TestRtMidiJack::initTestCase()
{
    QVERIFY2(qEnvironmentVariableIsSet("JACK_DEFAULT_SERVER"),
             "run through tests/run-with-jackd, which starts a private JACK server");
    RtMidiBackend backend(RtMidiBackend::Api::Jack);
    QVERIFY2(backend.apiName() == QLatin1String("JACK"), "the JACK server started by run-with-jackd is not reachable");
    QVERIFY(backend.linkUp());
}

void TestRtMidiJack::automaticFallsBackToJack()
{
    // CTest hands ALSA a configuration with no sequencer: on a machine with
    // a sound card the automatic choice then fails over to JACK as well.
    QVERIFY(qEnvironmentVariableIsSet("ALSA_CONFIG_PATH"));
    Peer peer;
    RtMidiBackend backend;
    QCOMPARE(backend.apiName(), QStringLiteral("JACK"));
    QCOMPARE(backend.maxSysExSize(), RtMidiBackend::JackMaxSysEx);

    // The lists hold the other clients' MIDI ports, never our own.
    const QStringList inputs = backend.inputNames();
    const QStringList outputs = backend.outputNames();
    QVERIFY(indexOf(inputs, QStringLiteral("amp out")) >= 0);
    QVERIFY(indexOf(outputs, QStringLiteral("amp in")) >= 0);
    for (const QString &name : inputs + outputs)
        QVERIFY2(!name.startsWith(QLatin1String("Quorvex:")), qPrintable(name));

    // A port that appears later is listed when the list is read again.
    Peer late("late in", "late out");
    QTRY_VERIFY_WITH_TIMEOUT(indexOf(backend.outputNames(), QStringLiteral("late in")) >= 0, Timeout);
}

void TestRtMidiJack::sendsWholeMessagesInOrder()
{
    Peer peer;
    RtMidiBackend backend(RtMidiBackend::Api::Jack);
    MidiOutPort out(backend);
    const int index = indexOf(out.deviceNames(), QStringLiteral("amp in"));
    QVERIFY2(index >= 0, qPrintable(out.deviceNames().join(QLatin1String(", "))));
    out.setPort(index);
    out.setEnabled(true);
    QCOMPARE(out.openResult(), 0);

    // Sent at once after the open: the output keeps them until its
    // connection is made.
    const Messages expected{sysex(1000, 1), bytes({0x90, 0x40, 0x7F}), sysex(11, 2), bytes({0xC0, 0x05}),
                            sysex(1000, 3), bytes({0xB0, 0x20, 0x01})};
    QVERIFY(out.sendSysEx(data(expected[0]), 1000));
    out.sendShort(0x90, 0x40, 0x7F);
    QVERIFY(out.sendSysEx(data(expected[2]), 11));
    out.sendShort(0xC0, 0x05);
    QVERIFY(out.sendSysEx(data(expected[4]), 1000));
    out.sendShort(0xB0, 0x20, 0x01);
    QTRY_COMPARE_WITH_TIMEOUT(peer.received.size(), expected.size(), Timeout);
    QCOMPARE(peer.received, expected);
    QCOMPARE(out.stats().sent, std::uint64_t(6));

    out.setEnabled(false);
    QVERIFY(out.sendSysEx(data(expected[0]), 1000)); // closed: dropped quietly
    QCOMPARE(backend.sendSysEx(data(expected[0]), 1000), MidiBackend::NotOpen);
}

void TestRtMidiJack::receivesInterleavedMessagesInOrder()
{
    Peer peer;
    RtMidiBackend backend(RtMidiBackend::Api::Jack);
    MidiInPort in(backend);
    Log log;
    log.attach(in);
    const int index = indexOf(in.deviceNames(), QStringLiteral("amp out"));
    QVERIFY2(index >= 0, qPrintable(in.deviceNames().join(QLatin1String(", "))));
    in.setPort(index);
    in.setEnabled(true);
    QCOMPARE(in.openResult(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(backend.inputConnected(), Timeout);

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
    QCOMPARE(in.stats().received, std::uint64_t(expected.size()));
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

    // The port component refuses it before queueing, and says so.
    MidiOutPort out(backend);
    out.setPort(indexOf(out.deviceNames(), QStringLiteral("amp in")));
    out.setEnabled(true);
    QCOMPARE(out.openResult(), 0);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("refused a SysEx message")));
    QVERIFY(!out.sendSysEx(data(tooLong), tooLong.size()));
    QCOMPARE(out.stats().refused, std::uint64_t(1));

    // Received, a message longer than one 16000-byte buffer arrives in pieces.
    MidiInPort in(backend);
    Log log;
    log.attach(in);
    in.setPort(indexOf(in.deviceNames(), QStringLiteral("amp out")));
    in.setEnabled(true);
    QCOMPARE(in.openResult(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(backend.inputConnected(), Timeout);
    peer.send(longest);
    QTRY_COMPARE_WITH_TIMEOUT(log.events.size(), 2, Timeout);
    QCOMPARE(log.events[0].size(), MidiInbox::SysExBufferSize);
    QCOMPARE(log.events[0] + log.events[1], longest);
}

void TestRtMidiJack::burstsUnderLoadArriveWholeAndInOrder_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("dumps");
    QTest::addColumn<int>("parameters");
    // Paced: the drain timer's path at ten times the cable's rate (a
    // virtual port has no cable; at 3125 B/s this burst takes 17 s).
    QTest::newRow("paced") << MidiOutPort::DinRate * 10 << 30 << 2000;
    // As fast as the JACK port takes them.
    QTest::newRow("fastest") << 0 << 100 << 2000;
}

void TestRtMidiJack::burstsUnderLoadArriveWholeAndInOrder()
{
    QFETCH(int, rate);
    QFETCH(int, dumps);
    QFETCH(int, parameters);
    Peer peer;
    RtMidiBackend backend(RtMidiBackend::Api::Jack);
    MidiOutPort out(backend);
    out.setRate(rate);
    out.setPort(indexOf(out.deviceNames(), QStringLiteral("amp in")));
    out.setEnabled(true);
    QCOMPARE(out.openResult(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(backend.outputConnected(), Timeout);

    Messages expected;
    for (int i = 0; i < dumps; ++i)
        expected << sysex(1000, i);
    for (int i = 0; i < parameters; ++i)
        expected << sysex(11, i);
    const CpuLoad load;
    CallTimer call;
    for (const QByteArray &m : std::as_const(expected))
        QVERIFY(call([&] { return out.sendSysEx(data(m), m.size()); }));
    QVERIFY2(call.longestMs() < UiBlockLimitMs, qPrintable(QString::number(call.longestMs())));
    (void)QTest::qWaitFor([&] { return peer.received.size() >= expected.size(); }, 20000);
    const MidiOutPort::Stats stats = out.stats();
    if (peer.received != expected) {
        int firstDiff = 0;
        while (firstDiff < peer.received.size() && peer.received[firstDiff] == expected[firstDiff])
            ++firstDiff;
        qWarning("xruns %llu; sent %llu refused %llu dropped %llu lost %llu; first difference at %d",
                 (unsigned long long)backend.serverXruns(), (unsigned long long)stats.sent,
                 (unsigned long long)stats.refused, (unsigned long long)stats.dropped,
                 (unsigned long long)backend.outputLosses(), firstDiff);
    }
    QCOMPARE(peer.received, expected);
    QCOMPARE(stats.refused + stats.dropped + backend.outputLosses(), std::uint64_t(0));
}

void TestRtMidiJack::dinRateIsKept()
{
    // 3100 bytes at 3125 a second: the last arrives about a second after
    // the first, not sooner.
    Peer peer;
    RtMidiBackend backend(RtMidiBackend::Api::Jack);
    MidiOutPort out(backend);
    QCOMPARE(out.rate(), MidiOutPort::DinRate);
    out.setPort(indexOf(out.deviceNames(), QStringLiteral("amp in")));
    out.setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(backend.outputConnected(), Timeout);
    Messages expected{sysex(1000, 1), sysex(1000, 2)};
    for (int i = 0; i < 100; ++i)
        expected << sysex(11, i);
    QElapsedTimer took;
    took.start();
    for (const QByteArray &m : std::as_const(expected))
        QVERIFY(out.sendSysEx(data(m), m.size()));
    QTRY_COMPARE_WITH_TIMEOUT(peer.received.size(), expected.size(), Timeout);
    QCOMPARE(peer.received, expected);
    const qint64 ideal = (3100 - 11) * 1000 / MidiOutPort::DinRate; // the last leaves when the rest has gone
    QVERIFY2(took.elapsed() >= ideal, qPrintable(QString::number(took.elapsed())));
}

void TestRtMidiJack::closingInputDropsWhatIsQueued()
{
    Peer peer;
    RtMidiBackend backend(RtMidiBackend::Api::Jack);
    MidiInPort in(backend);
    Log log;
    log.attach(in);
    in.setPort(indexOf(in.deviceNames(), QStringLiteral("amp out")));
    in.setEnabled(true);
    QCOMPARE(in.openResult(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(backend.inputConnected(), Timeout);

    // Waits without running the event loop, so nothing is handled yet,
    // until n messages have left the peer and two more cycles have run: our
    // client reads them in the cycle they leave in, or the next.
    const auto waitSent = [&](int n) {
        QDeadlineTimer deadline(Timeout);
        while (peer.sent() < n && !deadline.hasExpired())
            std::this_thread::yield();
        const std::uint64_t then = peer.cycles();
        while (peer.cycles() < then + 2 && !deadline.hasExpired())
            std::this_thread::yield();
        return peer.sent() >= n && !deadline.hasExpired();
    };
    for (int i = 0; i < 20; ++i)
        peer.send(bytes({0x90, i, 100}));
    QVERIFY(waitSent(20));
    in.setEnabled(false);
    peer.send(bytes({0x90, 0x7F, 100})); // sent while closed
    QVERIFY(waitSent(21));
    QCoreApplication::processEvents();
    QVERIFY(log.events.isEmpty());

    in.setEnabled(true);
    QCOMPARE(in.openResult(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(backend.inputConnected(), Timeout);
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
    // Once the server has told: the index still means the port the list
    // showed, not whatever moved into its place.
    QTRY_COMPARE_WITH_TIMEOUT(backend.openOutput(gone), MidiBackend::NotAvailable, Timeout);
    QCOMPARE(backend.sendShort(0x7F4090), MidiBackend::NotOpen);
    QCOMPARE(backend.openOutput(stays), MidiBackend::Ok);
    QCOMPARE(backend.sendShort(0x7F4090), MidiBackend::Ok);
    QTRY_COMPARE_WITH_TIMEOUT(peer.received, (Messages{bytes({0x90, 0x40, 0x7F})}), Timeout);
    QCOMPARE(backend.openOutput(outputs.size()), MidiBackend::BadDevice);
}

void TestRtMidiJack::serverKilledMidBurstComesBack()
{
    TestServer server;
    QVERIFY2(server.known(), "run through tests/run-with-jackd, which hands over its server's PID");
    auto peer = std::make_unique<Peer>();
    RtMidiBackend backend(RtMidiBackend::Api::Jack);
    MidiOutPort out(backend);
    MidiInPort in(backend);
    Log log;
    log.attach(in);
    out.setRate(0);
    out.setPort(indexOf(out.deviceNames(), QStringLiteral("amp in")));
    out.setEnabled(true);
    in.setPort(indexOf(in.deviceNames(), QStringLiteral("amp out")));
    in.setEnabled(true);
    QVERIFY(out.openResult() == 0 && in.openResult() == 0);
    QTRY_VERIFY_WITH_TIMEOUT(backend.outputConnected() && backend.inputConnected(), Timeout);

    // What the link tells its status display, from the JACK client's threads too.
    unsigned told = 0;
    QObject::connect(&backend.linkNotifier(), &LinkNotifier::changed, &backend.linkNotifier(),
                     [&told](unsigned c) { told |= c; });

    // A burst that the server cannot have carried yet when it dies.
    CallTimer call;
    const QByteArray dump = sysex(1000, 9);
    for (int i = 0; i < 300; ++i)
        call([&] { return out.sendSysEx(data(dump), dump.size()); });
    server.kill();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("MIDI output dropped")));
    QElapsedTimer sending;
    sending.start();
    while (sending.elapsed() < 1000) { // the program goes on sending and polling
        call([&] { return out.sendSysEx(data(dump), dump.size()); });
        call([&] { return backend.outputNames(); });
        QTest::qWait(10);
    }
    QVERIFY(!backend.linkUp());
    QVERIFY(out.stats().dropped + out.stats().refused + backend.outputLosses() > 0);
    QTRY_VERIFY_WITH_TIMEOUT(
        (told & (LinkEvents::Service | LinkEvents::Failed)) == (LinkEvents::Service | LinkEvents::Failed), Timeout);
    told = 0;
    QVERIFY2(call.longestMs() < UiBlockLimitMs, qPrintable(QString::number(call.longestMs())));
    // The peer died with its server; it is left to go with the test.
    (void)peer.release();

    QVERIFY(server.start());
    Peer again;
    QTRY_VERIFY_WITH_TIMEOUT(backend.linkUp() && backend.outputConnected() && backend.inputConnected(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(told & LinkEvents::Service, Timeout);
    QVERIFY(out.isEnabled() && in.isEnabled());
    const QByteArray hello = sysex(11, 1);
    QVERIFY(out.sendSysEx(data(hello), hello.size()));
    QTRY_COMPARE_WITH_TIMEOUT(again.received, Messages{hello}, Timeout);
    again.send(hello);
    QTRY_COMPARE_WITH_TIMEOUT(log.events, Messages{hello}, Timeout);
}

void TestRtMidiJack::hungServerNeverBlocks()
{
    TestServer server;
    QVERIFY2(server.known(), "run through tests/run-with-jackd, which hands over its server's PID");
    Peer peer;
    RtMidiBackend backend(RtMidiBackend::Api::Jack);
    MidiOutPort out(backend);
    out.setRate(0);
    const int index = indexOf(out.deviceNames(), QStringLiteral("amp in"));
    out.setPort(index);
    out.setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(backend.outputConnected(), Timeout);

    // A hung server answers nothing and runs no cycle; every call the
    // program makes still returns at once, closing and opening included.
    server.stop();
    const auto resume = qScopeGuard([&] { server.cont(); }); // before the peer goes
    CallTimer call;
    const QByteArray dump = sysex(1000, 3);
    QElapsedTimer sending;
    sending.start();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(
                                           "refused a SysEx message of 1000 bytes: the send queue is full")));
    while (sending.elapsed() < 500) {
        for (int i = 0; i < 100; ++i)
            call([&] { return out.sendSysEx(data(dump), dump.size()); });
        QTest::qWait(5);
    }
    // Waiting for room, not lost, and past the bound refused.
    QVERIFY(out.stats().queuedMessages > 0);
    QVERIFY(out.stats().refused > 0);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("dropped .* queued message")));
    call([&] {
        out.setEnabled(false);
        return 0;
    });
    call([&] {
        out.setEnabled(true);
        return 0;
    });
    call([&] { return backend.outputNames(); });
    QVERIFY2(call.longestMs() < UiBlockLimitMs, qPrintable(QString::number(call.longestMs())));

    server.cont();
    QTRY_VERIFY_WITH_TIMEOUT(backend.outputConnected(), 10000);
    const QByteArray hello = sysex(11, 1);
    peer.received.clear();
    QVERIFY(out.sendSysEx(data(hello), hello.size()));
    QTRY_VERIFY_WITH_TIMEOUT(!peer.received.isEmpty() && peer.received.last() == hello, Timeout);
}

void TestRtMidiJack::floodFromAPeerStaysBounded()
{
    // QUORVEX_FLOOD_SECONDS=60 runs it for a minute by hand.
    const int seconds =
        qEnvironmentVariableIsSet("QUORVEX_FLOOD_SECONDS") ? qEnvironmentVariableIntValue("QUORVEX_FLOOD_SECONDS") : 3;
    FloodPeer flood;
    QVERIFY(flood.ok());
    RtMidiBackend backend(RtMidiBackend::Api::Jack);
    MidiInPort in(backend);
    std::uint64_t shorts = 0, pieces = 0;
    in.OnShort = [&](MidiInPort *, std::uint8_t, std::uint8_t, std::uint8_t) { ++shorts; };
    in.OnSysEx = [&](MidiInPort *, const std::uint8_t *, int) { ++pieces; };
    QTRY_VERIFY_WITH_TIMEOUT((in.refreshDevices(), in.deviceNames().contains(flood.portName())), Timeout);
    in.setPort(int(in.deviceNames().indexOf(flood.portName())));
    in.setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(backend.inputConnected(), Timeout);

    const auto residentKb = [] {
        QFile status(QStringLiteral("/proc/self/status"));
        status.open(QIODevice::ReadOnly);
        const QByteArray text = status.readAll();
        const qsizetype at = text.indexOf("VmRSS:");
        return at < 0 ? 0
                      : text.mid(at + 6, text.indexOf('\n', at) - at - 6).trimmed().split(' ').value(0).toLongLong();
    };
    QTest::qWait(100);
    const qlonglong before = residentKb();
    qlonglong peak = before;
    flood.on = true;
    QTest::failOnWarning(QRegularExpression(QStringLiteral("handler failed")));
    GapMeter gaps;
    QElapsedTimer running;
    running.start();
    while (running.elapsed() < seconds * 1000) {
        QTest::qWait(50);
        peak = std::max(peak, residentKb());
    }
    flood.on = false;
    qInfo("flood: %llu bytes sent, %llu short messages and %llu SysEx pieces taken, %llu dropped; "
          "resident %lld KB before, peak %lld KB; longest event-loop gap %lld ms",
          static_cast<unsigned long long>(flood.bytes.load()), static_cast<unsigned long long>(shorts),
          static_cast<unsigned long long>(pieces), static_cast<unsigned long long>(in.stats().overflows), before, peak,
          gaps.longest);
    QVERIFY(shorts + pieces > 1000);
    // Bounded: the rings are allocated up front; a flood adds nothing.
    QVERIFY2(peak - before < 16 * 1024, qPrintable(QString::number(peak - before)));
    QVERIFY2(in.stats().received == shorts + pieces, "every message taken reached a handler");
}

QTEST_GUILESS_MAIN(TestRtMidiJack)
#include "tst_rtmidi_jack.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// Round trips over a running JACK server, run by bench/jack/roundtrip:
//   1. bare: a 1000-byte SysEx from one plain RtMidi client to another,
//      which sends it back from its event loop (as quorvex-amp answers);
//   2. Group from Amp: the session on the program's own MIDI backend asks
//      quorvex-amp (unpaced) for its group dump, until the dump is applied.
// Prints both medians and their difference; exits non-zero when the
// difference is a JACK period or more.
#include "../silentuser.h"
#include "midi/rtmidibackend.h"
#include "session/amptransfers.h"
#include "session/prompter.h"
#include "session/session.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <jack/jack.h>
#include <rtmidi/RtMidi.h>
#include <vector>

namespace {

constexpr int Rounds = 40;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <class Done>
bool spinUntil(Done done, int ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

int portIndex(RtMidi &port, const std::string &suffix)
{
    for (unsigned i = 0; i < port.getPortCount(); ++i) {
        const std::string name = port.getPortName(i);
        if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            return int(i);
    }
    return -1;
}

// Milliseconds per round trip of a 1000-byte message between plain RtMidi
// clients; empty when the clients could not be set up.
std::vector<double> bareRoundTrips(QObject &context)
{
    RtMidiIn echoIn(RtMidi::UNIX_JACK, "RoundTripEcho", 1000);
    RtMidiOut echoOut(RtMidi::UNIX_JACK, "RoundTripEcho");
    echoIn.ignoreTypes(false, true, true);
    struct Echo {
        QObject *context;
        RtMidiOut *out;
    } echo{&context, &echoOut};
    echoIn.setCallback(
        [](double, std::vector<unsigned char> *m, void *arg) {
            auto *e = static_cast<Echo *>(arg);
            std::vector<unsigned char> copy(*m);
            QMetaObject::invokeMethod(
                e->context, [e, copy] { e->out->sendMessage(&copy); }, Qt::QueuedConnection);
        },
        &echo);
    echoIn.openVirtualPort("echo in");
    echoOut.openVirtualPort("echo out");

    RtMidiOut out(RtMidi::UNIX_JACK, "RoundTripSender");
    RtMidiIn in(RtMidi::UNIX_JACK, "RoundTripSender", 1000);
    in.ignoreTypes(false, true, true);
    std::atomic<int> arrived{0};
    in.setCallback([](double, std::vector<unsigned char> *, void *n) { ++*static_cast<std::atomic<int> *>(n); },
                   &arrived);
    QThread::msleep(200);
    const int to = portIndex(out, ":echo in");
    const int from = portIndex(in, ":echo out");
    if (to < 0 || from < 0)
        return {};
    out.openPort(unsigned(to));
    in.openPort(unsigned(from));
    QThread::msleep(200);

    std::vector<unsigned char> message(1000, 0x11);
    message.front() = 0xF0;
    message.back() = 0xF7;
    std::vector<double> times;
    for (int i = 0; i < Rounds; ++i) {
        const int before = arrived.load();
        QElapsedTimer t;
        t.start();
        out.sendMessage(&message);
        if (!spinUntil([&] { return arrived.load() > before; }))
            return {};
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    return times;
}

// Milliseconds per Group from Amp against quorvex-amp; empty on failure.
std::vector<double> groupFetches(const QString &ampProgram)
{
    QProcess amp;
    amp.setProcessChannelMode(QProcess::MergedChannels);
    amp.start(ampProgram, {QStringLiteral("--api"), QStringLiteral("jack"), QStringLiteral("--firmware"),
                           QStringLiteral("2.0"), QStringLiteral("--wire-rate"), QStringLiteral("0"),
                           QStringLiteral("--port-name"), QStringLiteral("Bench Amp")});
    // It says so once its ports are there.
    QByteArray said;
    if (!amp.waitForStarted())
        return {};
    while (!said.contains("on Jack")) {
        if (!amp.waitForReadyRead(5000))
            return {};
        said += amp.readAll();
    }
    SilentUser user(Prompter::Button::No);
    Session session(std::make_unique<RtMidiBackend>(RtMidiBackend::Api::Jack), user);
    auto find = [](const QStringList &names, const QString &port) {
        for (int i = 0; i < names.size(); ++i)
            if (names[i].endsWith(QLatin1Char(':') + port))
                return i;
        return -1;
    };
    // The server lists the Amp's ports to a new client a moment later.
    spinUntil([&] {
        session.link().midiIn().refreshDevices();
        session.link().midiOut().refreshDevices();
        return find(session.link().midiIn().deviceNames(), QStringLiteral("Bench Amp Out")) >= 0 &&
               find(session.link().midiOut().deviceNames(), QStringLiteral("Bench Amp In")) >= 0;
    });
    session.link().midiIn().setPort(find(session.link().midiIn().deviceNames(), QStringLiteral("Bench Amp Out")));
    session.link().midiOut().setPort(find(session.link().midiOut().deviceNames(), QStringLiteral("Bench Amp In")));
    session.link().midiOut().setRate(0);
    session.link().midiIn().setEnabled(true);
    session.link().midiOut().setEnabled(true);
    std::vector<double> times;
    if (session.link().midiIn().port() < 0 || session.link().midiOut().port() < 0)
        return times;
    QThread::msleep(300); // the connections are made
    for (int i = 0; i < Rounds + 1; ++i) {
        int applied = 0;
        const auto c = QObject::connect(&session.editor(), &PresetEditor::recordChanged, [&] { ++applied; });
        QElapsedTimer t;
        t.start();
        session.run([&] { session.fetches().groupFromAmp(); });
        const bool ok = spinUntil([&] { return applied > 0 && session.transfers().state() == TransferState::Idle; });
        QObject::disconnect(c);
        if (!ok) {
            std::fprintf(stderr, "round %d: state %d, applied %d, received %llu, sent %llu\n", i,
                         int(session.transfers().state()), applied,
                         static_cast<unsigned long long>(session.link().midiIn().stats().received),
                         static_cast<unsigned long long>(session.link().midiOut().stats().sent));
            return {};
        }
        if (i > 0) // the first also sets the view up
            times.push_back(t.nsecsElapsed() / 1e6);
    }
    amp.terminate();
    amp.waitForFinished();
    return times;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <quorvex-amp>\n", argv[0]);
        return 2;
    }
    jack_status_t status{};
    jack_client_t *probe = jack_client_open("RoundTripProbe", JackNoStartServer, &status);
    if (!probe) {
        std::fprintf(stderr, "no JACK server runs\n");
        return 1;
    }
    const double periodMs = 1000.0 * jack_get_buffer_size(probe) / jack_get_sample_rate(probe);
    jack_client_close(probe);

    QObject context;
    const std::vector<double> bare = bareRoundTrips(context);
    const std::vector<double> group = groupFetches(QString::fromLocal8Bit(argv[1]));
    if (bare.empty() || group.empty()) {
        std::fprintf(stderr, "%s round trip did not come back\n", bare.empty() ? "the bare" : "the group fetch");
        return 1;
    }
    const double difference = median(group) - median(bare);
    std::printf("JACK period                      %6.2f ms\n", periodMs);
    std::printf("bare 1000-byte round trip        %6.2f ms (median of %zu)\n", median(bare), bare.size());
    std::printf("Group from Amp round trip        %6.2f ms (median of %zu)\n", median(group), group.size());
    std::printf("difference                       %6.2f ms (target: under one period) %s\n", difference,
                difference < periodMs ? "ok" : "MISSED");
    return difference < periodMs ? 0 : 1;
}

#include "midi/rtmidibackend.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLoggingCategory>

#include <rtmidi/RtMidi.h>

#ifdef QUORVEX_HAVE_JACK
#include <jack/jack.h>
#endif

#include <algorithm>
#include <chrono>
#include <thread>

#include <unistd.h>

namespace {

// Off unless asked for with QT_LOGGING_RULES="quorvex.midi.debug=true".
Q_LOGGING_CATEGORY(lcMidi, "quorvex.midi", QtWarningMsg)

// RtMidi reports its problems here instead of printing them or throwing. It
// may call from its own thread, so this only logs.
void onRtMidiError(RtMidiError::Type type, const std::string &text, void *)
{
    qCDebug(lcMidi) << "RtMidi error" << int(type) << text.c_str();
}

// Runs on RtMidi's thread: copy the bytes and hand them over, nothing else.
void onRtMidiMessage(double, std::vector<unsigned char> *message, void *inbox)
{
    if (!message || message->empty())
        return;
    try {
        static_cast<MidiInbox *>(inbox)->post(std::vector<std::uint8_t>(message->begin(), message->end()));
    } catch (...) {
        // Out of memory on the service's thread: losing the message is all we can do.
    }
}

bool compiled(RtMidi::Api api)
{
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    return std::find(apis.begin(), apis.end(), api) != apis.end();
}

#ifdef QUORVEX_HAVE_JACK
// A running JACK server leaves its socket in the shared-memory folder: JACK 2
// as jack_<server>_<uid>_0, JACK 1 in jack-<uid>/<server>. A stale socket
// only costs the real attempt; a server whose folder this cannot know (a
// promiscuous server, another platform) is always tried.
bool jackServerMayRun()
{
#ifdef Q_OS_LINUX
    if (qEnvironmentVariableIsSet("JACK_PROMISCUOUS_SERVER"))
        return true;
    QString server = qEnvironmentVariable("JACK_DEFAULT_SERVER");
    if (server.isEmpty())
        server = QStringLiteral("default");
    const QString uid = QString::number(::getuid());
    return QFileInfo::exists(QStringLiteral("/dev/shm/jack_%1_%2_0").arg(server, uid))
        || QFileInfo::exists(QStringLiteral("/dev/shm/jack-%1/%2").arg(uid, server));
#else
    return true;
#endif
}

void onJackMessage(const char *text)
{
    qCDebug(lcMidi) << "JACK:" << text;
}

// RtMidi's JACK output moves everything queued into the port buffer in one
// server cycle. That buffer holds 32 KB; what does not fit is lost without an
// error, so a burst of sends would lose messages. Sends are budgeted per
// cycle instead, counting JACK's 12-byte event header; 4 KB a cycle keeps
// even three cycles' worth plus one longest message under 32 KB, and under
// the 16 KB RtMidi can queue without blocking.
constexpr int JackEventCost = 12;
constexpr int JackCycleBudget = 4096;
// A server that runs no cycle for this long has stopped.
constexpr int JackStallMs = 1000;
#endif

} // namespace

struct RtMidiBackend::Impl {
    // Declared first so it outlives the RtMidi objects whose threads post to it.
    MidiInbox inbox;
#ifdef QUORVEX_HAVE_JACK
    // An unactivated client of our own: it costs the server nothing and
    // reads the server's cycle counter for pacing sends.
    jack_client_t *jackClock = nullptr;
    jack_nframes_t lastCycle = 0; // cycle start (frame time) of the last send
    int cycleCost = 0;            // bytes sent in that cycle
    bool lastWasLong = false;
    bool sentAny = false;
#endif
    std::unique_ptr<RtMidiIn> in;
    std::unique_ptr<RtMidiOut> out;
    RtMidi::Api api = RtMidi::UNSPECIFIED;
    bool live = false;    // a MIDI service answered
    bool stalled = false; // the JACK server stopped running cycles
    bool inputOpen = false;
    bool outputOpen = false;
    // The names the last listing returned; device indices refer to these.
    QStringList listedInputs;
    QStringList listedOutputs;

    ~Impl();
    bool tryApi(RtMidi::Api which, const std::string &clientName);
    bool jackServerRunning(const std::string &clientName);
    QStringList list(RtMidi &port);
    static int find(RtMidi &port, const QString &name);
    int write(const std::uint8_t *data, std::size_t size);
#ifdef QUORVEX_HAVE_JACK
    bool pace(int size);
    bool waitCycles(unsigned cycles);
#endif
};

RtMidiBackend::Impl::~Impl()
{
    // RtMidi's destructors close the ports and stop its threads before the
    // inbox goes away.
    in.reset();
    out.reset();
#ifdef QUORVEX_HAVE_JACK
    if (jackClock)
        jack_client_close(jackClock);
#endif
}

bool RtMidiBackend::Impl::tryApi(RtMidi::Api which, const std::string &clientName)
{
    // Asked for a service RtMidi lacks, it would quietly pick another one.
    if (which != RtMidi::UNSPECIFIED && !compiled(which))
        return false;
    try {
        auto newIn = std::make_unique<RtMidiIn>(which, clientName);
        newIn->setErrorCallback(onRtMidiError, nullptr);
        auto newOut = std::make_unique<RtMidiOut>(which, clientName);
        newOut->setErrorCallback(onRtMidiError, nullptr);
        if (newIn->getCurrentApi() != newOut->getCurrentApi()
            || (which != RtMidi::UNSPECIFIED && newIn->getCurrentApi() != which))
            return false;
        newIn->ignoreTypes(false, true, true);
        newIn->setBufferSize(MidiInbox::SysExBufferSize, 8);
        newIn->setCallback(onRtMidiMessage, &inbox);
        in = std::move(newIn);
        out = std::move(newOut);
        api = in->getCurrentApi();
        live = true;
        return true;
    } catch (const RtMidiError &e) {
        qCDebug(lcMidi) << "no" << RtMidi::getApiName(which).c_str() << e.getMessage().c_str();
    } catch (const std::exception &e) {
        qCDebug(lcMidi) << "no" << RtMidi::getApiName(which).c_str() << e.what();
    }
    return false;
}

bool RtMidiBackend::Impl::jackServerRunning(const std::string &clientName)
{
#ifdef QUORVEX_HAVE_JACK
    // Opening a client only to learn that no server runs costs milliseconds
    // and a database library's worth of memory at every start.
    if (!jackServerMayRun())
        return false;
    // libjack prints every failed connection attempt; keep it in the log.
    jack_set_error_function(onJackMessage);
    jack_set_info_function(onJackMessage);
    // Never start a server: without one the program works offline.
    jack_status_t status{};
    jackClock = jack_client_open(clientName.c_str(), JackNoStartServer, &status);
    return jackClock != nullptr;
#else
    Q_UNUSED(clientName);
    return false;
#endif
}

QStringList RtMidiBackend::Impl::list(RtMidi &port)
{
    QStringList names;
    if (!live || stalled)
        return names;
    try {
        const unsigned count = port.getPortCount();
        for (unsigned i = 0; i < count; ++i)
            names << QString::fromStdString(port.getPortName(i));
    } catch (...) {
        names.clear();
    }
    return names;
}

int RtMidiBackend::Impl::find(RtMidi &port, const QString &name)
{
    try {
        const std::string wanted = name.toStdString();
        const unsigned count = port.getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            if (port.getPortName(i) == wanted)
                return int(i);
        }
    } catch (...) {
    }
    return -1;
}

int RtMidiBackend::Impl::write(const std::uint8_t *data, std::size_t size)
{
    if (stalled)
        return NotAvailable;
#ifdef QUORVEX_HAVE_JACK
    if (jackClock && !pace(int(size))) {
        // RtMidi would wait forever for room once its queue is full.
        stalled = true;
        qCWarning(lcMidi, "The JACK server stopped; MIDI output is off until the program restarts.");
        return NotAvailable;
    }
#endif
    try {
        out->sendMessage(data, size);
    } catch (...) {
        return NotAvailable;
    }
    return Ok;
}

#ifdef QUORVEX_HAVE_JACK
bool RtMidiBackend::Impl::waitCycles(unsigned cycles)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const jack_nframes_t period = jack_get_buffer_size(jackClock);
        const jack_nframes_t elapsed = jack_last_frame_time(jackClock) - lastCycle;
        if (period > 0 && elapsed / period >= cycles)
            return true;
        if (waited.elapsed() > JackStallMs)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(250));
    }
}

bool RtMidiBackend::Impl::pace(int size)
{
    const int cost = size + JackEventCost;
    const bool isLong = cost > JackCycleBudget;
    if (sentAny) {
        // A long message goes alone: whatever came before has left the
        // queue, and nothing follows it in the same cycle.
        if (lastWasLong || isLong) {
            if (!waitCycles(2))
                return false;
        } else if (jack_last_frame_time(jackClock) == lastCycle && cycleCost + cost > JackCycleBudget) {
            if (!waitCycles(1))
                return false;
        }
    }
    const jack_nframes_t now = jack_last_frame_time(jackClock);
    if (!sentAny || now != lastCycle) {
        lastCycle = now;
        cycleCost = 0;
    }
    cycleCost += cost;
    lastWasLong = isLong;
    sentAny = true;
    return true;
}
#endif

RtMidiBackend::RtMidiBackend(Api api, const QString &clientName) : d(std::make_unique<Impl>())
{
    const std::string name = clientName.toStdString();
#if defined(__linux__)
    // RtMidi's default gives up when ALSA has no sequencer, even while a JACK
    // server runs. Without the device ALSA cannot work; not trying keeps its
    // complaints off the console.
    const bool tryAlsa = api == Api::Alsa || (api == Api::Automatic && QFileInfo::exists(QStringLiteral("/dev/snd/seq")));
    if (tryAlsa && d->tryApi(RtMidi::LINUX_ALSA, name))
        return;
    if (api == Api::Alsa)
        return;
    if (d->jackServerRunning(name) && d->tryApi(RtMidi::UNIX_JACK, name))
        return;
#ifdef QUORVEX_HAVE_JACK
    if (d->jackClock) {
        jack_client_close(d->jackClock);
        d->jackClock = nullptr;
    }
#endif
#else
    if (api == Api::Automatic)
        d->tryApi(RtMidi::UNSPECIFIED, name);
#endif
}

RtMidiBackend::~RtMidiBackend()
{
    closeInput();
    closeOutput();
}

QString RtMidiBackend::apiName() const
{
    if (!d->live)
        return {};
    switch (d->api) {
    case RtMidi::LINUX_ALSA:
        return QStringLiteral("ALSA");
    case RtMidi::UNIX_JACK:
        return QStringLiteral("JACK");
    default:
        return QString::fromStdString(RtMidi::getApiDisplayName(d->api));
    }
}

int RtMidiBackend::maxSysExSize() const
{
    return d->live && d->api == RtMidi::UNIX_JACK ? JackMaxSysEx : 0;
}

QStringList RtMidiBackend::inputNames()
{
    d->listedInputs = d->in ? d->list(*d->in) : QStringList();
    return d->listedInputs;
}

QStringList RtMidiBackend::outputNames()
{
    d->listedOutputs = d->out ? d->list(*d->out) : QStringList();
    return d->listedOutputs;
}

int RtMidiBackend::openInput(int index, ShortHandler onShort, SysExHandler onSysEx)
{
    closeInput();
    if (d->listedInputs.isEmpty())
        inputNames();
    if (index < 0 || index >= d->listedInputs.size())
        return BadDevice;
    if (d->stalled)
        return NotAvailable;
    const int port = Impl::find(*d->in, d->listedInputs[index]);
    if (port < 0)
        return NotAvailable;
    // Open the inbox first: the first message may arrive before openPort returns.
    d->inbox.open(std::move(onShort), std::move(onSysEx));
    bool opened = false;
    try {
        d->in->openPort(unsigned(port), "MIDI In");
        opened = d->in->isPortOpen();
    } catch (...) {
    }
    if (!opened) {
        d->inbox.close();
        return NotAvailable;
    }
    d->inputOpen = true;
    return Ok;
}

int RtMidiBackend::closeInput()
{
    if (d->inputOpen) {
        try {
            d->in->closePort();
        } catch (...) {
        }
        d->inputOpen = false;
    }
    // After the port: whatever it posted until now is dropped.
    d->inbox.close();
    return Ok;
}

int RtMidiBackend::openOutput(int index)
{
    closeOutput();
    if (d->listedOutputs.isEmpty())
        outputNames();
    if (index < 0 || index >= d->listedOutputs.size())
        return BadDevice;
    if (d->stalled)
        return NotAvailable;
    const int port = Impl::find(*d->out, d->listedOutputs[index]);
    if (port < 0)
        return NotAvailable;
    bool opened = false;
    try {
        d->out->openPort(unsigned(port), "MIDI Out");
        opened = d->out->isPortOpen();
    } catch (...) {
    }
    if (!opened)
        return NotAvailable;
    d->outputOpen = true;
    return Ok;
}

int RtMidiBackend::closeOutput()
{
    if (!d->outputOpen)
        return Ok;
    // RtMidi's JACK output waits (up to a second) for queued bytes to leave.
    try {
        d->out->closePort();
    } catch (...) {
    }
    d->outputOpen = false;
    return Ok;
}

int RtMidiBackend::sendSysEx(const std::uint8_t *data, int size)
{
    if (!d->outputOpen)
        return NotOpen;
    if (!data || size < 2 || data[0] != 0xF0)
        return InvalidMessage;
    const int limit = maxSysExSize();
    if (limit > 0 && size > limit)
        return TooLong;
    return d->write(data, std::size_t(size));
}

int RtMidiBackend::sendShort(std::uint32_t packed)
{
    if (!d->outputOpen)
        return NotOpen;
    const std::uint8_t bytes[3] = {std::uint8_t(packed & 0xFF), std::uint8_t((packed >> 8) & 0x7F),
                                   std::uint8_t((packed >> 16) & 0x7F)};
    const int length = midiShortLength(bytes[0]);
    if (length == 0)
        return InvalidMessage;
    return d->write(bytes, std::size_t(length));
}

int RtMidiBackend::resetOutput()
{
    if (!d->outputOpen)
        return NotOpen;
    for (std::uint32_t channel = 0; channel < 16; ++channel) {
        const std::uint32_t control = 0xB0 | channel;
        for (const std::uint32_t message : {control | 64u << 8, control | 123u << 8}) {
            if (const int result = sendShort(message); result != Ok)
                return result;
        }
    }
    return Ok;
}

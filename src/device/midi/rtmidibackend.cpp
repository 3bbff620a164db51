// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/rtmidibackend.h"

#include "midi/midilog.h"

#include <QFileInfo>

#include <rtmidi/RtMidi.h>

#ifdef QUORVEX_HAVE_JACK
#include "midi/jackmidiclient.h"

#include <jack/jack.h>
#endif

#include <algorithm>
#include <unistd.h>

namespace {

// RtMidi reports its problems here instead of printing them or throwing. It
// may call from its own thread, so this only logs.
void onRtMidiError(RtMidiError::Type type, const std::string &text, void *)
{
    qCDebug(lcMidi) << "RtMidi error" << int(type) << text.c_str();
}

// Runs on RtMidi's thread: copy the bytes into the inbox's ring, nothing else.
void onRtMidiMessage(double, std::vector<unsigned char> *message, void *queue)
{
    if (message && !message->empty())
        static_cast<MidiInboxQueue *>(queue)->post(message->data(), message->size());
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
    return QFileInfo::exists(QStringLiteral("/dev/shm/jack_%1_%2_0").arg(server, uid)) ||
           QFileInfo::exists(QStringLiteral("/dev/shm/jack-%1/%2").arg(uid, server));
#else
    return true;
#endif
}

void onJackMessage(const char *text)
{
    qCDebug(lcMidi) << "JACK:" << text;
}
#endif

} // namespace

struct RtMidiBackend::Impl {
    explicit Impl(std::shared_ptr<LinkEvents> linkEvents) : events(std::move(linkEvents)) {}

    // Declared first so it outlives the ports whose threads post to it.
    MidiInbox inbox;
    // What the JACK client's threads tell of the link.
    std::shared_ptr<LinkEvents> events;
#ifdef QUORVEX_HAVE_JACK
    std::unique_ptr<JackMidiClient> jack;
#endif
    std::unique_ptr<RtMidiIn> in;
    std::unique_ptr<RtMidiOut> out;
    RtMidi::Api api = RtMidi::UNSPECIFIED;
    bool live = false; // a MIDI service answered
    bool inputOpen = false;
    bool outputOpen = false;
    // The names the last listing returned; device indices refer to these.
    QStringList listedInputs;
    QStringList listedOutputs;

    ~Impl();
    bool tryApi(RtMidi::Api which, const std::string &clientName);
    bool tryJack(const std::string &clientName);
    bool isJack() const
    {
#ifdef QUORVEX_HAVE_JACK
        return jack != nullptr;
#else
        return false;
#endif
    }
    QStringList list(RtMidi &port);
    static int find(RtMidi &port, const QString &name);
    int write(const std::uint8_t *data, std::size_t size);
};

RtMidiBackend::Impl::~Impl()
{
    // The ports close and their threads stop before the inbox goes away.
    in.reset();
    out.reset();
#ifdef QUORVEX_HAVE_JACK
    jack.reset();
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
        if (newIn->getCurrentApi() != newOut->getCurrentApi() ||
            (which != RtMidi::UNSPECIFIED && newIn->getCurrentApi() != which))
            return false;
        newIn->ignoreTypes(false, true, true);
        newIn->setBufferSize(MidiInbox::SysExBufferSize, 8);
        newIn->setCallback(onRtMidiMessage, inbox.queue().get());
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

bool RtMidiBackend::Impl::tryJack(const std::string &clientName)
{
#ifdef QUORVEX_HAVE_JACK
    // Opening a client only to learn that no server runs costs milliseconds
    // and a database library's worth of memory at every start.
    if (!jackServerMayRun())
        return false;
    // libjack prints every failed connection attempt; keep it in the log.
    jack_set_error_function(onJackMessage);
    jack_set_info_function(onJackMessage);
    jack = std::make_unique<JackMidiClient>(clientName, inbox.queue(), events);
    // A server that does not answer yet is tried again in the background.
    if (!jack->waitUntilAnswered(JackStartWaitMs))
        qCWarning(lcMidi, "The JACK server does not answer yet; MIDI devices appear when it does.");
    api = RtMidi::UNIX_JACK;
    live = true;
    return true;
#else
    Q_UNUSED(clientName);
    return false;
#endif
}

QStringList RtMidiBackend::Impl::list(RtMidi &port)
{
    QStringList names;
    if (!live)
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
    } catch (...) {}
    return -1;
}

int RtMidiBackend::Impl::write(const std::uint8_t *data, std::size_t size)
{
#ifdef QUORVEX_HAVE_JACK
    if (jack)
        return jack->send(data, size);
#endif
    try {
        out->sendMessage(data, size);
    } catch (...) {
        return NotAvailable;
    }
    return Ok;
}

RtMidiBackend::RtMidiBackend(Api api, const QString &clientName) : d(std::make_unique<Impl>(linkNotifier().events()))
{
    watchOverflows(d->inbox);
    const std::string name = clientName.toStdString();
#if defined(__linux__)
    // RtMidi's default gives up when ALSA has no sequencer, even while a JACK
    // server runs. Without the device ALSA cannot work; not trying keeps its
    // complaints off the console.
    const bool tryAlsa =
        api == Api::Alsa || (api == Api::Automatic && QFileInfo::exists(QStringLiteral("/dev/snd/seq")));
    if (tryAlsa && d->tryApi(RtMidi::LINUX_ALSA, name))
        return;
    if (api == Api::Alsa)
        return;
    d->tryJack(name);
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
    case RtMidi::LINUX_ALSA: return QStringLiteral("ALSA");
    case RtMidi::UNIX_JACK: return QStringLiteral("JACK");
    default: return QString::fromStdString(RtMidi::getApiDisplayName(d->api));
    }
}

int RtMidiBackend::maxSysExSize() const
{
    return d->isJack() ? JackMaxSysEx : 0;
}

bool RtMidiBackend::linkUp() const
{
#ifdef QUORVEX_HAVE_JACK
    if (d->jack)
        return d->jack->running();
#endif
    return d->live;
}

bool RtMidiBackend::inputConnected() const
{
#ifdef QUORVEX_HAVE_JACK
    if (d->jack)
        return d->inputOpen && d->jack->inputConnected();
#endif
    return d->inputOpen;
}

bool RtMidiBackend::outputConnected() const
{
#ifdef QUORVEX_HAVE_JACK
    if (d->jack)
        return d->outputOpen && d->jack->outputConnected();
#endif
    return d->outputOpen;
}

std::uint64_t RtMidiBackend::serverXruns() const
{
#ifdef QUORVEX_HAVE_JACK
    if (d->jack)
        return d->jack->xruns();
#endif
    return 0;
}

std::uint64_t RtMidiBackend::devicesEpoch() const
{
#ifdef QUORVEX_HAVE_JACK
    if (d->jack)
        return d->jack->epoch();
#endif
    return 0;
}

std::uint64_t RtMidiBackend::inputOverflows() const
{
    return d->inbox.overflows();
}

std::uint64_t RtMidiBackend::outputLosses() const
{
#ifdef QUORVEX_HAVE_JACK
    if (d->jack)
        return d->jack->lostMessages();
#endif
    return 0;
}

QStringList RtMidiBackend::inputNames()
{
#ifdef QUORVEX_HAVE_JACK
    if (d->jack)
        return d->listedInputs = d->jack->inputs();
#endif
    d->listedInputs = d->in ? d->list(*d->in) : QStringList();
    return d->listedInputs;
}

QStringList RtMidiBackend::outputNames()
{
#ifdef QUORVEX_HAVE_JACK
    if (d->jack)
        return d->listedOutputs = d->jack->outputs();
#endif
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
    const QString &name = d->listedInputs[index];
#ifdef QUORVEX_HAVE_JACK
    if (d->jack) {
        if (!d->jack->running() || !d->jack->inputs().contains(name))
            return NotAvailable;
        d->inbox.open(std::move(onShort), std::move(onSysEx));
        d->jack->openInput(name.toStdString());
        d->inputOpen = true;
        return Ok;
    }
#endif
    if (!d->in)
        return NotAvailable;
    const int port = Impl::find(*d->in, name);
    if (port < 0)
        return NotAvailable;
    // Open the inbox first: the first message may arrive before openPort returns.
    d->inbox.open(std::move(onShort), std::move(onSysEx));
    bool opened = false;
    try {
        d->in->openPort(unsigned(port), "MIDI In");
        opened = d->in->isPortOpen();
    } catch (...) {}
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
#ifdef QUORVEX_HAVE_JACK
        if (d->jack)
            d->jack->closeInput();
#endif
        try {
            if (d->in)
                d->in->closePort();
        } catch (...) {}
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
    const QString &name = d->listedOutputs[index];
#ifdef QUORVEX_HAVE_JACK
    if (d->jack) {
        if (!d->jack->running() || !d->jack->outputs().contains(name))
            return NotAvailable;
        d->jack->openOutput(name.toStdString());
        d->outputOpen = true;
        return Ok;
    }
#endif
    if (!d->out)
        return NotAvailable;
    const int port = Impl::find(*d->out, name);
    if (port < 0)
        return NotAvailable;
    bool opened = false;
    try {
        d->out->openPort(unsigned(port), "MIDI Out");
        opened = d->out->isPortOpen();
    } catch (...) {}
    if (!opened)
        return NotAvailable;
    d->outputOpen = true;
    return Ok;
}

int RtMidiBackend::closeOutput()
{
    if (!d->outputOpen)
        return Ok;
#ifdef QUORVEX_HAVE_JACK
    if (d->jack)
        d->jack->closeOutput();
#endif
    try {
        if (d->out)
            d->out->closePort();
    } catch (...) {}
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
    std::uint8_t bytes[3];
    const int length = unpackShort(packed, bytes);
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

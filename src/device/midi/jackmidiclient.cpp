// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/jackmidiclient.h"

#include "midi/midibackend.h"
#include "midi/midilog.h"
#include "midi/midistreamparser.h"
#include "midi/spscring.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <mutex>
#include <thread>
#include <vector>

#ifdef __linux__
#include <pthread.h>
#endif

namespace {

// How soon the worker looks again while the server is away or a chosen port
// is missing, doubled after each miss up to the longest; otherwise it waits
// for the server's notifications alone.
constexpr auto RetryInterval = std::chrono::milliseconds(300);
constexpr auto LongestRetryInterval = std::chrono::milliseconds(2400);
// How long the destructor waits for the worker to close the client.
constexpr auto CloseWait = std::chrono::milliseconds(500);

enum Link : int {
    Idle,      // nothing chosen
    Pending,   // chosen, the worker has not tried yet
    Connected, // connected to the chosen port
    Missing,   // the chosen port is not there (yet)
};

std::vector<std::string> portList(jack_client_t *client, unsigned long flags, const std::string &own)
{
    std::vector<std::string> names;
    if (const char **ports = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, flags)) {
        for (const char **p = ports; *p; ++p) {
            const std::string name(*p);
            if (name.compare(0, own.size(), own) != 0)
                names.push_back(name);
        }
        jack_free(ports);
    }
    return names;
}

// Named, so a look at the process's threads tells them apart. A thread
// starts with the name of the thread that started it.
void nameThisThread(const char *name)
{
#ifdef __linux__
    pthread_setname_np(pthread_self(), name);
#else
    (void)name;
#endif
}

constexpr const char *WorkerName = "quorvex-jack";

QStringList toQt(const std::vector<std::string> &names)
{
    QStringList list;
    for (const std::string &n : names)
        list << QString::fromStdString(n);
    return list;
}

} // namespace

struct JackMidiClient::Shared {
    Shared(std::string name, std::shared_ptr<MidiInboxQueue> queue, std::shared_ptr<LinkEvents> linkEvents)
        : clientName(std::move(name)), inbox(std::move(queue)), events(std::move(linkEvents))
    {}

    const std::string clientName;
    const std::shared_ptr<MidiInboxQueue> inbox;
    const std::shared_ptr<LinkEvents> events;

    // Any thread, the process thread too.
    void tell(unsigned changes)
    {
        if (events)
            events->post(changes);
    }

    // ---- The process thread's. Ports are set before activation and kept
    // until the client is closed.
    jack_port_t *inPort = nullptr;
    jack_port_t *outPort = nullptr;
    MidiStreamParser parser;
    bool outWasLive = false;
    bool inWasLinked = false;
    SpscRing out{OutputRingBytes};

    // ---- Shared by all threads.
    std::atomic<bool> inputOn{false};
    std::atomic<std::uint32_t> outGeneration{0};
    std::atomic<int> inLink{Idle};
    std::atomic<int> outLink{Idle};
    // The input's connection is in the graph the cycles run: what the peer
    // sends from now on arrives. A connection just made may not be yet.
    std::atomic<bool> inLive{false};
    std::atomic<bool> active{false};
    std::atomic<bool> serverGone{false};
    std::atomic<bool> portsChanged{false};
    std::atomic<std::uint64_t> epoch{0};
    std::atomic<std::uint64_t> lost{0};
    std::atomic<std::uint64_t> xruns{0};

    // ---- Under the mutex: the worker's wishes and what it publishes.
    mutable std::mutex m;
    std::condition_variable cv;
    bool quit = false;
    bool answered = false; // the first attempt to reach a server has ended
    bool finished = false; // the worker has ended
    std::string wantedIn, wantedOut;
    std::uint64_t wishes = 0; // counts wish changes
    std::vector<std::string> inputs, outputs;

    void notify()
    {
        {
            const std::lock_guard<std::mutex> lock(m);
        }
        cv.notify_all();
    }

    // ---- Realtime side

    static int process(jack_nframes_t frames, void *arg)
    {
        static_cast<Shared *>(arg)->cycle(frames);
        return 0;
    }

    void cycle(jack_nframes_t frames)
    {
        // Input: parsed into the inbox's ring; nothing allocates or locks.
        void *inBuffer = jack_port_get_buffer(inPort, frames);
        const bool linked = inLink.load(std::memory_order_acquire) == Connected && jack_port_connected(inPort) > 0;
        inLive.store(linked && inWasLinked, std::memory_order_release);
        inWasLinked = linked;
        if (!inputOn.load(std::memory_order_acquire)) {
            parser.reset();
        } else {
            MidiInboxQueue &queue = *inbox;
            const auto sink = [&queue](const std::uint8_t *data, std::size_t size, bool continuation) {
                return data[0] == 0xF0 || continuation ? queue.postPiece(data, size, continuation)
                                                       : queue.post(data, size);
            };
            const jack_nframes_t count = jack_midi_get_event_count(inBuffer);
            for (jack_nframes_t i = 0; i < count; ++i) {
                jack_midi_event_t event;
                if (jack_midi_event_get(&event, inBuffer, i) == 0)
                    parser.feed(event.buffer, event.size, sink);
            }
        }

        // Output: as many whole messages as the port buffer takes now.
        void *outBuffer = jack_port_get_buffer(outPort, frames);
        jack_midi_clear_buffer(outBuffer);
        const std::uint32_t generation = outGeneration.load(std::memory_order_acquire);
        // A connection made during this cycle may not carry it yet: wait one.
        const bool live = outLink.load(std::memory_order_acquire) == Connected && jack_port_connected(outPort) > 0;
        const bool send = live && outWasLive;
        outWasLive = live;
        SpscRing::Header header;
        bool dropped = false;
        while (out.peek(header)) {
            if (header.generation != generation) {
                out.pop(header);
                lost.fetch_add(1, std::memory_order_relaxed);
                dropped = true;
                continue;
            }
            if (!send || header.size > jack_midi_max_event_size(outBuffer))
                break;
            jack_midi_data_t *at = jack_midi_event_reserve(outBuffer, 0, header.size);
            if (!at)
                break;
            out.readBytes(at, header.size);
            out.pop(header);
        }
        if (dropped)
            tell(LinkEvents::Failed);
    }

    static void shutdown(jack_status_t, const char *reason, void *arg)
    {
        auto *self = static_cast<Shared *>(arg);
        qCDebug(lcMidi, "The JACK server went away: %s", reason);
        self->serverGone.store(true);
        self->tell(LinkEvents::Service);
        self->notify();
    }

    static void portRegistered(jack_port_id_t, int, void *arg)
    {
        auto *self = static_cast<Shared *>(arg);
        self->portsChanged.store(true);
        self->notify();
    }

    static int xrun(void *arg)
    {
        static_cast<Shared *>(arg)->xruns.fetch_add(1, std::memory_order_relaxed);
        return 0;
    }

    static void portConnected(jack_port_id_t, jack_port_id_t, int, void *arg) { portRegistered(0, 0, arg); }
    // A client that closes takes its ports along, not always with a port
    // notification of each.
    static void clientRegistered(const char *, int, void *arg) { portRegistered(0, 0, arg); }
    static void portRenamed(jack_port_id_t, const char *, const char *, void *arg) { portRegistered(0, 0, arg); }

    // ---- Worker side

    jack_client_t *client = nullptr;
    std::string connectedIn, connectedOut;

    jack_client_t *openClient()
    {
        // The threads libjack starts here are libjack's, not the worker's.
        nameThisThread("libjack");
        struct Renamed {
            ~Renamed() { nameThisThread(WorkerName); }
        } renamed;
        jack_status_t status{};
        jack_client_t *c = jack_client_open(clientName.c_str(), JackNoStartServer, &status);
        if (!c)
            return nullptr;
        inPort = jack_port_register(c, "MIDI In", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        outPort = jack_port_register(c, "MIDI Out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        serverGone.store(false);
        if (!inPort || !outPort || jack_set_process_callback(c, &Shared::process, this) != 0 ||
            jack_set_port_registration_callback(c, &Shared::portRegistered, this) != 0 ||
            jack_set_port_connect_callback(c, &Shared::portConnected, this) != 0 ||
            jack_set_port_rename_callback(c, &Shared::portRenamed, this) != 0 ||
            jack_set_client_registration_callback(c, &Shared::clientRegistered, this) != 0 ||
            jack_set_xrun_callback(c, &Shared::xrun, this) != 0) {
            jack_client_close(c);
            return nullptr;
        }
        jack_on_info_shutdown(c, &Shared::shutdown, this);
        outWasLive = false;
        parser.reset();
        if (jack_activate(c) != 0) {
            jack_client_close(c);
            return nullptr;
        }
        return c;
    }

    void closeClient()
    {
        active.store(false);
        jack_client_close(client);
        client = nullptr;
        connectedIn.clear();
        connectedOut.clear();
        // What waited in the ring was meant for the connection that ended.
        outGeneration.fetch_add(1);
        {
            const std::lock_guard<std::mutex> lock(m);
            inputs.clear();
            outputs.clear();
        }
        epoch.fetch_add(1);
        tell(LinkEvents::Service);
    }

    void refreshLists()
    {
        const std::string own = std::string(jack_get_client_name(client)) + ':';
        auto newInputs = portList(client, JackPortIsOutput, own);
        auto newOutputs = portList(client, JackPortIsInput, own);
        const std::lock_guard<std::mutex> lock(m);
        if (newInputs != inputs || newOutputs != outputs) {
            inputs = std::move(newInputs);
            outputs = std::move(newOutputs);
            epoch.fetch_add(1);
            tell(LinkEvents::Service);
        }
    }

    // Makes one port's connection what is wanted; returns its link state.
    int reconcile(jack_port_t *own, bool ownIsInput, const std::string &wanted, std::string &connected)
    {
        if (!connected.empty() && (connected != wanted || !jack_port_connected_to(own, connected.c_str()))) {
            jack_port_disconnect(client, own);
            connected.clear();
        }
        if (wanted.empty())
            return Idle;
        if (connected.empty()) {
            jack_port_t *peer = jack_port_by_name(client, wanted.c_str());
            if (!peer)
                return Missing;
            const char *ownName = jack_port_name(own);
            const int result = ownIsInput ? jack_connect(client, wanted.c_str(), ownName)
                                          : jack_connect(client, ownName, wanted.c_str());
            if (result != 0 && result != EEXIST)
                return Missing;
            connected = wanted;
        }
        return Connected;
    }

    void run()
    {
        nameThisThread(WorkerName);
        std::uint64_t seen = 0; // the wishes last acted on
        auto retry = RetryInterval;
        bool settled = false; // connected as wished: only an event changes that
        for (bool first = true;; first = false) {
            std::string wantIn, wantOut;
            {
                std::unique_lock<std::mutex> lock(m);
                const auto woken = [this, &seen] {
                    return quit || serverGone.load() || portsChanged.load() || wishes != seen;
                };
                if (first) {
                    // The first attempt goes at once.
                } else if (settled) {
                    cv.wait(lock, woken);
                    retry = RetryInterval;
                } else if (cv.wait_for(lock, retry, woken)) {
                    retry = RetryInterval;
                } else {
                    retry = std::min(retry * 2, LongestRetryInterval);
                }
                if (quit)
                    break;
                wantIn = wantedIn;
                wantOut = wantedOut;
                seen = wishes;
            }
            if (client && serverGone.load())
                closeClient();
            if (!client) {
                client = openClient();
                if (client) {
                    active.store(true);
                    portsChanged.store(true);
                    epoch.fetch_add(1);
                    tell(LinkEvents::Service);
                }
                if (!client) {
                    settle(seen, wantIn.empty() ? Idle : Missing, wantOut.empty() ? Idle : Missing);
                    markAnswered();
                    settled = false;
                    continue;
                }
            }
            if (portsChanged.exchange(false))
                refreshLists();
            const int in = reconcile(inPort, true, wantIn, connectedIn);
            const int out = reconcile(outPort, false, wantOut, connectedOut);
            settle(seen, in, out);
            markAnswered();
            settled = in != Missing && out != Missing;
        }
        if (client)
            closeClient();
        const std::lock_guard<std::mutex> lock(m);
        finished = true;
        cv.notify_all();
    }

    // The first attempt has ended, its device lists are published.
    void markAnswered()
    {
        {
            const std::lock_guard<std::mutex> lock(m);
            if (answered)
                return;
            answered = true;
        }
        cv.notify_all();
    }

    // Publishes the link states, unless newer wishes came meanwhile.
    void settle(std::uint64_t wishNumber, int in, int out)
    {
        const std::lock_guard<std::mutex> lock(m);
        if (wishes != wishNumber)
            return;
        const bool inChanged = inLink.exchange(in) != in;
        const bool outChanged = outLink.exchange(out) != out;
        if (inChanged || outChanged)
            tell(LinkEvents::Service);
    }

    void wish(std::string &which, const std::string &port, std::atomic<int> &link)
    {
        {
            const std::lock_guard<std::mutex> lock(m);
            which = port;
            ++wishes;
            link.store(port.empty() ? Idle : Pending);
        }
        cv.notify_all();
    }
};

JackMidiClient::JackMidiClient(const std::string &clientName, std::shared_ptr<MidiInboxQueue> inbox,
                               std::shared_ptr<LinkEvents> events)
    : s_(std::make_shared<Shared>(clientName, std::move(inbox), std::move(events)))
{
    // The worker keeps the shared state alive, so it may outlive this object.
    worker_ = std::thread([s = s_] { s->run(); });
}

JackMidiClient::~JackMidiClient()
{
    s_->inputOn.store(false);
    bool finished = false;
    {
        std::unique_lock<std::mutex> lock(s_->m);
        s_->quit = true;
        s_->cv.notify_all();
        finished = s_->cv.wait_for(lock, CloseWait, [this] { return s_->finished; });
    }
    if (finished) {
        // It has let go of the shared state, or is about to: once joined,
        // this thread frees it.
        worker_.join();
    } else {
        qCWarning(lcMidi, "The JACK server does not answer; its client is left to close by itself.");
        worker_.detach();
    }
}

bool JackMidiClient::waitUntilAnswered(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(s_->m);
    s_->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return s_->answered; });
    return s_->active.load();
}

bool JackMidiClient::running() const
{
    return s_->active.load() && !s_->serverGone.load();
}

std::uint64_t JackMidiClient::epoch() const
{
    return s_->epoch.load();
}

QStringList JackMidiClient::inputs() const
{
    const std::lock_guard<std::mutex> lock(s_->m);
    return toQt(s_->inputs);
}

QStringList JackMidiClient::outputs() const
{
    const std::lock_guard<std::mutex> lock(s_->m);
    return toQt(s_->outputs);
}

void JackMidiClient::openInput(const std::string &port)
{
    s_->inputOn.store(true);
    s_->wish(s_->wantedIn, port, s_->inLink);
}

void JackMidiClient::closeInput()
{
    s_->inputOn.store(false);
    s_->wish(s_->wantedIn, std::string(), s_->inLink);
}

void JackMidiClient::openOutput(const std::string &port)
{
    s_->outGeneration.fetch_add(1);
    s_->wish(s_->wantedOut, port, s_->outLink);
}

void JackMidiClient::closeOutput()
{
    // Whatever still waits in the ring is dropped by the process thread.
    s_->outGeneration.fetch_add(1);
    s_->wish(s_->wantedOut, std::string(), s_->outLink);
}

int JackMidiClient::send(const std::uint8_t *data, std::size_t size)
{
    const int link = s_->outLink.load();
    if (link == Idle)
        return MidiBackend::NotOpen;
    if (!running() || link == Missing)
        return MidiBackend::NotAvailable;
    if (size > std::size_t(MaxMessage))
        return MidiBackend::TooLong;
    SpscRing::Header header;
    header.size = std::uint32_t(size);
    header.generation = s_->outGeneration.load();
    return s_->out.write(header, data) ? MidiBackend::Ok : MidiBackend::Busy;
}

bool JackMidiClient::inputConnected() const
{
    return running() && s_->inLink.load() == Connected && s_->inLive.load();
}

bool JackMidiClient::outputConnected() const
{
    return running() && s_->outLink.load() == Connected;
}

std::uint64_t JackMidiClient::lostMessages() const
{
    return s_->lost.load();
}

std::uint64_t JackMidiClient::xruns() const
{
    return s_->xruns.load();
}

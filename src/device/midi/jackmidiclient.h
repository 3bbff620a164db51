// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/linkevents.h"
#include "midi/midiinbox.h"

#include <QStringList>

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

// A JACK client of the program's own with one MIDI input and one MIDI
// output port.
//
// The calling (UI) thread never waits for the server: a hung server answers
// no request, and libjack waits for its answer without a time-out. A worker
// thread opens the client, makes and breaks the connections and, when the
// server goes away, keeps trying to open a new client, connecting the chosen
// ports again by name. The server's process thread moves bytes through two
// rings allocated once: received messages into the inbox's queue, and of the
// messages to send only as many as the port buffer takes in this cycle; the
// rest wait for the next one.
//
// Nothing here runs on a period while the server answers: the worker sleeps
// until a wish, the server or a port changes, and tells the link's events
// when the server comes or goes, the lists change or messages are lost.
// Only while the server is away, or a chosen port is missing, does it look
// again on its own, less often the longer that lasts.
class JackMidiClient {
public:
    // Longest message sent whole (a JACK MIDI port buffer holds 32 KB).
    static constexpr int MaxMessage = 16379;
    static constexpr std::size_t OutputRingBytes = std::size_t(1) << 16;

    // The worker starts at once; the inbox queue receives the input, the
    // link events (when given) hear of changes.
    JackMidiClient(const std::string &clientName, std::shared_ptr<MidiInboxQueue> inbox,
                   std::shared_ptr<LinkEvents> events = nullptr);
    // Waits a moment for the worker to close the client; a worker stuck on a
    // hung server is left to finish alone.
    ~JackMidiClient();
    JackMidiClient(const JackMidiClient &) = delete;
    JackMidiClient &operator=(const JackMidiClient &) = delete;

    // Waits at most timeoutMs for the first answer from the server; true
    // when it answered.
    bool waitUntilAnswered(int timeoutMs);
    // A server answers and the client is active.
    bool running() const;
    // Changes whenever the lists changed or the server came back.
    std::uint64_t epoch() const;
    // The other clients' MIDI ports: inputs() are theirs that send (our
    // input devices), outputs() theirs that receive.
    QStringList inputs() const;
    QStringList outputs() const;

    // Connection wishes, kept by the worker until changed: empty for none.
    // openInput() also starts delivery to the inbox, which the caller has opened.
    void openInput(const std::string &port);
    void closeInput();
    void openOutput(const std::string &port);
    void closeOutput();

    // The chosen port is connected (the worker connects it a moment after
    // the wish, and again whenever it comes back). For the input: in the
    // graph the cycles run, so what the device sends from now on arrives.
    bool inputConnected() const;
    bool outputConnected() const;

    // MidiBackend results: Ok, Busy (no room now), NotOpen, NotAvailable (no
    // server, or the chosen port is gone), TooLong.
    int send(const std::uint8_t *data, std::size_t size);
    // Messages accepted by send() that never reached the port (closed first,
    // or the server went away).
    std::uint64_t lostMessages() const;
    // Cycles the server reported late (an xrun): JACK may have lost MIDI
    // events of such a cycle on its way between clients.
    std::uint64_t xruns() const;

    struct Shared;

private:
    std::shared_ptr<Shared> s_;
    std::thread worker_;
};

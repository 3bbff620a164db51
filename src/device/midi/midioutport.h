// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/midibackend.h"
#include "midi/mididevicechoice.h"
#include "midi/sendtargets.h"

#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <vector>

// Sends SysEx (and, if asked, short messages) to one output device.
//
// Messages leave in the order they were sent, through a queue drained on
// the UI thread by a timer, never by waiting: paced by default at the rate
// of a MIDI cable, so a burst reaches the Amp no faster than it reads. A
// message sent while nothing is queued and the cable is free leaves at once.
// With a classifier, a SysEx message that only sets a value waiting in the
// queue is overwritten by a newer value for the same thing (see
// SendTargets), so the device never plays through values already left behind.
// Tells the backend's link notifier of messages sent, of failures and of
// changes to the port.
class MidiOutPort {
public:
    static constexpr int MaxDevices = MidiDeviceChoice::MaxDevices;
    // Bytes a second on a MIDI cable (31250 baud, ten bits a byte).
    static constexpr int DinRate = 3125;
    // Past this many queued bytes a send is refused rather than queued.
    static constexpr std::size_t QueueLimit = std::size_t(1) << 20;
    // How long a busy service is given before the same message is offered again.
    static constexpr int RetryMs = 2;

    // Monotonic nanoseconds, and waiting until such a time (only flush()
    // waits). Tests inject their own.
    class Clock {
    public:
        virtual ~Clock() = default;
        virtual std::int64_t now() = 0;
        virtual void sleepUntil(std::int64_t time) = 0;
    };

    // Read from any code without Qt; counts since creation.
    struct Stats {
        std::uint64_t sent = 0;     // messages handed to the service
        std::uint64_t refused = 0;  // sends refused at once (queue full, too long, not a message)
        std::uint64_t dropped = 0;  // accepted, then given up (port closed, service gone)
        std::uint64_t replaced = 0; // queued, then overwritten by a newer value before leaving
        std::size_t queuedMessages = 0;
        std::size_t queuedBytes = 0;
        // Bytes handed to the service that the cable still carries, by the pace.
        std::size_t cableBytes = 0;
    };

    // What a SysEx message writes on the device. Short messages and resets
    // may write anything.
    using Target = SendTargets::Target;
    using Classifier = std::function<Target(const std::uint8_t *data, std::size_t size)>;

    explicit MidiOutPort(MidiBackend &backend);
    ~MidiOutPort();
    MidiOutPort(const MidiOutPort &) = delete;
    MidiOutPort &operator=(const MidiOutPort &) = delete;

    bool isEnabled() const { return using_; }
    void setEnabled(bool on);

    int port() const { return devices_.port(); }
    void setPort(int n);

    int deviceCount() const { return devices_.count(); }
    QString deviceName(int i) const { return devices_.names().value(i); }
    QStringList deviceNames() const { return devices_.names(); }
    // Reads the device list again; the chosen device keeps its choice by name.
    void refreshDevices();
    // Remembers a chosen device that is absent now (see MidiDeviceChoice).
    void rememberDevice(int index, const QString &name);
    int storedPort() const { return devices_.storedPort(); }
    QString storedName() const { return devices_.storedName(); }

    // Bytes a second; 0 sends as fast as the service takes them. A service
    // that needs no pacing (an in-process peer) is never paced.
    void setRate(int bytesPerSecond);
    int rate() const { return rate_; }

    // Queues one SysEx message; nothing when closed or for 2 bytes or fewer.
    // False when it was refused (the queue is full, or the service could never
    // deliver it): counted and logged, never queued.
    bool sendSysEx(const std::uint8_t *data, int length);
    // The same, from a sender that knows what the message writes: the
    // classifier is not asked.
    bool sendSysEx(const std::uint8_t *data, int length, const Target &target);

    void sendShort(std::uint8_t status);
    void sendShort(std::uint8_t status, std::uint8_t first);
    void sendShort(std::uint8_t status, std::uint8_t first, std::uint8_t second);
    void sendPacked(std::uint32_t packed);
    void sendReset();

    // Sends what is queued, waiting as the rate asks, until the clock reads
    // deadline; whatever is left then is dropped. True when all of it left.
    bool flush(std::int64_t deadline);

    // The drain timer's handler: sends whatever is due.
    void sendDue();
    const QTimer &sendTimer() const { return sendTimer_; }

    Stats stats() const;
    void setClock(Clock *clock); // nullptr: the steady clock
    // Without one (the default) every message keeps its place in the queue.
    void setClassifier(Classifier classifier) { classifier_ = std::move(classifier); }
    Clock &clock() { return *clock_; }

    int openResult() const { return openResult_; }
    int closeResult() const { return closeResult_; }

private:
    // A service that came back may list its devices in another order: the
    // list is read again, and the choice follows its device by name.
    void followService(unsigned changes);
    enum class Kind : std::uint8_t { SysEx, Short, Reset };
    struct Entry {
        Kind kind;
        std::uint32_t size;   // bytes in the buffer after the entry's header
        std::uint32_t packed; // a short message
    };
    void open();
    void close();
    bool sysEx(const std::uint8_t *data, int length, const Target *known);
    // known: the message's target when the sender gave it.
    void enqueueOrSend(Kind kind, const std::uint8_t *data, std::uint32_t size, std::uint32_t packed,
                       const Target *known = nullptr);
    // Hands one message to the service; its result.
    int hand(Kind kind, const std::uint8_t *data, std::uint32_t size, std::uint32_t packed);
    // Books the cable for a message that just left.
    void booked(std::uint32_t bytes, std::int64_t now);
    bool cableFree(std::int64_t now) const { return pace_ == 0 || now >= nextFree_; }
    // Sends due messages; false when a message must wait (time or room).
    bool pump(std::int64_t now);
    void armTimer(std::int64_t now, bool busy);
    void push(Kind kind, const std::uint8_t *data, std::uint32_t size, std::uint32_t packed, const Target &target);
    Target targetOf(Kind kind, const std::uint8_t *data, std::uint32_t size, const Target *known) const;
    // Overwrites the waiting message a newer one replaces; false when there is none.
    bool replace(const Target &target, const std::uint8_t *data, std::uint32_t size);
    // Empties the queue; positions go on from where it ended.
    void clearQueue();
    void dropQueue(const char *why);
    void refuse(Kind kind, std::uint32_t size, const char *why);
    // Counts a message given up; logs the first of a run of them.
    void dropped(Kind kind, std::uint32_t size, const char *why);
    void delivered();

    MidiBackend &backend_;
    MidiDeviceChoice devices_;
    std::uint64_t devicesEpoch_ = 0;
    bool using_ = false;
    int openResult_ = 0;
    int closeResult_ = 0;

    int rate_ = DinRate;
    int pace_ = 0;              // the rate in force: 0 when the service needs no pacing
    std::int64_t nextFree_ = 0; // when the cable is free again (clock time)
    // The queue: entries and their bytes back to back, read from head_.
    std::vector<std::uint8_t> queue_;
    std::size_t head_ = 0;
    std::int64_t base_ = 0; // the position of queue_[0], counted since creation
    SendTargets targets_;
    Classifier classifier_;
    std::size_t queuedMessages_ = 0;
    std::size_t queuedBytes_ = 0;
    bool busy_ = false; // the service had no room for the head message

    Stats counts_;
    std::uint64_t unloggedDrops_ = 0; // dropped since the last message logged or delivered
    bool dropLogged_ = false;
    Clock *clock_;
    QTimer sendTimer_; // single shot: the head message's due time, or a retry
};

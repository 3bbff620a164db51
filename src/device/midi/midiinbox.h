// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/spscring.h"
#include "midi/wakefd.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;

// The MIDI service's end of a MidiInbox. One thread at a time posts (the
// service's thread, which may be a realtime one): posting copies the bytes
// into a ring allocated once, takes no lock and allocates nothing; a message
// that does not fit is dropped and counted. The UI thread is woken once for
// everything posted since it last looked.
class MidiInboxQueue {
public:
    // Longest piece handed to the SysEx handler at once; longer messages
    // arrive as several pieces, only the first starting with F0.
    static constexpr int SysExBufferSize = 16000;
    // Room for 32 pieces of the longest size: a second of a busy DIN wire
    // is about 3 KB.
    static constexpr std::size_t Capacity = std::size_t(1) << 19;
    static constexpr std::uint32_t Continuation = 1; // a SysEx piece after the first

    MidiInboxQueue() = default;
    MidiInboxQueue(const MidiInboxQueue &) = delete;
    MidiInboxQueue &operator=(const MidiInboxQueue &) = delete;

    // One whole message as the service reported it. False when it was dropped.
    bool post(const std::uint8_t *data, std::size_t size);
    // One piece of SysEx of at most SysExBufferSize bytes, for services that
    // report a long message in parts.
    bool postPiece(const std::uint8_t *data, std::size_t size, bool continuation);

    std::uint64_t overflows() const { return overflows_.load(std::memory_order_relaxed); }

private:
    friend class MidiInbox;
    void wake();
    void clearWake();

    SpscRing ring_{Capacity};
    std::atomic<std::uint32_t> generation_{0};
    std::atomic<bool> wakePending_{false};
    std::atomic<std::uint64_t> overflows_{0};
    WakeFd wake_; // readable while a wake-up is pending
};

// Carries received messages from whatever thread the MIDI service uses to the
// thread this object lives in (the UI thread), in order. A message posted
// before close() (or before a later open()) is dropped: that stands in for
// buffers handed back while a device closes. Messages dropped because they
// came too fast are reported by overflowed() once the UI thread looks.
class MidiInbox : public QObject {
    Q_OBJECT
public:
    using ShortHandler = std::function<void(std::uint8_t status, std::uint8_t first, std::uint8_t second)>;
    // The bytes are valid only during the call.
    using SysExHandler = std::function<void(const std::uint8_t *data, int size)>;

    static constexpr int SysExBufferSize = MidiInboxQueue::SysExBufferSize;

    explicit MidiInbox(QObject *parent = nullptr);
    ~MidiInbox() override;

    void open(ShortHandler onShort, SysExHandler onSysEx); // UI thread
    void close();                                          // UI thread
    bool isOpen() const { return open_; }

    // The producer's end; it stays valid as long as anyone holds it.
    const std::shared_ptr<MidiInboxQueue> &queue() const { return queue_; }
    // Any one thread at a time.
    bool post(const std::uint8_t *data, std::size_t size) { return queue_->post(data, size); }
    bool post(const std::vector<std::uint8_t> &message) { return post(message.data(), message.size()); }

    // UI thread: delivers what has arrived (the wake-up runs it too). Gives
    // the event loop a turn after a few milliseconds of a flood.
    void drain();

    // Messages wait to be delivered.
    bool pending() const { return !queue_->ring_.empty(); }
    std::uint64_t delivered() const { return delivered_; }
    std::uint64_t overflows() const { return queue_->overflows(); }
    // Handlers that threw; the exception went no further.
    std::uint64_t handlerFailures() const { return handlerFailures_; }

signals:
    // Messages were dropped since the last report (see overflows()).
    void overflowed();

private:
    void deliver(const SpscRing::Header &header, const std::uint8_t *data);

    std::shared_ptr<MidiInboxQueue> queue_;
    QSocketNotifier *notifier_ = nullptr;
    // One buffer per nesting level: a handler may run a modal loop that
    // drains again while its own bytes must stay intact.
    std::vector<std::vector<std::uint8_t>> scratch_;
    int depth_ = 0;
    bool continuationQueued_ = false;
    bool open_ = false;
    ShortHandler onShort_;
    SysExHandler onSysEx_;
    std::uint64_t delivered_ = 0;
    std::uint64_t handlerFailures_ = 0;
    std::uint64_t reportedOverflows_ = 0;
};

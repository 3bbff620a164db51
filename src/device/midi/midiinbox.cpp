// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/midiinbox.h"

#include "midi/midilog.h"

#include <QElapsedTimer>
#include <QSocketNotifier>

#include <exception>

namespace {

// A flood is delivered in slices of this length, so the UI keeps painting.
constexpr qint64 DrainSliceMs = 8;

} // namespace

bool MidiInboxQueue::postPiece(const std::uint8_t *data, std::size_t size, bool continuation)
{
    if (!data || size == 0 || size > std::size_t(SysExBufferSize))
        return false;
    SpscRing::Header header;
    header.size = std::uint32_t(size);
    header.generation = generation_.load(std::memory_order_acquire);
    header.flags = continuation ? Continuation : 0;
    if (!ring_.write(header, data)) {
        overflows_.fetch_add(1, std::memory_order_relaxed);
        // The UI may have looked already while the ring was full: it
        // learns of the loss now, not with the next message.
        wake();
        return false;
    }
    wake();
    return true;
}

bool MidiInboxQueue::post(const std::uint8_t *data, std::size_t size)
{
    if (!data || size == 0)
        return true;
    if (data[0] != 0xF0) // a short message: its status and at most two data bytes
        return postPiece(data, std::min<std::size_t>(size, 3), false);
    // All pieces of a long message or none.
    const std::size_t pieces = (size + SysExBufferSize - 1) / SysExBufferSize;
    if (ring_.writeSpace() < size + pieces * SpscRing::headerSize()) {
        overflows_.fetch_add(1, std::memory_order_relaxed);
        wake();
        return false;
    }
    for (std::size_t at = 0; at < size; at += SysExBufferSize)
        postPiece(data + at, std::min<std::size_t>(SysExBufferSize, size - at), at > 0);
    return true;
}

void MidiInboxQueue::wake()
{
    // Only the first message since the UI last looked costs a system call.
    if (!wakePending_.exchange(true, std::memory_order_acq_rel))
        wake_.signal();
}

void MidiInboxQueue::clearWake()
{
    wake_.clear();
    // Cleared before the ring is read: a message posted from now on wakes again.
    wakePending_.store(false, std::memory_order_release);
}

MidiInbox::MidiInbox(QObject *parent) : QObject(parent), queue_(std::make_shared<MidiInboxQueue>())
{
    if (queue_->wake_.fd() >= 0) {
        notifier_ = new QSocketNotifier(qintptr(queue_->wake_.fd()), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &MidiInbox::drain);
    } else {
        qCWarning(lcMidi, "No wake-up descriptor; received MIDI is not delivered.");
    }
}

MidiInbox::~MidiInbox() = default;

void MidiInbox::open(ShortHandler onShort, SysExHandler onSysEx)
{
    queue_->generation_.fetch_add(1, std::memory_order_acq_rel);
    onShort_ = std::move(onShort);
    onSysEx_ = std::move(onSysEx);
    open_ = true;
}

void MidiInbox::close()
{
    queue_->generation_.fetch_add(1, std::memory_order_acq_rel);
    open_ = false;
    onShort_ = nullptr;
    onSysEx_ = nullptr;
}

void MidiInbox::drain()
{
    queue_->clearWake();
    if (std::size_t(depth_) >= scratch_.size())
        scratch_.emplace_back(std::size_t(SysExBufferSize));
    std::uint8_t *buffer = scratch_[std::size_t(depth_)].data();
    ++depth_;
    QElapsedTimer slice;
    slice.start();
    SpscRing::Header header;
    while (queue_->ring_.peek(header)) {
        queue_->ring_.readBytes(buffer, header.size);
        // Taken off before the handler runs, so a nested drain goes on after it.
        queue_->ring_.pop(header);
        if (open_ && header.generation == queue_->generation_.load(std::memory_order_relaxed))
            deliver(header, buffer);
        if (slice.elapsed() >= DrainSliceMs && !queue_->ring_.empty()) {
            if (!continuationQueued_) {
                continuationQueued_ = true;
                QMetaObject::invokeMethod(
                    this,
                    [this] {
                        continuationQueued_ = false;
                        drain();
                    },
                    Qt::QueuedConnection);
            }
            break;
        }
    }
    --depth_;
    if (const std::uint64_t lost = overflows(); lost != reportedOverflows_) {
        qCWarning(lcMidi, "MIDI input overflowed: %llu message(s) dropped",
                  static_cast<unsigned long long>(lost - reportedOverflows_));
        reportedOverflows_ = lost;
        emit overflowed();
    }
}

void MidiInbox::deliver(const SpscRing::Header &header, const std::uint8_t *data)
{
    const int size = int(header.size);
    const bool sysEx = (header.flags & MidiInboxQueue::Continuation) || data[0] == 0xF0;
    if (!sysEx && data[0] < 0x80)
        return; // stray data bytes carry no message
    ++delivered_;
    try {
        if (sysEx) {
            // A copy keeps the handler alive even if it closes the port.
            if (auto handler = onSysEx_)
                handler(data, size);
        } else if (auto handler = onShort_) {
            handler(data[0], size > 1 ? data[1] : 0, size > 2 ? data[2] : 0);
        }
    } catch (const std::exception &e) {
        ++handlerFailures_;
        qCWarning(lcMidi, "A MIDI input handler failed: %s", e.what());
    } catch (...) {
        ++handlerFailures_;
        qCWarning(lcMidi, "A MIDI input handler failed");
    }
}

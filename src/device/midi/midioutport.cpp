// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/midioutport.h"

#include "midi/midilog.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

constexpr std::int64_t NsPerSecond = 1000000000;
constexpr std::int64_t NsPerMs = 1000000;
// A drain this late (timer granularity) still keeps the message's place in
// the schedule, so the average rate holds; a longer stall is not made up for
// with a burst.
constexpr std::int64_t Slack = 5 * NsPerMs;
// What Reset sends: two controller messages on each of sixteen channels.
constexpr std::uint32_t ResetBytes = 16 * 2 * 3;

class SteadyClock : public MidiOutPort::Clock {
public:
    std::int64_t now() override
    {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    void sleepUntil(std::int64_t time) override
    {
        std::this_thread::sleep_until(std::chrono::steady_clock::time_point(std::chrono::nanoseconds(time)));
    }
};

SteadyClock steadyClock;

const char *kindName(int kind)
{
    return kind == 0 ? "SysEx message" : kind == 1 ? "short message" : "reset";
}

} // namespace

MidiOutPort::MidiOutPort(MidiBackend &backend) : backend_(backend), clock_(&steadyClock)
{
    devices_.setNames(backend_.outputNames());
    devicesEpoch_ = backend_.devicesEpoch();
    // The send timer, which lives and dies with the port, ends the connection.
    QObject::connect(&backend_.linkNotifier(), &LinkNotifier::changed, &sendTimer_,
                     [this](unsigned changes) { followService(changes); });
    setRate(DinRate);
    sendTimer_.setObjectName(QStringLiteral("TimerSend"));
    sendTimer_.setSingleShot(true);
    sendTimer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&sendTimer_, &QTimer::timeout, &sendTimer_, [this] { sendDue(); });
}

MidiOutPort::~MidiOutPort()
{
    if (using_)
        close();
}

void MidiOutPort::followService(unsigned changes)
{
    if (!(changes & LinkEvents::Service))
        return;
    if (const std::uint64_t epoch = backend_.devicesEpoch(); epoch != devicesEpoch_) {
        devicesEpoch_ = epoch;
        refreshDevices();
    }
}

void MidiOutPort::refreshDevices()
{
    devices_.setNames(backend_.outputNames());
    backend_.linkNotifier().post(LinkEvents::Ports);
}

void MidiOutPort::rememberDevice(int index, const QString &name)
{
    devices_.remember(index, name);
    backend_.linkNotifier().post(LinkEvents::Ports);
}

void MidiOutPort::setEnabled(bool on)
{
    if (on == using_)
        return;
    if (on)
        open();
    else
        close();
    using_ = on;
    backend_.linkNotifier().post(LinkEvents::Ports);
}

void MidiOutPort::setPort(int n)
{
    if (n >= deviceCount())
        return;
    if (using_)
        close();
    devices_.setPort(n);
    if (using_)
        open();
    backend_.linkNotifier().post(LinkEvents::Ports);
}

void MidiOutPort::setRate(int bytesPerSecond)
{
    rate_ = std::max(0, bytesPerSecond);
    pace_ = backend_.needsPacing() ? rate_ : 0;
}

void MidiOutPort::setClock(Clock *clock)
{
    clock_ = clock ? clock : &steadyClock;
}

void MidiOutPort::open()
{
    if (port() < 0 || port() >= deviceCount()) {
        openResult_ = MidiBackend::BadDevice;
        return;
    }
    openResult_ = backend_.openOutput(port());
}

void MidiOutPort::close()
{
    // What is still queued was meant for this device only.
    dropQueue("the port closed");
    // A device still playing refuses to close; ask again. Bounded so a
    // misbehaving service cannot hang the program.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        closeResult_ = backend_.closeOutput();
        if (closeResult_ != MidiBackend::StillPlaying)
            return;
    }
}

bool MidiOutPort::sendSysEx(const std::uint8_t *data, int length)
{
    return sysEx(data, length, nullptr);
}

bool MidiOutPort::sendSysEx(const std::uint8_t *data, int length, const Target &target)
{
    return sysEx(data, length, &target);
}

bool MidiOutPort::sysEx(const std::uint8_t *data, int length, const Target *known)
{
    if (!using_ || length <= 2 || !data)
        return true;
    if (const int longest = backend_.maxMessageSize(); longest > 0 && length > longest) {
        refuse(Kind::SysEx, std::uint32_t(length), "longer than the MIDI service delivers whole");
        return false;
    }
    const std::uint64_t before = counts_.refused + counts_.dropped;
    enqueueOrSend(Kind::SysEx, data, std::uint32_t(length), 0, known);
    return counts_.refused + counts_.dropped == before;
}

void MidiOutPort::sendShort(std::uint8_t status)
{
    sendPacked(status);
}
void MidiOutPort::sendShort(std::uint8_t status, std::uint8_t first)
{
    sendPacked(status + first * 256u);
}
void MidiOutPort::sendShort(std::uint8_t status, std::uint8_t first, std::uint8_t second)
{
    sendPacked(status + first * 256u + second * 65536u);
}

void MidiOutPort::sendPacked(std::uint32_t packed)
{
    if (!using_)
        return;
    const int length = midiShortLength(std::uint8_t(packed & 0xFF));
    enqueueOrSend(Kind::Short, nullptr, std::uint32_t(std::max(length, 1)), packed);
}

void MidiOutPort::sendReset()
{
    if (using_)
        enqueueOrSend(Kind::Reset, nullptr, ResetBytes, 0);
}

int MidiOutPort::hand(Kind kind, const std::uint8_t *data, std::uint32_t size, std::uint32_t packed)
{
    switch (kind) {
    case Kind::SysEx: return backend_.sendSysEx(data, int(size));
    case Kind::Short: return backend_.sendShort(packed);
    case Kind::Reset: return backend_.resetOutput();
    }
    return MidiBackend::InvalidMessage;
}

void MidiOutPort::booked(std::uint32_t bytes, std::int64_t from)
{
    if (pace_ > 0)
        nextFree_ = from + std::int64_t(bytes) * NsPerSecond / pace_;
}

void MidiOutPort::enqueueOrSend(Kind kind, const std::uint8_t *data, std::uint32_t size, std::uint32_t packed,
                                const Target *known)
{
    const std::int64_t now = clock_->now();
    if (queuedMessages_ == 0 && cableFree(now)) {
        const int result = hand(kind, data, size, packed);
        switch (result) {
        case MidiBackend::Ok:
            delivered();
            booked(size, now);
            return;
        case MidiBackend::Busy: break;     // queued below, offered again shortly
        case MidiBackend::NotOpen: return; // a port whose open failed sends nothing and reports nothing
        case MidiBackend::NotAvailable: dropped(kind, size, "the MIDI service or device is not there"); return;
        default: refuse(kind, size, "the MIDI service refused it"); return;
        }
        push(kind, data, size, packed, targetOf(kind, data, size, known));
        busy_ = true;
        armTimer(now, true);
        return;
    }
    // Waiting already: the newer value takes the older one's place, which
    // needs no room.
    const Target target = targetOf(kind, data, size, known);
    if (replace(target, data, size))
        return;
    if (queue_.size() - head_ + sizeof(Entry) + (kind == Kind::SysEx ? size : 0) > QueueLimit) {
        refuse(kind, size, "the send queue is full");
        return;
    }
    push(kind, data, size, packed, target);
    if (!sendTimer_.isActive())
        armTimer(now, busy_);
}

MidiOutPort::Target MidiOutPort::targetOf(Kind kind, const std::uint8_t *data, std::uint32_t size,
                                          const Target *known) const
{
    // A short message may change the program, a reset everything.
    if (kind != Kind::SysEx)
        return Target::everything();
    if (known)
        return *known;
    if (!classifier_)
        return Target::everything();
    return classifier_(data, size);
}

bool MidiOutPort::replace(const Target &target, const std::uint8_t *data, std::uint32_t size)
{
    const std::int64_t at = targets_.replaceable(target, base_ + std::int64_t(head_));
    if (at < 0)
        return false;
    Entry entry;
    std::memcpy(&entry, queue_.data() + (at - base_), sizeof(Entry));
    // Only a message of the same length can be overwritten where it stands.
    if (entry.kind != Kind::SysEx || entry.size != size)
        return false;
    std::memcpy(queue_.data() + (at - base_) + sizeof(Entry), data, size);
    ++counts_.replaced;
    return true;
}

void MidiOutPort::push(Kind kind, const std::uint8_t *data, std::uint32_t size, std::uint32_t packed,
                       const Target &target)
{
    const Entry entry{kind, size, packed};
    const std::size_t bytes = kind == Kind::SysEx ? size : 0;
    const std::size_t at = queue_.size();
    queue_.resize(at + sizeof(Entry) + bytes);
    std::memcpy(queue_.data() + at, &entry, sizeof(Entry));
    if (bytes > 0)
        std::memcpy(queue_.data() + at + sizeof(Entry), data, bytes);
    targets_.queued(target, base_ + std::int64_t(at));
    ++queuedMessages_;
    queuedBytes_ += size;
}

void MidiOutPort::clearQueue()
{
    base_ += std::int64_t(queue_.size());
    queue_.clear();
    head_ = 0;
    queuedMessages_ = 0;
    queuedBytes_ = 0;
    targets_.clear();
}

bool MidiOutPort::pump(std::int64_t now)
{
    while (queuedMessages_ > 0) {
        if (!cableFree(now))
            return false;
        Entry entry;
        std::memcpy(&entry, queue_.data() + head_, sizeof(Entry));
        const std::uint8_t *bytes = queue_.data() + head_ + sizeof(Entry);
        const int result = hand(entry.kind, bytes, entry.size, entry.packed);
        if (result == MidiBackend::Busy) {
            busy_ = true;
            return false;
        }
        busy_ = false;
        if (result == MidiBackend::NotAvailable || result == MidiBackend::NotOpen) {
            dropQueue("the MIDI service is not there");
            return true;
        }
        if (result == MidiBackend::Ok) {
            delivered();
            // Its due time was nextFree_; a late timer does not push the
            // whole schedule back.
            booked(entry.size, std::max(nextFree_, now - Slack));
        } else {
            dropped(entry.kind, entry.size, "the MIDI service refused it");
        }
        head_ += sizeof(Entry) + (entry.kind == Kind::SysEx ? entry.size : 0);
        --queuedMessages_;
        queuedBytes_ -= entry.size;
        if (queuedMessages_ == 0) {
            clearQueue();
        } else if (head_ > (std::size_t(1) << 16) && head_ * 2 > queue_.size()) {
            queue_.erase(queue_.begin(), queue_.begin() + std::ptrdiff_t(head_));
            base_ += std::int64_t(head_);
            head_ = 0;
        }
    }
    return true;
}

void MidiOutPort::armTimer(std::int64_t now, bool busy)
{
    if (queuedMessages_ == 0) {
        sendTimer_.stop();
        return;
    }
    if (busy) {
        sendTimer_.start(RetryMs);
        return;
    }
    const std::int64_t wait = std::max<std::int64_t>(0, nextFree_ - now);
    sendTimer_.start(int((wait + NsPerMs - 1) / NsPerMs));
}

void MidiOutPort::sendDue()
{
    const std::int64_t now = clock_->now();
    pump(now);
    armTimer(now, busy_);
}

bool MidiOutPort::flush(std::int64_t deadline)
{
    while (queuedMessages_ > 0) {
        const std::int64_t now = clock_->now();
        if (now >= deadline)
            break;
        if (pump(now))
            break;
        const std::int64_t wake = busy_ ? now + RetryMs * NsPerMs : nextFree_;
        clock_->sleepUntil(std::min(wake, deadline));
    }
    const bool all = queuedMessages_ == 0;
    if (!all)
        dropQueue("there was no time left to send it");
    sendTimer_.stop();
    return all;
}

void MidiOutPort::dropQueue(const char *why)
{
    if (queuedMessages_ > 0) {
        qCWarning(lcMidi, "MIDI output dropped %zu queued message(s), %zu bytes: %s", queuedMessages_, queuedBytes_,
                  why);
        counts_.dropped += queuedMessages_;
        backend_.linkNotifier().post(LinkEvents::Failed);
    }
    clearQueue();
    busy_ = false;
    sendTimer_.stop();
}

void MidiOutPort::dropped(Kind kind, std::uint32_t size, const char *why)
{
    ++counts_.dropped;
    backend_.linkNotifier().post(LinkEvents::Failed);
    // The first of a run is logged; the rest are summed up once a message
    // goes through again.
    if (dropLogged_) {
        ++unloggedDrops_;
        return;
    }
    dropLogged_ = true;
    qCWarning(lcMidi, "MIDI output dropped a %s of %u bytes: %s", kindName(int(kind)), size, why);
}

void MidiOutPort::delivered()
{
    ++counts_.sent;
    backend_.linkNotifier().post(LinkEvents::Sent);
    if (unloggedDrops_ > 0)
        qCWarning(lcMidi, "MIDI output refused or dropped %llu more message(s) before this one went through",
                  static_cast<unsigned long long>(unloggedDrops_));
    unloggedDrops_ = 0;
    dropLogged_ = false;
}

void MidiOutPort::refuse(Kind kind, std::uint32_t size, const char *why)
{
    ++counts_.refused;
    backend_.linkNotifier().post(LinkEvents::Failed);
    if (dropLogged_) {
        ++unloggedDrops_;
        return;
    }
    dropLogged_ = true;
    qCWarning(lcMidi, "MIDI output refused a %s of %u bytes: %s", kindName(int(kind)), size, why);
}

MidiOutPort::Stats MidiOutPort::stats() const
{
    Stats s = counts_;
    s.queuedMessages = queuedMessages_;
    s.queuedBytes = queuedBytes_;
    const std::int64_t left = nextFree_ - clock_->now();
    if (pace_ > 0 && left > 0)
        s.cableBytes = std::size_t((left * pace_ + NsPerSecond - 1) / NsPerSecond);
    return s;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/amptransfers.h"

#include "model/presetrecord.h"
#include "protocol/ampmessages.h"
#include "session/amplink.h"
#include "session/commandqueue.h"

AmpTransfers::AmpTransfers(AmpLink &link, CommandQueue &queue, QObject *parent)
    : QObject(parent), link_(link), queue_(queue)
{
    replyTimer_.setObjectName(QStringLiteral("TimerSysex"));
    replyTimer_.setSingleShot(true);
    replyTimer_.setInterval(ReplyTimeoutMs);
    connect(&replyTimer_, &QTimer::timeout, this, [this] { queue_.runInput([this] { replyTimedOut(); }); });
    connect(&link_, &AmpLink::sysExReceived, this,
            [this](const std::uint8_t *data, int size) { queue_.runInput([&] { receive(data, size); }); });
    queue_.setAmpBusy([this] { return busy(); });
    connect(this, &AmpTransfers::becameIdle, &queue_, &CommandQueue::kick);
}

void AmpTransfers::setState(TransferState state)
{
    // The old-firmware sync's completion goes on from the current preset
    // to the Amp's report; any other question asked over an open one would
    // take its reply.
    if (state_ != TransferState::Idle && state != TransferState::Idle && state != state_ &&
        !(state_ == TransferState::CurrentAfterFind && state == TransferState::AltTapReport)) {
        ++replaced_;
        qWarning("Quorvex: a question to the Amp (%d) replaced the open one (%d)", int(state), int(state_));
    }
    const bool wasBusy = busy();
    const bool changed = state != state_;
    state_ = state;
    if (changed)
        emit stateChanged(state);
    tellBusy(wasBusy);
}

void AmpTransfers::tellBusy(bool wasBusy)
{
    const bool now = busy();
    if (now == wasBusy)
        return;
    emit busyChanged(now);
    if (!now)
        emit becameIdle();
}

void AmpTransfers::await(TransferState awaited)
{
    setState(awaited);
    startReplyTimer();
}

void AmpTransfers::startReplyTimer()
{
    // QTimer::start() would restart a running count.
    if (!replyTimer_.isActive())
        replyTimer_.start();
}

void AmpTransfers::finish()
{
    replyTimer_.stop();
    setState(TransferState::Idle);
}

void AmpTransfers::hold()
{
    const bool wasBusy = busy();
    ++holds_;
    tellBusy(wasBusy);
}

void AmpTransfers::release()
{
    if (holds_ == 0)
        return;
    const bool wasBusy = busy();
    --holds_;
    tellBusy(wasBusy);
}

void AmpTransfers::replyTimedOut()
{
    replyTimer_.stop();
    const TransferState ended = state_;
    if (link_.portsOpen() && ended != TransferState::Idle)
        link_.ampSilent();
    // Idle before anyone reports, so the report may ask something new; the
    // hold keeps waiting commands back until the takers have acted on it.
    hold();
    setState(TransferState::Idle);
    emit timedOut(ended);
    release();
}

void AmpTransfers::reportNoReply()
{
    queue_.postNotice(tr("Timeout"),
                      link_.portsOpen() ? tr("No response from Amp.") : tr("MIDI In and Out must be enabled."));
}

void AmpTransfers::receive(const std::uint8_t *data, int size)
{
    dispatchSysEx(data, size, *this);
}

void AmpTransfers::identifyReply(std::uint8_t versionByte)
{
    // An Amp that identifies itself unasked ends no other wait.
    if (state_ == TransferState::Identify)
        finish();
    emit identified(versionByte);
}

void AmpTransfers::groupDump(const std::uint8_t *pairs)
{
    link_.ampHeard();
    if (state_ != TransferState::Group && state_ != TransferState::BackupGroup && state_ != TransferState::ReadSlots)
        return;
    Group group;
    amp::decodeNibbles(pairs, preset::GroupSize, group.data());
    emit groupReceived(state_, group);
}

void AmpTransfers::singlePreset(const std::uint8_t *pairs)
{
    link_.ampHeard();
    switch (state_) {
    case TransferState::RequestedPreset:
    case TransferState::CurrentAfterFind:
    case TransferState::ProgramChange:
    case TransferState::BackupPreset:
    case TransferState::CheckCurrent: {
        preset::Record record;
        amp::decodeNibbles(pairs, preset::RecordSize, record.data());
        emit presetReceived(state_, record);
        break;
    }
    default: break;
    }
}

void AmpTransfers::globals(const std::uint8_t *pairs)
{
    link_.ampHeard();
    if (state_ != TransferState::Globals)
        return;
    Globals record;
    amp::decodeNibbles(pairs, preset::GlobalSize, record.data());
    finish();
    emit globalsReceived(record);
}

void AmpTransfers::parameterChange(int index, std::uint8_t value)
{
    link_.ampHeard();
    emit parameterChanged(index, value);
}

void AmpTransfers::bitFieldChange(int index, int shift, int width, int value)
{
    link_.ampHeard();
    if (index == preset::AltTap && state_ == TransferState::AltTapReport) {
        // The Amp's answer to the old-firmware sync: ends that wait, not an edit.
        finish();
        return;
    }
    emit bitFieldChanged(index, shift, width, value);
}

void AmpTransfers::globalBitFieldChange(int index, int shift, int width, int value)
{
    link_.ampHeard();
    emit globalBitFieldChanged(index, shift, width, value);
}

void AmpTransfers::tunerData(std::uint8_t first, std::uint8_t second)
{
    emit tunerReading(first, second);
}

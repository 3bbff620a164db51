// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/transferprogress.h"

#include "protocol/ampmessages.h"
#include "session/amplink.h"

#include <algorithm>

namespace {

bool awaitsGroup(TransferState state)
{
    return state == TransferState::Group || state == TransferState::BackupGroup || state == TransferState::ReadSlots;
}

} // namespace

TransferProgress::TransferProgress(AmpLink &link, AmpTransfers &transfers, QObject *parent)
    : QObject(parent), link_(link), transfers_(transfers),
      groupDumpBytes_(int(amp::groupDump(AmpTransfers::Group{}).size()))
{
    sendCheck_.setInterval(SendCheckMs);
    connect(&sendCheck_, &QTimer::timeout, this, &TransferProgress::checkSent);
    settle_.setSingleShot(true);
    settle_.setInterval(0);
    connect(&settle_, &QTimer::timeout, this, &TransferProgress::settle);
    connect(&transfers_, &AmpTransfers::stateChanged, this, &TransferProgress::stateChanged);
    connect(&transfers_, &AmpTransfers::groupReceived, this,
            [this] { bytesIn_ = std::min(bytesIn_ + groupDumpBytes_, bytesTotal_); });
    connect(&transfers_, &AmpTransfers::timedOut, this, [this] { failed_ = true; });
}

void TransferProgress::start()
{
    settle_.stop();
    if (running_)
        return;
    running_ = true;
    failed_ = false;
    bytesTotal_ = bytesIn_ = bytesOut_ = 0;
    emit started();
}

void TransferProgress::stateChanged(TransferState state)
{
    if (state == TransferState::Idle) {
        waitClock_.invalidate();
        settleLater();
        return;
    }
    start();
    // A question that follows another (the sync's steps) waits on.
    if (!waitClock_.isValid())
        waitClock_.start();
    if (awaitsGroup(state))
        bytesTotal_ += groupDumpBytes_;
}

void TransferProgress::groupSent(int bytes)
{
    if (bytes <= 0)
        return;
    start();
    bytesTotal_ += bytes;
    bytesOut_ += bytes;
    checkSent();
}

int TransferProgress::cableBytes() const
{
    const MidiOutPort::Stats s = link_.midiOut().stats();
    return int(std::min<std::size_t>(s.queuedBytes + s.cableBytes, std::size_t(bytesOut_)));
}

void TransferProgress::checkSent()
{
    if (bytesOut_ > 0 && cableBytes() > 0) {
        if (!sendCheck_.isActive())
            sendCheck_.start();
        return;
    }
    sendCheck_.stop();
    settleLater();
}

int TransferProgress::bytesDone() const
{
    const int out = bytesOut_ > 0 ? bytesOut_ - cableBytes() : 0;
    return std::clamp(bytesIn_ + out, 0, bytesTotal_);
}

void TransferProgress::settleLater()
{
    if (running_)
        settle_.start();
}

void TransferProgress::settle()
{
    if (!running_ || waiting() || sendCheck_.isActive())
        return;
    running_ = false;
    emit finished(!failed_);
}

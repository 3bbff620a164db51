// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/amptransfers.h"

AmpTransfers::AmpTransfers(QObject *parent) : QObject(parent)
{
    TimerSysex.setObjectName(QStringLiteral("TimerSysex"));
    TimerSysex.setSingleShot(true);
    TimerSysex.setInterval(ReplyTimeoutMs);
    TimerAmpFound.setObjectName(QStringLiteral("TimerAmpFound"));
    TimerAmpFound.setSingleShot(true);
    TimerAmpFound.setInterval(1);
    connect(&TimerSysex, &QTimer::timeout, this, &AmpTransfers::TimerSysexTimer);
    connect(&TimerAmpFound, &QTimer::timeout, this, &AmpTransfers::TimerAmpFoundTimer);
}

void AmpTransfers::await(TransferState awaited)
{
    state_ = awaited;
    startReplyTimer();
}

void AmpTransfers::startReplyTimer()
{
    // QTimer::start() would restart a running count.
    if (!TimerSysex.isActive())
        TimerSysex.start();
}

void AmpTransfers::finish()
{
    state_ = TransferState::Idle;
    TimerSysex.stop();
}

void AmpTransfers::TimerSysexTimer()
{
    TimerSysex.stop();
    // Idle before anyone reports: a message box shown for the time-out runs
    // its own event loop, in which a new question may start.
    const TransferState ended = state_;
    state_ = TransferState::Idle;
    emit timedOut(ended);
}

void AmpTransfers::TimerAmpFoundTimer()
{
    TimerAmpFound.stop();
    emit ampFoundStep();
}

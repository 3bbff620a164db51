// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/loopbackbackend.h"

#include <QCoreApplication>

LoopbackBackend::LoopbackBackend()
{
    watchOverflows(inbox_);
}

void LoopbackBackend::inject(Bytes message)
{
    if (inputIndex_ < 0)
        return;
    inbox_.post(message);
}

void LoopbackBackend::flush()
{
    // Replies may cause further sends and replies, and a long delivery takes
    // turns with the event loop: run until quiet.
    do {
        inbox_.drain();
        QCoreApplication::processEvents();
    } while (inbox_.pending());
}

int LoopbackBackend::openInput(int index, ShortHandler onShort, SysExHandler onSysEx)
{
    if (index < 0 || index >= inputs.size())
        return BadDevice;
    if (unavailableInputs.contains(index))
        return NotAvailable;
    inputIndex_ = index;
    ++inputOpens;
    inbox_.open(std::move(onShort), std::move(onSysEx));
    return Ok;
}

int LoopbackBackend::closeInput()
{
    inbox_.close();
    inputIndex_ = -1;
    return Ok;
}

int LoopbackBackend::openOutput(int index)
{
    if (index < 0 || index >= outputs.size())
        return BadDevice;
    if (unavailableOutputs.contains(index))
        return NotAvailable;
    outputIndex_ = index;
    ++outputOpens;
    return Ok;
}

int LoopbackBackend::closeOutput()
{
    if (stillPlayingCloses > 0) {
        --stillPlayingCloses;
        return StillPlaying;
    }
    outputIndex_ = -1;
    return Ok;
}

int LoopbackBackend::sendSysEx(const std::uint8_t *data, int size)
{
    if (outputIndex_ < 0)
        return NotOpen;
    if (busySends > 0) {
        --busySends;
        return Busy;
    }
    toPeer(Bytes(data, data + size));
    return Ok;
}

int LoopbackBackend::sendShort(std::uint32_t packed)
{
    if (outputIndex_ < 0)
        return NotOpen;
    if (busySends > 0) {
        --busySends;
        return Busy;
    }
    std::uint8_t bytes[3];
    const int length = unpackShort(packed, bytes);
    if (length == 0)
        return InvalidMessage;
    toPeer(Bytes(bytes, bytes + length));
    return Ok;
}

void LoopbackBackend::toPeer(Bytes message)
{
    sent.push_back(message);
    if (peer)
        peer(message);
}

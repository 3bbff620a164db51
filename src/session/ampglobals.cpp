// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/ampglobals.h"

#include "model/globalrecord.h"
#include "protocol/ampmessages.h"
#include "session/amplink.h"
#include "session/commandqueue.h"
#include "session/preseteditor.h"

#include <algorithm>

AmpGlobals::AmpGlobals(AmpLink &link, AmpTransfers &transfers, PresetEditor &editor, CommandQueue &queue,
                       QObject *parent)
    : QObject(parent), link_(link), transfers_(transfers), editor_(editor), queue_(queue)
{
    connect(&transfers_, &AmpTransfers::globalsReceived, this,
            [this](const AmpTransfers::Globals &record) { queue_.runInput([&] { received(record); }); });
    connect(&transfers_, &AmpTransfers::globalBitFieldChanged, this,
            [this](int index, int shift, int width, int value) {
                queue_.runInput([&] { fieldChanged(index, shift, width, value); });
            });
    connect(&transfers_, &AmpTransfers::tunerReading, this, &AmpGlobals::tunerReading);
    connect(&transfers_, &AmpTransfers::timedOut, this, [this](TransferState ended) {
        if (ended == TransferState::Globals && reportSilence_)
            transfers_.reportNoReply();
    });
}

std::span<std::uint8_t, preset::GlobalSize> AmpGlobals::record()
{
    return editor_.image().globals;
}

std::uint8_t AmpGlobals::firmwareVersion() const
{
    return link_.firmwareVersion();
}

void AmpGlobals::globalsWindowShown()
{
    if (!expected_)
        return;
    expected_ = false;
    // Without an Amp nobody waits for an answer: no time-out message.
    ask(link_.isAmpFound());
}

void AmpGlobals::requestGlobals()
{
    ask(true);
}

void AmpGlobals::ask(bool reportSilence)
{
    // The window is open while this waits: asking nothing of the user, it
    // goes as soon as the Amp is free.
    queue_.runWhenAmpIdle(
        [this, reportSilence] {
            reportSilence_ = reportSilence;
            link_.send(amp::globalsRequest());
            transfers_.await(TransferState::Globals);
        },
        CommandQueue::Needs::IdleAmp);
}

void AmpGlobals::received(const AmpTransfers::Globals &record)
{
    // Only the globals window takes the Amp's record in; a late reply to a
    // window already closed just ends the wait.
    if (!windowOpen_)
        return;
    std::copy(record.begin(), record.end(), editor_.image().globals.begin());
    sourcePath_.clear();
    showLoaded(true);
}

void AmpGlobals::sendGlobals()
{
    link_.send(amp::globals(editor_.image().globals));
}

void AmpGlobals::storeGlobals(std::span<const std::uint8_t, preset::GlobalSize> record)
{
    std::copy(record.begin(), record.end(), editor_.image().globals.begin());
    showLoaded(false);
}

void AmpGlobals::restoreUnsaved(std::span<const std::uint8_t, preset::GlobalSize> record, const QString &sourcePath)
{
    storeGlobals(record);
    sourcePath_ = sourcePath;
    sendGlobals();
    setModified(true);
}

void AmpGlobals::setModified(bool on)
{
    if (on == modified_)
        return;
    modified_ = on;
    emit modifiedChanged(on);
}

void AmpGlobals::showLoaded(bool fromAmp)
{
    setModified(false);
    const PresetEditor::LoadingGuard guard(editor_);
    emit globalRecordLoaded(fromAmp);
    // The panel's global cabinet box follows byte 13 however it changed.
    cabinetReported();
}

void AmpGlobals::cabinetReported()
{
    const std::uint8_t b = editor_.image().globals[globalrecord::Cabinet];
    emit globalCabinetReported(b != 0, b != 0 ? b - 1 : editor_.presetCabinet());
}

void AmpGlobals::fieldChanged(int index, int shift, int width, int value)
{
    const PresetEditor::LoadingGuard guard(editor_);
    // An index outside the GlobalRecord would write beyond it.
    if (index < 0 || index >= preset::GlobalSize || !bitfield::valid(shift, width))
        return;
    std::uint8_t &stored = editor_.image().globals[index];
    stored = bitfield::write(stored, shift, width, value);
    emit globalRecordChanged(index);
    if (index == globalrecord::Cabinet)
        cabinetReported();
}

void AmpGlobals::editGlobalByte(Field f, std::uint8_t value)
{
    if (f.index < 0 || f.index >= preset::GlobalSize || !bitfield::valid(f.shift, f.width))
        return;
    editor_.image().globals[f.index] = value;
    editor_.sendGlobalField(f.index, f.shift, f.width);
    if (editor_.loading())
        return;
    setModified(true);
    emit edited();
}

void AmpGlobals::editGlobalBit(Field f, bool on)
{
    if (f.index < 0 || f.index >= preset::GlobalSize || !bitfield::valid(f.shift, f.width))
        return;
    std::uint8_t &byte = editor_.image().globals[f.index];
    byte = bitfield::write(byte, f.shift, f.width, on ? 1 : 0);
    editor_.sendGlobalField(f.index, f.shift, f.width);
    if (editor_.loading())
        return;
    setModified(true);
    emit edited();
}

void AmpGlobals::enterTuner()
{
    tunerMode_ = true;
    link_.send(amp::tunerMode(1));
    for (const Field f : {globalrecord::TunerLevelRequest, globalrecord::TunerOptionsRequest})
        link_.send(amp::globalBitFieldRequest(f.index, f.shift, f.width));
}

void AmpGlobals::leaveTuner()
{
    tunerMode_ = false;
    link_.send(amp::tunerMode(0));
}

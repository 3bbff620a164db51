// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/preseteditor.h"

#include "model/bitfield.h"
#include "model/globalrecord.h"
#include "protocol/ampmessages.h"
#include "session/amplink.h"

namespace {

constexpr int FlangerType = 1;
constexpr std::uint8_t FlangerDTReset = 10;
constexpr std::uint8_t FlangerFBReset = 19;
constexpr int FlangerHoldMs = 250;

} // namespace

PresetEditor::PresetEditor(AmpLink &link, QObject *parent) : QObject(parent), link_(link)
{
    // The panel shows presets from its first moment; start-up sends them.
    image_.fillDefaults();
    TimerFlangeKluge.setObjectName(QStringLiteral("TimerFlangeKluge"));
    TimerFlangeKluge.setSingleShot(true);
    TimerFlangeKluge.setInterval(FlangerHoldMs);
    connect(&TimerFlangeKluge, &QTimer::timeout, this, &PresetEditor::TimerFlangeKlugeTimer);
}

// ---- View and slots

void PresetEditor::setView(View view)
{
    if (view == View::Group) {
        snapshotArmed_ = true;
        setRestoreAvailable(false);
    } else {
        slot_ = 0;
    }
    view_ = view;
    emit viewChanged(view);
}

void PresetEditor::selectSlot(int slot)
{
    if (view_ != View::Group || slot < 0 || slot >= preset::SlotCount)
        return;
    slot_ = slot;
    emit recordChanged();
    sendEditorData();
}

void PresetEditor::selectSlotQuietly(int slot)
{
    if (slot < 0 || slot >= preset::SlotCount)
        return;
    slot_ = slot;
    emit slotSelected(slot);
}

void PresetEditor::showDefaults(View view)
{
    image_.fillDefaults();
    setView(view);
    if (view == View::Group)
        selectSlotQuietly(0);
    emit recordChanged();
    sendEditorData();
}

void PresetEditor::storeGroup(std::span<const std::uint8_t, preset::GroupSize> group)
{
    image_.storeGroup(group);
    emit recordChanged();
}

void PresetEditor::storeRecord(int slot, std::span<const std::uint8_t, preset::RecordSize> record)
{
    image_.storeRecord(slot, record);
    emit recordChanged();
}

// ---- Sending

void PresetEditor::send(const std::vector<std::uint8_t> &message)
{
    link_.send(message);
}

void PresetEditor::sendEditorData()
{
    send(amp::singlePreset(record()));
}

void PresetEditor::sendParameter(int index)
{
    if (loading_)
        return;
    send(amp::parameterSet(index, record()[index]));
    emit edited();
}

void PresetEditor::sendField(Field f)
{
    if (loading_)
        return;
    send(amp::bitField(f.index, f.shift, f.width, image_.readField(currentSlot(), f)));
    emit edited();
}

void PresetEditor::sendGlobalField(int index, int shift, int width)
{
    if (loading_)
        return;
    send(amp::globalBitField(index, shift, width, bitfield::read(image_.globals[index], shift, width)));
}

void PresetEditor::pressFootswitch()
{
    send(amp::footswitch(1));
}

// ---- Edits

void PresetEditor::editByte(int index, std::uint8_t value)
{
    if (index < 0 || index >= preset::RecordSize)
        return;
    record()[index] = value;
    sendParameter(index);
    // Old firmware also wants bit 5 of the separation byte with a new delay time.
    if (index == preset::DLTime && link_.isOldFirmware())
        sendField(preset::DLSepBit5);
}

void PresetEditor::editField(Field f, int value)
{
    if (f.index < 0 || f.index >= preset::RecordSize || !bitfield::valid(f.shift, f.width))
        return;
    image_.writeField(currentSlot(), f, value);
    // Separation is stored in seven bits but travels as six.
    sendField(f == preset::DLSeparationBits ? preset::DLSeparation : f);
    // Old firmware takes a new tap function only with the Alt flags beside it.
    if (f == preset::TapFunction && link_.isOldFirmware())
        sendField(preset::AltFlags);
}

void PresetEditor::setAmpModel(int model)
{
    image_.setAmpModel(currentSlot(), model);
    sendField(preset::AmpModel);
}

void PresetEditor::setCabinet(int cabinet, bool globalOverride)
{
    if (globalOverride) {
        image_.globals[globalrecord::Cabinet] = std::uint8_t(cabinet + 1);
        sendGlobalField(globalrecord::Cabinet, globalrecord::CabinetShift, globalrecord::CabinetWidth);
        return;
    }
    image_.writeField(currentSlot(), preset::Cabinet, cabinet);
    sendField(preset::Cabinet);
}

void PresetEditor::setGlobalCabinetOverride(bool on, int shownCabinet)
{
    image_.globals[globalrecord::Cabinet] =
        on ? std::uint8_t((shownCabinet >= 0 ? shownCabinet : presetCabinet()) + 1) : 0;
    sendGlobalField(globalrecord::Cabinet, globalrecord::CabinetShift, globalrecord::CabinetWidth);
}

void PresetEditor::setModulationType(int type)
{
    image_.writeField(currentSlot(), preset::ModType, type);
    const bool reset = type == FlangerType && link_.isOldFirmware();
    if (reset) {
        flangerHold_ = true;
        TimerFlangeKluge.start();
        record()[preset::FlangerDT] = FlangerDTReset;
        record()[preset::FlangerFB] = FlangerFBReset;
        emit recordChanged();
    }
    sendField(preset::ModType);
    if (reset) {
        sendParameter(preset::FlangerDT);
        sendParameter(preset::FlangerFB);
    }
}

void PresetEditor::TimerFlangeKlugeTimer()
{
    TimerFlangeKluge.stop();
    flangerHold_ = false;
}

void PresetEditor::copyToOtherSet(preset::Dual section, bool altShown)
{
    const preset::DualSection dual = preset::dualSection(section);
    const int shown = altShown ? 1 : 0;
    const auto r = record();
    for (int normal : dual.normalBytes)
        r[normal + 1 - shown] = r[normal + shown];
    auto sendCopies = [&] {
        for (int normal : dual.normalBytes)
            sendParameter(normal + 1 - shown);
    };
    // Old firmware takes preamp values only into its active set: switch it
    // to the other set while the copies go out, then back.
    const bool switchSets = section == preset::Dual::Preamp && link_.isOldFirmware();
    if (switchSets) {
        sendCopies();
        image_.writeField(currentSlot(), preset::BoostAlt, 1 - shown);
        sendField(preset::BoostAlt);
    }
    sendCopies();
    if (switchSets) {
        image_.writeField(currentSlot(), preset::BoostAlt, shown);
        sendField(preset::BoostAlt);
    }
}

void PresetEditor::boostAllTabs(bool on)
{
    if (snapshotArmed_) {
        for (int s = 0; s < preset::SlotCount; ++s)
            snapshot_[s] = image_.readField(s, preset::BoostAlt) != 0;
    }
    snapshotArmed_ = false;
    for (int s = 0; s < preset::SlotCount; ++s)
        image_.writeField(s, preset::BoostAlt, on ? 1 : 0);
    setRestoreAvailable(true);
}

void PresetEditor::restoreBoostSettings()
{
    for (int s = 0; s < preset::SlotCount; ++s)
        image_.writeField(s, preset::BoostAlt, snapshot_[s] ? 1 : 0);
    setRestoreAvailable(false);
}

void PresetEditor::setRestoreAvailable(bool on)
{
    if (on == restoreAvailable_)
        return;
    restoreAvailable_ = on;
    emit restoreBoostAvailableChanged(on);
}

// ---- The Amp's own knobs

bool PresetEditor::heldFlangerByte(int index) const
{
    return flangerHold_ && (index == preset::FlangerFB || index == preset::FlangerDT);
}

void PresetEditor::applyParameter(int index, std::uint8_t value)
{
    const LoadingGuard guard(*this);
    if (index < 0 || index >= preset::RecordSize || heldFlangerByte(index))
        return;
    record()[index] = value;
    emit byteChanged(index);
    emit edited();
}

void PresetEditor::applyBitField(int index, int shift, int width, int value)
{
    const LoadingGuard guard(*this);
    // Fields outside the byte are malformed; applying them would shift bits
    // beyond the byte or by negative amounts.
    if (index < 0 || index >= preset::RecordSize || heldFlangerByte(index) || !bitfield::valid(shift, width))
        return;
    std::uint8_t &byte = record()[index];
    byte = bitfield::write(byte, shift, width, value);
    emit byteChanged(index);
    emit edited();
}

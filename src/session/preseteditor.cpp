// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/preseteditor.h"

#include "model/bitfield.h"
#include "model/delaytime.h"
#include "model/globalrecord.h"
#include "model/presetparams.h"
#include "protocol/ampmessages.h"
#include "session/amplink.h"

#include <algorithm>
#include <optional>

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
    flangerTimer_.setObjectName(QStringLiteral("TimerFlangeKluge"));
    flangerTimer_.setSingleShot(true);
    flangerTimer_.setInterval(FlangerHoldMs);
    connect(&flangerTimer_, &QTimer::timeout, this, &PresetEditor::endFlangerHold);
}

// ---- View and slots

void PresetEditor::setView(View view)
{
    if (view == View::Group) {
        boost_.armed = true;
        setRestoreAvailable(false);
    } else {
        history_.willChange(0);
        slot_ = 0;
    }
    view_ = view;
    emit viewChanged(view);
}

void PresetEditor::selectSlot(int slot)
{
    if (view_ != View::Group || slot < 0 || slot >= preset::SlotCount)
        return;
    history_.willChange(slot);
    slot_ = slot;
    emit recordChanged();
    sendEditorData();
}

void PresetEditor::selectSlotQuietly(int slot)
{
    if (slot < 0 || slot >= preset::SlotCount)
        return;
    history_.willChange(slot);
    slot_ = slot;
    emit slotSelected(slot);
}

void PresetEditor::showDefaults(View view)
{
    history_.willChange(-1);
    image_.fillDefaults();
    setView(view);
    if (view == View::Group)
        selectSlotQuietly(0);
    emit recordChanged();
    sendEditorData();
}

bool PresetEditor::storeGroup(std::span<const std::uint8_t, preset::GroupSize> group)
{
    history_.willChange(-1);
    image_.storeGroup(group);
    bool corrected = false;
    for (int slot = 0; slot < preset::SlotCount; ++slot)
        corrected = !presetparams::makeValid(image_.record(slot)).empty() || corrected;
    emit recordChanged();
    return corrected;
}

bool PresetEditor::storeRecord(int slot, std::span<const std::uint8_t, preset::RecordSize> record)
{
    if (slot < 0 || slot >= preset::SlotCount)
        return false;
    history_.willChange(slot);
    image_.storeRecord(slot, record);
    const bool corrected = !presetparams::makeValid(image_.record(slot)).empty();
    emit recordChanged();
    return corrected;
}

void PresetEditor::storeFromAmp(const preset::Record &record, bool ampPlaysIt, const QString &stepName)
{
    // Leaving Compare (as a step does first) sends the edits: the Amp then
    // plays those, not its own preset.
    const bool playsIt = ampPlaysIt && !comparing_;
    std::optional<Step> step;
    if (!stepName.isEmpty())
        step.emplace(*this, stepName, 0, false);
    // What the Amp plays and what is shown are one, values made valid included.
    if (storeRecord(currentSlot(), record) || !playsIt)
        sendEditorData();
}

// ---- Tabs

void PresetEditor::swapSlots(int a, int b)
{
    if (view_ != View::Group || a == b)
        return;
    const Step step(*this, tr("Swap %1 and %2").arg(preset::slotName(a), preset::slotName(b)), 0, false);
    history_.willChange(a);
    history_.willChange(b);
    if (!image_.swapSlots(a, b))
        return;
    // The panel shows the current slot again, and the Amp plays it if it changed.
    emit recordChanged();
    if (currentSlot() == a || currentSlot() == b)
        sendEditorData();
}

void PresetEditor::copySlot(int from, int to)
{
    if (view_ != View::Group || from == to)
        return;
    const Step step(*this, tr("Copy %1 to %2").arg(preset::slotName(from), preset::slotName(to)), 0, false);
    history_.willChange(to);
    if (!image_.copySlot(from, to))
        return;
    emit recordChanged();
    if (currentSlot() == to)
        sendEditorData();
}

void PresetEditor::importRecord(int slot, const preset::Record &record, const QString &what)
{
    if (view_ != View::Group)
        return;
    const int to = slot < 0 ? currentSlot() : slot;
    if (to < 0 || to >= preset::SlotCount)
        return;
    const Step step(*this, what.isEmpty() ? tr("Import to %1").arg(preset::slotName(to)) : what, 0, false);
    storeRecord(to, record);
    if (to == currentSlot())
        sendEditorData();
}

void PresetEditor::takeRecord(const preset::Record &record, const QString &what)
{
    // From Compare the record replaces the edits: the Amp hears it alone,
    // not the edits first.
    endComparing(false);
    const Step step(*this, what, 0, false);
    storeRecord(currentSlot(), record);
    sendEditorData();
}

// ---- Sending

void PresetEditor::send(const std::vector<std::uint8_t> &message)
{
    link_.send(message);
}

void PresetEditor::sendEditorData()
{
    history_.sent({EditTarget::WholeRecord, currentSlot(), {0, 0, 8}});
    send(amp::singlePreset(record()));
}

void PresetEditor::sendParameter(int index)
{
    if (loading_)
        return;
    history_.sent({EditTarget::Parameter, currentSlot(), {index, 0, 8}});
    link_.send(amp::parameterSet(index, record()[index]), amp::parameterSetTarget(index));
}

void PresetEditor::sendField(Field f)
{
    if (loading_)
        return;
    history_.sent({EditTarget::Bits, currentSlot(), f});
    link_.send(amp::bitField(f.index, f.shift, f.width, image_.readField(currentSlot(), f)),
               amp::bitFieldTarget(f.index, f.shift, f.width));
}

void PresetEditor::sendGlobalField(int index, int shift, int width)
{
    if (loading_)
        return;
    history_.sent({EditTarget::GlobalBits, -1, {index, shift, width}});
    link_.send(amp::globalBitField(index, shift, width, bitfield::read(image_.globals[index], shift, width)),
               amp::globalBitFieldTarget(index, shift, width));
}

void PresetEditor::resend(const EditTarget &t)
{
    switch (t.kind) {
    case EditTarget::Parameter:
        link_.send(amp::parameterSet(t.field.index, image_.record(t.slot)[t.field.index]),
                   amp::parameterSetTarget(t.field.index));
        break;
    case EditTarget::Bits:
        link_.send(amp::bitField(t.field.index, t.field.shift, t.field.width, image_.readField(t.slot, t.field)),
                   amp::bitFieldTarget(t.field.index, t.field.shift, t.field.width));
        break;
    case EditTarget::GlobalBits:
        link_.send(amp::globalBitField(t.field.index, t.field.shift, t.field.width,
                                       bitfield::read(image_.globals[t.field.index], t.field.shift, t.field.width)),
                   amp::globalBitFieldTarget(t.field.index, t.field.shift, t.field.width));
        break;
    case EditTarget::WholeRecord: send(amp::singlePreset(image_.record(t.slot))); break;
    }
}

// ---- The history and Compare

void PresetEditor::startHistory(bool unsaved, bool stored)
{
    // What was just loaded replaces both versions: Compare ends without
    // putting the edits back over it.
    if (comparing_) {
        comparing_ = false;
        emit comparingChanged(false);
    }
    history_.restart(unsaved);
    stored_ = image_.group;
    if (stored != hasStored_) {
        hasStored_ = stored;
        emit storedVersionChanged(stored);
    }
}

void PresetEditor::markSaved()
{
    history_.markSaved();
    stored_ = image_.group;
    if (!hasStored_) {
        hasStored_ = true;
        emit storedVersionChanged(true);
    }
}

void PresetEditor::setComparing(bool on)
{
    if (!on) {
        endComparing(true);
        return;
    }
    if (comparing_ || !hasStored_)
        return;
    history_.willChange(-1);
    edited_ = image_.group;
    image_.group = stored_;
    comparing_ = true;
    emit comparingChanged(true);
    emit recordChanged();
    sendEditorData();
}

void PresetEditor::endComparing(bool send)
{
    if (!comparing_)
        return;
    history_.willChange(-1);
    image_.group = edited_;
    comparing_ = false;
    emit comparingChanged(false);
    emit recordChanged();
    if (send)
        sendEditorData();
}

preset::Record PresetEditor::editedRecord() const
{
    if (!comparing_)
        return shownRecord();
    preset::Record r;
    const auto slot = std::span(edited_).subspan(std::size_t(currentSlot()) * preset::RecordSize, preset::RecordSize);
    std::copy(slot.begin(), slot.end(), r.begin());
    return r;
}

void PresetEditor::setBoostSnapshot(const BoostSnapshot &snapshot)
{
    const bool wasAvailable = boost_.restoreAvailable;
    boost_ = snapshot;
    if (boost_.restoreAvailable != wasAvailable)
        emit restoreBoostAvailableChanged(boost_.restoreAvailable);
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
    const Step step(*this, QString(), 1 + index);
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
    const Step step(*this, QString(), 100 + f.index * 64 + f.shift * 8 + f.width);
    image_.writeField(currentSlot(), f, value);
    // Separation is stored in seven bits but travels as six.
    sendField(f == preset::DLSeparationBits ? preset::DLSeparation : f);
    // Old firmware takes a new tap function only with the Alt flags beside it.
    if (f == preset::TapFunction && link_.isOldFirmware())
        sendField(preset::AltFlags);
}

void PresetEditor::setAmpModel(int model)
{
    const Step step(*this, QString());
    image_.setAmpModel(currentSlot(), model);
    sendField(preset::AmpModel);
}

bool PresetEditor::globalCabinetOverride() const
{
    return image_.globals[globalrecord::Cabinet] != 0;
}

int PresetEditor::shownCabinet() const
{
    const std::uint8_t global = image_.globals[globalrecord::Cabinet];
    return global != 0 ? global - 1 : presetCabinet();
}

bool PresetEditor::altSetShown(preset::Dual section) const
{
    return image_.readField(currentSlot(), preset::dualSection(section).flag) != 0;
}

void PresetEditor::setCabinet(int cabinet)
{
    const bool globalOverride = globalCabinetOverride();
    const Step step(*this, globalOverride ? tr("Global Cabinet") : QString());
    if (globalOverride) {
        image_.globals[globalrecord::Cabinet] = std::uint8_t(cabinet + 1);
        sendGlobalField(globalrecord::Cabinet, globalrecord::CabinetShift, globalrecord::CabinetWidth);
        return;
    }
    image_.writeField(currentSlot(), preset::Cabinet, cabinet);
    sendField(preset::Cabinet);
}

void PresetEditor::setGlobalCabinetOverride(bool on)
{
    const Step step(*this, on ? tr("Global Cabinet On") : tr("Global Cabinet Off"));
    // Switched on, the cabinet shown so far (the preset's) becomes the global one.
    image_.globals[globalrecord::Cabinet] = on ? std::uint8_t(presetCabinet() + 1) : 0;
    sendGlobalField(globalrecord::Cabinet, globalrecord::CabinetShift, globalrecord::CabinetWidth);
}

void PresetEditor::setModulationType(int type)
{
    const Step step(*this, QString());
    image_.writeField(currentSlot(), preset::ModType, type);
    const bool reset = type == FlangerType && link_.isOldFirmware();
    if (reset) {
        flangerHold_ = true;
        flangerTimer_.start();
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

void PresetEditor::endFlangerHold()
{
    flangerTimer_.stop();
    flangerHold_ = false;
}

void PresetEditor::copyToOtherSet(preset::Dual section)
{
    const Step step(*this, tr("Copy to other set"));
    const preset::DualSection dual = preset::dualSection(section);
    const int shown = altSetShown(section) ? 1 : 0;
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
    const Step step(*this, on ? tr("Boost All Tabs") : tr("Un-boost All Tabs"), 0, false);
    if (boost_.armed) {
        for (int s = 0; s < preset::SlotCount; ++s)
            boost_.bits[s] = image_.readField(s, preset::BoostAlt) != 0;
    }
    boost_.armed = false;
    const int shown = image_.readField(currentSlot(), preset::BoostAlt);
    history_.willChange(-1);
    for (int s = 0; s < preset::SlotCount; ++s)
        image_.writeField(s, preset::BoostAlt, on ? 1 : 0);
    // Only the shown slot plays on the Amp; the others follow with a write.
    if (shown != (on ? 1 : 0))
        sendField(preset::BoostAlt);
    setRestoreAvailable(true);
    emit recordChanged();
}

void PresetEditor::restoreBoostSettings()
{
    const Step step(*this, tr("Restore Boost Settings"), 0, false);
    const int shown = image_.readField(currentSlot(), preset::BoostAlt);
    history_.willChange(-1);
    for (int s = 0; s < preset::SlotCount; ++s)
        image_.writeField(s, preset::BoostAlt, boost_.bits[s] ? 1 : 0);
    if (shown != image_.readField(currentSlot(), preset::BoostAlt))
        sendField(preset::BoostAlt);
    setRestoreAvailable(false);
    emit recordChanged();
}

void PresetEditor::tapDelayTime(int base)
{
    const Step step(*this, tr("Tap Tempo"));
    // The measured time is the delay time; what already holds it is not sent again.
    const std::uint8_t time = std::uint8_t(std::clamp(base, 1, 255));
    if (record()[preset::DLTime] != time)
        editByte(preset::DLTime, time);
    if (record()[preset::DLScale] != delaytime::UnitScale)
        editByte(preset::DLScale, std::uint8_t(delaytime::UnitScale));
}

void PresetEditor::setRestoreAvailable(bool on)
{
    if (on == boost_.restoreAvailable)
        return;
    boost_.restoreAvailable = on;
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
    // The Amp's knob moved: what Compare showed is left, and the change is a
    // step Undo takes back, on the Amp too.
    const bool compared = comparing_;
    setComparing(false);
    const preset::Record before = shownRecord();
    record()[index] = value;
    takeAmpChange({EditTarget::Parameter, currentSlot(), {index, 0, 8}}, 10000 + index, before, compared);
}

void PresetEditor::applyBitField(int index, int shift, int width, int value)
{
    const LoadingGuard guard(*this);
    // Fields outside the byte are malformed; applying them would shift bits
    // beyond the byte or by negative amounts.
    if (index < 0 || index >= preset::RecordSize || heldFlangerByte(index) || !bitfield::valid(shift, width))
        return;
    const bool compared = comparing_;
    setComparing(false);
    const preset::Record before = shownRecord();
    std::uint8_t &byte = record()[index];
    byte = bitfield::write(byte, shift, width, value);
    takeAmpChange({EditTarget::Bits, currentSlot(), {index, shift, width}}, 20000 + index * 64 + shift * 8 + width,
                  before, compared);
}

void PresetEditor::takeAmpChange(const EditTarget &target, int mergeKey, const preset::Record &before, bool compared)
{
    const int index = target.field.index;
    const preset::Record asTheAmpHasIt = shownRecord();
    // A value the Amp cannot mean is made valid here, and the Amp is told;
    // leaving Compare sent the edits whole, so the Amp's own value goes on top.
    presetparams::makeValid(record());
    history_.record(QStringLiteral(QT_TRANSLATE_NOOP("EditHistory", "From the Amp: ")), {target}, before, mergeKey);
    bool others = false;
    for (int i = 0; i < preset::RecordSize; ++i)
        others = others || (i != index && record()[i] != asTheAmpHasIt[i]);
    if (others)
        send(amp::singlePreset(record()));
    else if (record()[index] != asTheAmpHasIt[index] || compared)
        resend(target);
    emit byteChanged(index);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/ampslots.h"

#include "model/presetparams.h"

#include <algorithm>

bool AmpSlots::allKnown() const
{
    return std::ranges::all_of(slots_, [](const Slot &s) { return s.record.has_value(); });
}

void AmpSlots::read(int index, const preset::Record &record)
{
    if (index < 0 || index >= preset::SlotCount)
        return;
    Slot &s = slots_[std::size_t(index)];
    s.record = record;
    presetparams::makeValid(*s.record);
    s.readAt = clock_();
    s.stale = false;
    emit changed(index);
}

void AmpSlots::readAll(std::span<const std::uint8_t, preset::GroupSize> group)
{
    const QDateTime now = clock_();
    for (int i = 0; i < preset::SlotCount; ++i) {
        Slot &s = slots_[std::size_t(i)];
        preset::Record r;
        const auto from = preset::groupRecord(group, i);
        std::copy(from.begin(), from.end(), r.begin());
        presetparams::makeValid(r);
        s = Slot{r, now, false};
    }
    emit changed(-1);
}

void AmpSlots::written(int index, const preset::Record &record)
{
    if (index < 0 || index >= preset::SlotCount)
        return;
    Slot &s = slots_[std::size_t(index)];
    s.record = record;
    s.stale = true; // sent, not read back
    emit changed(index);
}

void AmpSlots::setPlaying(int index)
{
    const int now = index >= 0 && index < preset::SlotCount ? index : -1;
    if (now == playing_)
        return;
    const int before = std::exchange(playing_, now);
    if (before >= 0)
        emit changed(before);
    if (now >= 0)
        emit changed(now);
}

void AmpSlots::playingEdited()
{
    if (playing_ < 0)
        return;
    Slot &s = slots_[std::size_t(playing_)];
    if (!s.record || s.stale)
        return;
    s.stale = true;
    emit changed(playing_);
}

void AmpSlots::forget()
{
    slots_ = {};
    playing_ = -1;
    emit changed(-1);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/presetrecord.h"

#include <QDateTime>
#include <QObject>

#include <array>
#include <optional>

// What this session knows of the Amp's sixteen user slots: what it read
// from them (a group or preset fetched, a backup before a write, "Read the
// Amp"), what it wrote to them, and which one plays. A slot written, or
// edited on the Amp since it was read, is stale: it may not hold what is
// known of it. No widgets, no messages of its own.
class AmpSlots : public QObject {
    Q_OBJECT
public:
    struct Slot {
        std::optional<preset::Record> record; // unknown until read or written
        QDateTime readAt;                     // when last read from the Amp
        bool stale = false;
    };

    explicit AmpSlots(QObject *parent = nullptr) : QObject(parent) {}

    const Slot &slot(int index) const { return slots_[std::size_t(index)]; }
    bool allKnown() const;
    // The slot the Amp plays, from the last Program Change (-1: unknown or
    // a factory preset).
    int playing() const { return playing_; }

    // Records from the Amp are made valid as the editor makes them.
    void read(int index, const preset::Record &record);
    void readAll(std::span<const std::uint8_t, preset::GroupSize> group);
    void written(int index, const preset::Record &record);
    void setPlaying(int index);
    // The Amp changed its current preset's parameters: the playing slot may
    // be stored from them on the Amp.
    void playingEdited();
    // Another Amp, or none: nothing is known any more.
    void forget();

    // For tests: the clock read times come from.
    void setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }

signals:
    // One slot changed, or all (-1).
    void changed(int index);

private:
    std::array<Slot, preset::SlotCount> slots_;
    int playing_ = -1;
    std::function<QDateTime()> clock_ = [] { return QDateTime::currentDateTime(); };
};

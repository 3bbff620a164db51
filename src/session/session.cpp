// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/session.h"

#include "midi/midibackend.h"

Session::Session(std::unique_ptr<MidiBackend> backend, Prompter &prompter, QObject *parent)
    : QObject(parent), prompter_(prompter), queue_(prompter, [this] { return document_.applicationTitle(); }),
      link_(std::move(backend)), transfers_(link_, queue_), editor_(link_), files_(editor_, document_, prompter),
      sync_(link_, transfers_, editor_, files_, queue_), fetches_(link_, transfers_, editor_, files_, queue_),
      writes_(link_, transfers_, editor_, backups_, queue_), check_(link_, transfers_, editor_, queue_),
      progress_(link_, transfers_), globals_(link_, transfers_, editor_, queue_),
      recovery_(editor_, document_, globals_)
{
    // The Amp's own knobs change the presets being edited.
    connect(&transfers_, &AmpTransfers::parameterChanged, &editor_,
            [this](int index, std::uint8_t value) { queue_.runInput([&] { editor_.applyParameter(index, value); }); });
    connect(&transfers_, &AmpTransfers::bitFieldChanged, &editor_, [this](int index, int shift, int width, int value) {
        queue_.runInput([&] { editor_.applyBitField(index, shift, width, value); });
    });
    // What is known of the Amp's slots, from every read and write.
    connect(&fetches_, &PresetFetches::slotRead, &slots_, &AmpSlots::read);
    connect(&writes_, &PresetWrites::slotRead, &slots_, &AmpSlots::read);
    connect(&fetches_, &PresetFetches::groupRead, &slots_, [this](const AmpTransfers::Group &g) { slots_.readAll(g); });
    connect(&writes_, &PresetWrites::groupRead, &slots_, [this](const AmpTransfers::Group &g) { slots_.readAll(g); });
    connect(&writes_, &PresetWrites::slotWritten, &slots_, &AmpSlots::written);
    connect(&writes_, &PresetWrites::groupSent, &progress_, &TransferProgress::groupSent);
    connect(&fetches_, &PresetFetches::playingSlot, &slots_, &AmpSlots::setPlaying);
    connect(&transfers_, &AmpTransfers::parameterChanged, &slots_, [this] { slots_.playingEdited(); });
    connect(&transfers_, &AmpTransfers::bitFieldChanged, &slots_, [this] { slots_.playingEdited(); });
}

Session::~Session()
{
    // Queued commands refer to the objects going away.
    queue_.clear();
}

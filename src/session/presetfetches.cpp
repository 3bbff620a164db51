// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/presetfetches.h"

#include "model/globalrecord.h"
#include "model/quorvexerror.h"
#include "protocol/ampmessages.h"
#include "session/amplink.h"
#include "session/commandqueue.h"
#include "session/document.h"
#include "session/documentfiles.h"
#include "session/preseteditor.h"

const QString PresetFetches::FollowKey = QStringLiteral("follow the Amp");

PresetFetches::PresetFetches(AmpLink &link, AmpTransfers &transfers, PresetEditor &editor, DocumentFiles &files,
                             CommandQueue &queue, QObject *parent)
    : QObject(parent), link_(link), transfers_(transfers), editor_(editor), files_(files), document_(files.document()),
      queue_(queue)
{
    connect(&link_, &AmpLink::shortReceived, this,
            [this](std::uint8_t status, std::uint8_t first, std::uint8_t second) {
                queue_.runInput([&] { MidiIn1Short(status, first, second); });
            });
    connect(&transfers_, &AmpTransfers::presetReceived, this,
            [this](TransferState awaited, const preset::Record &record) {
                if (awaited == TransferState::RequestedPreset || awaited == TransferState::ProgramChange)
                    queue_.runInput([&] { presetArrived(awaited, record); });
            });
    connect(&transfers_, &AmpTransfers::groupReceived, this,
            [this](TransferState awaited, const AmpTransfers::Group &group) {
                if (awaited == TransferState::Group)
                    queue_.runInput([&] { groupArrived(group); });
                if (awaited == TransferState::ReadSlots) {
                    transfers_.finish();
                    emit groupRead(group);
                }
            });
    connect(&transfers_, &AmpTransfers::timedOut, this, [this](TransferState ended) {
        if (ended == TransferState::RequestedPreset || ended == TransferState::Group ||
            ended == TransferState::ProgramChange || ended == TransferState::ReadSlots)
            transfers_.reportNoReply();
    });
}

void PresetFetches::presetFromAmp(int slot)
{
    if (slot < 0 || slot >= preset::SlotCount)
        return;
    queue_.runWhenAmpIdle([this, slot] {
        askToSaveUnlessATab();
        requestedSlot_ = slot;
        link_.send(amp::presetRequest(slot));
        transfers_.await(TransferState::RequestedPreset);
    });
}

void PresetFetches::groupFromAmp()
{
    queue_.runWhenAmpIdle([this] {
        files_.askToSave();
        link_.send(amp::groupRequest());
        transfers_.await(TransferState::Group);
    });
}

void PresetFetches::readTheAmp()
{
    queue_.runWhenAmpIdle([this] {
        link_.send(amp::groupRequest());
        transfers_.await(TransferState::ReadSlots);
    });
}

void PresetFetches::switchTo(int slot)
{
    if (slot < 0 || slot >= preset::SlotCount || !link_.midiOut().isEnabled())
        return;
    const int channel = editor_.image().globals[globalrecord::MidiChannel] & 0x0F;
    link_.midiOut().sendShort(std::uint8_t(0xB0 | channel), 32, 1); // the user bank
    link_.midiOut().sendShort(std::uint8_t(0xC0 | channel), std::uint8_t(slot));
    // The Amp does not say it switched: followed as if it had.
    MidiIn1Short(std::uint8_t(0xB0 | channel), 32, 1);
    MidiIn1Short(std::uint8_t(0xC0 | channel), std::uint8_t(slot), 0);
}

void PresetFetches::MidiIn1Short(std::uint8_t status, std::uint8_t first, std::uint8_t second)
{
    if (status < 0x80 || status >= 0xF0 || (status & 0x0F) != editor_.image().globals[globalrecord::MidiChannel])
        return;
    const int kind = status & 0xF0;
    if (kind == 0xC0) {
        lastProgram_ = first;
        queue_.post(FollowKey, CommandQueue::Needs::NoDialogIdleAmp, [this] { followTheAmp(); });
    } else if (kind == 0xB0 && first == 32) {
        userBank_ = second;
    }
}

void PresetFetches::followTheAmp()
{
    // Program Changes that came while "Save Changes?" was open are answered
    // by this one fetch of where the Amp is now, whatever the answer.
    struct Fold {
        CommandQueue &queue;
        ~Fold() { queue.drop(FollowKey); }
    } fold{queue_};
    askToSaveUnlessATab();
    fetchedProgram_ = lastProgram_;
    fetchedBank_ = userBank_;
    link_.send(amp::currentPresetRequest());
    transfers_.await(TransferState::ProgramChange);
}

void PresetFetches::askToSaveUnlessATab()
{
    // Into a group's tab the preset comes as an edit that can be undone:
    // nothing is lost, nothing to ask. In single view it replaces the document.
    if (!editor_.isGroupView())
        files_.askToSave();
}

void PresetFetches::presetArrived(TransferState awaited, const preset::Record &record)
{
    transfers_.stopReplyTimer();
    const bool programChange = awaited == TransferState::ProgramChange;
    if (!programChange)
        emit slotRead(requestedSlot_, record);
    else if (fetchedBank_)
        emit slotRead(fetchedProgram_ & 0x0F, record);
    if (programChange)
        emit playingSlot(fetchedBank_ ? fetchedProgram_ & 0x0F : -1);
    // A preset the Amp switched to is already playing there.
    if (editor_.isGroupView()) {
        // The selected tab takes it, whatever slot was asked for.
        const QString from = programChange
                                 ? (fetchedBank_ ? preset::slotName(fetchedProgram_ & 0x0F)
                                                 : tr("factory %1").arg(preset::slotName(fetchedProgram_ & 0x0F)))
                                 : preset::slotName(requestedSlot_);
        editor_.storeFromAmp(record, programChange,
                             tr("From the Amp: %1 into tab %2").arg(from, preset::slotName(editor_.currentSlot())));
        transfers_.setState(TransferState::Idle);
        return;
    }
    document_.dropFile(programChange ? (fetchedBank_ ? tr("User Preset %1") : tr("Factory Preset %1"))
                                           .arg(preset::slotName(fetchedProgram_ & 0x0F))
                                     : tr("Amp Preset"),
                       true);
    document_.setAmpSlot(!programChange ? requestedSlot_ : fetchedBank_ ? fetchedProgram_ & 0x0F : -1);
    editor_.storeFromAmp(record, programChange);
    transfers_.setState(TransferState::Idle);
    // The preset is the document now: nothing before it to undo.
    editor_.startHistory(false);
}

void PresetFetches::groupArrived(const AmpTransfers::Group &group)
{
    transfers_.finish();
    emit groupRead(group);
    editor_.setView(PresetEditor::View::Group);
    editor_.selectSlotQuietly(0);
    document_.dropFile(tr("Amp Presets"), true);
    editor_.storeGroup(group);
    editor_.sendEditorData();
    // Sixteen presets no file holds yet: unsaved.
    editor_.startHistory(true);
}

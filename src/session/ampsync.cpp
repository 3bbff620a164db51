// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/ampsync.h"

#include "model/firmware.h"
#include "model/globalrecord.h"
#include "protocol/ampmessages.h"
#include "session/amplink.h"
#include "session/commandqueue.h"
#include "session/document.h"
#include "session/documentfiles.h"
#include "session/preseteditor.h"

AmpSync::AmpSync(AmpLink &link, AmpTransfers &transfers, PresetEditor &editor, DocumentFiles &files,
                 CommandQueue &queue, QObject *parent)
    : QObject(parent), link_(link), transfers_(transfers), editor_(editor), files_(files), document_(files.document()),
      queue_(queue)
{
    ampFoundTimer_.setObjectName(QStringLiteral("TimerAmpFound"));
    ampFoundTimer_.setSingleShot(true);
    ampFoundTimer_.setInterval(1);
    connect(&ampFoundTimer_, &QTimer::timeout, this, [this] { queue_.runInput([this] { takeFoundStep(); }); });
    connect(&transfers_, &AmpTransfers::identified, this,
            [this](std::uint8_t v) { queue_.runInput([&] { identified(v); }); });
    connect(&transfers_, &AmpTransfers::presetReceived, this,
            [this](TransferState awaited, const preset::Record &record) {
                if (awaited == TransferState::CurrentAfterFind)
                    queue_.runInput([&] { currentPresetArrived(record); });
            });
    connect(&transfers_, &AmpTransfers::timedOut, this,
            [this](TransferState ended) { queue_.runInput([&] { timedOut(ended); }); });
}

void AmpSync::startSync(bool startup)
{
    // At start, a file named on the command line or work restored after a
    // crash stays as it is: this sync reloads nothing, so nothing is asked.
    if (!(startup && startedWithFile_))
        files_.askToSave(tr("Sync will reload current preset \nfrom amp. Save Changes?"));
    // Said before the search, not from inside its time-out.
    if (!link_.portsOpen())
        queue_.prompter().notice(tr("Timeout"), tr("MIDI In and Out must be enabled."), Prompter::Icon::None);
    link_.clearSyncOffer();
    link_.send(amp::tunerMode(0));
    startupSync_ = startup;
}

void AmpSync::searchForAmp()
{
    syncing_ = true;
    // It asks the user nothing: it goes, dialog or not, once the Amp is free.
    queue_.runWhenAmpIdle(
        [this] {
            transfers_.setState(TransferState::Identify);
            // The answer fills in the Amp's MIDI channel, for its Program Changes.
            link_.send(amp::globalBitFieldRequest(globalrecord::MidiChannel, 0, 5));
            link_.send(amp::identifyRequest());
            transfers_.startReplyTimer();
        },
        CommandQueue::Needs::IdleAmp);
}

void AmpSync::cancelSearch()
{
    if (transfers_.state() == TransferState::Identify)
        transfers_.finish();
}

void AmpSync::syncClosed()
{
    syncing_ = false;
}

void AmpSync::identified(std::uint8_t versionByte)
{
    link_.identified(firmware::fromIdentifyByte(versionByte), firmware::isGVariant(versionByte));
    // The found step runs after this message has been handled; an Amp that
    // identifies itself unasked touches no dialog and no presets.
    if (syncing_)
        ampFoundTimer_.start();
}

void AmpSync::takeFoundStep()
{
    ampFoundTimer_.stop();
    foundStep();
}

void AmpSync::foundStep()
{
    if (!syncing_)
        return;
    transfers_.stopReplyTimer();
    emit ampFound(link_.firmwareVersion(), link_.gVariant());
    // Its answer sets the global cabinet controls.
    link_.send(
        amp::globalBitFieldRequest(globalrecord::Cabinet, globalrecord::CabinetShift, globalrecord::CabinetWidth));
    if (!startupSync_ || (!document_.saveElsewhere() && !startedWithFile_))
        editor_.setView(PresetEditor::View::Single);
    // A file named on the command line stays in the editor, neither replaced nor sent.
    if (!startedWithFile_) {
        queue_.runWhenAmpIdle(
            [this] {
                link_.send(amp::currentPresetRequest());
                transfers_.await(TransferState::CurrentAfterFind);
            },
            CommandQueue::Needs::IdleAmp);
    }
    startedWithFile_ = false;
}

void AmpSync::currentPresetArrived(const preset::Record &record)
{
    transfers_.stopReplyTimer();
    editor_.storeRecord(editor_.currentSlot(), record);
    syncCompletion();
    editor_.sendEditorData();
    if (transfers_.state() != TransferState::AltTapReport)
        transfers_.setState(TransferState::Idle);
    editor_.startHistory(false);
}

void AmpSync::syncCompletion()
{
    // Lists and switches follow what the Amp can do.
    emit firmwareAdapted(link_.firmwareVersion());
    if (!link_.isOldFirmware()) {
        link_.send(amp::syncComplete());
    } else {
        // Old firmware: the footswitch sequence, then wait for the Amp's
        // report of byte 30.
        auto first = editor_.image().record(0);
        const std::uint8_t altTap = first[preset::AltTap];
        link_.send(amp::footswitch(2));
        transfers_.setState(TransferState::AltTapReport);
        first[preset::AltTap] = altTap;
        editor_.sendEditorData();
        transfers_.startReplyTimer();
    }
    if (!startupSync_ || !document_.saveElsewhere())
        document_.dropFile(tr("Amp Preset"), document_.saveElsewhere());
    startedWithFile_ = false;
}

void AmpSync::timedOut(TransferState ended)
{
    switch (ended) {
    case TransferState::Identify:
        // Closed ports were reported when the sync started.
        emit ampNotFound();
        break;
    case TransferState::AltTapReport:
        // The old-firmware sync got no report: release the footswitch.
        if (link_.portsOpen())
            link_.send(amp::footswitch(0));
        else
            transfers_.reportNoReply();
        break;
    case TransferState::CurrentAfterFind: transfers_.reportNoReply(); break;
    default: break;
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/ampsession.h"

#include "model/globalrecord.h"
#include "model/quorvexerror.h"
#include "files/safefile.h"
#include "session/guard.h"
#include "session/prompter.h"

#include <QDateTime>
#include <QDir>

#include <algorithm>

namespace {

constexpr int FlangerType = 1;
constexpr std::uint8_t FlangerDTReset = 10;
constexpr std::uint8_t FlangerFBReset = 19;
constexpr int FlangerHoldMs = 250;

// The send queue's targets are the protocol's, kind for kind.
using QueueKind = TMidiOut::Target::Kind;
using AmpKind = amp::SendTarget::Kind;
static_assert(int(QueueKind::Nothing) == int(AmpKind::Nothing) && int(QueueKind::Everything) == int(AmpKind::Everything) &&
              int(QueueKind::Place) == int(AmpKind::Place));

} // namespace

AmpSession::AmpSession(std::unique_ptr<MidiBackend> backend, Prompter &prompter, QObject *parent)
    : QObject(parent), backend_(std::move(backend)), prompter_(prompter), MidiIn1(*backend_), MidiOut1(*backend_)
{
    // The panel shows presets from its first moment; start-up sends them.
    image_.fillDefaults();
    // A knob turned faster than the cable carries: the Amp gets the newest value.
    MidiOut1.setClassifier([](const std::uint8_t *data, std::size_t size) {
        const amp::SendTarget t = amp::sendTarget(data, size);
        return TMidiOut::Target{TMidiOut::Target::Kind(t.kind), t.place, t.part};
    });

    MidiIn1.OnSysEx = [this](TMidiIn *, const std::uint8_t *data, int size) {
        run([&] { MidiIn1SysEx(data, size); });
    };
    MidiIn1.OnShort = [this](TMidiIn *, std::uint8_t status, std::uint8_t first, std::uint8_t second) {
        run([&] { MidiIn1Short(status, first, second); });
    };

    TimerFlangeKluge.setObjectName(QStringLiteral("TimerFlangeKluge"));
    TimerFlangeKluge.setSingleShot(true);
    TimerFlangeKluge.setInterval(FlangerHoldMs);
    connect(&TimerFlangeKluge, &QTimer::timeout, this, &AmpSession::TimerFlangeKlugeTimer);
    connect(&transfers_, &AmpTransfers::timedOut, this,
            [this](TransferState ended) { run([&] { timedOut(ended); }); });
    connect(&transfers_, &AmpTransfers::ampFoundStep, this, [this] { run([this] { foundStep(); }); });
}

AmpSession::~AmpSession()
{
    // Nothing may arrive for a session that is going away.
    MidiIn1.OnSysEx = nullptr;
    MidiIn1.OnShort = nullptr;
}

bool AmpSession::run(const std::function<void()> &body)
{
    return guarded(prompter_, document_.applicationTitle(), body);
}

// ---- View and slots

void AmpSession::setView(View view)
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

void AmpSession::selectSlot(int slot)
{
    if (view_ != View::Group || slot < 0 || slot >= preset::SlotCount)
        return;
    slot_ = slot;
    emit recordChanged();
    sendEditorData();
}

void AmpSession::selectSlotQuietly(int slot)
{
    if (slot < 0 || slot >= preset::SlotCount)
        return;
    slot_ = slot;
    emit slotSelected(slot);
}

void AmpSession::askToSave(const QString &text)
{
    if (!document_.isModified())
        return;
    const auto answer = prompter_.question(QStringLiteral("Quorvex"), text,
                                           {Prompter::Button::Yes, Prompter::Button::No, Prompter::Button::Cancel},
                                           Prompter::Icon::Question);
    if (answer == Prompter::Button::No)
        return;
    // Yes: the command goes on only once the presets are safe. A cancelled
    // Save As abandons it like Cancel; a failed write is reported and
    // abandons it too.
    if (answer != Prompter::Button::Yes || !files_.save())
        throw Abort();
}

void AmpSession::newDocument(View view)
{
    askToSave();
    document_.makeNew();
    image_.fillDefaults();
    setView(view);
    if (view == View::Group)
        selectSlotQuietly(0);
    emit recordChanged();
    sendEditorData();
}

void AmpSession::startWithDefaults()
{
    setView(View::Single);
    image_.fillDefaults();
    emit recordChanged();
    sendEditorData();
}

// ---- Sending

void AmpSession::send(const amp::Bytes &message)
{
    MidiOut1.SysEx(message.data(), int(message.size()));
}

void AmpSession::sendEditorData()
{
    send(amp::singlePreset(record()));
}

void AmpSession::storeGroup(std::span<const std::uint8_t, preset::GroupSize> group)
{
    image_.storeGroup(group);
    emit recordChanged();
}

void AmpSession::storeRecord(int slot, std::span<const std::uint8_t, preset::RecordSize> record)
{
    image_.storeRecord(slot, record);
    emit recordChanged();
}

void AmpSession::sendParameter(int index)
{
    if (loading_)
        return;
    send(amp::parameterSet(index, record()[index]));
    document_.setModified(true);
}

void AmpSession::sendField(Field f)
{
    if (loading_)
        return;
    send(amp::bitField(f.index, f.shift, f.width, image_.readField(currentSlot(), f)));
    document_.setModified(true);
}

void AmpSession::sendGlobalField(int index, int shift, int width)
{
    // A global setting is not part of the presets: the modified flag stays.
    if (loading_)
        return;
    send(amp::globalBitField(index, shift, width, bitfield::read(image_.globals[index], shift, width)));
}

void AmpSession::pressFootswitch()
{
    send(amp::footswitch(1));
}

// ---- Edits

void AmpSession::editByte(int index, std::uint8_t value)
{
    if (index < 0 || index >= preset::RecordSize)
        return;
    record()[index] = value;
    sendParameter(index);
    // Old firmware also wants bit 5 of the separation byte with a new delay time.
    if (index == preset::DLTime && isOldFirmware())
        sendField(preset::DLSepBit5);
}

void AmpSession::editField(Field f, int value)
{
    if (f.index < 0 || f.index >= preset::RecordSize || !bitfield::valid(f.shift, f.width))
        return;
    image_.writeField(currentSlot(), f, value);
    // Separation is stored in seven bits but travels as six.
    sendField(f == preset::DLSeparationBits ? preset::DLSeparation : f);
    // Old firmware takes a new tap function only with the Alt flags beside it.
    if (f == preset::TapFunction && isOldFirmware())
        sendField(preset::AltFlags);
}

void AmpSession::setAmpModel(int model)
{
    image_.setAmpModel(currentSlot(), model);
    sendField(preset::AmpModel);
}

void AmpSession::setCabinet(int cabinet, bool globalOverride)
{
    if (globalOverride) {
        image_.globals[globalrecord::Cabinet] = std::uint8_t(cabinet + 1);
        sendGlobalField(globalrecord::Cabinet, globalrecord::CabinetShift, globalrecord::CabinetWidth);
        return;
    }
    image_.writeField(currentSlot(), preset::Cabinet, cabinet);
    sendField(preset::Cabinet);
}

void AmpSession::setGlobalCabinetOverride(bool on, int shownCabinet)
{
    image_.globals[globalrecord::Cabinet] =
        on ? std::uint8_t((shownCabinet >= 0 ? shownCabinet : presetCabinet()) + 1) : 0;
    sendGlobalField(globalrecord::Cabinet, globalrecord::CabinetShift, globalrecord::CabinetWidth);
}

void AmpSession::setModulationType(int type)
{
    image_.writeField(currentSlot(), preset::ModType, type);
    const bool reset = type == FlangerType && isOldFirmware();
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

void AmpSession::TimerFlangeKlugeTimer()
{
    TimerFlangeKluge.stop();
    flangerHold_ = false;
}

void AmpSession::copyToOtherSet(preset::Dual section, bool altShown)
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
    const bool switchSets = section == preset::Dual::Preamp && isOldFirmware();
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

void AmpSession::boostAllTabs(bool on)
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

void AmpSession::restoreBoostSettings()
{
    for (int s = 0; s < preset::SlotCount; ++s)
        image_.writeField(s, preset::BoostAlt, snapshot_[s] ? 1 : 0);
    setRestoreAvailable(false);
}

void AmpSession::setRestoreAvailable(bool on)
{
    if (on == restoreAvailable_)
        return;
    restoreAvailable_ = on;
    emit restoreBoostAvailableChanged(on);
}

// ---- Receiving

void AmpSession::MidiIn1SysEx(const std::uint8_t *sysExAdd, int msgSize)
{
    dispatchSysEx(sysExAdd, msgSize, *this);
}

void AmpSession::identifyReply(std::uint8_t versionByte)
{
    transfers_.finish();
    firmware_ = firmware::fromIdentifyByte(versionByte);
    gVariant_ = firmware::isGVariant(versionByte);
    // The found step runs after this message has been handled.
    transfers_.startAmpFoundTimer();
}

void AmpSession::foundStep()
{
    ampFound_ = true;
    emit firmwareChanged(firmware_);
    // An Amp that identifies itself unasked touches no dialog and no presets.
    if (!syncing_)
        return;
    transfers_.stopReplyTimer();
    emit ampFound(firmware_, gVariant_);
    // Its answer sets the global cabinet controls.
    send(amp::globalBitFieldRequest(globalrecord::Cabinet, globalrecord::CabinetShift, globalrecord::CabinetWidth));
    if (!startupSync_ || (!document_.saveElsewhere() && !startedWithFile_))
        setView(View::Single);
    // A file named on the command line stays in the editor, neither replaced nor sent.
    if (!startedWithFile_) {
        send(amp::currentPresetRequest());
        transfers_.await(TransferState::CurrentAfterFind);
    }
    startedWithFile_ = false;
}

void AmpSession::groupDump(const std::uint8_t *pairs)
{
    const TransferState state = transfers_.state();
    if (state == TransferState::BackupGroup) {
        transfers_.finish();
        std::array<std::uint8_t, preset::GroupSize> group;
        amp::decodeNibbles(pairs, preset::GroupSize, group.data());
        backedUp(amp::groupDump(group));
        return;
    }
    if (state != TransferState::Group)
        return;
    transfers_.finish();
    setView(View::Group);
    selectSlotQuietly(0);
    amp::decodeNibbles(pairs, preset::GroupSize, image_.group.data());
    document_.setModified(true);
    document_.setSaveElsewhere(true);
    document_.setTitle(QStringLiteral("Amp Presets"));
    document_.setFileName(QString());
    emit recordChanged();
    sendEditorData();
}

void AmpSession::singlePreset(const std::uint8_t *pairs)
{
    const TransferState state = transfers_.state();
    if (state == TransferState::BackupPreset) {
        transfers_.finish();
        preset::Record held;
        amp::decodeNibbles(pairs, preset::RecordSize, held.data());
        backedUp(amp::singlePreset(held));
        return;
    }
    if (state != TransferState::RequestedPreset && state != TransferState::CurrentAfterFind &&
        state != TransferState::ProgramChange)
        return;
    transfers_.stopReplyTimer();
    // In group view the selected tab takes it, whatever slot was asked for.
    if (!isGroupView() && state != TransferState::CurrentAfterFind) {
        document_.setSaveElsewhere(true);
        if (state == TransferState::ProgramChange) {
            const int program = lastProgram_ & 0x0F;
            document_.setTitle(QStringLiteral("%1 Preset %2%3")
                                   .arg(userBank_ ? QStringLiteral("User") : QStringLiteral("Factory"))
                                   .arg(QChar(u'A' + program / 4))
                                   .arg(QChar(u'1' + program % 4)));
        } else {
            document_.setTitle(QStringLiteral("Amp Preset"));
        }
        document_.setFileName(QString());
    }
    amp::decodeNibbles(pairs, preset::RecordSize, record().data());
    emit recordChanged();
    if (state == TransferState::CurrentAfterFind)
        syncCompletion();
    // A preset the Amp switched to is already playing there.
    if (state != TransferState::ProgramChange)
        sendEditorData();
    if (transfers_.state() != TransferState::AltTapReport)
        transfers_.setState(TransferState::Idle);
    document_.setModified(false);
}

void AmpSession::syncCompletion()
{
    // Lists and switches follow what the Amp can do.
    emit firmwareAdapted(firmware_);
    if (!isOldFirmware()) {
        send(amp::syncComplete());
    } else {
        // Old firmware: the footswitch sequence, then wait for the Amp's
        // report of byte 30.
        const std::uint8_t altTap = image_.record(0)[preset::AltTap];
        send(amp::footswitch(2));
        transfers_.setState(TransferState::AltTapReport);
        image_.record(0)[preset::AltTap] = altTap;
        sendEditorData();
        transfers_.startReplyTimer();
    }
    if (!startupSync_ || !document_.saveElsewhere()) {
        document_.setTitle(QStringLiteral("Amp Preset"));
        document_.setFileName(QString());
    }
    startedWithFile_ = false;
    document_.setModified(false);
}

void AmpSession::globals(const std::uint8_t *pairs)
{
    if (transfers_.state() != TransferState::Globals)
        return;
    transfers_.finish();
    // Only the globals window takes the Amp's record in; a late reply to a
    // window already closed just ends the wait.
    if (!globalsWindowOpen_)
        return;
    amp::decodeNibbles(pairs, preset::GlobalSize, image_.globals.data());
    showLoadedGlobals(true);
}

// ---- Transfer commands

void AmpSession::presetFromAmp(int slot)
{
    if (slot < 0 || slot >= preset::SlotCount)
        return;
    askToSave();
    send(amp::presetRequest(slot));
    transfers_.await(TransferState::RequestedPreset);
}

void AmpSession::groupFromAmp()
{
    askToSave();
    send(amp::groupRequest());
    transfers_.await(TransferState::Group);
}

void AmpSession::confirmOverwrite()
{
    const auto answer = prompter_.question(QStringLiteral("Quorvex"), QStringLiteral("Overwrite Amp's Preset(s)?"),
                                           {Prompter::Button::Ok, Prompter::Button::Cancel},
                                           Prompter::Icon::Question);
    if (answer != Prompter::Button::Ok)
        throw Abort();
}

void AmpSession::presetToAmp(int slot)
{
    if (slot < 0 || slot >= preset::SlotCount)
        return;
    confirmOverwrite();
    PendingWrite write;
    write.slot = slot;
    write.record.assign(record().begin(), record().end());
    writeOrBackUp(std::move(write));
}

void AmpSession::groupToAmp()
{
    if (!isGroupView())
        return;
    confirmOverwrite();
    PendingWrite write;
    write.group.assign(image_.group.begin(), image_.group.end());
    write.editorData.assign(record().begin(), record().end());
    writeOrBackUp(std::move(write));
}

void AmpSession::writeOrBackUp(PendingWrite write)
{
    // Without a found Amp there is nothing to ask; the write goes as it is.
    if (!backupBeforeWrite_ || !ampFound_ || backupFolder_.isEmpty()) {
        performWrite(write);
        return;
    }
    // What the Amp holds now is fetched first; the write follows its backup.
    pendingWrite_ = std::move(write);
    if (pendingWrite_->group.empty()) {
        send(amp::presetRequest(pendingWrite_->slot));
        transfers_.await(TransferState::BackupPreset);
    } else {
        send(amp::groupRequest());
        transfers_.await(TransferState::BackupGroup);
    }
}

void AmpSession::performWrite(const PendingWrite &write)
{
    if (!write.group.empty()) {
        send(amp::groupDump(std::span<const std::uint8_t, preset::GroupSize>(write.group.data(), preset::GroupSize)));
        send(amp::singlePreset(
            std::span<const std::uint8_t, preset::RecordSize>(write.editorData.data(), preset::RecordSize)));
        return;
    }
    const std::span<const std::uint8_t, preset::RecordSize> rec(write.record.data(), preset::RecordSize);
    if (!isOldFirmware()) {
        send(amp::presetWrite(write.slot, rec));
    } else {
        send(amp::singlePreset(rec));
        send(amp::presetStore(write.slot));
    }
}

void AmpSession::backedUp(const amp::Bytes &file)
{
    if (!pendingWrite_)
        return;
    const PendingWrite write = std::move(*pendingWrite_);
    pendingWrite_.reset();
    const QString name = write.group.empty() ? preset::slotName(write.slot) : QStringLiteral("group");
    // The Amp's presets are kept even when the write then fails to go out.
    saveBackup(file, name);
    performWrite(write);
}

void AmpSession::saveBackup(const amp::Bytes &file, const QString &what)
{
    QDir folder(backupFolder_);
    if (!folder.mkpath(QStringLiteral(".")))
        throw QuorvexError(QStringLiteral("Can't create the backup folder:\n") + backupFolder_);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss-zzz"));
    files::writeWholeFile(folder.filePath(QStringLiteral("Amp %1 %2.syx").arg(stamp, what)), file);
    // The newest backups are kept; names sort by their date.
    QStringList kept = folder.entryList({QStringLiteral("Amp *.syx")}, QDir::Files, QDir::Name);
    while (kept.size() > MaxBackups)
        folder.remove(kept.takeFirst());
}

void AmpSession::backupTimedOut(TransferState ended)
{
    std::optional<PendingWrite> write = std::move(pendingWrite_);
    pendingWrite_.reset();
    if (!write)
        return;
    const auto answer = prompter_.question(
        QStringLiteral("Timeout"),
        ended == TransferState::BackupGroup
            ? QStringLiteral("No backup of the Amp's presets could be fetched. Write the group without a backup?")
            : QStringLiteral("No backup of the Amp's preset could be fetched. Write the preset without a backup?"),
        {Prompter::Button::Yes, Prompter::Button::No}, Prompter::Icon::Warning);
    if (answer == Prompter::Button::Yes)
        performWrite(*write);
}

// ---- Following the Amp

void AmpSession::MidiIn1Short(std::uint8_t status, std::uint8_t first, std::uint8_t second)
{
    if (status < 0x80 || status >= 0xF0 || (status & 0x0F) != image_.globals[globalrecord::MidiChannel])
        return;
    const int kind = status & 0xF0;
    if (kind == 0xC0) {
        askToSave();
        send(amp::currentPresetRequest());
        transfers_.await(TransferState::ProgramChange);
        lastProgram_ = first;
    } else if (kind == 0xB0 && first == 32) {
        userBank_ = second;
    }
}

// ---- Finding the Amp

void AmpSession::startSync(bool startup)
{
    askToSave(QStringLiteral("Sync will reload current preset \nfrom amp. Save Changes?"));
    send(amp::tunerMode(0));
    startupSync_ = startup;
}

void AmpSession::searchForAmp()
{
    syncing_ = true;
    transfers_.setState(TransferState::Identify);
    // The answer fills in the Amp's MIDI channel, for its Program Changes.
    send(amp::globalBitFieldRequest(globalrecord::MidiChannel, 0, 5));
    send(amp::identifyRequest());
    transfers_.startReplyTimer();
}

void AmpSession::cancelSearch()
{
    transfers_.finish();
}

void AmpSession::syncClosed()
{
    syncing_ = false;
}

void AmpSession::parameterChange(int index, std::uint8_t value)
{
    const LoadingGuard guard(*this);
    if (index < 0 || index >= preset::RecordSize)
        return;
    if (flangerHold_ && (index == preset::FlangerFB || index == preset::FlangerDT))
        return;
    record()[index] = value;
    emit byteChanged(index);
    document_.setModified(true);
}

void AmpSession::bitFieldChange(int index, int shift, int width, int value)
{
    const LoadingGuard guard(*this);
    if (index < 0 || index >= preset::RecordSize)
        return;
    if (flangerHold_ && (index == preset::FlangerFB || index == preset::FlangerDT))
        return;
    if (index == preset::AltTap && transfers_.state() == TransferState::AltTapReport) {
        // The Amp's answer to the old-firmware sync: ends that wait, not an edit.
        transfers_.finish();
        return;
    }
    // Fields outside the byte are malformed; applying them would shift bits
    // beyond the byte or by negative amounts.
    if (!bitfield::valid(shift, width))
        return;
    std::uint8_t &byte = record()[index];
    byte = bitfield::write(byte, shift, width, value);
    emit byteChanged(index);
    document_.setModified(true);
}

void AmpSession::globalBitFieldChange(int index, int shift, int width, int value)
{
    const LoadingGuard guard(*this);
    // An index outside the GlobalRecord would write beyond it.
    if (index < 0 || index >= preset::GlobalSize || !bitfield::valid(shift, width))
        return;
    std::uint8_t &stored = image_.globals[index];
    stored = bitfield::write(stored, shift, width, value);
    const std::uint8_t b = stored;
    emit globalRecordChanged(index);
    if (index == globalrecord::Cabinet)
        emit globalCabinetReported(b != 0, b != 0 ? b - 1 : presetCabinet());
}

void AmpSession::tunerData(std::uint8_t first, std::uint8_t second)
{
    emit tunerReading(first, second);
}

void AmpSession::timedOut(TransferState ended)
{
    if (ended == TransferState::BackupPreset || ended == TransferState::BackupGroup) {
        backupTimedOut(ended);
        return;
    }
    if (portsOpen()) {
        if (ended == TransferState::Identify) {
            emit ampNotFound();
        } else if (ended == TransferState::AltTapReport) {
            // The old-firmware sync got no report: release the footswitch.
            send(amp::footswitch(0));
        } else {
            prompter_.notice(QStringLiteral("Timeout"), QStringLiteral("No response from Amp."),
                             Prompter::Icon::None);
        }
        return;
    }
    prompter_.notice(QStringLiteral("Timeout"), QStringLiteral("MIDI In and Out must be enabled."),
                     Prompter::Icon::None);
    if (ended == TransferState::Identify)
        emit ampNotFound();
}

// ---- Global settings and the tuner

void AmpSession::expectGlobals()
{
    transfers_.setState(TransferState::Globals);
}

void AmpSession::globalsWindowShown()
{
    if (transfers_.state() != TransferState::Globals)
        return;
    send(amp::globalsRequest());
    if (ampFound_)
        transfers_.startReplyTimer();
}

void AmpSession::requestGlobals()
{
    transfers_.setState(TransferState::Globals);
    send(amp::globalsRequest());
    transfers_.startReplyTimer();
}

void AmpSession::sendGlobals()
{
    send(amp::globals(image_.globals));
}

void AmpSession::storeGlobals(std::span<const std::uint8_t, preset::GlobalSize> record)
{
    std::copy(record.begin(), record.end(), image_.globals.begin());
    showLoadedGlobals(false);
}

void AmpSession::showLoadedGlobals(bool fromAmp)
{
    const LoadingGuard guard(*this);
    emit globalRecordLoaded(fromAmp);
    // The panel's global cabinet box follows byte 13 however it changed.
    const std::uint8_t b = image_.globals[globalrecord::Cabinet];
    emit globalCabinetReported(b != 0, b != 0 ? b - 1 : presetCabinet());
}

void AmpSession::editGlobalByte(Field f, std::uint8_t value)
{
    if (f.index < 0 || f.index >= preset::GlobalSize || !bitfield::valid(f.shift, f.width))
        return;
    image_.globals[f.index] = value;
    sendGlobalField(f.index, f.shift, f.width);
}

void AmpSession::editGlobalBit(Field f, bool on)
{
    if (f.index < 0 || f.index >= preset::GlobalSize || !bitfield::valid(f.shift, f.width))
        return;
    std::uint8_t &byte = image_.globals[f.index];
    byte = bitfield::write(byte, f.shift, f.width, on ? 1 : 0);
    sendGlobalField(f.index, f.shift, f.width);
}

void AmpSession::enterTuner()
{
    send(amp::tunerMode(1));
    for (const Field f : {globalrecord::TunerLevelRequest, globalrecord::TunerOptionsRequest})
        send(amp::globalBitFieldRequest(f.index, f.shift, f.width));
}

void AmpSession::leaveTuner()
{
    send(amp::tunerMode(0));
}

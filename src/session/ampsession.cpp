#include "session/ampsession.h"

#include "model/globalrecord.h"
#include "model/quorvexerror.h"
#include "session/guard.h"
#include "session/prompter.h"

#include <algorithm>

namespace {

constexpr int FlangerType = 1;
constexpr std::uint8_t FlangerDTReset = 10;
constexpr std::uint8_t FlangerFBReset = 19;
constexpr int FlangerHoldMs = 250;

} // namespace

AmpSession::AmpSession(std::unique_ptr<MidiBackend> backend, Prompter &prompter, QObject *parent)
    : QObject(parent), backend_(std::move(backend)), prompter_(prompter), MidiIn1(*backend_), MidiOut1(*backend_)
{
    // The panel shows presets from its first moment; start-up sends them.
    image_.fillDefaults();

    MidiIn1.OnSysEx = [this](TMidiIn *, const std::uint8_t *data, int size) {
        run([&] { MidiIn1SysEx(data, size); });
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
    emit ampFound(firmware_, gVariant_);
}

void AmpSession::groupDump(const std::uint8_t *pairs)
{
    if (transfers_.state() != TransferState::Group)
        return;
    transfers_.finish();
    amp::decodeNibbles(pairs, preset::GroupSize, image_.group.data());
}

void AmpSession::singlePreset(const std::uint8_t *)
{
    // Only the preset requests ask for one, and none can be sent yet.
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

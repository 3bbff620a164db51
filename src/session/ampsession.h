// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/midibackend.h"
#include "midi/tmidiin.h"
#include "midi/tmidiout.h"
#include "model/deviceimage.h"
#include "model/firmware.h"
#include "protocol/ampmessages.h"
#include "protocol/sysexdispatcher.h"
#include "session/amptransfers.h"
#include "session/document.h"
#include "session/documentfiles.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Prompter;

// The editor's side of the conversation with the Amp, with no widgets: the
// device image, the document, the MIDI ports, the open question to the Amp,
// and every rule that turns an edit into messages or a message into data.
// Windows call its methods and follow its signals.
class AmpSession : public QObject, private AmpReceiver {
    Q_OBJECT
public:
    enum class View { Single, Group };

    AmpSession(std::unique_ptr<MidiBackend> backend, Prompter &prompter, QObject *parent = nullptr);
    ~AmpSession() override;

    DeviceImage &image() { return image_; }
    const DeviceImage &image() const { return image_; }
    Document &document() { return document_; }
    const Document &document() const { return document_; }
    DocumentFiles &files() { return files_; }
    Prompter &prompter() { return prompter_; }
    AmpTransfers &transfers() { return transfers_; }
    MidiBackend &backend() { return *backend_; }
    TMidiIn &midiIn() { return MidiIn1; }
    TMidiOut &midiOut() { return MidiOut1; }

    // Runs the body of a command, timer or MIDI handler: a QuorvexError is
    // shown in the error box, a cancelled question unwinds silently.
    bool run(const std::function<void()> &body);

    // ---- What is shown and edited

    View view() const { return view_; }
    bool isGroupView() const { return view_ == View::Group; }
    // The slot every edit addresses: the selected tab in group view, A1 in
    // single view.
    int currentSlot() const { return view_ == View::Group ? slot_ : 0; }
    std::span<std::uint8_t, preset::RecordSize> record() { return image_.record(currentSlot()); }
    std::span<const std::uint8_t, preset::RecordSize> record() const { return image_.record(currentSlot()); }

    // Single view forces slot A1; group view re-arms the boost snapshot.
    void setView(View view);
    // The slot switch: load the slot, then send it whole to the Amp.
    void selectSlot(int slot);
    // Selects a slot without loading or sending it.
    void selectSlotQuietly(int slot);

    // The ask-to-save step; throws Abort when the user cancels.
    void askToSave(const QString &text = QStringLiteral("Save Changes?"));
    // New Preset (single view) and New Group: ask to save, then sixteen
    // default presets, shown and sent.
    void newDocument(View view);
    // The start-up presets without a file or an Amp: single view, defaults,
    // shown and sent.
    void startWithDefaults();
    // The current slot's record to the Amp's current preset.
    void sendEditorData();
    // Presets read from a file or the Amp, shown at once.
    void storeGroup(std::span<const std::uint8_t, preset::GroupSize> group);
    void storeRecord(int slot, std::span<const std::uint8_t, preset::RecordSize> record);

    // ---- Amp

    std::uint8_t firmwareVersion() const { return firmware_; }
    void setFirmwareVersion(std::uint8_t version) { firmware_ = version; }
    bool isOldFirmware() const { return firmware::isOld(firmware_); }
    bool gVariant() const { return gVariant_; }
    bool isAmpFound() const { return ampFound_; }
    bool portsOpen() const { return MidiIn1.Using() && MidiOut1.Using(); }
    // Set at start when the command line named a file: an Amp found then
    // leaves the file's data and title in the editor.
    bool startedWithFile() const { return startedWithFile_; }
    void setStartedWithFile(bool on) { startedWithFile_ = on; }

    // Every SysEx buffer the MIDI input receives.
    void MidiIn1SysEx(const std::uint8_t *sysExAdd, int msgSize);
    // Every short message: the Amp's Program Changes and bank selects on its
    // channel (GlobalRecord byte 3) make the editor follow it.
    void MidiIn1Short(std::uint8_t status, std::uint8_t first, std::uint8_t second);

    // ---- Transfers. Each asks what it must first (to save the presets, to
    // overwrite the Amp's); Cancel abandons it with nothing sent.

    void presetFromAmp(int slot);
    void groupFromAmp();
    // Old firmware has no preset write: the preset goes to the Amp's current
    // preset and is stored from there.
    void presetToAmp(int slot);
    // Group view only.
    void groupToAmp();
    // Before a write the Amp's presets it replaces are fetched and kept as a
    // dated file in this folder (the newest MaxBackups of them); with the
    // option off or no Amp found, the write goes at once.
    static constexpr int MaxBackups = 50;
    void setBackupFolder(const QString &folder) { backupFolder_ = folder; }
    QString backupFolder() const { return backupFolder_; }
    void setBackupBeforeWrite(bool on) { backupBeforeWrite_ = on; }
    bool backupBeforeWrite() const { return backupBeforeWrite_; }

    // ---- Finding the Amp: the sync asks to save (the sync variant) and
    // takes the Amp out of tuner mode; its dialog then searches, reports the
    // Amp found or not, and lets the user search again or cancel.
    void startSync(bool startup);
    void searchForAmp();
    void cancelSearch();
    void syncClosed();

    // ---- The loading guard: while it is set, edits write the record but
    // send nothing, so controls set from data do not echo back to the Amp.

    bool loading() const { return loading_; }
    class LoadingGuard {
    public:
        explicit LoadingGuard(AmpSession &s) : s_(s), previous_(s.loading_) { s_.loading_ = true; }
        ~LoadingGuard() { s_.loading_ = previous_; }
        LoadingGuard(const LoadingGuard &) = delete;
        LoadingGuard &operator=(const LoadingGuard &) = delete;

    private:
        AmpSession &s_;
        bool previous_;
    };

    // ---- Edits of the current record. Each writes first, then sends one
    // message (and, for old firmware, the extra ones the Amp needs); sending
    // sets the modified flag.

    void editByte(int index, std::uint8_t value);
    void editField(Field f, int value);
    // AmpModel with the ModelCode that goes with it; only AmpModel is sent.
    void setAmpModel(int model);
    // With the global cabinet override on, the list sets GlobalRecord byte 13
    // and leaves the preset alone.
    void setCabinet(int cabinet, bool globalOverride);
    void setGlobalCabinetOverride(bool on, int shownCabinet);
    // The cabinet the list shows while the override is off.
    int presetCabinet() const { return image_.readField(currentSlot(), preset::Cabinet); }
    // Old firmware resets the flanger when it is chosen and echoes its own
    // values: the defaults are set and sent, and the echoes ignored a moment.
    void setModulationType(int type);
    bool flangerHold() const { return flangerHold_; }
    const QTimer &flangerTimer() const { return TimerFlangeKluge; }
    void TimerFlangeKlugeTimer();

    // Copies the shown set of a dual section to the other set.
    void copyToOtherSet(preset::Dual section, bool altShown);
    // Boost or un-boost all sixteen slots; the first since the group was
    // shown keeps a snapshot that Restore puts back.
    void boostAllTabs(bool on);
    void restoreBoostSettings();
    bool boostSnapshotArmed() const { return snapshotArmed_; }
    bool restoreBoostAvailable() const { return restoreAvailable_; }

    // "Exec": as if the tap footswitch was pressed.
    void pressFootswitch();

    // ---- Global settings and the tuner. The GlobalRecord is the image's
    // `globals`; the globals window, the tuner window and the panel's
    // global cabinet box edit it through these and follow the signals below.

    // Set only while the globals window is shown: a globals message that
    // arrives while it is clear ends the wait and changes nothing.
    bool globalsWindowOpen() const { return globalsWindowOpen_; }
    void setGlobalsWindowOpen(bool open) { globalsWindowOpen_ = open; }
    // Opening the globals window: the globals are the awaited reply.
    void expectGlobals();
    // The globals window shows: while the globals are still awaited, ask
    // for them; the reply timer runs only once an Amp has been found, so an
    // editor without one shows no time-out.
    void globalsWindowShown();
    // "Get from Amp": ask and wait, Amp found or not.
    void requestGlobals();
    // The whole GlobalRecord as one globals message; no reply is awaited.
    void sendGlobals();
    // A GlobalRecord from elsewhere (a global file): stored and shown,
    // nothing sent.
    void storeGlobals(std::span<const std::uint8_t, preset::GlobalSize> record);
    // A user's edit: the byte becomes value (a knob, a radio group) or the
    // one-bit field becomes on (a check box); then one global bit-field
    // message for f, unless loading.
    void editGlobalByte(Field f, std::uint8_t value);
    void editGlobalBit(Field f, bool on);

    // Tuner mode: entering sends the tuner mode message and asks for the
    // bypass volume and then the tuner options; leaving sends the tuner mode
    // message alone.
    void enterTuner();
    void leaveTuner();

signals:
    // The current slot's record changed as a whole (a slot switch, new
    // presets, the Amp's own changes): show it again.
    void recordChanged();
    // One byte of the current record changed from the Amp (under the
    // loading guard): show what depends on it.
    void byteChanged(int index);
    // Stored before this is emitted.
    void viewChanged(AmpSession::View view);
    // A slot was selected without the slot switch.
    void slotSelected(int slot);
    // The Amp reported its global cabinet: on with a cabinet, or off with
    // the preset's own.
    void globalCabinetReported(bool on, int cabinet);
    // A byte of the GlobalRecord changed from the Amp (under the loading
    // guard).
    void globalRecordChanged(int index);
    // The GlobalRecord was replaced as a whole, by the Amp's globals message
    // (fromAmp) or a global file, under the loading guard: show all of it
    // again.
    void globalRecordLoaded(bool fromAmp);
    // The two bytes of a tuner data message.
    void tunerReading(std::uint8_t first, std::uint8_t second);
    void restoreBoostAvailableChanged(bool available);
    // A sync found the Amp (the dialog shows its version).
    void ampFound(std::uint8_t version, bool gVariant);
    // No identify reply came.
    void ampNotFound();
    // An Amp reported its firmware version.
    void firmwareChanged(std::uint8_t version);
    // A sync completed with this Amp: the lists and switches follow what it can do.
    void firmwareAdapted(std::uint8_t version);

private:
    // AmpReceiver
    void identifyReply(std::uint8_t versionByte) override;
    void groupDump(const std::uint8_t *pairs) override;
    void singlePreset(const std::uint8_t *pairs) override;
    void globals(const std::uint8_t *pairs) override;
    void parameterChange(int index, std::uint8_t value) override;
    void bitFieldChange(int index, int shift, int width, int value) override;
    void globalBitFieldChange(int index, int shift, int width, int value) override;
    void tunerData(std::uint8_t first, std::uint8_t second) override;

    void timedOut(TransferState ended);
    void foundStep();
    void syncCompletion();

    // A write waiting for the backup of what it replaces.
    struct PendingWrite {
        int slot = 0;
        std::vector<std::uint8_t> record;     // a preset write
        std::vector<std::uint8_t> group;      // a group write
        std::vector<std::uint8_t> editorData; // sent after a group
    };
    void confirmOverwrite();
    void writeOrBackUp(PendingWrite write);
    void performWrite(const PendingWrite &write);
    void backedUp(const amp::Bytes &file);
    void saveBackup(const amp::Bytes &file, const QString &what);
    void backupTimedOut(TransferState ended);

    void send(const amp::Bytes &message);
    void sendParameter(int index);
    void sendField(Field f);
    void sendGlobalField(int index, int shift, int width);
    void setRestoreAvailable(bool on);
    void showLoadedGlobals(bool fromAmp);

    std::unique_ptr<MidiBackend> backend_;
    Prompter &prompter_;
    DeviceImage image_;
    Document document_;
    TMidiIn MidiIn1;
    TMidiOut MidiOut1;
    AmpTransfers transfers_;
    DocumentFiles files_{*this};
    QTimer TimerFlangeKluge;

    View view_ = View::Single;
    int slot_ = 0;
    std::uint8_t firmware_ = firmware::Initial;
    bool gVariant_ = false;
    bool ampFound_ = false;
    bool loading_ = false;
    bool flangerHold_ = false;
    bool startedWithFile_ = false;
    bool globalsWindowOpen_ = false;
    bool syncing_ = false;
    bool startupSync_ = false;
    int lastProgram_ = 0;
    int userBank_ = 0;
    bool backupBeforeWrite_ = true;
    QString backupFolder_;
    std::optional<PendingWrite> pendingWrite_;

    bool snapshotArmed_ = true;
    bool restoreAvailable_ = false;
    std::array<bool, preset::SlotCount> snapshot_{};
};

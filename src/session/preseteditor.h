// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/deviceimage.h"
#include "model/presetrecord.h"
#include "session/edithistory.h"

#include <QObject>
#include <QTimer>

#include <algorithm>
#include <array>
#include <span>

class AmpLink;

// The presets being edited: the device image, group or single view, the
// current slot, and every rule that turns an edit into messages to the Amp
// (the old firmware's extra ones included) or a change from the Amp's own
// knobs into data. While the loading guard is set, edits write the record
// but send nothing, so controls set from data do not echo back.
class PresetEditor : public QObject {
    Q_OBJECT
public:
    enum class View { Single, Group };

    explicit PresetEditor(AmpLink &link, QObject *parent = nullptr);

    DeviceImage &image() { return image_; }
    const DeviceImage &image() const { return image_; }
    AmpLink &link() { return link_; }
    EditHistory &history() { return history_; }

    // ---- The history and Compare

    // Opening a file, New, a fetch or a sync: a fresh history. What the
    // editor now holds is the stored version Compare plays, when stored (a
    // file, the Amp's presets; not New). Unsaved data (a group fetched from
    // the Amp) never counts as saved.
    void startHistory(bool unsaved, bool stored = true);
    // Save: the history is at the saved state, and the stored version is
    // what was saved.
    void markSaved();
    // Compare: the stored version shown and sent to the Amp instead of the
    // edited one, until Compare is pressed again.
    bool hasStoredVersion() const { return hasStored_; }
    bool comparing() const { return comparing_; }
    void setComparing(bool on);
    // The shown slot with the edits, also while Compare shows the stored version.
    preset::Record editedRecord() const;
    // Undo and redo: one message as the edit sent it, with the value the
    // record holds now; and the panel shown again.
    void resend(const EditTarget &target);
    void reload() { emit recordChanged(); }
    // The boost snapshot, which a step puts back with the bytes.
    BoostSnapshot boostSnapshot() const { return boost_; }
    void setBoostSnapshot(const BoostSnapshot &snapshot);

    // ---- What is shown and edited

    View view() const { return view_; }
    bool isGroupView() const { return view_ == View::Group; }
    // The selected tab in group view, A1 in single view.
    int currentSlot() const { return view_ == View::Group ? slot_ : 0; }
    std::span<std::uint8_t, preset::RecordSize> record() { return image_.record(currentSlot()); }
    std::span<const std::uint8_t, preset::RecordSize> record() const { return image_.record(currentSlot()); }

    // Single view forces slot A1; group view re-arms the boost snapshot.
    void setView(View view);
    // The slot switch: load the slot, then send it whole to the Amp.
    void selectSlot(int slot);
    // Selects a slot without loading or sending it.
    void selectSlotQuietly(int slot);

    // Sixteen default presets in this view, shown and sent (New Preset, New
    // Group, and a start without file or Amp in single view).
    void showDefaults(View view);
    // The current slot's record to the Amp's current preset.
    void sendEditorData();
    // Presets read from a file, the library or the Amp, made valid and shown
    // at once. True when a value had to be made valid.
    bool storeGroup(std::span<const std::uint8_t, preset::GroupSize> group);
    bool storeRecord(int slot, std::span<const std::uint8_t, preset::RecordSize> record);
    // A preset the Amp sent, into the shown slot, as a step of that name
    // (none: the caller starts a fresh history). It goes back to the Amp
    // unless the Amp plays it already as it is shown.
    void storeFromAmp(const preset::Record &record, bool ampPlaysIt, const QString &stepName = QString());

    // ---- Tabs of a group (group view only); each is a step.

    void swapSlots(int a, int b);
    void copySlot(int from, int to);
    // A preset from the library or a file into a tab (-1: the shown one).
    void importRecord(int slot, const preset::Record &record, const QString &what = QString());
    // The shown preset becomes `record`, in either view (a morph kept).
    void takeRecord(const preset::Record &record, const QString &what);

    // ---- The loading guard

    bool loading() const { return loading_; }
    class LoadingGuard {
    public:
        explicit LoadingGuard(PresetEditor &e) : e_(e), previous_(e.loading_) { e_.loading_ = true; }
        ~LoadingGuard() { e_.loading_ = previous_; }
        LoadingGuard(const LoadingGuard &) = delete;
        LoadingGuard &operator=(const LoadingGuard &) = delete;

    private:
        PresetEditor &e_;
        bool previous_;
    };

    // ---- Edits of the current record. Each writes first, then sends one
    // message (and, for old firmware, the extra ones the Amp needs); each
    // sent edit raises `edited`.

    void editByte(int index, std::uint8_t value);
    void editField(Field f, int value);
    // AmpModel with the ModelCode that goes with it; only AmpModel is sent.
    void setAmpModel(int model);
    // With the global cabinet override on, the cabinet is GlobalRecord byte
    // 13's and the preset is left alone.
    void setCabinet(int cabinet);
    // On: the shown preset's cabinet becomes the global one.
    void setGlobalCabinetOverride(bool on);
    bool globalCabinetOverride() const;
    // The preset's own cabinet, and the one in force (the global one while
    // the override is on).
    int presetCabinet() const { return image_.readField(currentSlot(), preset::Cabinet); }
    int shownCabinet() const;
    // Which set of a dual section the shown preset plays (its Alt flag).
    bool altSetShown(preset::Dual section) const;
    // Old firmware resets the flanger when it is chosen and echoes its own
    // values: the defaults are set and sent, and the echoes ignored a moment.
    void setModulationType(int type);
    bool flangerHold() const { return flangerHold_; }
    const QTimer &flangerTimer() const { return flangerTimer_; }
    void endFlangerHold();

    // Copies the shown set of a dual section (the one its Alt flag chooses)
    // to the other set.
    void copyToOtherSet(preset::Dual section);
    // Boost or un-boost all sixteen slots; the first since the group was
    // shown keeps a snapshot that Restore puts back.
    void boostAllTabs(bool on);
    void restoreBoostSettings();
    bool boostSnapshotArmed() const { return boost_.armed; }
    bool restoreBoostAvailable() const { return boost_.restoreAvailable; }
    // Tap tempo: the measured time becomes the delay time, unscaled.
    void tapDelayTime(int base);

    // "Exec": as if the tap footswitch was pressed.
    void pressFootswitch();

    // One global bit-field message for the field of GlobalRecord byte index,
    // unless loading. A global setting is not part of the presets.
    void sendGlobalField(int index, int shift, int width);

    // ---- The Amp's own knobs (applied under the loading guard)

    void applyParameter(int index, std::uint8_t value);
    void applyBitField(int index, int shift, int width, int value);

signals:
    // The current slot's record changed as a whole: show it again.
    void recordChanged();
    // One byte of the current record changed from the Amp: show what depends on it.
    void byteChanged(int index);
    void viewChanged(PresetEditor::View view);
    // A slot was selected without the slot switch.
    void slotSelected(int slot);
    void restoreBoostAvailableChanged(bool available);
    void comparingChanged(bool on);
    void storedVersionChanged(bool available);

private:
    // Records one user edit in the history; ofTab: of the shown tab alone.
    struct Step : EditHistory::Scope {
        Step(PresetEditor &e, const QString &what, int mergeKey = 0, bool ofTab = true)
            : EditHistory::Scope(e.history_, what, mergeKey, ofTab)
        {}
    };
    void send(const std::vector<std::uint8_t> &message);
    void sendParameter(int index);
    void sendField(Field f);
    void setRestoreAvailable(bool on);
    // Compare ends; send: the Amp is given the edits (otherwise the caller
    // sends what replaces them).
    void endComparing(bool send);
    bool heldFlangerByte(int index) const;
    // The Amp's change of a byte, made valid; what differs from the Amp's goes back.
    void takeAmpChange(const EditTarget &target, int mergeKey, const preset::Record &before, bool compared);
    // A copy of the shown slot's record.
    preset::Record shownRecord() const
    {
        preset::Record r;
        const auto shown = record();
        std::copy(shown.begin(), shown.end(), r.begin());
        return r;
    }

    AmpLink &link_;
    DeviceImage image_;
    EditHistory history_{*this};
    std::array<std::uint8_t, preset::GroupSize> stored_{};
    std::array<std::uint8_t, preset::GroupSize> edited_{};
    bool hasStored_ = false;
    bool comparing_ = false;
    QTimer flangerTimer_;
    View view_ = View::Single;
    int slot_ = 0;
    bool loading_ = false;
    bool flangerHold_ = false;
    BoostSnapshot boost_;
};

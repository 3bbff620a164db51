// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/bitfield.h"
#include "model/presetrecord.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class EditStep;
class PresetEditor;

// What an edit sent to the Amp, so that undoing or redoing it sends the
// same messages with the values it puts back.
struct EditTarget {
    enum Kind : std::uint8_t { Parameter, Bits, GlobalBits, WholeRecord };
    Kind kind;
    int slot;    // the preset slot the message addressed; -1 for a global setting
    Field field; // Parameter: {index, 0, 8}
    bool operator==(const EditTarget &o) const { return kind == o.kind && slot == o.slot && field == o.field; }
};

// The boost snapshot of the group: taken by the first Boost All or Un-boost
// All, put back by Restore. Part of what a step puts back.
struct BoostSnapshot {
    bool armed = true;
    bool restoreAvailable = false;
    std::array<bool, preset::SlotCount> bits{};
    bool operator==(const BoostSnapshot &) const = default;
};

// The history of the edits of the presets being edited, on a QUndoStack.
// An edit is recorded between begin() and end(): the bytes it changed,
// before and after, the boost snapshot, and the messages it sent. Undo and
// redo put the bytes back and send the Amp what puts its current preset
// where the shown slot is: the step's own messages when they cover every
// change there, the whole record when they do not; another slot's change
// is kept in the editor and reaches the Amp when that slot is shown.
// Nothing is echoed: the panel reloads under the loading guard.
//
// The history is bounded: the oldest steps go once there are more than
// MaxSteps or they take more than MaxBytes.
class EditHistory : public QObject {
    Q_OBJECT
public:
    // Steps of one control closer together than this are one step: a drag,
    // or a run of key or wheel steps (on the Amp's knobs too).
    static constexpr int MergePauseMs = 800;
    // A thousand steps of one knob each take about a third of MaxBytes;
    // steps that replace whole tabs reach MaxBytes first.
    static constexpr int MaxSteps = 1000;
    static constexpr qint64 MaxBytes = qint64(384) << 10;

    explicit EditHistory(PresetEditor &editor, QObject *parent = nullptr);
    ~EditHistory() override;

    // One edit from its start to its end, however it leaves. ofTab: the
    // edit concerns the shown slot alone, and in group view its name says
    // which ("D4: PreGain 17 → 20"); steps over several tabs name them
    // themselves.
    class Scope {
    public:
        Scope(EditHistory &h, const QString &what, int mergeKey = 0, bool ofTab = false) : h_(h)
        {
            h_.begin(what, mergeKey, ofTab);
        }
        ~Scope() { h_.end(); }
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

    private:
        EditHistory &h_;
    };

    QUndoStack &stack() { return stack_; }
    // At the state last saved (or opened, or made new).
    bool isClean() const { return stack_.isClean(); }

    // Opens a step (nested ones join the outermost). mergeKey: steps of the
    // same non-zero key, on the same slot, within MergePauseMs, merge.
    void begin(const QString &what, int mergeKey = 0, bool ofTab = false);
    // An open step keeps the bytes of the shown slot as they were before it;
    // an edit that changes another slot (-1: every slot) says so first.
    void willChange(int slot);
    void sent(const EditTarget &target);
    // Pushes the step when it changed anything.
    void end();
    // A step taken as a whole, without begin/end (the Amp's own changes to
    // the shown slot, whose bytes were slotBefore).
    void record(const QString &what, const std::vector<EditTarget> &targets, const preset::Record &slotBefore,
                int mergeKey = 0);

    // Opening a file, New, a fetch or a sync: nothing to undo. Unsaved data
    // (a group fetched) is never the clean state.
    void restart(bool unsaved);
    // Save marks where the history is as what the file holds.
    void markSaved() { stack_.setClean(); }

    // Whether older steps were dropped to keep within the bounds since the
    // history last started.
    bool droppedOldest() const { return droppedOldest_; }
    // What the steps take in memory, as counted for MaxBytes.
    qint64 bytes() const { return bytes_; }

    // Milliseconds, for merging; tests inject their own.
    std::function<qint64()> clock;

    struct Change {
        std::uint16_t offset; // into the group; GroupSize + n for global byte n
        std::uint8_t before;
        std::uint8_t after;
    };

    // A step's name: what (empty: what a single control changed, "PreGain
    // 12 → 20"; ending in ": ", that as a prefix to it), after the tab's
    // name when given ("D4: ").
    QString describe(const QString &what, const std::vector<Change> &changes, const std::vector<EditTarget> &targets,
                     int slot, const QString &tab) const;

signals:
    // An undo or redo changed this slot of the group while another was shown.
    void otherSlotChanged(int slot);
    // The clean state changed: the document's modified flag follows.
    void cleanChanged(bool clean);
    // Older steps were dropped, or the history started afresh.
    void droppedOldestChanged(bool dropped);

private:
    friend class EditStep;
    // What an open step started from: the slots it may change (a bit per
    // slot in `kept`; only their records in `group` are kept), the global
    // settings and the boost snapshot.
    struct Before {
        std::array<std::uint8_t, preset::GroupSize> group;
        std::array<std::uint8_t, preset::GlobalSize> globals;
        BoostSnapshot boost;
        std::uint32_t kept = 0;
    };
    static_assert(preset::SlotCount <= 32);
    void keep(int slot);
    void apply(const EditStep &step, bool after);
    // The kept slots' bytes and the global settings that differ now.
    std::vector<Change> diff(const Before &before) const;
    void push(EditStep *step);
    void keepWithinBytes();
    void setDroppedOldest(bool on);
    void counted(qint64 delta) { bytes_ += delta; }

    PresetEditor &editor_;
    QUndoStack stack_;
    int depth_ = 0;
    bool applying_ = false;
    bool rebuilding_ = false;
    bool droppedOldest_ = false;
    qint64 bytes_ = 0;
    QString what_;
    int mergeKey_ = 0;
    bool ofTab_ = false;
    Before before_{};
    std::vector<EditTarget> targets_;
};

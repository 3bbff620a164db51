// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/amptransfers.h"

#include <QObject>
#include <QString>

#include <optional>
#include <vector>

class AmpBackups;
class AmpLink;
class CommandQueue;
class PresetEditor;

// Presets from the editor to the Amp's memory: "Preset to Amp" and "Group to
// Amp". Before a write, what the Amp holds is fetched and kept as a backup
// file. A confirmed write ends in exactly one of two ways: written (the
// status bar says where), or a message that says it was not and why.
class PresetWrites : public QObject {
    Q_OBJECT
public:
    PresetWrites(AmpLink &link, AmpTransfers &transfers, PresetEditor &editor, AmpBackups &backups, CommandQueue &queue,
                 QObject *parent = nullptr);

    // User commands: "Overwrite Amp's Preset(s)?", then the backup, then the
    // write. Old firmware has no preset write: the preset goes to the Amp's
    // current preset and is stored from there.
    void presetToAmp(int slot);
    // Group view only.
    void groupToAmp();
    // "Restore Amp Backup...": a backup chosen in the backups folder, what
    // it holds shown and confirmed, then written like any write (after a
    // backup of what the Amp holds now). The editor and the file list stay.
    void restoreBackup();
    // From the Amp window: "Write '<name>' to Amp slot B2?", then as any
    // write, after a backup of the slot.
    void writeToSlot(int slot, const preset::Record &record, const QString &name);
    // Several slots in one step (slots rearranged): the plan is shown
    // ("B2 ← A1, A1 ← B2") and confirmed, one backup of the Amp's group is
    // kept, and only the planned slots are written.
    using Plan = std::vector<std::pair<int, preset::Record>>;
    void writeSlots(const Plan &plan, const QString &planText);

    // With the option off or no Amp found, the write goes without a backup.
    void setBackupBeforeWrite(bool on) { backupBeforeWrite_ = on; }
    bool backupBeforeWrite() const { return backupBeforeWrite_; }

signals:
    // "Written to D3" and the like, for the status bar.
    void statusMessage(const QString &text);
    // Each slot written, as sent (not read back); and what a backup read.
    void slotWritten(int slot, const preset::Record &record);
    void slotRead(int slot, const preset::Record &record);
    void groupRead(const AmpTransfers::Group &group);
    // Bytes of a group or of several presets just queued for the Amp.
    void groupSent(int bytes);

private:
    // A write waiting for the backup of what it replaces.
    struct Write {
        int slot = 0;
        std::vector<std::uint8_t> record;     // a preset write
        std::vector<std::uint8_t> group;      // a group write
        std::vector<std::uint8_t> editorData; // sent after a group
        Plan planned;                         // several slots, after a group backup
        QString target() const;
    };
    void confirmOverwrite();
    void start(Write write);
    void begin(Write write);
    void perform(const Write &write);
    void backupArrived(const std::vector<std::uint8_t> &file);
    void backupTimedOut(TransferState ended);
    void notWritten(const Write &write, const QString &why);

    AmpLink &link_;
    AmpTransfers &transfers_;
    PresetEditor &editor_;
    AmpBackups &backups_;
    CommandQueue &queue_;
    bool backupBeforeWrite_ = true;
    std::optional<Write> pending_;
};

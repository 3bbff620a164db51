// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/amptransfers.h"

#include <QObject>
#include <QString>

#include <cstdint>

class AmpLink;
class CommandQueue;
class Document;
class DocumentFiles;
class PresetEditor;

// Presets from the Amp into the editor: "Preset from Amp", "Group from Amp"
// and following the Amp when the player changes presets on it. In group
// view a preset lands in the selected tab as a step of the history; in
// single view it becomes the document, with a fresh history. A Program
// Change is input: it never asks anything itself; it posts one "follow the
// Amp" command, into which later ones fold, so a burst of them ends in one
// question at most and one fetch of where the Amp ended up.
class PresetFetches : public QObject {
    Q_OBJECT
public:
    static const QString FollowKey;

    PresetFetches(AmpLink &link, AmpTransfers &transfers, PresetEditor &editor, DocumentFiles &files,
                  CommandQueue &queue, QObject *parent = nullptr);

    // User commands: ask to save, then ask the Amp; they wait while another
    // question to the Amp is open.
    void presetFromAmp(int slot);
    void groupFromAmp();
    // "Read the Amp": the sixteen user slots for the Amp window
    // (groupRead), the document left as it is.
    void readTheAmp();
    // The Amp switches to user slot `slot` by Program Change (with the bank
    // select it needs), and the editor follows as for the Amp's own.
    void switchTo(int slot);

    // Every short message: the Amp's Program Changes and bank selects on its
    // channel (GlobalRecord byte 3).
    void MidiIn1Short(std::uint8_t status, std::uint8_t first, std::uint8_t second);

signals:
    // What was read of the Amp's user slots, whoever asked.
    void slotRead(int slot, const preset::Record &record);
    void groupRead(const AmpTransfers::Group &group);
    // The user slot the Amp plays after a Program Change (-1: a factory one).
    void playingSlot(int slot);

private:
    void followTheAmp();
    void askToSaveUnlessATab();
    void presetArrived(TransferState awaited, const preset::Record &record);
    void groupArrived(const AmpTransfers::Group &group);

    AmpLink &link_;
    AmpTransfers &transfers_;
    PresetEditor &editor_;
    DocumentFiles &files_;
    Document &document_;
    CommandQueue &queue_;
    // The Amp's last Program Change and bank select, and the ones the open
    // fetch was made for.
    int lastProgram_ = 0;
    int userBank_ = 0;
    int fetchedProgram_ = 0;
    int fetchedBank_ = 0;
    // The slot "Preset from Amp" asked for, for the step's name.
    int requestedSlot_ = 0;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/presetrecord.h"
#include "session/amptransfers.h"

#include <QObject>
#include <QTimer>

#include <cstdint>

class AmpLink;
class CommandQueue;
class Document;
class DocumentFiles;
class PresetEditor;

// Finding the Amp and syncing with it: the search that the sync dialog
// runs, the found step (ampFoundTimer_, 1 ms after the identify reply), the
// fetch of the Amp's current preset and the completion step that adapts
// the editor to the Amp's firmware.
class AmpSync : public QObject {
    Q_OBJECT
public:
    AmpSync(AmpLink &link, AmpTransfers &transfers, PresetEditor &editor, DocumentFiles &files, CommandQueue &queue,
            QObject *parent = nullptr);

    // Asks to save (the sync variant) and takes the Amp out of tuner mode;
    // the dialog then runs the search. Throws Abort when the user cancels.
    void startSync(bool startup);
    void searchForAmp();
    void cancelSearch();
    void syncClosed();

    // Set at start when the command line named a file: an Amp found then
    // leaves the file's data and title in the editor.
    bool startedWithFile() const { return startedWithFile_; }
    void setStartedWithFile(bool on) { startedWithFile_ = on; }

    const QTimer &ampFoundTimer() const { return ampFoundTimer_; }
    void takeFoundStep();

signals:
    // A sync found the Amp (the dialog shows its version).
    void ampFound(std::uint8_t version, bool gVariant);
    // No identify reply came.
    void ampNotFound();
    // A sync completed with this Amp: the lists and switches follow what it can do.
    void firmwareAdapted(std::uint8_t version);

private:
    void identified(std::uint8_t versionByte);
    void foundStep();
    void currentPresetArrived(const preset::Record &record);
    void syncCompletion();
    void timedOut(TransferState ended);

    AmpLink &link_;
    AmpTransfers &transfers_;
    PresetEditor &editor_;
    DocumentFiles &files_;
    Document &document_;
    CommandQueue &queue_;
    QTimer ampFoundTimer_;
    bool syncing_ = false;
    bool startupSync_ = false;
    bool startedWithFile_ = false;
};

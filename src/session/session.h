// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/ampbackups.h"
#include "session/ampcheck.h"
#include "session/ampglobals.h"
#include "session/amplink.h"
#include "session/ampslots.h"
#include "session/ampsync.h"
#include "session/amptransfers.h"
#include "session/commandqueue.h"
#include "session/document.h"
#include "session/documentfiles.h"
#include "session/preseteditor.h"
#include "session/presetfetches.h"
#include "session/presetwrites.h"
#include "session/recoverycopy.h"
#include "session/transferprogress.h"

#include <QObject>

#include <functional>
#include <memory>

class MidiBackend;
class Prompter;

// The editor's objects with no widgets, made and wired together: the link,
// the conversation with the Amp and its three jobs (search and sync,
// fetches and following, writes with their backups), the preset editor,
// the check of what the Amp plays, the globals and tuner, the document and
// its files, and the one queue of commands that wait for the user or the
// Amp. Windows observe and call the objects they show.
class Session : public QObject {
    Q_OBJECT
public:
    Session(std::unique_ptr<MidiBackend> backend, Prompter &prompter, QObject *parent = nullptr);
    ~Session() override;

    Prompter &prompter() { return prompter_; }
    CommandQueue &queue() { return queue_; }
    AmpLink &link() { return link_; }
    AmpTransfers &transfers() { return transfers_; }
    PresetEditor &editor() { return editor_; }
    Document &document() { return document_; }
    DocumentFiles &files() { return files_; }
    AmpBackups &backups() { return backups_; }
    AmpSync &sync() { return sync_; }
    PresetFetches &fetches() { return fetches_; }
    PresetWrites &writes() { return writes_; }
    AmpSlots &ampSlots() { return slots_; }
    AmpCheck &check() { return check_; }
    TransferProgress &progress() { return progress_; }
    AmpGlobals &globals() { return globals_; }
    RecoveryCopy &recovery() { return recovery_; }

    // A user's command through the error wrapper.
    bool run(const std::function<void()> &body) { return queue_.run(body); }

private:
    Prompter &prompter_;
    Document document_;
    CommandQueue queue_;
    AmpLink link_;
    AmpTransfers transfers_;
    PresetEditor editor_;
    DocumentFiles files_;
    AmpBackups backups_;
    AmpSync sync_;
    AmpSlots slots_;
    PresetFetches fetches_;
    PresetWrites writes_;
    AmpCheck check_;
    TransferProgress progress_;
    AmpGlobals globals_;
    // Last: it watches the editor and the document while it lives.
    RecoveryCopy recovery_;
};

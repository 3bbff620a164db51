// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/edithistory.h"

#include <QUndoCommand>

// One step of the edit history: the bytes an edit changed and the messages
// it sent. Undo and redo both go through the history's apply(), so the
// editor, the panel and the Amp follow the same way each time.
class EditStep : public QUndoCommand {
public:
    EditStep(EditHistory &history, const QString &what, std::vector<EditHistory::Change> changes,
             std::vector<EditTarget> targets, int mergeKey, int slot, qint64 when);

    int id() const override { return mergeKey_; }
    bool mergeWith(const QUndoCommand *other) override;
    void undo() override;
    void redo() override;

    const std::vector<EditHistory::Change> &changes() const { return changes_; }

private:
    EditHistory &history_;
    QString what_;
    std::vector<EditHistory::Change> changes_;
    std::vector<EditTarget> targets_;
    int mergeKey_;
    int slot_;
    qint64 when_;
    // Pushed after the edit was made: the first redo has nothing to do.
    bool done_ = true;
};

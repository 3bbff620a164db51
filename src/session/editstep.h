// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/edithistory.h"

#include <QUndoCommand>

#include <optional>
#include <utility>

// One step of the edit history: the bytes an edit changed, the boost
// snapshot before and after it, and the messages it sent. Undo and redo
// both go through the history's apply(), so the editor, the panel and the
// Amp follow the same way each time. Each step counts what it takes
// towards the history's bound while it lives.
class EditStep : public QUndoCommand {
public:
    using Boost = std::optional<std::pair<BoostSnapshot, BoostSnapshot>>; // before, after

    EditStep(EditHistory &history, const QString &what, std::vector<EditHistory::Change> changes,
             std::vector<EditTarget> targets, Boost boost, int mergeKey, int slot, const QString &tab, qint64 when);
    ~EditStep() override;

    int id() const override { return mergeKey_; }
    // Whether the next step, pushed right after this one, becomes part of it.
    bool joins(const EditStep &next) const;
    bool mergeWith(const QUndoCommand *other) override;
    // Gives the step its text; a step that joins the one before it needs none.
    void name();
    void undo() override;
    void redo() override;

    const std::vector<EditHistory::Change> &changes() const { return changes_; }
    const std::vector<EditTarget> &targets() const { return targets_; }
    const Boost &boost() const { return boost_; }
    int slot() const { return slot_; }
    qint64 bytes() const { return bytes_; }
    // The same step, already done: the history keeps the newest steps by
    // pushing their copies onto a cleared stack.
    EditStep *copy() const;

private:
    void recount();

    EditHistory &history_;
    QString what_;
    std::vector<EditHistory::Change> changes_;
    std::vector<EditTarget> targets_;
    Boost boost_;
    int mergeKey_;
    int slot_;
    QString tab_;
    qint64 when_;
    qint64 bytes_ = 0;
    // Pushed after the edit was made: the first redo has nothing to do.
    bool done_ = true;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/editstep.h"

#include <algorithm>

EditStep::EditStep(EditHistory &history, const QString &what, std::vector<EditHistory::Change> changes,
                   std::vector<EditTarget> targets, Boost boost, int mergeKey, int slot, const QString &tab,
                   qint64 when)
    : history_(history), what_(what), changes_(std::move(changes)), targets_(std::move(targets)),
      boost_(std::move(boost)), mergeKey_(mergeKey ? mergeKey : -1), slot_(slot), tab_(tab), when_(when)
{
    recount();
}

void EditStep::name()
{
    setText(history_.describe(what_, changes_, targets_, slot_, tab_));
    recount();
}

EditStep::~EditStep()
{
    history_.counted(-bytes_);
}

void EditStep::recount()
{
    // What the step holds on the heap and in itself, near enough.
    const qint64 now = qint64(sizeof(*this)) + qint64(changes_.capacity() * sizeof(EditHistory::Change)) +
                       qint64(targets_.capacity() * sizeof(EditTarget)) +
                       2 * qint64(text().capacity() + what_.capacity() + tab_.capacity()) +
                       (boost_ ? qint64(sizeof(*boost_)) : 0);
    history_.counted(now - bytes_);
    bytes_ = now;
}

EditStep *EditStep::copy() const
{
    auto *c = new EditStep(history_, what_, changes_, targets_, boost_, mergeKey_, slot_, tab_, when_);
    c->setText(text());
    c->recount();
    c->setObsolete(isObsolete());
    return c;
}

bool EditStep::joins(const EditStep &next) const
{
    return !history_.rebuilding_ && next.slot_ == slot_ && next.what_ == what_ && next.tab_ == tab_ &&
           next.targets_ == targets_ && !next.boost_ && !boost_ && next.when_ - when_ <= EditHistory::MergePauseMs;
}

bool EditStep::mergeWith(const QUndoCommand *other)
{
    const auto *next = static_cast<const EditStep *>(other);
    if (!joins(*next))
        return false;
    // The earlier step's "before", the later step's "after".
    for (const EditHistory::Change &c : next->changes_) {
        auto same = std::find_if(changes_.begin(), changes_.end(),
                                 [&](const EditHistory::Change &mine) { return mine.offset == c.offset; });
        if (same != changes_.end())
            same->after = c.after;
        else
            changes_.push_back(c);
    }
    when_ = next->when_;
    setText(history_.describe(what_, changes_, targets_, slot_, tab_));
    recount();
    // A knob turned and turned back is no step at all.
    setObsolete(std::all_of(changes_.begin(), changes_.end(),
                            [](const EditHistory::Change &c) { return c.before == c.after; }));
    return true;
}

void EditStep::undo()
{
    history_.apply(*this, false);
}

void EditStep::redo()
{
    if (done_) {
        done_ = false;
        return;
    }
    history_.apply(*this, true);
}

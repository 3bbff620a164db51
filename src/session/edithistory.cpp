// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/edithistory.h"

#include "model/presetparams.h"
#include "session/editstep.h"
#include "session/preseteditor.h"

#include <QElapsedTimer>

#include <algorithm>

namespace {

// The bits of a record byte a message sets on the Amp.
std::uint8_t bitsOf(const Field &f)
{
    return f.width >= 8 ? 0xFF : std::uint8_t(bitfield::mask(f.width) << f.shift);
}

} // namespace

EditHistory::EditHistory(PresetEditor &editor, QObject *parent) : QObject(parent), editor_(editor)
{
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    clock = [started] { return started->elapsed(); };
    // Only an empty stack takes its limit.
    stack_.setUndoLimit(MaxSteps);
    connect(&stack_, &QUndoStack::cleanChanged, this, [this](bool clean) {
        if (!rebuilding_)
            emit cleanChanged(clean);
    });
}

EditHistory::~EditHistory()
{
    // Clearing itself as it goes, the stack would tell objects that may be
    // gone already.
    stack_.disconnect();
    disconnect();
    stack_.clear();
}

void EditHistory::begin(const QString &what, int mergeKey, bool ofTab)
{
    // Edits made while the panel loads (the loading guard) or while a step
    // is put back are no steps of their own.
    if (applying_ || (depth_ == 0 && editor_.loading()))
        return;
    if (depth_++ > 0)
        return;
    // While comparing, the image holds the stored version: an edit (an
    // import, a tab dropped) goes to the edits, so Compare ends first.
    editor_.setComparing(false);
    what_ = what;
    mergeKey_ = mergeKey;
    ofTab_ = ofTab;
    // The shown slot's bytes only: an edit that reaches further says so
    // (willChange) before it writes.
    before_.kept = 0;
    keep(editor_.currentSlot());
    before_.globals = editor_.image().globals;
    before_.boost = editor_.boostSnapshot();
    targets_.clear();
}

void EditHistory::keep(int slot)
{
    const std::uint32_t bit = std::uint32_t(1) << slot;
    if (before_.kept & bit)
        return;
    before_.kept |= bit;
    const auto record = editor_.image().record(slot);
    std::copy(record.begin(), record.end(), before_.group.begin() + slot * preset::RecordSize);
}

void EditHistory::willChange(int slot)
{
    if (depth_ == 0)
        return;
    if (slot < 0) {
        for (int s = 0; s < preset::SlotCount; ++s)
            keep(s);
    } else if (slot < preset::SlotCount) {
        keep(slot);
    }
}

void EditHistory::sent(const EditTarget &target)
{
    if (depth_ > 0 && std::find(targets_.begin(), targets_.end(), target) == targets_.end())
        targets_.push_back(target);
}

std::vector<EditHistory::Change> EditHistory::diff(const Before &before) const
{
    std::vector<Change> changes;
    const DeviceImage &image = editor_.image();
    for (int slot = 0; slot < preset::SlotCount; ++slot) {
        if (!(before.kept & (std::uint32_t(1) << slot)))
            continue;
        const int start = slot * preset::RecordSize;
        if (std::equal(before.group.begin() + start, before.group.begin() + start + preset::RecordSize,
                       image.group.begin() + start))
            continue;
        for (int i = start; i < start + preset::RecordSize; ++i)
            if (before.group[i] != image.group[i])
                changes.push_back({std::uint16_t(i), before.group[i], image.group[i]});
    }
    if (std::equal(before.globals.begin(), before.globals.end(), image.globals.begin()))
        return changes;
    for (int i = 0; i < preset::GlobalSize; ++i)
        if (before.globals[i] != image.globals[i])
            changes.push_back({std::uint16_t(preset::GroupSize + i), before.globals[i], image.globals[i]});
    return changes;
}

void EditHistory::end()
{
    if (depth_ == 0 || --depth_ > 0)
        return;
    std::vector<Change> changes = diff(before_);
    // The global settings are not part of the presets: an edit of them alone
    // (the panel's global cabinet) is no step, and leaves the presets saved.
    const bool presets =
        std::any_of(changes.begin(), changes.end(), [](const Change &c) { return c.offset < preset::GroupSize; });
    const BoostSnapshot boost = editor_.boostSnapshot();
    if (!presets && boost == before_.boost) {
        targets_.clear();
        return;
    }
    EditStep::Boost boostChange;
    if (!(boost == before_.boost))
        boostChange = std::make_pair(before_.boost, boost);
    const int slot = editor_.currentSlot();
    const QString tab = ofTab_ && editor_.isGroupView() ? preset::slotName(slot) + QStringLiteral(": ") : QString();
    push(new EditStep(*this, what_, std::move(changes), std::exchange(targets_, {}), std::move(boostChange), mergeKey_,
                      slot, tab, clock()));
}

void EditHistory::record(const QString &what, const std::vector<EditTarget> &targets, const preset::Record &slotBefore,
                         int mergeKey)
{
    if (applying_ || depth_ > 0)
        return;
    const int slot = editor_.currentSlot();
    Before before;
    before.kept = std::uint32_t(1) << slot;
    std::copy(slotBefore.begin(), slotBefore.end(), before.group.begin() + slot * preset::RecordSize);
    before.globals = editor_.image().globals;
    std::vector<Change> changes = diff(before);
    if (changes.empty())
        return;
    const QString tab = editor_.isGroupView() ? preset::slotName(slot) + QStringLiteral(": ") : QString();
    push(new EditStep(*this, what, std::move(changes), targets, {}, mergeKey, slot, tab, clock()));
}

void EditHistory::push(EditStep *step)
{
    // QUndoStack offers a step to the one before its index when both have
    // the same id (never -1) and that one is not the clean state: a step
    // that joins it there only changes that one's text (mergeWith). Any
    // other step is named before the stack shows it.
    const int index = stack_.index();
    const auto *previous = index > 0 ? static_cast<const EditStep *>(stack_.command(index - 1)) : nullptr;
    if (!previous || step->id() == -1 || previous->id() != step->id() || index == stack_.cleanIndex() ||
        !previous->joins(*step))
        step->name();
    const int count = stack_.count();
    const QUndoCommand *top = count > 0 ? stack_.command(count - 1) : nullptr;
    const bool full = count == stack_.undoLimit() && stack_.index() == count;
    stack_.push(step); // step may be gone from here on: merged, or obsolete
    // A new step on a full stack pushed the oldest out.
    if (full && stack_.count() == count && stack_.command(count - 1) != top)
        setDroppedOldest(true);
    if (bytes_ > MaxBytes)
        keepWithinBytes();
}

void EditHistory::keepWithinBytes()
{
    // QUndoStack drops its oldest steps only by their number: for their
    // size, the newest are kept as copies on a cleared stack. Right after a
    // push there is nothing to redo, so the stack's top is where it stands.
    const int count = stack_.count();
    if (stack_.index() != count || count == 0)
        return;
    // Down to three quarters, so this runs once in many pushes.
    qint64 kept = 0;
    int first = count;
    while (first > 0) {
        const qint64 b = static_cast<const EditStep *>(stack_.command(first - 1))->bytes();
        if (kept + b > MaxBytes * 3 / 4 && first < count)
            break;
        kept += b;
        --first;
    }
    std::vector<EditStep *> copies;
    for (int i = first; i < count; ++i)
        copies.push_back(static_cast<const EditStep *>(stack_.command(i))->copy());
    const int clean = stack_.cleanIndex();
    const bool wasClean = stack_.isClean();
    rebuilding_ = true;
    stack_.clear();
    if (clean != first)
        stack_.resetClean();
    for (std::size_t i = 0; i < copies.size(); ++i) {
        stack_.push(copies[i]);
        if (clean == first + int(i) + 1)
            stack_.setClean();
    }
    rebuilding_ = false;
    if (wasClean != stack_.isClean())
        emit cleanChanged(stack_.isClean());
    setDroppedOldest(true);
}

void EditHistory::setDroppedOldest(bool on)
{
    if (on == droppedOldest_)
        return;
    droppedOldest_ = on;
    emit droppedOldestChanged(on);
}

void EditHistory::restart(bool unsaved)
{
    stack_.clear();
    // A cleared stack is clean; data that was never saved must not look so.
    if (unsaved)
        stack_.resetClean();
    else
        stack_.setClean();
    setDroppedOldest(false);
}

void EditHistory::apply(const EditStep &step, bool after)
{
    applying_ = true;
    DeviceImage &image = editor_.image();
    const int shown = editor_.currentSlot();
    // The bits of the shown slot this step changes.
    std::array<std::uint8_t, preset::RecordSize> changed{};
    std::vector<int> others;
    for (const Change &c : step.changes()) {
        const std::uint8_t value = after ? c.after : c.before;
        if (c.offset < preset::GroupSize) {
            const int slot = c.offset / preset::RecordSize;
            if (slot == shown)
                changed[c.offset % preset::RecordSize] |= std::uint8_t(image.group[c.offset] ^ value);
            else if (std::find(others.begin(), others.end(), slot) == others.end())
                others.push_back(slot);
            image.group[c.offset] = value;
        } else {
            image.globals[c.offset - preset::GroupSize] = value;
        }
    }
    if (step.boost())
        editor_.setBoostSnapshot(after ? step.boost()->second : step.boost()->first);

    // The Amp plays the shown slot: the step's own messages put it back when
    // they carry every bit that changed there; anything else (a change made
    // on another tab, a whole tab replaced, bits no message of the step
    // carries) takes the whole record.
    std::array<std::uint8_t, preset::RecordSize> carried{};
    for (const EditTarget &t : step.targets()) {
        if (t.slot != shown)
            continue;
        if (t.kind == EditTarget::WholeRecord) {
            carried.fill(0xFF);
        } else if (t.field.index >= 0 && t.field.index < preset::RecordSize) {
            carried[t.field.index] |= bitsOf(t.field);
            // The model's code goes with the model; the Amp keeps its own.
            if (t.field == preset::AmpModel)
                carried[preset::ModelCode.index] |= bitsOf(preset::ModelCode);
        }
    }
    bool whole = false;
    bool anyChanged = false;
    for (int i = 0; i < preset::RecordSize; ++i) {
        anyChanged = anyChanged || changed[i] != 0;
        whole = whole || (changed[i] & ~carried[i]) != 0;
    }
    for (const EditTarget &t : step.targets())
        if (t.slot < 0 || (t.slot == shown && anyChanged && !whole))
            editor_.resend(t);
    if (whole)
        editor_.resend({EditTarget::WholeRecord, shown, {0, 0, 8}});
    editor_.reload();
    for (int slot : others)
        emit otherSlotChanged(slot);
    applying_ = false;
}

QString EditHistory::describe(const QString &what, const std::vector<Change> &changes,
                              const std::vector<EditTarget> &targets, int slot, const QString &tab) const
{
    if (!what.isEmpty() && !what.endsWith(QLatin1String(": ")))
        return tab + what;
    // A prefix ("From the Amp: ") is named in English and shown translated.
    const QString prefix = what.isEmpty() ? QString() : tr(what.toUtf8().constData());
    // One control's change, named as the panel names it: its value before
    // and after, as the panel shows them.
    const EditTarget *one = nullptr;
    for (const EditTarget &t : targets)
        if ((t.kind == EditTarget::Parameter || t.kind == EditTarget::Bits) && t.slot == slot && !one)
            one = &t;
    // Each parameter's name, made once: a knob's run of steps names itself
    // at every tick.
    static const std::vector<QString> names = [] {
        std::vector<QString> n;
        for (const presetparams::Parameter &p : presetparams::all())
            n.push_back(presetparams::distinctName(p));
        return n;
    }();
    const std::vector<presetparams::Parameter> &all = presetparams::all();
    const presetparams::Parameter *param = nullptr;
    std::size_t which = 0;
    if (one)
        for (std::size_t i = 0; i < all.size(); ++i)
            if (all[i].kind != presetparams::Kind::Time && all[i].field == one->field) {
                param = &all[i];
                which = i;
            }
    if (!param || slot < 0 || slot >= preset::SlotCount)
        return tab + (what.isEmpty() ? tr("Edit") : prefix.trimmed().chopped(1));
    preset::Record after;
    const auto current = editor_.image().record(slot);
    std::copy(current.begin(), current.end(), after.begin());
    preset::Record before = after;
    const int start = slot * preset::RecordSize;
    for (const Change &c : changes)
        if (c.offset >= start && c.offset < start + preset::RecordSize) {
            before[c.offset - start] = c.before;
            after[c.offset - start] = c.after;
        }
    return tab + prefix +
           tr("%1 %2 \u2192 %3")
               .arg(names[which], presetparams::valueText(*param, before), presetparams::valueText(*param, after));
}

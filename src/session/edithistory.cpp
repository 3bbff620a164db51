// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/edithistory.h"

#include "model/presetparams.h"
#include "session/editstep.h"
#include "session/preseteditor.h"

#include <QElapsedTimer>

#include <algorithm>

EditHistory::EditHistory(PresetEditor &editor, QObject *parent) : QObject(parent), editor_(editor)
{
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    clock = [started] { return started->elapsed(); };
}

EditHistory::~EditHistory()
{
    // Clearing itself as it goes, the stack would tell objects that may be
    // gone already.
    stack_.disconnect();
}

void EditHistory::begin(const QString &what, int mergeKey)
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
    group_ = editor_.image().group;
    globals_ = editor_.image().globals;
    targets_.clear();
}

void EditHistory::sent(const EditTarget &target)
{
    if (depth_ > 0 && std::find(targets_.begin(), targets_.end(), target) == targets_.end())
        targets_.push_back(target);
}

std::vector<EditHistory::Change> EditHistory::diff() const
{
    std::vector<Change> changes;
    const DeviceImage &image = editor_.image();
    for (int i = 0; i < preset::GroupSize; ++i)
        if (group_[i] != image.group[i])
            changes.push_back({std::uint16_t(i), group_[i], image.group[i]});
    for (int i = 0; i < preset::GlobalSize; ++i)
        if (globals_[i] != image.globals[i])
            changes.push_back({std::uint16_t(preset::GroupSize + i), globals_[i], image.globals[i]});
    return changes;
}

void EditHistory::end()
{
    if (depth_ == 0 || --depth_ > 0)
        return;
    std::vector<Change> changes = diff();
    // The global settings are not part of the presets: an edit of them alone
    // (the panel's global cabinet) is no step, and leaves the presets saved.
    const bool presets = std::any_of(changes.begin(), changes.end(),
                                     [](const Change &c) { return c.offset < preset::GroupSize; });
    if (!presets)
        return;
    stack_.push(new EditStep(*this, what_, std::move(changes), std::move(targets_), mergeKey_,
                             editor_.currentSlot(), clock()));
    targets_.clear();
}

void EditHistory::record(const QString &what, const std::vector<EditTarget> &targets,
                         const std::array<std::uint8_t, preset::GroupSize> &groupBefore, int mergeKey)
{
    if (applying_ || depth_ > 0)
        return;
    group_ = groupBefore;
    globals_ = editor_.image().globals;
    std::vector<Change> changes = diff();
    if (changes.empty())
        return;
    stack_.push(new EditStep(*this, what, std::move(changes), targets, mergeKey, editor_.currentSlot(), clock()));
}

void EditHistory::restart(bool unsaved)
{
    stack_.clear();
    // A cleared stack is clean; data that was never saved must not look so.
    if (unsaved)
        stack_.resetClean();
    else
        stack_.setClean();
}

void EditHistory::apply(const std::vector<Change> &changes, bool after, const std::vector<EditTarget> &targets)
{
    applying_ = true;
    DeviceImage &image = editor_.image();
    const int shown = editor_.currentSlot();
    bool shownChanged = false;
    std::vector<int> others;
    for (const Change &c : changes) {
        const std::uint8_t value = after ? c.after : c.before;
        if (c.offset < preset::GroupSize) {
            image.group[c.offset] = value;
            const int slot = c.offset / preset::RecordSize;
            if (slot == shown)
                shownChanged = true;
            else if (std::find(others.begin(), others.end(), slot) == others.end())
                others.push_back(slot);
        } else {
            image.globals[c.offset - preset::GroupSize] = value;
            shownChanged = true;
        }
    }
    // The Amp gets what it got for the edit, with the values put back; only
    // for the slot it plays.
    for (const EditTarget &t : targets)
        if (t.slot < 0 || t.slot == shown)
            editor_.resend(t);
    if (shownChanged)
        editor_.reload();
    for (int slot : others)
        emit otherSlotChanged(slot);
    applying_ = false;
}

QString EditHistory::describe(const QString &what, const std::vector<Change> &changes,
                              const std::vector<EditTarget> &targets, int slot) const
{
    if (!what.isEmpty() && !what.endsWith(QLatin1String(": ")))
        return what;
    // One control's change, named as the panel names it: its value before
    // and after, as the panel shows them.
    const EditTarget *one = nullptr;
    for (const EditTarget &t : targets)
        if ((t.kind == EditTarget::Parameter || t.kind == EditTarget::Bits) && t.slot == slot && !one)
            one = &t;
    const presetparams::Parameter *param = nullptr;
    if (one)
        for (const presetparams::Parameter &p : presetparams::all())
            if (p.kind != presetparams::Kind::Time && p.field == one->field)
                param = &p;
    if (!param || slot < 0 || slot >= preset::SlotCount)
        return what.isEmpty() ? QStringLiteral("Edit") : what.chopped(2);
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
    return what + QStringLiteral("%1 %2 \u2192 %3")
                      .arg(presetparams::name(*param), presetparams::valueText(*param, before),
                           presetparams::valueText(*param, after));
}

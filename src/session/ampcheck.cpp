// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/ampcheck.h"

#include "model/presetparams.h"
#include "protocol/ampmessages.h"
#include "session/amplink.h"
#include "session/commandqueue.h"
#include "session/preseteditor.h"

#include <algorithm>

namespace {

const QString CheckKey = QStringLiteral("check the Amp");

preset::Record shownRecord(const PresetEditor &editor)
{
    preset::Record r;
    const auto span = editor.record();
    std::copy(span.begin(), span.end(), r.begin());
    return r;
}

} // namespace

AmpCheck::AmpCheck(AmpLink &link, AmpTransfers &transfers, PresetEditor &editor, CommandQueue &queue, QObject *parent)
    : QObject(parent), link_(link), transfers_(transfers), editor_(editor), queue_(queue)
{
    connect(&transfers_, &AmpTransfers::presetReceived, this,
            [this](TransferState awaited, const preset::Record &record) {
                if (awaited == TransferState::CheckCurrent)
                    queue_.runInput([&] { arrived(record); });
            });
    connect(&transfers_, &AmpTransfers::timedOut, this, [this](TransferState ended) {
        if (ended == TransferState::CheckCurrent && !quiet_)
            transfers_.reportNoReply();
    });
    // Heard again after a silence: whatever was sent meanwhile may be lost.
    connect(&link_, &AmpLink::reconnected, this, &AmpCheck::checkQuietly);
}

void AmpCheck::checkAmp()
{
    queue_.runWhenAmpIdle([this] { ask(false); });
}

void AmpCheck::checkQuietly()
{
    // Input may bring this on: it waits its turn, and one is enough.
    queue_.post(CheckKey, CommandQueue::Needs::NoDialogIdleAmp, [this] { ask(true); });
}

void AmpCheck::ask(bool quiet)
{
    quiet_ = quiet;
    link_.send(amp::currentPresetRequest());
    transfers_.await(TransferState::CheckCurrent);
}

QStringList AmpCheck::differences(const preset::Record &editor, const preset::Record &amp)
{
    QStringList lines;
    for (const presetparams::Parameter &p : presetparams::all()) {
        // The model code follows the model on the Amp; it is never sent alone.
        if (p.field == preset::ModelCode || !presetparams::differs(p, editor, amp))
            continue;
        lines << tr("%1: editor %2, Amp %3")
                     .arg(presetparams::distinctName(p), presetparams::valueText(p, editor),
                          presetparams::valueText(p, amp));
    }
    return lines;
}

void AmpCheck::arrived(const preset::Record &record)
{
    transfers_.finish();
    amp_ = record;
    shown_ = shownRecord(editor_);
    slot_ = editor_.currentSlot();
    if (differences(shown_, amp_).isEmpty()) {
        emit statusMessage(tr(Matches));
        if (!quiet_)
            queue_.postNotice(tr(Caption), tr(Matches), Prompter::Icon::Information);
        return;
    }
    // The question waits until no dialog is open and the Amp is free.
    queue_.post(CheckKey, CommandQueue::Needs::NoDialogIdleAmp, [this] { decide(); });
}

void AmpCheck::decide()
{
    // The editor moved on since the Amp answered (another tab, an edit, a
    // knob on the Amp): the answer is stale, so ask the Amp again.
    if (editor_.currentSlot() != slot_ || shownRecord(editor_) != shown_) {
        ask(quiet_);
        return;
    }
    constexpr int MostLines = 16;
    QStringList lines = differences(shown_, amp_);
    if (lines.size() > MostLines) {
        const auto more = lines.size() - (MostLines - 1);
        lines = lines.mid(0, MostLines - 1);
        lines << tr("and %1 more").arg(more);
    }
    const QString where = editor_.isGroupView() ? tr("tab %1").arg(preset::slotName(slot_)) : tr("the editor");
    const int answer = queue_.prompter().namedChoice(
        tr(Caption), tr("The Amp plays a preset that differs from %1:\n\n%2").arg(where, lines.join(QLatin1Char('\n'))),
        {tr(SendEditors), tr(TakeAmps)}, Prompter::Icon::Warning);
    if (answer == 0) {
        editor_.sendEditorData();
        emit statusMessage(tr("The editor's preset was sent to the Amp"));
    } else if (answer == 1) {
        editor_.storeFromAmp(amp_, true,
                             editor_.isGroupView()
                                 ? tr("From the Amp: current preset into tab %1").arg(preset::slotName(slot_))
                                 : tr("From the Amp: current preset"));
    }
}

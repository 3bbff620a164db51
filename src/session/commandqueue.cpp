// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/commandqueue.h"

#include "model/quorvexerror.h"
#include "session/guard.h"
#include "session/inputscope.h"

#include <QDebug>

#include <algorithm>

CommandQueue::CommandQueue(Prompter &prompter, std::function<QString()> applicationTitle, QObject *parent)
    : QObject(parent), prompter_(prompter), title_(std::move(applicationTitle))
{}

bool CommandQueue::run(const Body &body)
{
    const bool ended = guarded(prompter_, applicationTitle(), body);
    // A dialog it showed has closed by now; whatever waited for that may go.
    if (!pending_.empty())
        kick();
    return ended;
}

bool CommandQueue::runInput(const Body &body)
{
    const InputScope scope;
    return guarded([this](const QString &message) { postError(message); }, body);
}

void CommandQueue::post(const QString &key, Needs needs, Body body)
{
    if (!key.isEmpty()) {
        auto same = std::find_if(pending_.begin(), pending_.end(), [&](const Command &c) { return c.key == key; });
        if (same != pending_.end()) {
            same->body = std::move(body);
            same->needs = needs;
            kick();
            return;
        }
    }
    pending_.push_back({key, needs, std::move(body)});
    kick();
}

void CommandQueue::postNotice(const QString &caption, const QString &text, Prompter::Icon icon)
{
    post(QStringLiteral("notice\n") + caption + QLatin1Char('\n') + text, Needs::NoDialog,
         [this, caption, text, icon] { prompter_.notice(caption, text, icon); });
}

void CommandQueue::postError(const QString &message)
{
    post(QStringLiteral("error\n") + message, Needs::NoDialog,
         [this, message] { prompter_.errorBox(applicationTitle(), message); });
}

void CommandQueue::runWhenAmpIdle(const Body &body, Needs needs)
{
    const bool queuedForAmp = std::any_of(pending_.begin(), pending_.end(), needsAmp);
    if (!InputScope::active() && !ampBusy() && !queuedForAmp) {
        body();
        return;
    }
    post(QString(), needs, body);
}

int CommandQueue::drop(const QString &key)
{
    const auto before = pending_.size();
    std::erase_if(pending_, [&](const Command &c) { return c.key == key; });
    reportWaiting();
    return int(before - pending_.size());
}

bool CommandQueue::mayRun(const Command &c, bool dialogOpen) const
{
    if (needsAmp(c) && ampBusy())
        return false;
    // Only what asks nothing may run beside an open dialog.
    return !dialogOpen || c.needs == Needs::IdleAmp;
}

void CommandQueue::kick()
{
    reportWaiting();
    if (scheduled_ || pending_.empty())
        return;
    scheduled_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            scheduled_ = false;
            if (runOne() && !pending_.empty())
                kick();
        },
        Qt::QueuedConnection);
}

void CommandQueue::runPending()
{
    while (runOne()) {}
}

bool CommandQueue::runOne()
{
    // One question at a time: a command whose question is open has its
    // dialog's event loop running, and that loop must not start another.
    const bool dialogOpen = running_ || (dialogOpen_ && dialogOpen_());
    if (InputScope::active()) {
        qWarning("Quorvex: the command queue was reached from inside an input handler");
        return false;
    }
    auto next = std::find_if(pending_.begin(), pending_.end(), [&](const Command &c) { return mayRun(c, dialogOpen); });
    if (next == pending_.end()) {
        reportWaiting();
        return false;
    }
    const Body body = std::move(next->body);
    const bool quiet = next->needs == Needs::IdleAmp;
    pending_.erase(next);
    const bool wasRunning = running_;
    running_ = !quiet || wasRunning;
    guarded(prompter_, applicationTitle(), body);
    running_ = wasRunning;
    reportWaiting();
    return true;
}

void CommandQueue::reportWaiting()
{
    const bool waiting = ampBusy() && std::any_of(pending_.begin(), pending_.end(), needsAmp);
    if (waiting != waiting_) {
        waiting_ = waiting;
        emit waitingForAmp(waiting);
    }
}

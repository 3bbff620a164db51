// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/prompter.h"

#include <QObject>
#include <QString>

#include <deque>
#include <functional>

// The one queue of things that need the user or the Amp's attention when
// they cannot have it now. Input handlers (MIDI delivery, a socket's slot, a
// timer's slot) never open a dialog: they post here, and the queue runs its
// commands from the event loop, one at a time and in arrival order, while
// none of the program's dialogs is open. A command that opens a question to
// the Amp also waits until the question before it has been answered or has
// timed out, so no request ever silently replaces another.
class CommandQueue : public QObject {
    Q_OBJECT
public:
    using Body = std::function<void()>;
    // What a command waits for.
    enum class Needs {
        NoDialog,        // none of the program's dialogs open (a question, a notice, a file opened)
        NoDialogIdleAmp, // that, and no question open to the Amp (a fetch, a sync, following the Amp)
        IdleAmp,         // only the Amp: it asks the user nothing (the open globals window's request)
    };

    CommandQueue(Prompter &prompter, std::function<QString()> applicationTitle, QObject *parent = nullptr);

    Prompter &prompter() { return prompter_; }
    QString applicationTitle() const { return title_ ? title_() : QStringLiteral("Quorvex"); }

    // A user's command, run now: a QuorvexError shows the error box, a
    // cancelled question unwinds silently. True when it ran to its end.
    bool run(const Body &body);
    // An input handler's body, run now inside an InputScope: an error is
    // posted as an error box instead of shown on the spot.
    bool runInput(const Body &body);

    // Posts a command. A non-empty key folds: a command still waiting under
    // the same key takes the new body and keeps its place.
    void post(const QString &key, Needs needs, Body body);
    // A notice or an error box, shown when the queue gets to it; the same
    // text still waiting is not posted twice.
    void postNotice(const QString &caption, const QString &text, Prompter::Icon icon = Prompter::Icon::None);
    void postError(const QString &message);
    // A command that opens a question to the Amp: now, unless the Amp is
    // busy, such a command already waits, or this is an input handler; then
    // it is posted with `needs`.
    void runWhenAmpIdle(const Body &body, Needs needs = Needs::NoDialogIdleAmp);

    // Removes the commands waiting under key; how many there were.
    int drop(const QString &key);
    int pendingCount() const { return int(pending_.size()); }
    void clear() { pending_.clear(); }

    // Whether one of the program's dialogs is open; the queue then waits.
    void setDialogOpen(std::function<bool()> check) { dialogOpen_ = std::move(check); }
    // Whether a question to the Amp is open (or a confirmed operation waits
    // for its user); commands that need the Amp then wait.
    void setAmpBusy(std::function<bool()> check) { ampBusy_ = std::move(check); }
    bool ampBusy() const { return ampBusy_ && ampBusy_(); }

    // What held the queue back may have ended: try again from the event loop.
    void kick();
    // Runs, here and now, every command that may run (tests; the event
    // loop uses kick).
    void runPending();

signals:
    // A command waits for the Amp: the status bar says so.
    void waitingForAmp(bool waiting);

private:
    struct Command {
        QString key;
        Needs needs;
        Body body;
    };
    // Runs the first command that may run; false when none may.
    bool runOne();
    bool mayRun(const Command &c, bool dialogOpen) const;
    static bool needsAmp(const Command &c) { return c.needs != Needs::NoDialog; }
    void reportWaiting();

    Prompter &prompter_;
    std::function<QString()> title_;
    std::function<bool()> dialogOpen_;
    std::function<bool()> ampBusy_;
    std::deque<Command> pending_;
    bool running_ = false;
    bool scheduled_ = false;
    bool waiting_ = false;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/startup.h"

#include "model/quorvexerror.h"
#include "session/handover.h"
#include "session/prompter.h"
#include "session/session.h"

#include <QDir>

namespace {

// At start a port that was chosen is opened; true when that failed (the
// port is then closed again).
template <class Port>
bool openAtStart(Port &port)
{
    if (port.port() == -1)
        return false;
    port.setEnabled(true);
    if (port.openResult() == 0)
        return false;
    port.setEnabled(false);
    return true;
}

} // namespace

StartUp::StartUp(Session &session, Prompter &prompter, User &user, QStringList arguments)
    : session_(session), prompter_(prompter), user_(user), arguments_(std::move(arguments))
{}

bool StartUp::activate()
{
    if (activated_)
        return false;
    activated_ = true;
    return true;
}

void StartUp::run()
{
    // Whatever the queue holds waits for the start-up to end; files handed
    // over meanwhile are taken as if named on the command line.
    running_ = true;
    struct Ended {
        StartUp &s;
        ~Ended()
        {
            s.running_ = false;
            s.session_.queue().kick();
        }
    } ended{*this};

    PresetEditor &editor = session_.editor();
    editor.setView(PresetEditor::View::Single);

    MidiInPort &in = session_.link().midiIn();
    MidiOutPort &out = session_.link().midiOut();
    const bool inFailed = openAtStart(in);
    const bool outFailed = openAtStart(out);
    if (in.port() == -1 || out.port() == -1) {
        user_.choosePorts();
    } else {
        if (inFailed)
            prompter_.notice(tr("MIDI Error"), tr("The in port is not available."), Prompter::Icon::None);
        if (outFailed)
            prompter_.notice(tr("MIDI Error"), tr("The out port is not available."), Prompter::Icon::None);
    }

    QString path;
    if (!startupFile_.isEmpty()) {
        path = startupFile_;
    } else if (!arguments_.value(0).isEmpty()) {
        // The shell has split the name at spaces and removed its quotes.
        path = arguments_.join(QLatin1Char(' '));
        // Too long to name a file: said like a file that cannot be opened.
        if (const QString refusal = handover::refusal(path); !refusal.isEmpty()) {
            startupFile_.clear();
            fileStepDone_ = true;
            throw QuorvexError(refusal);
        }
        if (QDir::isRelativePath(path))
            path = QDir::current().absoluteFilePath(path);
    }
    startupFile_.clear();
    // From here on, a handed-over file waits in the queue for the end.
    fileStepDone_ = true;
    bool withFile = !path.isEmpty();
    if (withFile) {
        // A reader error leaves through here: nothing else of the start runs.
        if (!session_.files().openNamed(path))
            editor.showDefaults(PresetEditor::View::Single);
        session_.sync().setStartedWithFile(true);
    }
    // Work a crash left unsaved is kept like a file named at start.
    if (session_.recovery().offerLeftBehind(prompter_, session_.files())) {
        withFile = true;
        session_.sync().setStartedWithFile(true);
    }
    if (session_.recovery().restoredGlobals())
        user_.showRestoredGlobals();

    if (in.isEnabled() && out.isEnabled())
        user_.sync(true);
    // The flag is for the start-up sync alone, whatever it found: a later
    // sync fetches the Amp's preset and names the document after it.
    session_.sync().setStartedWithFile(false);
    if (session_.link().isAmpFound())
        return;
    if (!withFile)
        editor.showDefaults(PresetEditor::View::Single);
}

void StartUp::handOver(const QString &commandLine)
{
    user_.bringToFront();
    if (commandLine.isEmpty())
        return;
    // Refused before anything is tried, and told from the queue: never a box
    // inside the socket's slot, nor one around the whole text.
    if (const QString refusal = handover::refusal(commandLine); !refusal.isEmpty()) {
        session_.queue().postError(refusal);
        return;
    }
    const QString path = handover::fileName(commandLine);
    // Before start-up has come to the command line's file, this one takes its place.
    if (!activated_ || (running_ && !fileStepDone_)) {
        startupFile_ = path;
        return;
    }
    // Opened when no dialog is open and the Amp has answered what it was
    // asked, so no reply lands on top of it; never inside the socket's slot.
    session_.queue().post(QString(), CommandQueue::Needs::NoDialogIdleAmp, [this, path] { openHandedOver(path); });
}

void StartUp::openHandedOver(const QString &path)
{
    session_.files().askToSave();
    session_.files().openNamed(path);
}

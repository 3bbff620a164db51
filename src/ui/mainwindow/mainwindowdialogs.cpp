// SPDX-License-Identifier: GPL-3.0-or-later
// The windows and dialogs the main window opens: each made when first asked
// for (or for the time it is shown) and bound to the session.
#include "dialogs/aboutdialog.h"
#include "dialogs/midiportsdialog.h"
#include "dialogs/notesdialog.h"
#include "dialogs/syncdialog.h"
#include "filelist/filelistpanel.h"
#include "globals/globalswindow.h"
#include "library/ampwindow.h"
#include "library/library.h"
#include "library/librarywindow.h"
#include "library/setlistwindow.h"
#include "mainwindow/librarylink.h"
#include "mainwindow/mainwindow.h"
#include "midi/rtmidibackend.h"
#include "session/sessionsettings.h"
#include "tuner/tunerwindow.h"

TunerWindow &MainWindow::tunerWindow()
{
    if (tunerWindow_)
        return *tunerWindow_;
    tunerWindow_ = std::make_unique<TunerWindow>(session_->globals(), session_->queue());
    // While the tuner is up the main window takes no input.
    connect(tunerWindow_.get(), &TunerWindow::entered, this, [this] { setEnabled(false); });
    connect(tunerWindow_.get(), &TunerWindow::left, this, [this] {
        setEnabled(true);
        setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
        bringToFront();
        session_->queue().kick();
    });
    return *tunerWindow_;
}

void MainWindow::showAbout()
{
    AboutDialog box(this);
    box.exec();
}

void MainWindow::sync(bool startup)
{
    session_->sync().startSync(startup);
    SyncDialog form(session_->sync(), session_->queue(), this);
    form.exec();
}

void MainWindow::selectMidiPorts()
{
    MidiPortsDialog form(
        session_->link().midiIn(), session_->link().midiOut(), *prompter_,
        [this] { return session_->document().applicationTitle(); }, this);
    form.exec();
    // The choice is kept at once: a program that is killed later does not
    // ask for its ports again. A failure is told at the orderly close.
    FormSettings s = settings_.read(settingsDefaults());
    sessionsettings::store(*session_, s);
    settings_.write(s);
}

void MainWindow::runGlobalsWindow(const std::function<void(GlobalsWindow &)> &prepare)
{
    GlobalsWindow form(session_->globals(), session_->queue(), session_->document().openDialogDirectory(), this);
    connect(&form, &GlobalsWindow::fileWritten, PanelList, &FileListPanel::refresh);
    prepare(form); // may throw: no window opens then
    form.showModal();
}

void MainWindow::showGlobals()
{
    session_->globals().expectGlobals();
    runGlobalsWindow([](GlobalsWindow &) {});
}

void MainWindow::openGlobalFile(const QString &path)
{
    // Read before the window shows, so "Send Globals to Amp?" comes first;
    // a file that fails is reported and no window opens.
    runGlobalsWindow([&path](GlobalsWindow &form) { form.readGlobalFile(path); });
}

void MainWindow::showRestoredGlobals()
{
    runGlobalsWindow([](GlobalsWindow &form) {
        form.loadControls();
        form.showSource();
    });
}

void MainWindow::enterTuner()
{
    tunerWindow().showOver(this);
}

void MainWindow::editNotes()
{
    const QString notePath = session_->files().notePath();
    if (notePath.isEmpty())
        return;
    NotesDialog form(session_->queue(), this);
    // A note that cannot be read is reported and the window not shown.
    form.loadNote(notePath);
    form.exec();
}

void MainWindow::showLibrary()
{
    // The folders are watched, but a file another program rewrote in place
    // shows only in a pass: one goes on the worker whenever the window is asked for.
    library_->refresh();
    if (!libraryWindow_) {
        LibraryHooks hooks = libraryLink_->hooks();
        hooks.addToSetlist = [this](const QString &path, int slot, const preset::Record &record) {
            showSetlist();
            setlistWindow_->addPreset(path, slot, record);
        };
        libraryWindow_ = new LibraryWindow(*library_, *prompter_, hooks, this);
    }
    libraryWindow_->show();
    libraryWindow_->raise();
    libraryWindow_->activateWindow();
}

void MainWindow::showSetlist()
{
    if (!setlistWindow_) {
        SetlistWindow::Ports ports;
        // A foot controller is a MIDI input of its own, beside the Amp's.
        ports.open = [] {
            return std::make_unique<RtMidiBackend>(RtMidiBackend::Api::Automatic, QStringLiteral("Quorvex Setlist"));
        };
        ports.names = [open = ports.open] { return open()->inputNames(); };
        setlistWindow_ = new SetlistWindow(*library_, *prompter_, libraryLink_->hooks(), std::move(ports), this);
        setlistWindow_->setWindowFlag(Qt::Window);
    }
    setlistWindow_->show();
    setlistWindow_->raise();
    setlistWindow_->activateWindow();
}

void MainWindow::showAmpWindow()
{
    if (!ampWindow_) {
        AmpWindow::Actions actions;
        actions.read = [this] { run([this] { session_->fetches().readTheAmp(); }); };
        actions.switchTo = [this](int slot) { run([this, slot] { session_->fetches().switchTo(slot); }); };
        actions.write = [this](int slot, const preset::Record &record, const QString &name) {
            run([&] { session_->writes().writeToSlot(slot, record, name); });
        };
        actions.writePlan = [this](const AmpWindow::Actions::Plan &plan, const QString &text) {
            run([&] { session_->writes().writeSlots(plan, text); });
        };
        ampWindow_ = new AmpWindow(session_->ampSlots(), *library_, *prompter_, std::move(actions), this);
    }
    ampWindow_->show();
    ampWindow_->raise();
    ampWindow_->activateWindow();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

class Prompter;
class Session;

// The program's start and the files later starts hand over. At the first
// activation the chosen ports are opened (or the user is asked for them), the
// file the command line names is opened, work a crash left unsaved is
// offered back, and with both ports open the Amp is
// looked for; without an Amp and without a file the editor starts with the
// default presets. A file handed over before start-up has come to the command
// line's file takes its place; one handed over later waits in the command
// queue for a moment with no dialog open and the Amp idle.
class StartUp {
    Q_DECLARE_TR_FUNCTIONS(StartUp)

public:
    // What the start-up needs from the windows.
    class User {
    public:
        virtual ~User() = default;
        // No port chosen: the user picks them (the port window).
        virtual void choosePorts() = 0;
        // Looks for the Amp and fetches its preset (the sync dialog).
        virtual void sync(bool startup) = 0;
        // A second start: the window comes to the front.
        virtual void bringToFront() = 0;
        // Unsaved global settings were brought back: the globals window
        // shows them as they are, without asking the Amp.
        virtual void showRestoredGlobals() {}
    };

    // arguments: the command line after the program name.
    StartUp(Session &session, Prompter &prompter, User &user, QStringList arguments);

    // True the first time: the caller then runs run(); false afterwards.
    bool activate();
    bool activated() const { return activated_; }
    // The start-up sequence; throws QuorvexError and Abort like a command.
    void run();
    bool running() const { return running_; }
    // A second start handed its command line over.
    void handOver(const QString &commandLine);

private:
    void openHandedOver(const QString &path);

    Session &session_;
    Prompter &prompter_;
    User &user_;
    QStringList arguments_;
    bool activated_ = false;
    bool running_ = false;
    bool fileStepDone_ = false;
    // A file handed over while start-up had not yet opened the command line's.
    QString startupFile_;
};

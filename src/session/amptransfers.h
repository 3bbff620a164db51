// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

// The one question open to the Amp, named by the reply it awaits. Every new
// question replaces the one before; nothing is queued.
enum class TransferState {
    Idle = 0,              // nothing
    RequestedPreset = 1,   // the single preset of "Preset from Amp"
    Group = 2,             // the group dump of "Group from Amp"
    Globals = 3,           // the globals message
    Identify = 4,          // the identify reply of an amp search
    AltTapReport = 5,      // the Amp's report of byte 30 after the old-firmware sync
    CurrentAfterFind = 6,  // the Amp's current preset after it was found
    ProgramChange = 7,     // the preset the Amp switched to by a Program Change
    // What the Amp holds before a write overwrites it, kept as a backup file;
    // it never reaches the editor.
    BackupPreset = 8,
    BackupGroup = 9,
};

// TransferState and its two timers: the reply timer TimerSysex (2000 ms)
// that ends an unanswered wait, and TimerAmpFound (1 ms) that runs the found
// step after an identify reply has been handled.
class AmpTransfers : public QObject {
    Q_OBJECT
public:
    static constexpr int ReplyTimeoutMs = 2000;

    explicit AmpTransfers(QObject *parent = nullptr);

    TransferState state() const { return state_; }
    // A question was sent: wait for its reply. A reply timer already running
    // keeps its count; the wait ends when the first question's time is up.
    void await(TransferState awaited);
    // Sets the state without touching the reply timer.
    void setState(TransferState state) { state_ = state; }
    // The awaited reply came (or the wait was cancelled): idle, timer stopped.
    void finish();
    void startReplyTimer();
    void stopReplyTimer() { TimerSysex.stop(); }

    void startAmpFoundTimer() { TimerAmpFound.start(); }

    const QTimer &replyTimer() const { return TimerSysex; }
    const QTimer &ampFoundTimer() const { return TimerAmpFound; }

    // Timer handlers, run by the timers and directly by tests.
    void TimerSysexTimer();
    void TimerAmpFoundTimer();

signals:
    // The wait for `ended` ran out; the state is already idle.
    void timedOut(TransferState ended);
    void ampFoundStep();

private:
    TransferState state_ = TransferState::Idle;
    QTimer TimerSysex;
    QTimer TimerAmpFound;
};

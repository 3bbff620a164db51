// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/presetrecord.h"
#include "protocol/sysexdispatcher.h"

#include <QObject>
#include <QTimer>

#include <array>

class AmpLink;
class CommandQueue;

// The one question open to the Amp, named by the reply it awaits.
enum class TransferState {
    Idle = 0,             // nothing
    RequestedPreset = 1,  // the single preset of "Preset from Amp"
    Group = 2,            // the group dump of "Group from Amp"
    Globals = 3,          // the globals message
    Identify = 4,         // the identify reply of an amp search
    AltTapReport = 5,     // the Amp's report of byte 30 after the old-firmware sync
    CurrentAfterFind = 6, // the Amp's current preset after it was found
    ProgramChange = 7,    // the preset the Amp switched to by a Program Change
    // What the Amp holds before a write overwrites it, kept as a backup file;
    // it never reaches the editor.
    BackupPreset = 8,
    BackupGroup = 9,
    // The Amp's current preset, compared with the shown slot ("Check the
    // Amp"); it reaches the editor only if the user takes it.
    CheckCurrent = 10,
    // The sixteen user slots for the Amp window; they never reach the editor.
    ReadSlots = 11,
};

// The conversation with the Amp: TransferState, the reply timer replyTimer_
// (2000 ms) that ends an unanswered wait, and the routing of every message
// the Amp sends to whoever takes it. Replies carry the state they answer,
// so each taker accepts only its own; nothing here decides what a reply
// changes. A new question never replaces an open one: commands that would
// ask wait in the CommandQueue while this is busy.
class AmpTransfers : public QObject, private AmpReceiver {
    Q_OBJECT
public:
    static constexpr int ReplyTimeoutMs = 2000;
    using Group = std::array<std::uint8_t, preset::GroupSize>;
    using Globals = std::array<std::uint8_t, preset::GlobalSize>;

    AmpTransfers(AmpLink &link, CommandQueue &queue, QObject *parent = nullptr);

    TransferState state() const { return state_; }
    // A question was sent: wait for its reply. A reply timer already running
    // keeps its count.
    void await(TransferState awaited);
    // Sets the state without touching the reply timer.
    void setState(TransferState state);
    // The awaited reply came (or the wait was cancelled): idle, timer stopped.
    void finish();
    void startReplyTimer();
    void stopReplyTimer() { replyTimer_.stop(); }
    const QTimer &replyTimer() const { return replyTimer_; }

    // A question is open, or a confirmed operation holds the conversation
    // until its user has answered (see hold).
    bool busy() const { return state_ != TransferState::Idle || holds_ > 0; }
    // While held, nothing new is asked of the Amp: a write whose backup did
    // not come waits for the user's word on it.
    void hold();
    void release();

    // The time-out's message, posted for when no dialog is open: "No
    // response from Amp.", or why there could be none.
    void reportNoReply();

    // Questions replaced by another before their reply or time-out; a new
    // question must wait for the open one, so this stays 0.
    int replacedQuestions() const { return replaced_; }

    // The reply timer's handler; tests call it directly.
    void replyTimedOut();

    // Every received SysEx buffer (the link's sysExReceived runs it).
    void receive(const std::uint8_t *data, int size);

signals:
    // The wait for `ended` ran out; the state is already idle.
    void timedOut(TransferState ended);
    // Nothing is asked of the Amp any more: waiting commands may go.
    void becameIdle();
    // busy() changed.
    void busyChanged(bool busy);
    // The question open to the Amp changed (Idle: none is).
    void stateChanged(TransferState state);

    // Replies, with the state they arrived in.
    void identified(std::uint8_t versionByte);
    void presetReceived(TransferState awaited, const preset::Record &record);
    void groupReceived(TransferState awaited, const AmpTransfers::Group &group);
    void globalsReceived(const AmpTransfers::Globals &record);
    // The Amp's own changes, whatever is awaited.
    void parameterChanged(int index, std::uint8_t value);
    void bitFieldChanged(int index, int shift, int width, int value);
    void globalBitFieldChanged(int index, int shift, int width, int value);
    void tunerReading(std::uint8_t first, std::uint8_t second);

private:
    void tellBusy(bool wasBusy);
    void identifyReply(std::uint8_t versionByte) override;
    void groupDump(const std::uint8_t *pairs) override;
    void singlePreset(const std::uint8_t *pairs) override;
    void globals(const std::uint8_t *pairs) override;
    void parameterChange(int index, std::uint8_t value) override;
    void bitFieldChange(int index, int shift, int width, int value) override;
    void globalBitFieldChange(int index, int shift, int width, int value) override;
    void tunerData(std::uint8_t first, std::uint8_t second) override;

    AmpLink &link_;
    CommandQueue &queue_;
    TransferState state_ = TransferState::Idle;
    int holds_ = 0;
    int replaced_ = 0;
    QTimer replyTimer_;
};

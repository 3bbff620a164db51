// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/amptransfers.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class AmpLink;

// How far the transfer with the Amp has come, for the status bar: from a
// question until its reply or time-out, and from a group's first byte to the
// Amp until the cable has carried its last. Group transfers count bytes: a
// group dump awaited counts when it arrives, one sent as the cable carries
// it. Phases that follow each other at once (a backup read, then the write)
// are one transfer. Nothing runs while no transfer does; a viewer reads the
// numbers when it likes.
class TransferProgress : public QObject {
    Q_OBJECT
public:
    // How often the cable is looked at while a group goes out.
    static constexpr int SendCheckMs = 50;

    TransferProgress(AmpLink &link, AmpTransfers &transfers, QObject *parent = nullptr);

    bool running() const { return running_; }
    // A reply is awaited, since waitedMs() ago.
    bool waiting() const { return transfers_.state() != TransferState::Idle; }
    qint64 waitedMs() const { return waiting() && waitClock_.isValid() ? waitClock_.elapsed() : 0; }
    // Bytes of the group transfer; total 0 for a transfer of no group.
    int bytesTotal() const { return bytesTotal_; }
    int bytesDone() const;

    // Bytes of a group (or of several presets) just given to the send queue.
    void groupSent(int bytes);

    // The send check's handler; tests call it directly.
    void checkSent();
    const QTimer &sendCheck() const { return sendCheck_; }

signals:
    void started();
    // answered: false when the Amp did not answer in time.
    void finished(bool answered);

private:
    void stateChanged(TransferState state);
    void start();
    // The transfer ends once nothing more follows from the event that ended its phase.
    void settleLater();
    void settle();
    int cableBytes() const;

    AmpLink &link_;
    AmpTransfers &transfers_;
    const int groupDumpBytes_;
    bool running_ = false;
    bool failed_ = false;
    QElapsedTimer waitClock_;
    int bytesTotal_ = 0;
    int bytesIn_ = 0;  // received of what was awaited
    int bytesOut_ = 0; // given to the queue
    QTimer sendCheck_;
    QTimer settle_;
};

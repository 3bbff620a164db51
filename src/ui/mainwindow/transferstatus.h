// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTimer>
#include <QWidget>

class QLabel;
class QProgressBar;
class TransferProgress;

// The status bar's part for a transfer with the Amp: a bar of the bytes of
// a group transfer, and "Waiting for the Amp… 2 s" while a reply is
// awaited. Shown from the transfer's start to its end; it looks at the
// transfer on a timer only while one runs.
class TransferStatus : public QWidget {
    Q_OBJECT
public:
    static constexpr int RefreshMs = 100;

    explicit TransferStatus(TransferProgress &progress, QWidget *parent = nullptr);

    // A transfer started: shown, and looked at until it ends.
    void begin();
    // The refresh timer's handler.
    void refresh();
    const QTimer &refreshTimer() const { return refresh_; }

    QLabel *LabelWaiting;
    QProgressBar *ProgressTransfer;

private:
    TransferProgress &progress_;
    QTimer refresh_;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/transferstatus.h"

#include "session/transferprogress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

TransferStatus::TransferStatus(TransferProgress &progress, QWidget *parent) : QWidget(parent), progress_(progress)
{
    setObjectName(QStringLiteral("StatusTransfer"));
    LabelWaiting = new QLabel(this);
    LabelWaiting->setObjectName(QStringLiteral("LabelWaiting"));
    ProgressTransfer = new QProgressBar(this);
    ProgressTransfer->setObjectName(QStringLiteral("ProgressTransfer"));
    ProgressTransfer->setFormat(tr("%v of %m bytes"));
    // Room for the widest count on one line.
    const QString widest = ProgressTransfer->format()
                               .replace(QLatin1String("%v"), QLatin1String("8888"))
                               .replace(QLatin1String("%m"), QLatin1String("8888"));
    ProgressTransfer->setFixedWidth(ProgressTransfer->fontMetrics().horizontalAdvance(widest) + 24);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(LabelWaiting);
    layout->addWidget(ProgressTransfer);
    hide();

    refresh_.setInterval(RefreshMs);
    connect(&refresh_, &QTimer::timeout, this, &TransferStatus::refresh);
    connect(&progress_, &TransferProgress::started, this, &TransferStatus::begin);
    connect(&progress_, &TransferProgress::finished, this, [this] {
        refresh_.stop();
        hide();
    });
    // Made while a transfer runs: it shows at once.
    if (progress_.running())
        begin();
}

void TransferStatus::begin()
{
    refresh_.start();
    refresh();
    show();
}

void TransferStatus::refresh()
{
    const bool waiting = progress_.waiting();
    LabelWaiting->setVisible(waiting);
    if (waiting)
        LabelWaiting->setText(tr("Waiting for the Amp… %1 s").arg(progress_.waitedMs() / 1000));
    const int total = progress_.bytesTotal();
    ProgressTransfer->setVisible(total > 0);
    if (total > 0) {
        ProgressTransfer->setMaximum(total);
        ProgressTransfer->setValue(progress_.bytesDone());
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/libraryprogress.h"

#include "library/library.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

LibraryProgress::LibraryProgress(Library &library, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("LibraryProgress"));
    LabelLibrary = new QLabel(this);
    LabelLibrary->setObjectName(QStringLiteral("LabelLibrary"));
    ProgressIndexing = new QProgressBar(this);
    ProgressIndexing->setObjectName(QStringLiteral("ProgressIndexing"));
    ProgressIndexing->setMaximumWidth(120);
    ProgressIndexing->setMaximumHeight(14);
    ProgressIndexing->setTextVisible(false);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(LabelLibrary);
    layout->addWidget(ProgressIndexing);
    noticeTimer_.setSingleShot(true);
    noticeTimer_.setInterval(NoticeMs);
    connect(&noticeTimer_, &QTimer::timeout, this, [this] {
        notice_.clear();
        update();
    });
    connect(&library, &Library::progress, this, &LibraryProgress::progress);
    connect(&library, &Library::busyChanged, this, &LibraryProgress::busyChanged);
    connect(&library, &Library::notice, this, &LibraryProgress::showNotice);
    busy_ = library.isBusy();
    update();
}

void LibraryProgress::showNotice(const QString &text)
{
    notice_ = text;
    noticeTimer_.start();
    update();
}

QString LibraryProgress::notice() const
{
    return notice_;
}

void LibraryProgress::progress(int done, int total)
{
    ProgressIndexing->setRange(0, std::max(total, 1));
    ProgressIndexing->setValue(done);
}

void LibraryProgress::busyChanged(bool busy)
{
    busy_ = busy;
    update();
}

void LibraryProgress::update()
{
    ProgressIndexing->setVisible(busy_);
    if (!notice_.isEmpty()) {
        // The whole notice is in the tool tip; the bar keeps its room.
        LabelLibrary->setText(
            LabelLibrary->fontMetrics().elidedText(tr("Library: %1").arg(notice_), Qt::ElideRight, NoticeWidth));
        LabelLibrary->setToolTip(notice_);
    } else {
        LabelLibrary->setText(busy_ ? tr("Indexing the library") : QString());
        LabelLibrary->setToolTip(QString());
    }
    setVisible(busy_ || !notice_.isEmpty());
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/syncdialog.h"

#include "session/ampsync.h"
#include "session/commandqueue.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

QFont bolder(QFont f)
{
    f.setBold(true);
    return f;
}

} // namespace

SyncDialog::SyncDialog(AmpSync &search, CommandQueue &queue, QWidget *parent)
    : QDialog(parent), sync_(search), queue_(queue)
{
    setObjectName(QStringLiteral("FormSyncMsg"));
    setWindowTitle(tr("Amp Sync"));
    // No title-bar buttons: the dialog's own buttons end it.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFont(QFont(QStringLiteral("Arial"), font().pointSize()));

    messageLabel = new QLabel(tr("Looking for Amp - Please Wait..."), this);
    messageLabel->setObjectName(QStringLiteral("StaticText1"));
    StaticTextFound = new QLabel(tr("Found Amp - Version x.x"), this);
    StaticTextFound->setObjectName(QStringLiteral("StaticTextFound"));
    StaticTextFound->setFont(bolder(font()));
    StaticTextNotFound = new QLabel(tr("Amp not found - will work in offline mode"), this);
    StaticTextNotFound->setObjectName(QStringLiteral("StaticTextNotFound"));
    StaticTextNotFound->setFont(bolder(font()));
    ButtonOK = new QPushButton(tr("OK"), this);
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonOK->setFont(bolder(font()));
    ButtonRetry = new QPushButton(tr("Retry"), this);
    ButtonRetry->setObjectName(QStringLiteral("ButtonRetry"));
    ButtonCancel = new QPushButton(tr("Cancel"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    // Enter presses the button that has the focus: OK once found, Retry once not.
    ButtonOK->setAutoDefault(true);
    ButtonRetry->setAutoDefault(true);
    ButtonCancel->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonOK);
    buttons->addWidget(ButtonRetry);
    buttons->addWidget(ButtonCancel);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    for (QLabel *l : {messageLabel, StaticTextFound, StaticTextNotFound}) {
        l->setAlignment(Qt::AlignCenter);
        layout->addWidget(l);
    }
    layout->addLayout(buttons);
    setMinimumWidth(320);

    StaticTextFound->hide();
    ButtonOK->hide();
    StaticTextNotFound->hide();
    ButtonRetry->hide();

    connect(ButtonOK, &QPushButton::clicked, this, [this] { confirm(); });
    connect(ButtonRetry, &QPushButton::clicked, this, [this] { queue_.run([this] { retry(); }); });
    connect(ButtonCancel, &QPushButton::clicked, this, [this] { cancelSearch(); });
    connect(&sync_, &AmpSync::ampFound, this, [this](std::uint8_t version, bool g) { showFound(version, g); });
    connect(&sync_, &AmpSync::ampNotFound, this, [this] { showNotFound(); });
}

SyncDialog::~SyncDialog()
{
    sync_.syncClosed();
}

QString SyncDialog::versionText(std::uint8_t version, bool gVariant)
{
    const int major = (version >> 4) & 0x0F;
    QString text = QStringLiteral("%1.%2").arg(major).arg(version & 0x0F);
    if (major < 2 && gVariant)
        text += QStringLiteral(" G");
    return text;
}

QString SyncDialog::foundText(std::uint8_t version, bool gVariant)
{
    return tr("Found Amp - Version %1").arg(versionText(version, gVariant));
}

void SyncDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous() && !searched_) {
        searched_ = true;
        queue_.run([this] { startSearch(); });
    }
}

void SyncDialog::startSearch()
{
    sync_.searchForAmp();
}

void SyncDialog::showFound(std::uint8_t version, bool gVariant)
{
    StaticTextFound->setText(foundText(version, gVariant));
    messageLabel->hide();
    StaticTextFound->show();
    ButtonCancel->hide();
    ButtonOK->show();
    ButtonOK->setFocus();
}

void SyncDialog::showNotFound()
{
    ButtonRetry->show();
    ButtonRetry->setFocus();
    messageLabel->hide();
    StaticTextNotFound->show();
}

void SyncDialog::retry()
{
    ButtonRetry->hide();
    StaticTextNotFound->hide();
    messageLabel->show();
    sync_.searchForAmp();
}

void SyncDialog::cancelSearch()
{
    sync_.cancelSearch();
    done(QDialog::Rejected);
}

void SyncDialog::confirm()
{
    accept();
}

void SyncDialog::reject()
{
    // Escape: Cancel while searching, OK once found.
    if (ButtonCancel->isVisible())
        cancelSearch();
    else
        accept();
}

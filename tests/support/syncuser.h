// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/syncdialog.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStringList>

// The user at the Amp search's dialog: OK once the Amp is found, Cancel once
// it is not, noting the text shown. False while no such dialog waits for an
// answer.
inline bool answerSyncDialog(QStringList &texts)
{
    auto *sync = qobject_cast<SyncDialog *>(QApplication::activeModalWidget());
    if (!sync || !sync->isVisible())
        return false;
    if (sync->ButtonOK->isVisible()) {
        texts << sync->StaticTextFound->text();
        sync->ButtonOK->click();
    } else if (sync->ButtonRetry->isVisible()) {
        texts << sync->StaticTextNotFound->text();
        sync->ButtonCancel->click();
    } else {
        return false;
    }
    return true;
}

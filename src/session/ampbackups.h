// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "protocol/ampmessages.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QString>

// The folder where what the Amp held before a write is kept: one dated
// file per backup, the newest MaxBackups of them.
class AmpBackups {
    Q_DECLARE_TR_FUNCTIONS(AmpBackups)

public:
    static constexpr int MaxBackups = 50;

    void setFolder(const QString &folder) { folder_ = folder; }
    QString folder() const { return folder_; }

    // Writes "Amp <date> <what>.syx" and removes the oldest beyond
    // MaxBackups; throws QuorvexError when the folder cannot be made or the
    // file not written.
    // Two backups taken within one millisecond are both kept.
    QString save(const amp::Bytes &file, const QString &what, const QDateTime &taken = QDateTime::currentDateTime());

    // What a backup's name says: the slot it came from (-1 for the group,
    // none when the name does not say) and when it was taken.
    struct Name {
        bool group = false;
        int slot = -1;
        QDateTime taken;
    };
    static Name parseName(const QString &fileName);

private:
    QString folder_;
};

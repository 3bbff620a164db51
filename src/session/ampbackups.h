// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "protocol/ampmessages.h"

#include <QString>

// The folder where what the Amp held before a write is kept: one dated
// file per backup, the newest MaxBackups of them.
class AmpBackups {
public:
    static constexpr int MaxBackups = 50;

    void setFolder(const QString &folder) { folder_ = folder; }
    QString folder() const { return folder_; }

    // Writes "Amp <date> <what>.syx" and removes the oldest beyond
    // MaxBackups; throws QuorvexError when the folder cannot be made or the
    // file not written.
    QString save(const amp::Bytes &file, const QString &what);

private:
    QString folder_;
};

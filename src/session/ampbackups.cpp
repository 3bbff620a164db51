// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/ampbackups.h"

#include "files/safefile.h"
#include "model/quorvexerror.h"

#include <QDateTime>
#include <QDir>

QString AmpBackups::save(const amp::Bytes &file, const QString &what)
{
    QDir folder(folder_);
    if (folder_.isEmpty() || !folder.mkpath(QStringLiteral(".")))
        throw QuorvexError(QStringLiteral("Can't create the backup folder:\n") + folder_);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss-zzz"));
    const QString path = folder.filePath(QStringLiteral("Amp %1 %2.syx").arg(stamp, what));
    files::writeWholeFile(path, file);
    // The newest backups are kept; names sort by their date.
    QStringList kept = folder.entryList({QStringLiteral("Amp *.syx")}, QDir::Files, QDir::Name);
    while (kept.size() > MaxBackups)
        folder.remove(kept.takeFirst());
    return path;
}

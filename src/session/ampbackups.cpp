// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/ampbackups.h"

#include "files/safefile.h"
#include "model/quorvexerror.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {
const QString StampFormat = QStringLiteral("yyyy-MM-dd HH-mm-ss-zzz");
}

QString AmpBackups::save(const amp::Bytes &file, const QString &what, const QDateTime &taken)
{
    QDir folder(folder_);
    if (folder_.isEmpty() || !folder.mkpath(QStringLiteral(".")))
        throw QuorvexError(tr("Can't create the backup folder:\n%1").arg(folder_));
    const QString stamp = taken.toString(StampFormat);
    QString path = folder.filePath(QStringLiteral("Amp %1 %2.syx").arg(stamp, what));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = folder.filePath(QStringLiteral("Amp %1 %2 (%3).syx").arg(stamp, what).arg(n));
    files::writeWholeFile(path, file);
    // The newest backups are kept; names sort by their date.
    QStringList kept = folder.entryList({QStringLiteral("Amp *.syx")}, QDir::Files, QDir::Name);
    while (kept.size() > MaxBackups)
        folder.remove(kept.takeFirst());
    return path;
}

AmpBackups::Name AmpBackups::parseName(const QString &fileName)
{
    static const QRegularExpression pattern(
        QStringLiteral(
            "^Amp (\\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d-\\d{3}) (group|[A-D][1-4])( \\(\\d+\\))?\\.syx$"),
        QRegularExpression::CaseInsensitiveOption);
    Name name;
    const auto m = pattern.match(fileName);
    if (!m.hasMatch())
        return name;
    name.taken = QDateTime::fromString(m.captured(1), StampFormat);
    const QString what = m.captured(2).toUpper();
    name.group = what == QLatin1String("GROUP");
    if (!name.group)
        name.slot = (what[0].unicode() - u'A') * 4 + (what[1].unicode() - u'1');
    return name;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/apppaths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace AppPaths {

bool isInstalled(const QString &programFile)
{
    const QDir bin = QFileInfo(programFile).absoluteDir();
    if (bin.dirName() != QLatin1String("bin"))
        return false;
    const QString entry = QStringLiteral("../share/applications/%1.desktop").arg(QLatin1String(DesktopId));
    return QFileInfo::exists(bin.filePath(entry));
}

QString dataFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty()) {
        const QString folder = QDir(documents).filePath(QStringLiteral("Quorvex"));
        if (QDir().mkpath(folder))
            return folder;
    }
    return QDir::homePath();
}

QString startFolder(const QString &workingDir, const QString &programFile)
{
    const QFileInfo working(workingDir);
    const bool ownFolder =
        isInstalled(programFile) && working.canonicalFilePath() == QFileInfo(programFile).absoluteDir().canonicalPath();
    if (working.isRoot() || !working.isDir() || !working.isWritable() || ownFolder)
        return dataFolder();
    return workingDir;
}

} // namespace AppPaths

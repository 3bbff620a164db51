// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/libraryroots.h"

#include <QDir>
#include <QFileInfo>

QString LibraryRoots::clean(const QString &folder)
{
    if (folder.isEmpty())
        return {};
    return QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

QStringList LibraryRoots::all() const
{
    QStringList roots;
    for (const QString &r : QStringList{data, backups} + added) {
        const QString c = clean(r);
        if (!c.isEmpty() && !roots.contains(c))
            roots << c;
    }
    return roots;
}

bool LibraryRoots::contains(const QString &folder, const QString &path)
{
    if (folder.isEmpty() || !path.startsWith(folder))
        return false;
    return path.size() == folder.size() || folder.endsWith(QLatin1Char('/')) || path[folder.size()] == QLatin1Char('/');
}

bool LibraryRoots::covers(const QString &path) const
{
    for (const QString &r : all())
        if (contains(r, path))
            return true;
    return false;
}

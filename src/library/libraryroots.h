// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaType>
#include <QString>
#include <QStringList>

// The folders the library covers, each with all its subfolders: the data
// folder (the one the file list shows), the Amp backups folder, and the
// folders the user added. Paths are absolute and clean; empty ones are left
// out.
struct LibraryRoots {
    QString data;
    QString backups;
    QStringList added;

    QStringList all() const;
    // Whether path lies in folder or below it.
    static bool contains(const QString &folder, const QString &path);
    bool isBackup(const QString &path) const { return !backups.isEmpty() && contains(backups, path); }
    bool covers(const QString &path) const;
    static QString clean(const QString &folder);

    friend bool operator==(const LibraryRoots &, const LibraryRoots &) = default;
};
Q_DECLARE_METATYPE(LibraryRoots)

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>

// What the user adds to the library: favourites and tags, by record hash,
// and the folders added to the roots. Each change is one transaction;
// false when it failed (nothing changed then), with the error in *error.
class LibraryMarks {
public:
    static bool setFavourite(QSqlDatabase db, const QList<qint64> &hashes, bool on, QSqlError *error = nullptr);
    // The records' tags become exactly these (trimmed, without line breaks,
    // empty ones left out, case kept as first written).
    static bool setTags(QSqlDatabase db, const QList<qint64> &hashes, const QStringList &tags,
                        QSqlError *error = nullptr);
    static bool addFolder(QSqlDatabase db, const QString &folder, QSqlError *error = nullptr);
    // The tags as they will be stored.
    static QStringList cleanTags(const QStringList &tags);
};

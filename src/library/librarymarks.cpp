// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/librarymarks.h"

#include "library/libraryindexfile.h"

#include <QSqlError>
#include <QSqlQuery>

#include <functional>

namespace {

bool inTransaction(QSqlDatabase db, const std::function<bool()> &body)
{
    if (!db.transaction())
        return false;
    if (!body()) {
        db.rollback();
        return false;
    }
    return db.commit() || (db.rollback(), false);
}

} // namespace

QStringList LibraryMarks::cleanTags(const QStringList &tags)
{
    QStringList clean;
    for (const QString &tag : tags) {
        // simplified() makes line breaks single spaces too.
        const QString t = tag.simplified();
        if (!t.isEmpty() && !clean.contains(t, Qt::CaseInsensitive))
            clean << t;
    }
    return clean;
}

bool LibraryMarks::setFavourite(QSqlDatabase db, const QList<qint64> &hashes, bool on)
{
    return inTransaction(db, [&] {
        QSqlQuery q(db);
        q.prepare(on ? QStringLiteral("INSERT OR IGNORE INTO favourites(hash) VALUES (?)")
                     : QStringLiteral("DELETE FROM favourites WHERE hash = ?"));
        for (qint64 h : hashes)
            if (!LibraryIndexFile::run(q, {h}))
                return false;
        return true;
    });
}

bool LibraryMarks::setTags(QSqlDatabase db, const QList<qint64> &hashes, const QStringList &tags)
{
    const QStringList clean = cleanTags(tags);
    return inTransaction(db, [&] {
        QSqlQuery clear(db), addTag(db), findTag(db), link(db), unused(db);
        clear.prepare(QStringLiteral("DELETE FROM preset_tags WHERE hash = ?"));
        addTag.prepare(QStringLiteral("INSERT OR IGNORE INTO tags(name) VALUES (?)"));
        findTag.prepare(QStringLiteral("SELECT id FROM tags WHERE name = ?"));
        link.prepare(QStringLiteral("INSERT OR IGNORE INTO preset_tags(hash, tag) VALUES (?, ?)"));
        QList<qint64> ids;
        for (const QString &t : clean) {
            if (!LibraryIndexFile::run(addTag, {t}) || !LibraryIndexFile::run(findTag, {t}) || !findTag.next())
                return false;
            ids << findTag.value(0).toLongLong();
            findTag.finish();
        }
        for (qint64 h : hashes) {
            if (!LibraryIndexFile::run(clear, {h}))
                return false;
            for (qint64 id : ids)
                if (!LibraryIndexFile::run(link, {h, id}))
                    return false;
        }
        return unused.exec(QStringLiteral("DELETE FROM tags WHERE id NOT IN (SELECT tag FROM preset_tags)"));
    });
}

bool LibraryMarks::addFolder(QSqlDatabase db, const QString &folder)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT OR IGNORE INTO folders(path) VALUES (?)"));
    return LibraryIndexFile::run(q, {folder});
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/librarymarks.h"

#include "library/libraryindexfile.h"
#include "library/presetcolumns.h"

#include <QSqlError>
#include <QSqlQuery>

#include <functional>

namespace {

// Runs a prepared query with values; throws its error.
void must(QSqlQuery &q, const QVariantList &values)
{
    if (!LibraryIndexFile::run(q, values))
        throw q.lastError();
}

// body in one transaction; false with the error when anything failed, and
// then nothing changed.
bool inTransaction(QSqlDatabase db, QSqlError *error, const std::function<void()> &body)
{
    try {
        if (!db.transaction())
            throw db.lastError();
        try {
            body();
            if (!db.commit())
                throw db.lastError();
        } catch (const QSqlError &) {
            db.rollback();
            throw;
        }
        return true;
    } catch (const QSqlError &e) {
        if (error)
            *error = e;
        return false;
    }
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

bool LibraryMarks::setFavourite(QSqlDatabase db, const QList<qint64> &hashes, bool on, QSqlError *error)
{
    return inTransaction(db, error, [&] {
        QSqlQuery q(db);
        q.prepare(on ? QStringLiteral("INSERT OR IGNORE INTO favourites(hash) VALUES (?)")
                     : QStringLiteral("DELETE FROM favourites WHERE hash = ?"));
        for (qint64 h : hashes)
            must(q, {h});
    });
}

bool LibraryMarks::setTags(QSqlDatabase db, const QList<qint64> &hashes, const QStringList &tags, QSqlError *error)
{
    const QStringList clean = cleanTags(tags);
    return inTransaction(db, error, [&] {
        QSqlQuery clear(db), addTag(db), findTag(db), link(db), unused(db);
        clear.prepare(QStringLiteral("DELETE FROM preset_tags WHERE hash = ?"));
        // One tag whatever the case it is written in, in every script.
        addTag.prepare(QStringLiteral("INSERT INTO tags(name, folded) SELECT ?, ? WHERE NOT EXISTS"
                                      " (SELECT 1 FROM tags WHERE folded = ?)"));
        findTag.prepare(QStringLiteral("SELECT id FROM tags WHERE folded = ?"));
        link.prepare(QStringLiteral("INSERT OR IGNORE INTO preset_tags(hash, tag) VALUES (?, ?)"));
        QList<qint64> ids;
        for (const QString &t : clean) {
            const QString key = presetcolumns::folded(t);
            must(addTag, {t, key, key});
            must(findTag, {key});
            if (!findTag.next())
                throw findTag.lastError();
            ids << findTag.value(0).toLongLong();
            findTag.finish();
        }
        for (qint64 h : hashes) {
            must(clear, {h});
            for (qint64 id : ids)
                must(link, {h, id});
        }
        if (!unused.exec(QStringLiteral("DELETE FROM tags WHERE id NOT IN (SELECT tag FROM preset_tags)")))
            throw unused.lastError();
    });
}

bool LibraryMarks::addFolder(QSqlDatabase db, const QString &folder, QSqlError *error)
{
    return inTransaction(db, error, [&] {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT OR IGNORE INTO folders(path) VALUES (?)"));
        must(q, {folder});
    });
}

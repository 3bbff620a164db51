// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/librarysearch.h"

#include "library/libraryindexfile.h"
#include "library/libraryquery.h"

#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <cstring>

namespace {

const QString Select = QStringLiteral(
    "SELECT f.path, p.slot, f.folder, f.name, f.kind, f.error, p.record, p.hash, f.mtime, f.note,"
    " p.hash IN (SELECT hash FROM favourites),"
    " (SELECT group_concat(t.name, '\n') FROM preset_tags pt JOIN tags t ON t.id = pt.tag WHERE pt.hash = p.hash)"
    " FROM files f LEFT JOIN presets p ON p.file = f.id WHERE %1 ORDER BY f.path, p.slot");

QStringList column(QSqlDatabase db, const QString &sql)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    QStringList values;
    if (q.exec(sql))
        while (q.next())
            values << q.value(0).toString();
    return values;
}

} // namespace

LibrarySearch::Result LibrarySearch::run(QSqlDatabase db, const QString &query)
{
    Result result;
    const CompiledQuery compiled = LibraryQuery::compile(query);
    result.hint = compiled.hint;
    if (!compiled.ok()) {
        result.error = compiled.error;
        return result;
    }
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(Select.arg(compiled.where))) {
        result.error = q.lastError().text();
        return result;
    }
    if (!LibraryIndexFile::run(q, compiled.values)) {
        result.error = q.lastError().text();
        return result;
    }
    while (q.next()) {
        LibraryEntry e;
        e.path = q.value(0).toString();
        e.slot = q.isNull(1) ? -1 : q.value(1).toInt();
        e.folder = q.value(2).toString();
        e.fileName = q.value(3).toString();
        e.kind = LibraryEntry::Kind(q.value(4).toInt());
        e.error = q.value(5).toString();
        const QByteArray record = q.value(6).toByteArray();
        if (record.size() == preset::RecordSize)
            std::memcpy(e.record.data(), record.constData(), preset::RecordSize);
        else if (e.readable())
            e.kind = LibraryEntry::Unreadable; // an index written by something else
        e.hash = q.value(7).toLongLong();
        e.modified = q.value(8).toLongLong();
        e.note = q.value(9).toString();
        e.favourite = q.value(10).toBool();
        const QString tags = q.value(11).toString();
        if (!tags.isEmpty()) {
            e.tags = tags.split(QLatin1Char('\n'));
            e.tags.sort(Qt::CaseInsensitive);
        }
        result.rows.push_back(std::move(e));
    }
    if (q.lastError().isValid())
        result.error = q.lastError().text();
    return result;
}

QStringList LibrarySearch::allTags(QSqlDatabase db)
{
    return column(db, QStringLiteral("SELECT DISTINCT t.name FROM tags t JOIN preset_tags pt ON pt.tag = t.id "
                                     "ORDER BY t.name COLLATE NOCASE"));
}

QStringList LibrarySearch::addedFolders(QSqlDatabase db)
{
    return column(db, QStringLiteral("SELECT path FROM folders ORDER BY path"));
}

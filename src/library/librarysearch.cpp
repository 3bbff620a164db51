// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/librarysearch.h"

#include "library/libraryindexfile.h"
#include "library/libraryquery.h"
#include "library/librarystatement.h"
#include "library/presetcolumns.h"
#include "model/amplists.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <cstring>
#include <numeric>

namespace {

// What a row shows, from "files f LEFT JOIN presets p".
const QString Columns = QStringLiteral(
    "f.id, f.path, p.slot, f.folder, f.name, f.kind, f.error, p.record, p.hash, f.mtime, f.note,"
    " p.hash IN (SELECT hash FROM favourites),"
    " (SELECT group_concat(t.name, '\n') FROM preset_tags pt JOIN tags t ON t.id = pt.tag WHERE pt.hash = p.hash)");
const QString From = QStringLiteral("files f LEFT JOIN presets p ON p.file = f.id");

// By name, this many files in name order are looked through first: when
// they hold the rows asked for, those are the first rows, found without
// going through the others.
constexpr int ProbeFiles = 2000;

LibraryEntry entryOf(const LibraryStatement &s)
{
    LibraryEntry e;
    e.file = s.integer(0);
    e.path = s.text(1);
    e.slot = s.isNull(2) ? -1 : int(s.integer(2));
    e.folder = s.text(3);
    e.fileName = s.text(4);
    e.kind = LibraryEntry::Kind(s.integer(5));
    e.error = s.text(6);
    const QByteArray record = s.blob(7);
    if (record.size() == preset::RecordSize)
        std::memcpy(e.record.data(), record.constData(), preset::RecordSize);
    else if (e.readable())
        e.kind = LibraryEntry::Unreadable; // an index written by something else
    e.hash = s.integer(8);
    e.modified = s.integer(9);
    e.note = s.text(10);
    e.favourite = s.integer(11) != 0;
    const QString tags = s.text(12);
    if (!tags.isEmpty()) {
        e.tags = tags.split(QLatin1Char('\n'));
        e.tags.sort(Qt::CaseInsensitive);
    }
    return e;
}

// CASE p.<column> WHEN <value> THEN <place in order of the names> ... END
QString listOrder(const char *column, const QStringList &names)
{
    std::vector<QByteArray> keys;
    for (const QString &n : names)
        keys.push_back(presetcolumns::sortKey(n));
    std::vector<int> order(names.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return keys[a] < keys[b]; });
    QString sql = QStringLiteral("CASE p.%1").arg(QLatin1String(column));
    for (int place = 0; place < int(order.size()); ++place)
        sql += QStringLiteral(" WHEN %1 THEN %2").arg(order[place]).arg(place);
    return sql + QStringLiteral(" END");
}

// What the rows are sorted by, then by path and slot. A file that cannot be
// read has no value in a preset's column (NULL): it comes first, as the
// lowest.
QString orderBy(LibraryColumns::Column column, bool descending)
{
    QString key;
    switch (column) {
    case LibraryColumns::Name: key = QStringLiteral("f.name_key"); break;
    case LibraryColumns::Folder:
        key = QStringLiteral("(SELECT sort_key FROM file_folders WHERE path = f.folder)");
        break;
    case LibraryColumns::Model: key = listOrder("model", amplists::ampModels()); break;
    case LibraryColumns::Cabinet: key = listOrder("cabinet", amplists::cabinets()); break;
    case LibraryColumns::Modulation: key = listOrder("modulation", amplists::modulationTypes()); break;
    case LibraryColumns::Gain: key = QStringLiteral("p.gain"); break;
    case LibraryColumns::Delay: key = QStringLiteral("p.delay"); break;
    case LibraryColumns::Reverb: key = QStringLiteral("p.reverb"); break;
    case LibraryColumns::Date: key = QStringLiteral("f.mtime"); break;
    case LibraryColumns::Favourite: key = QStringLiteral("coalesce(p.hash IN (SELECT hash FROM favourites), 0)"); break;
    case LibraryColumns::Tags:
        key = QStringLiteral("(SELECT group_concat(folded, ', ') FROM (SELECT t.folded FROM preset_tags pt"
                             " JOIN tags t ON t.id = pt.tag WHERE pt.hash = p.hash ORDER BY t.folded))");
        break;
    case LibraryColumns::Note: key = QStringLiteral("f.note_key"); break;
    case LibraryColumns::Count: break;
    }
    const QString way = descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC");
    QStringList terms;
    if (!key.isEmpty())
        terms << key + way;
    terms << QStringLiteral("f.path") + way << QStringLiteral("p.slot") + way;
    return terms.join(QStringLiteral(", "));
}

// Runs sql with the query's values bound; each row to `row`.
void select(QSqlDatabase db, const QString &sql, const QVariantList &values,
            const std::function<void(const LibraryStatement &)> &row)
{
    LibraryStatement s(db, sql);
    s.bindAll(values);
    while (s.next())
        row(s);
}

// The query for this index: while its search indexes wait to be made,
// words are looked for in every row.
CompiledQuery compile(QSqlDatabase db, const QString &query, bool *deferred = nullptr)
{
    const bool waiting = LibraryIndexFile::searchIndexesDeferred(db);
    if (deferred)
        *deferred = waiting;
    return LibraryQuery::compile(query, !waiting);
}

} // namespace

LibrarySearch::Key LibrarySearch::keyOf(const LibraryEntry &e)
{
    return {e.file, e.readable() ? e.slot : NoPreset};
}

LibrarySearch::Result LibrarySearch::run(QSqlDatabase db, const QString &query)
{
    Result result;
    const CompiledQuery compiled = compile(db, query);
    result.hint = compiled.hint;
    if (!compiled.ok()) {
        result.error = compiled.error;
        return result;
    }
    try {
        select(
            db,
            QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY f.path, p.slot").arg(Columns, From, compiled.narrowed),
            compiled.values, [&](const LibraryStatement &s) { result.rows.push_back(entryOf(s)); });
    } catch (const QSqlError &e) {
        result.rows.clear();
        result.error = e.text();
    }
    return result;
}

LibrarySearch::Result LibrarySearch::first(QSqlDatabase db, const QString &query, LibraryColumns::Column column,
                                           bool descending, int count)
{
    Result result;
    bool deferred = false;
    const CompiledQuery compiled = compile(db, query, &deferred);
    result.hint = compiled.hint;
    if (!compiled.ok()) {
        result.error = compiled.error;
        return result;
    }
    const QString order = orderBy(column, descending);
    auto add = [&](const LibraryStatement &s) { result.rows.push_back(entryOf(s)); };
    try {
        if (column == LibraryColumns::Name && !deferred) {
            // The first files by name, in that order (CROSS JOIN keeps
            // it): enough when they hold `count` rows (most searches, and
            // all that find much).
            const QString way = descending ? QStringLiteral("DESC") : QStringLiteral("ASC");
            select(db,
                   QStringLiteral("SELECT %1 FROM (SELECT id FROM files INDEXED BY files_name ORDER BY name_key %2,"
                                  " path %2 LIMIT %3) w CROSS JOIN files f ON f.id = w.id LEFT JOIN presets p"
                                  " ON p.file = f.id WHERE %4 ORDER BY %5 LIMIT %6")
                       .arg(Columns, way)
                       .arg(ProbeFiles)
                       .arg(compiled.where, order)
                       .arg(count),
                   compiled.values, add);
            if (int(result.rows.size()) >= count)
                return result;
            result.rows.clear();
        }
        // From the terms' own indexes where they have them, then sorted.
        select(db,
               QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %4 LIMIT %5")
                   .arg(Columns, From, compiled.narrowed, order)
                   .arg(count),
               compiled.values, add);
    } catch (const QSqlError &e) {
        result.rows.clear();
        result.error = e.text();
    }
    return result;
}

namespace {

QString keysSql(const CompiledQuery &compiled, LibraryColumns::Column column, bool descending)
{
    return QStringLiteral("SELECT f.id, coalesce(p.slot, %1) FROM %2 WHERE %3 ORDER BY %4")
        .arg(LibrarySearch::NoPreset)
        .arg(From, compiled.narrowed, orderBy(column, descending));
}

} // namespace

QStringList LibrarySearch::plan(QSqlDatabase db, const QString &query, LibraryColumns::Column column, bool descending)
{
    const CompiledQuery compiled = compile(db, query);
    if (!compiled.ok())
        return {compiled.error};
    QStringList steps;
    try {
        // id, parent, unused, what
        select(db, QStringLiteral("EXPLAIN QUERY PLAN ") + keysSql(compiled, column, descending), compiled.values,
               [&](const LibraryStatement &s) { steps << s.text(3); });
    } catch (const QSqlError &e) {
        steps << e.text();
    }
    return steps;
}

std::vector<LibrarySearch::Key> LibrarySearch::keys(QSqlDatabase db, const QString &query,
                                                    LibraryColumns::Column column, bool descending,
                                                    const std::function<bool()> &stop, QString *error)
{
    std::vector<Key> keys;
    const CompiledQuery compiled = compile(db, query);
    if (!compiled.ok()) {
        if (error)
            *error = compiled.error;
        return keys;
    }
    try {
        const LibraryInterrupt interrupt(db, stop);
        LibraryStatement s(db, keysSql(compiled, column, descending));
        s.bindAll(compiled.values);
        while (s.next()) {
            keys.push_back({s.integer(0), int(s.integer(1))});
            // Where SQLite cannot be asked directly, at least between rows.
            if (keys.size() % 4096 == 0 && stop()) {
                keys.clear();
                if (error)
                    *error = QCoreApplication::translate("LibrarySearch", "Stopped.");
                return keys;
            }
        }
    } catch (const QSqlError &e) {
        keys.clear();
        if (error)
            *error = e.text();
    }
    return keys;
}

std::vector<LibraryEntry> LibrarySearch::rows(QSqlDatabase db, std::span<const Key> keys)
{
    std::vector<LibraryEntry> rows(keys.size());
    try {
        LibraryStatement s(db, QStringLiteral("SELECT %1 FROM files f LEFT JOIN presets p ON p.file = f.id AND"
                                              " p.slot = ? WHERE f.id = ?")
                                   .arg(Columns));
        for (std::size_t i = 0; i < keys.size(); ++i) {
            s.bind(0, qint64(keys[i].slot));
            s.bind(1, keys[i].file);
            while (s.next())
                rows[i] = entryOf(s);
        }
    } catch (const QSqlError &) {
        // What could not be read shows as gone; the next search reads it again.
    }
    return rows;
}

namespace {

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

QStringList LibrarySearch::allTags(QSqlDatabase db)
{
    return column(db, QStringLiteral("SELECT DISTINCT t.name FROM tags t JOIN preset_tags pt ON pt.tag = t.id "
                                     "ORDER BY t.name COLLATE NOCASE"));
}

QStringList LibrarySearch::addedFolders(QSqlDatabase db)
{
    return column(db, QStringLiteral("SELECT path FROM folders ORDER BY path"));
}

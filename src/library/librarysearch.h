// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/librarycolumns.h"
#include "library/libraryentry.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>
#include <span>
#include <vector>

// Reading the index: searches and what the marks are. Any connection will
// do; nothing here writes.
class LibrarySearch {
public:
    struct Result {
        std::vector<LibraryEntry> rows; // run(): every row, by path then slot; first(): the first rows
        QString error;                  // the query's explanation, or the index's failure
        QString hint;
    };

    // A row of a search, as the index knows it: the file's row and the
    // preset's slot (NoPreset for a file that could not be read).
    struct Key {
        qint64 file = 0;
        int slot = NoPreset;
        friend bool operator==(const Key &, const Key &) = default;
    };
    static constexpr int NoPreset = -2;
    static Key keyOf(const LibraryEntry &e);

    // Every row the query finds (LibraryQuery's language), by path then slot.
    static Result run(QSqlDatabase db, const QString &query);

    // The first `count` rows the query finds, sorted by the column (then by
    // path and slot; descending turns the whole order round). By name, the
    // index gives them in order, so it takes as long for a query that
    // finds everything as for one that finds little.
    static Result first(QSqlDatabase db, const QString &query, LibraryColumns::Column column, bool descending,
                        int count);
    // Every row's key in the same order. Stopped (an empty list, and
    // *error set) when `stop` returns true, which it is asked now and then.
    static std::vector<Key> keys(QSqlDatabase db, const QString &query, LibraryColumns::Column column, bool descending,
                                 const std::function<bool()> &stop, QString *error);
    // The rows of these keys, in their order; a row whose file has left the
    // index since comes back with file 0.
    static std::vector<LibraryEntry> rows(QSqlDatabase db, std::span<const Key> keys);

    // How SQLite goes about finding every row of the query (its plan of
    // keys()' statement, one step a line), or why the query cannot run.
    static QStringList plan(QSqlDatabase db, const QString &query, LibraryColumns::Column column = LibraryColumns::Name,
                            bool descending = false);

    // Every tag in use, sorted without regard to case.
    static QStringList allTags(QSqlDatabase db);
    // The folders added to the library.
    static QStringList addedFolders(QSqlDatabase db);
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/libraryentry.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <vector>

// Reading the index: searches and what the marks are. Any connection will
// do; nothing here writes.
class LibrarySearch {
public:
    struct Result {
        std::vector<LibraryEntry> rows; // by path, then slot
        QString error;                  // the query's explanation, or the index's failure
        QString hint;
    };

    // The rows the query finds (LibraryQuery's language).
    static Result run(QSqlDatabase db, const QString &query);
    // Every tag in use, sorted without regard to case.
    static QStringList allTags(QSqlDatabase db);
    // The folders added to the library.
    static QStringList addedFolders(QSqlDatabase db);
};

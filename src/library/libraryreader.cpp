// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/libraryreader.h"

#include "library/libraryindexfile.h"

#include <QCoreApplication>

LibraryReader::LibraryReader(const std::atomic<quint64> &newest)
    : newest_(newest), connection_(QStringLiteral("quorvex-library-search-%1").arg(quintptr(this)))
{}

LibraryReader::~LibraryReader()
{
    close();
}

void LibraryReader::attach(const QString &path)
{
    close();
    open_ = LibraryIndexFile::attach(path, connection_, true);
}

void LibraryReader::close()
{
    LibraryIndexFile::close(connection_);
    open_ = false;
}

void LibraryReader::search(quint64 token, const QString &query, int column, bool descending)
{
    if (token < newest_.load())
        return; // a newer request waits behind this one
    auto first = std::make_shared<Answer>();
    first->complete = true;
    if (!open_) {
        first->first.error = QCoreApplication::translate("Library", "The library is being opened.");
        emit found(token, std::move(first));
        return;
    }
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    const auto sort = LibraryColumns::Column(column);
    // One snapshot of the index for the first rows and the keys, so they
    // agree while the worker writes.
    const bool snapshot = db.transaction();
    first->first = LibrarySearch::first(db, query, sort, descending, FirstRows);
    first->complete = !first->first.error.isEmpty() || int(first->first.rows.size()) < FirstRows;
    const Answer shown = *first;
    emit found(token, std::move(first));
    if (!shown.complete) {
        auto all = std::make_shared<Answer>(shown);
        QString error;
        all->keys = LibrarySearch::keys(
            db, query, sort, descending, [&] { return newest_.load() > token; }, &error);
        // Stopped for a newer search, or failed: the first rows stay shown.
        all->complete = error.isEmpty();
        if (all->complete)
            emit found(token, std::move(all));
    }
    if (snapshot)
        db.commit();
}

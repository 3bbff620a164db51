// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/libraryreader.h"

#include "library/libraryindexfile.h"

LibraryReader::LibraryReader(const std::atomic<quint64> &newest)
    : newest_(newest), connection_(QStringLiteral("quorvex-library-search-%1").arg(quintptr(this)))
{
}

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
    auto result = std::make_shared<LibrarySearch::Result>();
    if (open_) {
        *result = LibrarySearch::run(QSqlDatabase::database(connection_, false), query);
        LibraryColumns::sort(result->rows, LibraryColumns::Column(column), descending);
    } else {
        result->error = QStringLiteral("The library is being opened.");
    }
    emit found(token, std::move(result));
}

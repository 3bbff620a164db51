// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

struct sqlite3;
struct sqlite3_stmt;

// One prepared statement of the index. Qt SQL spends far more per value
// bound and read than SQLite itself does, so where Qt's driver runs on this
// program's own SQLite library the statement goes to it directly through
// the driver's handle; elsewhere it goes through Qt SQL. Every failure
// throws the QSqlError, with SQLite's result code as its native code.
class LibraryStatement {
public:
    LibraryStatement(QSqlDatabase db, const QString &sql);
    ~LibraryStatement();
    LibraryStatement(const LibraryStatement &) = delete;
    LibraryStatement &operator=(const LibraryStatement &) = delete;

    // Whether statements on db go to SQLite directly.
    static bool isDirect(QSqlDatabase db);

    void bind(int i, qint64 v);
    void bind(int i, const QString &v); // a null string binds NULL
    void bind(int i, std::span<const std::uint8_t> blob);
    void bind(int i, const QByteArray &blob);
    // Integers, texts and byte arrays, in order from index 0.
    void bindAll(const QVariantList &values);

    // Runs a statement that returns no rows; the new row's id for an insert.
    qint64 run();

    // The next row of a query (started by the first call); false after the
    // last, when the statement is ready to run again.
    bool next();
    bool isNull(int column) const;
    qint64 integer(int column) const;
    QString text(int column) const;
    QByteArray blob(int column) const;

private:
    QSqlError error(int code) const;

    sqlite3 *db_ = nullptr;
    sqlite3_stmt *stmt_ = nullptr;
    std::optional<QSqlQuery> query_;
    bool started_ = false;
};

// While one lives, the statements running on db are stopped (they throw
// with SQLITE_INTERRUPT) once `stop` returns true; it is asked every few
// thousand steps. Only where statements go to SQLite directly.
class LibraryInterrupt {
public:
    LibraryInterrupt(QSqlDatabase db, std::function<bool()> stop);
    ~LibraryInterrupt();
    LibraryInterrupt(const LibraryInterrupt &) = delete;
    LibraryInterrupt &operator=(const LibraryInterrupt &) = delete;

    static bool isInterrupt(const QSqlError &error);

private:
    sqlite3 *db_ = nullptr;
    std::function<bool()> stop_;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/librarystatement.h"

#include <QCoreApplication>
#include <QSqlDriver>

#include <sqlite3.h>

namespace {

// The connection's own sqlite3, when it is run by the same library as
// this program links; nullptr otherwise.
sqlite3 *directHandle(QSqlDatabase db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    sqlite3 *direct = *static_cast<sqlite3 *const *>(handle.constData());
    if (!direct)
        return nullptr;
    // Another SQLite inside Qt's driver may differ in what it stores: only
    // the very version this program was built with is used directly.
    QSqlQuery version(db);
    if (!version.exec(QStringLiteral("SELECT sqlite_version()")) || !version.next() ||
        version.value(0).toString() != QLatin1String(sqlite3_libversion()))
        return nullptr;
    return direct;
}

QSqlError sqliteError(sqlite3 *db, int code)
{
    return QSqlError(QCoreApplication::translate("LibraryStatement", "Unable to use the library index"),
                     QString::fromUtf8(sqlite3_errmsg(db)), QSqlError::StatementError, QString::number(code));
}

} // namespace

bool LibraryStatement::isDirect(QSqlDatabase db)
{
    return directHandle(db) != nullptr;
}

LibraryStatement::LibraryStatement(QSqlDatabase db, const QString &sql) : db_(directHandle(db))
{
    if (db_) {
        const QByteArray utf8 = sql.toUtf8();
        if (const int rc = sqlite3_prepare_v2(db_, utf8.constData(), int(utf8.size()), &stmt_, nullptr);
            rc != SQLITE_OK)
            throw sqliteError(db_, rc);
    } else {
        query_.emplace(db);
        query_->setForwardOnly(true);
        if (!query_->prepare(sql))
            throw query_->lastError();
    }
}

LibraryStatement::~LibraryStatement()
{
    sqlite3_finalize(stmt_);
}

QSqlError LibraryStatement::error(int code) const
{
    return sqliteError(db_, code);
}

void LibraryStatement::bind(int i, qint64 v)
{
    if (stmt_)
        sqlite3_bind_int64(stmt_, i + 1, v);
    else
        query_->bindValue(i, v);
}

void LibraryStatement::bind(int i, const QString &v)
{
    if (stmt_ && v.isNull())
        sqlite3_bind_null(stmt_, i + 1);
    else if (stmt_)
        sqlite3_bind_text16(stmt_, i + 1, v.utf16(), int(v.size() * 2), SQLITE_TRANSIENT);
    else
        query_->bindValue(i, v.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(v));
}

void LibraryStatement::bind(int i, std::span<const std::uint8_t> blob)
{
    if (stmt_)
        sqlite3_bind_blob(stmt_, i + 1, blob.data(), int(blob.size()), SQLITE_TRANSIENT);
    else
        query_->bindValue(i, QByteArray(reinterpret_cast<const char *>(blob.data()), qsizetype(blob.size())));
}

void LibraryStatement::bind(int i, const QByteArray &blob)
{
    bind(i, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t *>(blob.constData()),
                                          std::size_t(blob.size())));
}

void LibraryStatement::bindAll(const QVariantList &values)
{
    for (int i = 0; i < values.size(); ++i) {
        const QVariant &v = values[i];
        switch (v.typeId()) {
        case QMetaType::QString: bind(i, v.toString()); break;
        case QMetaType::QByteArray: bind(i, v.toByteArray()); break;
        default: bind(i, v.toLongLong()); break;
        }
    }
}

qint64 LibraryStatement::run()
{
    if (!stmt_) {
        if (!query_->exec())
            throw query_->lastError();
        return query_->lastInsertId().toLongLong();
    }
    const int rc = sqlite3_step(stmt_);
    sqlite3_reset(stmt_);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw error(rc);
    return sqlite3_last_insert_rowid(db_);
}

bool LibraryStatement::next()
{
    if (!stmt_) {
        if (!started_ && !query_->exec())
            throw query_->lastError();
        started_ = true;
        if (query_->next())
            return true;
        started_ = false;
        if (query_->lastError().isValid())
            throw query_->lastError();
        query_->finish();
        return false;
    }
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    sqlite3_reset(stmt_);
    if (rc != SQLITE_DONE)
        throw error(rc);
    return false;
}

bool LibraryStatement::isNull(int column) const
{
    return stmt_ ? sqlite3_column_type(stmt_, column) == SQLITE_NULL : query_->isNull(column);
}

qint64 LibraryStatement::integer(int column) const
{
    return stmt_ ? sqlite3_column_int64(stmt_, column) : query_->value(column).toLongLong();
}

QString LibraryStatement::text(int column) const
{
    if (!stmt_)
        return query_->value(column).toString();
    const void *text = sqlite3_column_text16(stmt_, column);
    if (!text)
        return {};
    return QString(static_cast<const QChar *>(text), sqlite3_column_bytes16(stmt_, column) / 2);
}

QByteArray LibraryStatement::blob(int column) const
{
    if (!stmt_)
        return query_->value(column).toByteArray();
    const void *data = sqlite3_column_blob(stmt_, column);
    return data ? QByteArray(static_cast<const char *>(data), sqlite3_column_bytes(stmt_, column)) : QByteArray();
}

namespace {

int askToStop(void *stop)
{
    return (*static_cast<std::function<bool()> *>(stop))() ? 1 : 0;
}

} // namespace

LibraryInterrupt::LibraryInterrupt(QSqlDatabase db, std::function<bool()> stop)
    : db_(directHandle(db)), stop_(std::move(stop))
{
    if (db_)
        sqlite3_progress_handler(db_, 10000, askToStop, &stop_);
}

LibraryInterrupt::~LibraryInterrupt()
{
    if (db_)
        sqlite3_progress_handler(db_, 0, nullptr, nullptr);
}

bool LibraryInterrupt::isInterrupt(const QSqlError &error)
{
    bool ok = false;
    return (error.nativeErrorCode().toInt(&ok) & 0xFF) == SQLITE_INTERRUPT && ok;
}

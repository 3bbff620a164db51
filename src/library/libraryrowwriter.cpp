// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/libraryrowwriter.h"

#include "library/presetcolumns.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <sqlite3.h>

#include <optional>

namespace {

// The connection's own sqlite3, when it is run by the same library as
// this program links; nullptr otherwise.
sqlite3 *directHandle(QSqlDatabase db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    QSqlQuery version(db);
    if (!version.exec(QStringLiteral("SELECT sqlite_version()")) || !version.next() ||
        version.value(0).toString() != QLatin1String(sqlite3_libversion()))
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

QSqlError sqliteError(sqlite3 *db, int code)
{
    return QSqlError(QStringLiteral("Unable to write the library index"), QString::fromUtf8(sqlite3_errmsg(db)),
                     QSqlError::StatementError, QString::number(code));
}

QString placeholders(int n)
{
    QStringList marks;
    for (int i = 0; i < n; ++i)
        marks << QStringLiteral("?");
    return marks.join(QLatin1Char(','));
}

} // namespace

// One prepared statement, on SQLite directly or through Qt SQL.
class LibraryRowWriter::Statement {
public:
    Statement(QSqlDatabase db, sqlite3 *direct, const QString &sql) : db_(direct)
    {
        if (db_) {
            const QByteArray utf8 = sql.toUtf8();
            if (const int rc = sqlite3_prepare_v2(db_, utf8.constData(), int(utf8.size()), &stmt_, nullptr); rc != SQLITE_OK)
                throw sqliteError(db_, rc);
        } else {
            query_.emplace(db);
            if (!query_->prepare(sql))
                throw query_->lastError();
        }
    }
    ~Statement() { sqlite3_finalize(stmt_); }

    void bind(int i, qint64 v)
    {
        if (stmt_)
            sqlite3_bind_int64(stmt_, i + 1, v);
        else
            query_->bindValue(i, v);
    }
    void bind(int i, const QString &v)
    {
        if (stmt_ && v.isNull())
            sqlite3_bind_null(stmt_, i + 1);
        else if (stmt_)
            sqlite3_bind_text16(stmt_, i + 1, v.utf16(), int(v.size() * 2), SQLITE_TRANSIENT);
        else
            query_->bindValue(i, v.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(v));
    }
    void bind(int i, std::span<const std::uint8_t> blob)
    {
        if (stmt_)
            sqlite3_bind_blob(stmt_, i + 1, blob.data(), int(blob.size()), SQLITE_TRANSIENT);
        else
            query_->bindValue(i, QByteArray(reinterpret_cast<const char *>(blob.data()), qsizetype(blob.size())));
    }
    // Runs it; the new row's id for an insert.
    qint64 run()
    {
        if (!stmt_) {
            if (!query_->exec())
                throw query_->lastError();
            return query_->lastInsertId().toLongLong();
        }
        const int rc = sqlite3_step(stmt_);
        sqlite3_reset(stmt_);
        if (rc != SQLITE_DONE && rc != SQLITE_ROW)
            throw sqliteError(db_, rc);
        return sqlite3_last_insert_rowid(db_);
    }

private:
    sqlite3 *db_;
    sqlite3_stmt *stmt_ = nullptr;
    std::optional<QSqlQuery> query_;
};

LibraryRowWriter::LibraryRowWriter(QSqlDatabase db) : db_(db)
{
    sqlite3 *direct = directHandle(db);
    QStringList presetColumns{QStringLiteral("file"), QStringLiteral("slot"), QStringLiteral("record"),
                              QStringLiteral("hash")};
    for (const auto &c : presetcolumns::lists())
        presetColumns << QLatin1String(c.name);
    for (const auto &c : presetcolumns::numbers())
        presetColumns << QLatin1String(c.name);
    auto statement = [&](const QString &sql) { return std::make_unique<Statement>(db, direct, sql); };
    removePresets_ = statement(QStringLiteral("DELETE FROM presets WHERE file = (SELECT id FROM files WHERE path = ?)"));
    removeFile_ = statement(QStringLiteral("DELETE FROM files WHERE path = ?"));
    addFile_ = statement(QStringLiteral("INSERT INTO files(path, folder, name, size, mtime, note_size, note_mtime, kind,"
                                        " backup, error, note, words, folder_folded) VALUES (%1)")
                             .arg(placeholders(13)));
    addPreset_ = statement(QStringLiteral("INSERT INTO presets(%1) VALUES (%2)")
                               .arg(presetColumns.join(QLatin1Char(',')), placeholders(int(presetColumns.size()))));
}

LibraryRowWriter::~LibraryRowWriter() = default;

void LibraryRowWriter::begin()
{
    if (!db_.transaction())
        throw db_.lastError();
}

void LibraryRowWriter::commit()
{
    if (!db_.commit())
        throw db_.lastError();
}

void LibraryRowWriter::rollback()
{
    db_.rollback();
}

void LibraryRowWriter::removeFile(const QString &path)
{
    removePresets_->bind(0, path);
    removePresets_->run();
    removeFile_->bind(0, path);
    removeFile_->run();
}

qint64 LibraryRowWriter::addFile(const FileRow &f)
{
    Statement &s = *addFile_;
    s.bind(0, f.path);
    s.bind(1, f.folder);
    s.bind(2, f.name);
    s.bind(3, f.size);
    s.bind(4, f.mtime);
    s.bind(5, f.noteSize);
    s.bind(6, f.noteMtime);
    s.bind(7, qint64(f.kind));
    s.bind(8, qint64(f.backup ? 1 : 0));
    s.bind(9, f.error);
    s.bind(10, f.note);
    s.bind(11, f.words);
    s.bind(12, presetcolumns::folded(f.folder));
    return s.run();
}

void LibraryRowWriter::addPreset(qint64 file, int slot, std::span<const std::uint8_t, preset::RecordSize> record)
{
    Statement &s = *addPreset_;
    int i = 0;
    s.bind(i++, file);
    s.bind(i++, qint64(slot));
    s.bind(i++, std::span<const std::uint8_t>(record));
    s.bind(i++, presetcolumns::hashOf(record));
    for (const auto &c : presetcolumns::lists())
        s.bind(i++, qint64(c.value(record)));
    for (const auto &c : presetcolumns::numbers())
        s.bind(i++, qint64(c.value(record)));
    s.run();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/libraryindexfile.h"

#include "library/librarymarks.h"
#include "library/presetcolumns.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QThread>
#include <QUrl>

#include <atomic>
#include <functional>
#include <optional>

namespace {

// SQLite's primary result codes the opening cares about.
constexpr int SqliteError = 1, SqliteBusy = 5, SqliteLocked = 6, SqliteReadOnly = 8, SqliteCorrupt = 11,
              SqliteCantOpen = 14, SqliteNotADb = 26;

// Step n takes the schema from version n - 1 to n.
const char *const Step1[] = {
    // One row per file under the roots: its stamps say whether it must be
    // read again; kind 0 is a file that could not be read (with the
    // reason), 3 a global file, kept so it is not read again.
    "CREATE TABLE files("
    " id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE, folder TEXT NOT NULL, name TEXT NOT NULL,"
    " size INTEGER NOT NULL, mtime INTEGER NOT NULL, note_size INTEGER NOT NULL, note_mtime INTEGER NOT NULL,"
    " kind INTEGER NOT NULL, backup INTEGER NOT NULL, error TEXT, note TEXT NOT NULL, words TEXT NOT NULL)",
    "CREATE INDEX files_folder ON files(folder)",
    // One row per preset: a single file's (slot -1) or a group file's
    // slot, keyed by file and slot, with the values searched by. The
    // writer deletes a file's presets with it.
    "CREATE TABLE presets("
    " file INTEGER NOT NULL REFERENCES files(id), slot INTEGER NOT NULL,"
    " record BLOB NOT NULL, hash INTEGER NOT NULL,"
    " model INTEGER NOT NULL, cabinet INTEGER NOT NULL, modulation INTEGER NOT NULL,"
    " gain INTEGER NOT NULL, low INTEGER NOT NULL, mid INTEGER NOT NULL, high INTEGER NOT NULL,"
    " post INTEGER NOT NULL, midfreq INTEGER NOT NULL, reverb INTEGER NOT NULL, delay INTEGER NOT NULL,"
    " feedback INTEGER NOT NULL, rate INTEGER NOT NULL, depth INTEGER NOT NULL, time INTEGER NOT NULL,"
    " PRIMARY KEY(file, slot)) WITHOUT ROWID",
    // Folders added from the library window.
    "CREATE TABLE folders(path TEXT PRIMARY KEY) WITHOUT ROWID",
};
const char *const Step2[] = {
    // Marks go by the record's hash, so they follow a preset through
    // renames and moves, and outlive its files.
    "CREATE TABLE favourites(hash INTEGER PRIMARY KEY)",
    "CREATE TABLE tags(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE COLLATE NOCASE)",
    "CREATE TABLE preset_tags(hash INTEGER NOT NULL, tag INTEGER NOT NULL REFERENCES tags(id),"
    " PRIMARY KEY(hash, tag)) WITHOUT ROWID",
    "CREATE INDEX preset_tags_tag ON preset_tags(tag)",
};

const char *const Step3[] = {
    // Text searched case-insensitively is kept case-folded by Qt, as the
    // search folds its terms: SQLite folds ASCII letters only.
    "ALTER TABLE files ADD COLUMN folder_folded TEXT NOT NULL DEFAULT ''",
    "ALTER TABLE tags ADD COLUMN folded TEXT NOT NULL DEFAULT ''",
    "CREATE INDEX tags_folded ON tags(folded)",
};

// The indexes searches go through, besides those of the tables' keys.
// Filling an empty index with a whole library, they are left out and made
// at the end (LibraryIndexFile::deferSearchIndexes): an index whose keys
// come in no order costs many times more kept up row by row than made at
// once.
const char *const SearchIndexes[] = {
    // By name: a screenful at a time, in order.
    "CREATE INDEX IF NOT EXISTS files_name ON files(name_key, path)",
    // Model, cabinet and modulation in one index: a search for one of them
    // names every value of those before it.
    "CREATE INDEX IF NOT EXISTS presets_lists ON presets(model, cabinet, modulation)",
    // Favourites and tags go by the hash.
    "CREATE INDEX IF NOT EXISTS presets_hash ON presets(hash)",
};
const char *const SearchIndexNames[] = {"files_name", "presets_lists", "presets_hash"};

const char *const Step4[] = {
    // Plain words are found through an index of every three characters in
    // a row, so any part of a word of three characters or more is found
    // without reading every row. It indexes the words column, folded by Qt
    // (matched as it is: its own folding is ASCII only). LibraryRowWriter
    // keeps it in line with the files: a trigger would have it write its
    // pending rows out after every statement, five times slower.
    "CREATE VIRTUAL TABLE files_fts USING fts5(words, content='files', content_rowid='id',"
    " tokenize='trigram case_sensitive 1')",
    // What the columns sort by (presetcolumns::sortKey).
    "ALTER TABLE files ADD COLUMN name_key BLOB NOT NULL DEFAULT x''",
    "ALTER TABLE files ADD COLUMN note_key BLOB NOT NULL DEFAULT x''",
    // Every folder files are in, folded and with its sort key: "in:" looks
    // through these, not through every file. (files.folder_folded is no
    // longer written.)
    "CREATE TABLE file_folders(path TEXT PRIMARY KEY, folded TEXT NOT NULL, sort_key BLOB NOT NULL) WITHOUT ROWID",
    // Few files are unreadable or backups: "is:unreadable" and "in:backups"
    // find them here.
    "CREATE INDEX files_unreadable ON files(id) WHERE kind = 0",
    "CREATE INDEX files_backups ON files(id) WHERE backup = 1",
    // A row while the search indexes and the words' index wait to be made.
    "CREATE TABLE deferred(what TEXT PRIMARY KEY) WITHOUT ROWID",
};

const char *const Step5[] = {
    // Values out of the Amp's range are now listed as the editor makes them
    // valid: every preset file is read again at the next pass.
    "UPDATE files SET mtime = -1 WHERE kind IN (1, 2)",
};

void exec(QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw q.lastError();
}

// Each row of `select` (an id, then texts), written back by `update` with
// the texts case-folded, then the id.
void foldRows(QSqlDatabase &db, const QString &select, const QString &update)
{
    QSqlQuery read(db);
    read.setForwardOnly(true);
    if (!read.exec(select))
        throw read.lastError();
    QList<QVariantList> rows;
    while (read.next()) {
        QVariantList values;
        for (int i = 1; i < read.record().count(); ++i)
            values << presetcolumns::folded(read.value(i).toString());
        rows << (values << read.value(0));
    }
    read.finish();
    QSqlQuery write(db);
    if (!write.prepare(update))
        throw write.lastError();
    for (const QVariantList &values : std::as_const(rows))
        if (!LibraryIndexFile::run(write, values))
            throw write.lastError();
}

// The folded columns of the rows already there (words were lower case).
void foldExisting(QSqlDatabase &db)
{
    foldRows(db, QStringLiteral("SELECT id, folder, words FROM files"),
             QStringLiteral("UPDATE files SET folder_folded = ?, words = ? WHERE id = ?"));
    foldRows(db, QStringLiteral("SELECT id, name FROM tags"),
             QStringLiteral("UPDATE tags SET folded = ? WHERE id = ?"));
}

void makeSearchIndexes(QSqlDatabase &db)
{
    for (const char *sql : SearchIndexes)
        exec(db, QString::fromLatin1(sql));
}

// The sort keys, folders and word index of the rows already there, and the
// search indexes.
void keyExisting(QSqlDatabase &db)
{
    QSqlQuery read(db);
    read.setForwardOnly(true);
    if (!read.exec(QStringLiteral("SELECT id, name, folder, kind, note, error FROM files")))
        throw read.lastError();
    QList<QVariantList> rows;
    QSet<QString> folders;
    while (read.next()) {
        const QString folder = read.value(2).toString();
        const int kind = read.value(3).toInt();
        const QString shown = read.value(kind == 1 || kind == 2 ? 4 : 5).toString();
        rows << QVariantList{presetcolumns::sortKey(read.value(1).toString()), presetcolumns::sortKey(shown),
                             read.value(0)};
        folders.insert(folder);
    }
    read.finish();
    QSqlQuery write(db);
    if (!write.prepare(QStringLiteral("UPDATE files SET name_key = ?, note_key = ? WHERE id = ?")))
        throw write.lastError();
    for (const QVariantList &values : std::as_const(rows))
        if (!LibraryIndexFile::run(write, values))
            throw write.lastError();
    if (!write.prepare(QStringLiteral("INSERT INTO file_folders(path, folded, sort_key) VALUES (?, ?, ?)")))
        throw write.lastError();
    for (const QString &folder : std::as_const(folders))
        if (!LibraryIndexFile::run(write, {folder, presetcolumns::folded(folder), presetcolumns::sortKey(folder)}))
            throw write.lastError();
    exec(db, QStringLiteral("INSERT INTO files_fts(files_fts) VALUES ('rebuild')"));
    makeSearchIndexes(db);
}

struct Step {
    const char *const *begin;
    const char *const *end;
    void (*fill)(QSqlDatabase &db); // after the statements, or nullptr
};
const Step Steps[] = {{std::begin(Step1), std::end(Step1), nullptr},
                      {std::begin(Step2), std::end(Step2), nullptr},
                      {std::begin(Step3), std::end(Step3), foldExisting},
                      {std::begin(Step4), std::end(Step4), keyExisting},
                      {std::begin(Step5), std::end(Step5), nullptr}};
static_assert(std::size(Steps) == LibraryIndexFile::Version);

// Table -> its columns, as the database has them.
using Schema = QHash<QString, QStringList>;

Schema schemaOf(QSqlDatabase db)
{
    Schema schema;
    QSqlQuery tables(db);
    if (!tables.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'")))
        return schema;
    while (tables.next()) {
        const QString table = tables.value(0).toString();
        QSqlQuery columns(db);
        QStringList names;
        if (columns.exec(QStringLiteral("PRAGMA table_info(\"%1\")")
                             .arg(QString(table).replace(QLatin1Char('"'), QStringLiteral("\"\"")))))
            while (columns.next())
                names << columns.value(1).toString();
        schema.insert(table, names);
    }
    return schema;
}

// The schema of `version` as the steps make it, built once in memory.
Schema schemaOfVersion(int version)
{
    static QMutex mutex;
    static QHash<int, Schema> made;
    const QMutexLocker lock(&mutex);
    if (const auto it = made.constFind(version); it != made.cend())
        return *it;
    const QString name = QStringLiteral("quorvex-library-schema-%1").arg(quintptr(QThread::currentThreadId()));
    Schema schema;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QStringLiteral(":memory:"));
        if (db.open() && LibraryIndexFile::migrate(db, 0, version))
            schema = schemaOf(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    made.insert(version, schema);
    return schema;
}

// Every table and column of its version is there (more may be).
bool hasSchemaOf(QSqlDatabase db, int version)
{
    const Schema expected = schemaOfVersion(version);
    const Schema actual = schemaOf(db);
    if (expected.isEmpty())
        return false;
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const QStringList have = actual.value(it.key());
        for (const QString &column : *it)
            if (!have.contains(column))
                return false;
    }
    return true;
}

// Why opening stopped, and what to do about it.
struct Trouble {
    enum What {
        Damaged,    // the database says so, or its tables are not its version's
        Newer,      // made by a newer version
        Busy,       // another program holds its lock
        Unwritable, // read-only, a full disk, a size limit, an I/O error
        CantOpen,   // not there to be opened (a folder in the way ...)
    } what;
    QString reason; // the database's words, when it gave some
};

Trouble troubleOf(const QSqlError &e)
{
    if (LibraryIndexFile::isDamage(e))
        return {Trouble::Damaged, e.text()};
    if (LibraryIndexFile::isBusy(e))
        return {Trouble::Busy, e.text()};
    if (LibraryIndexFile::resultCode(e) == SqliteCantOpen)
        return {Trouble::CantOpen, e.databaseText()};
    return {Trouble::Unwritable, e.databaseText()};
}

// Each connection's page cache.
constexpr int CacheKiB = 32 * 1024;

std::atomic<int> busyTimeoutMs{LibraryIndexFile::BusyTimeoutMs};

QString stamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
}

// Moves the file and SQLite's side files to `aside`; false when the file
// itself could not be moved.
bool moveAside(const QString &path, const QString &aside)
{
    if (QFile::exists(path) && !QFile::rename(path, aside))
        return false;
    for (const char *side : {"-wal", "-shm"}) {
        const QString from = path + QLatin1String(side);
        if (QFile::exists(from) && !QFile::rename(from, aside + QLatin1String(side)))
            QFile::remove(from);
    }
    return true;
}

// path may be a URI ("file:...?immutable=1") when uri is set.
QSqlDatabase connect(const QString &path, const QString &name, bool uri = false)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    // A writer on another thread holds its lock for one short batch.
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs.load());
    if (uri)
        options += QStringLiteral(";QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY");
    db.setConnectOptions(options);
    if (!db.open())
        throw db.lastError();
    // SQLite's own 2 MB would have the pages of a large library's indexes
    // read again and again; memory is only taken as pages are used.
    QSqlQuery(db).exec(QStringLiteral("PRAGMA cache_size = -%1").arg(CacheKiB));
    return db;
}

// Opens path and brings its schema up to date; throws Trouble.
void prepare(const QString &path, const QString &name)
{
    try {
        QSqlDatabase db = connect(path, name);
        const LibraryIndexFile::Inspection seen = LibraryIndexFile::inspect(db);
        if (seen.state == LibraryIndexFile::State::Unreadable)
            throw seen.error;
        if (seen.state == LibraryIndexFile::State::Damaged)
            throw Trouble{Trouble::Damaged, {}};
        if (seen.state == LibraryIndexFile::State::Newer)
            throw Trouble{Trouble::Newer, {}};
        const int version = seen.version;
        // A new file's pages: twice SQLite's own size, a fifth less work
        // for each of the hundreds of thousands of rows of a large library.
        if (seen.state == LibraryIndexFile::State::Empty)
            exec(db, QStringLiteral("PRAGMA page_size = 8192"));
        // WAL before anything is written, so not even the schema waits for
        // the disk: a commit lost to a power cut is read again from the
        // files, and WAL keeps the file sound either way.
        exec(db, QStringLiteral("PRAGMA synchronous = NORMAL"));
        exec(db, QStringLiteral("PRAGMA journal_mode = WAL"));
        // A pass over tens of thousands of presets writes some 10 MB: moved
        // into the file at the end rather than every 4 MB on the way.
        exec(db, QStringLiteral("PRAGMA wal_autocheckpoint = 8000"));
        // Writing the version it has is the cheapest proof that it can be
        // written at all.
        exec(db, QStringLiteral("PRAGMA user_version = %1").arg(version));
        if (version > 0 && version < LibraryIndexFile::Version) {
            // The copy kept in case the new version goes wrong; VACUUM INTO
            // makes it whole whatever the write-ahead log still holds.
            const QString copy = path + QStringLiteral(".v%1-before-migration").arg(version);
            QFile::remove(copy);
            QSqlQuery vacuum(db);
            vacuum.prepare(QStringLiteral("VACUUM INTO ?"));
            vacuum.bindValue(0, copy);
            if (!vacuum.exec())
                throw vacuum.lastError();
        }
        // A step that fails on tables not as their version number says is
        // damage; the rest (a full disk ...) is what it is.
        QSqlError failed;
        if (!LibraryIndexFile::migrate(db, version, LibraryIndexFile::Version, &failed)) {
            if (LibraryIndexFile::resultCode(failed) == SqliteError)
                throw Trouble{Trouble::Damaged, {}};
            throw failed;
        }
    } catch (const QSqlError &e) {
        throw troubleOf(e);
    }
}

// Prepares path as `name`; the trouble when it could not, the connection
// then closed.
std::optional<Trouble> tryPrepare(const QString &path, const QString &name)
{
    try {
        prepare(path, name);
        return std::nullopt;
    } catch (const Trouble &t) {
        LibraryIndexFile::close(name);
        return t;
    }
}

// The marks kept in the index at `from` (favourites, tags, added folders),
// written into db; the names of those that could not be read.
QStringList carryMarks(const QString &from, QSqlDatabase db)
{
    QList<qint64> favourites;
    QHash<qint64, QStringList> tags;
    QStringList folders, missing;
    const QString name = QStringLiteral("quorvex-library-old-%1").arg(quintptr(QThread::currentThreadId()));
    const bool attached = LibraryIndexFile::attach(from, name, true);
    {
        QSqlQuery q(QSqlDatabase::database(name, false));
        auto read = [&](const char *sql, const char *what, const std::function<void()> &row) {
            if (!attached || !q.exec(QLatin1String(sql))) {
                missing << QLatin1String(what);
                return;
            }
            while (q.next())
                row();
            if (q.lastError().isValid())
                missing << QLatin1String(what);
            q.finish();
        };
        read("SELECT hash FROM favourites", "favourites", [&] { favourites << q.value(0).toLongLong(); });
        read("SELECT pt.hash, t.name FROM preset_tags pt JOIN tags t ON t.id = pt.tag", "tags",
             [&] { tags[q.value(0).toLongLong()] << q.value(1).toString(); });
        read("SELECT path FROM folders", "added folders", [&] { folders << q.value(0).toString(); });
    }
    LibraryIndexFile::close(name);
    bool written = LibraryMarks::setFavourite(db, favourites, true);
    for (auto it = tags.cbegin(); it != tags.cend(); ++it)
        written = LibraryMarks::setTags(db, {it.key()}, *it) && written;
    for (const QString &f : std::as_const(folders))
        written = LibraryMarks::addFolder(db, f) && written;
    if (!written)
        missing = QStringList{QCoreApplication::translate("LibraryIndexFile", "favourites"),
                              QCoreApplication::translate("LibraryIndexFile", "tags"),
                              QCoreApplication::translate("LibraryIndexFile", "added folders")};
    return missing;
}

// "Its favourites and tags could not be read ..." for what carryMarks missed.
QString marksSentence(const QStringList &missing, bool kept)
{
    if (missing.isEmpty())
        return kept ? QCoreApplication::translate("LibraryIndexFile",
                                                  " Its favourites, tags and added folders are carried over.")
                    : QCoreApplication::translate(
                          "LibraryIndexFile",
                          " Its favourites, tags and added folders are shown; what changes now is not kept.");
    QString list = missing.first();
    for (qsizetype i = 1; i < missing.size(); ++i)
        list += (i + 1 == missing.size() ? QCoreApplication::translate("LibraryIndexFile", " and ")
                                         : QStringLiteral(", ")) +
                missing[i];
    return QCoreApplication::translate("LibraryIndexFile", " Its %1 could not be read and are not in the %2.")
        .arg(list, kept ? QCoreApplication::translate("LibraryIndexFile", "new one")
                        : QCoreApplication::translate("LibraryIndexFile", "library for now"));
}

// A private index in the temporary folder for this session, with the
// marks of the one at path; it is removed when the library closes.
LibraryIndexFile::Opened standIn(const QString &path, const QString &name, const QString &why)
{
    LibraryIndexFile::Opened opened;
    opened.temporary = true;
    // A name nobody can guess or put something in the way of.
    QTemporaryFile file(QDir::temp().filePath(QStringLiteral("quorvex-library-XXXXXX.sqlite")));
    file.setAutoRemove(false);
    const bool made = file.open();
    const QString madePath = file.fileName();
    file.close();
    if (!made || tryPrepare(madePath, name)) {
        if (made)
            LibraryIndexFile::remove(madePath);
        opened.notice =
            why + QCoreApplication::translate("LibraryIndexFile",
                                              " No library can be made in the temporary folder either; the library is "
                                              "not available.");
        return opened;
    }
    opened.path = madePath;
    opened.ok = true;
    opened.notice =
        why + QCoreApplication::translate("LibraryIndexFile", " The library is kept for this session only.");
    if (QFileInfo::exists(path))
        opened.notice += marksSentence(carryMarks(path, QSqlDatabase::database(name, false)), false);
    return opened;
}

} // namespace

QString LibraryIndexFile::defaultPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("library.sqlite"));
}

int LibraryIndexFile::resultCode(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xFF) : 0;
}

bool LibraryIndexFile::isDamage(const QSqlError &error)
{
    // Not a full disk, an I/O error, a lock or a read-only file: those say
    // nothing about what the file holds.
    const int code = resultCode(error);
    return code == SqliteCorrupt || code == SqliteNotADb;
}

bool LibraryIndexFile::isBusy(const QSqlError &error)
{
    const int code = resultCode(error);
    return code == SqliteBusy || code == SqliteLocked;
}

int LibraryIndexFile::version(QSqlDatabase db, bool *ok)
{
    QSqlQuery q(db);
    const bool read = q.exec(QStringLiteral("PRAGMA user_version")) && q.next();
    if (ok)
        *ok = read;
    return read ? q.value(0).toInt() : 0;
}

bool LibraryIndexFile::migrate(QSqlDatabase db, int from, int to, QSqlError *error)
{
    auto failed = [&](const QSqlError &e) {
        if (error)
            *error = e;
        return false;
    };
    for (int v = from; v < to; ++v) {
        if (!db.transaction())
            return failed(db.lastError());
        try {
            for (auto sql = Steps[v].begin; sql != Steps[v].end; ++sql)
                exec(db, QString::fromLatin1(*sql));
            if (Steps[v].fill)
                Steps[v].fill(db);
            exec(db, QStringLiteral("PRAGMA user_version = %1").arg(v + 1));
        } catch (const QSqlError &e) {
            db.rollback();
            return failed(e);
        }
        if (!db.commit())
            return failed(db.lastError());
    }
    return true;
}

LibraryIndexFile::Inspection LibraryIndexFile::inspect(QSqlDatabase db)
{
    auto unreadable = [](const QSqlError &e, int version) {
        return Inspection{isDamage(e) ? State::Damaged : State::Unreadable, version, e};
    };
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        return unreadable(q.lastError(), 0);
    const int version = q.value(0).toInt();
    q.finish();
    if (!q.exec(QStringLiteral("PRAGMA quick_check")) || !q.next())
        return unreadable(q.lastError(), version);
    if (q.value(0).toString() != QLatin1String("ok"))
        return {State::Damaged, version, {}};
    q.finish();
    if (version > Version)
        return {State::Newer, version, {}};
    if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !q.next())
        return unreadable(q.lastError(), version);
    const bool empty = q.value(0).toInt() == 0;
    q.finish();
    if (version == 0)
        return {empty ? State::Empty : State::Damaged, version, {}};
    // The number alone proves nothing: a file with the right number and
    // other tables would fail every statement later.
    if (!hasSchemaOf(db, version))
        return {State::Damaged, version, {}};
    return {version == Version ? State::Current : State::Older, version, {}};
}

LibraryIndexFile::Opened LibraryIndexFile::open(const QString &path, const QString &name)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString display = QDir::toNativeSeparators(path);
    const std::optional<Trouble> trouble = tryPrepare(path, name);
    if (!trouble)
        return Opened{path, {}, false, true, false};
    switch (trouble->what) {
    case Trouble::Busy:
        // Left alone; asked again later.
        return Opened{
            path,
            QCoreApplication::translate("LibraryIndexFile",
                                        "The library index is in use by another program; the library waits until it is "
                                        "free."),
            false, false, true};
    case Trouble::Newer: {
        Opened opened{QFileInfo(path).dir().filePath(QFileInfo(path).completeBaseName() +
                                                     QStringLiteral(".v%1.sqlite").arg(Version)),
                      {},
                      false,
                      true,
                      false};
        const QString notice =
            QCoreApplication::translate("LibraryIndexFile",
                                        "The library index belongs to a newer version of Quorvex and is left as "
                                        "it is; this version keeps its own beside it (%1).")
                .arg(QDir::toNativeSeparators(opened.path));
        if (const std::optional<Trouble> own = tryPrepare(opened.path, name)) {
            if (own->what == Trouble::Busy)
                return Opened{opened.path, notice, false, false, true};
            return standIn(path, name, notice);
        }
        opened.notice = notice;
        return opened;
    }
    case Trouble::Damaged: return rebuild(path, name);
    case Trouble::Unwritable:
        return standIn(path, name,
                       QCoreApplication::translate(
                           "LibraryIndexFile", "The library index %1 could not be written (%2) and is left as it is.")
                           .arg(display, trouble->reason));
    case Trouble::CantOpen: break;
    }
    return standIn(
        path, name,
        QCoreApplication::translate("LibraryIndexFile", "The library index can be neither used nor replaced (%1).")
            .arg(display));
}

LibraryIndexFile::Opened LibraryIndexFile::rebuild(const QString &path, const QString &name)
{
    close(name);
    const QString aside = path + QStringLiteral(".damaged-") + stamp();
    if (!moveAside(path, aside))
        return standIn(
            path, name,
            QCoreApplication::translate("LibraryIndexFile", "The library index %1 is damaged and cannot be replaced.")
                .arg(QDir::toNativeSeparators(path)));
    const QString notice =
        QCoreApplication::translate("LibraryIndexFile",
                                    "The library index was damaged and was built again from the files; the "
                                    "damaged one is kept as %1.")
            .arg(QDir::toNativeSeparators(aside));
    if (tryPrepare(path, name))
        return standIn(aside, name, notice);
    return Opened{path, notice + marksSentence(carryMarks(aside, QSqlDatabase::database(name, false)), true), false,
                  true, false};
}

void LibraryIndexFile::setBusyTimeout(int ms)
{
    busyTimeoutMs = ms;
}

bool LibraryIndexFile::attach(const QString &path, const QString &name, bool readOnly)
{
    try {
        {
            QSqlDatabase db = connect(path, name);
            if (!readOnly)
                return true;
            QSqlQuery(db).exec(QStringLiteral("PRAGMA query_only = 1"));
            QSqlQuery probe(db);
            const int code = probe.exec(QStringLiteral("PRAGMA user_version")) ? 0 : resultCode(probe.lastError());
            if (code != SqliteCantOpen && code != SqliteReadOnly)
                return true;
        }
        // A WAL index needs a file of shared memory beside it, which a
        // folder this user may not write to cannot take: read it as it is
        // on disk instead (nobody writes there but its owner).
        close(name);
        connect(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
                    QStringLiteral("?immutable=1"),
                name, true);
        return true;
    } catch (const QSqlError &) {
        close(name);
        return false;
    }
}

bool LibraryIndexFile::searchIndexesDeferred(QSqlDatabase db)
{
    QSqlQuery q(db);
    return q.exec(QStringLiteral("SELECT 1 FROM deferred")) && q.next();
}

void LibraryIndexFile::deferSearchIndexes(QSqlDatabase db)
{
    for (const char *name : SearchIndexNames)
        exec(db, QStringLiteral("DROP INDEX IF EXISTS %1").arg(QLatin1String(name)));
    exec(db, QStringLiteral("INSERT INTO files_fts(files_fts) VALUES ('delete-all')"));
    exec(db, QStringLiteral("INSERT OR IGNORE INTO deferred(what) VALUES ('search')"));
}

void LibraryIndexFile::makeDeferredSearchIndexes(QSqlDatabase db)
{
    exec(db, QStringLiteral("INSERT INTO files_fts(files_fts) VALUES ('rebuild')"));
    makeSearchIndexes(db);
    exec(db, QStringLiteral("DELETE FROM deferred"));
}

bool LibraryIndexFile::run(QSqlQuery &q, const QVariantList &values)
{
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values[i]);
    return q.exec();
}

void LibraryIndexFile::remove(const QString &path)
{
    for (const char *suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
}

void LibraryIndexFile::close(const QString &name)
{
    if (!QSqlDatabase::contains(name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/libraryindexfile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>

namespace {

// SQLite's primary result codes the opening cares about.
constexpr int SqliteError = 1, SqliteCorrupt = 11, SqliteNotADb = 26, SqliteReadOnly = 8, SqliteCantOpen = 14, SqliteIoErr = 10;

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

struct Step {
    const char *const *begin;
    const char *const *end;
};
const Step Steps[] = {{std::begin(Step1), std::end(Step1)}, {std::begin(Step2), std::end(Step2)}};
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
        if (columns.exec(QStringLiteral("PRAGMA table_info(\"%1\")").arg(QString(table).replace(QLatin1Char('"'), QStringLiteral("\"\"")))))
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
    enum What { Damaged, Newer, ReadOnly, CantOpen } what;
};

QString stamp() { return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss")); }

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

void exec(QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw q.lastError();
}

QSqlDatabase connect(const QString &path, const QString &name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    // A writer on another thread holds its lock for one short batch.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        throw db.lastError();
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
            throw Trouble{Trouble::Damaged};
        if (seen.state == LibraryIndexFile::State::Newer)
            throw Trouble{Trouble::Newer};
        const int version = seen.version;
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
                throw Trouble{Trouble::Damaged};
            throw failed;
        }
    } catch (const QSqlError &e) {
        const int code = LibraryIndexFile::resultCode(e);
        if (code == SqliteReadOnly)
            throw Trouble{Trouble::ReadOnly};
        if (code == SqliteCantOpen)
            throw Trouble{Trouble::CantOpen};
        throw Trouble{Trouble::Damaged};
    }
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
    const int code = resultCode(error);
    return code == SqliteCorrupt || code == SqliteNotADb || code == SqliteIoErr;
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
    Opened opened{path, {}, false, false};
    const QString base = QFileInfo(path).absolutePath();
    QDir().mkpath(base);
    const QString display = QDir::toNativeSeparators(path);
    // Each trouble is dealt with once; the temporary stand-in always works.
    for (int attempt = 0; attempt < 4; ++attempt) {
        try {
            prepare(opened.path, name);
            opened.ok = true;
            return opened;
        } catch (const Trouble &t) {
            close(name);
            const QString aside = opened.path + QLatin1Char('.') +
                                  (t.what == Trouble::ReadOnly ? QStringLiteral("read-only-") : QStringLiteral("damaged-")) +
                                  stamp();
            if (t.what == Trouble::Newer) {
                opened.path = QFileInfo(path).dir().filePath(
                    QFileInfo(path).completeBaseName() + QStringLiteral(".v%1.sqlite").arg(Version));
                opened.notice = QStringLiteral("The library index belongs to a newer version of Quorvex and is left "
                                               "as it is; this version keeps its own beside it (%1).")
                                    .arg(QDir::toNativeSeparators(opened.path));
            } else if (t.what != Trouble::CantOpen && !opened.temporary && moveAside(opened.path, aside)) {
                opened.notice = t.what == Trouble::ReadOnly
                                    ? QStringLiteral("The library index could not be written and was built again "
                                                     "from the files; the old one is kept as %1.")
                                          .arg(QDir::toNativeSeparators(aside))
                                    : damagedNotice(aside);
            } else {
                opened.path = QDir::temp().filePath(
                    QStringLiteral("quorvex-library-%1.sqlite").arg(QCoreApplication::applicationPid()));
                QFile::remove(opened.path);
                opened.temporary = true;
                opened.notice = QStringLiteral("The library index can be neither used nor replaced (%1); the "
                                               "library is kept for this session only.")
                                    .arg(display);
            }
        }
    }
    close(name);
    opened.notice = QStringLiteral("The library index cannot be opened anywhere; the library is not available.");
    return opened;
}

QString LibraryIndexFile::damagedNotice(const QString &aside)
{
    return QStringLiteral("The library index was damaged and was built again from the files; the damaged one is kept "
                          "as %1. Favourites and tags kept in it are not in the new one.")
        .arg(QDir::toNativeSeparators(aside));
}

QString LibraryIndexFile::setAside(const QString &path)
{
    if (!QFile::exists(path))
        return {};
    const QString aside = path + QStringLiteral(".damaged-") + stamp();
    return moveAside(path, aside) ? aside : QString();
}

bool LibraryIndexFile::attach(const QString &path, const QString &name, bool readOnly)
{
    try {
        QSqlDatabase db = connect(path, name);
        if (readOnly)
            QSqlQuery(db).exec(QStringLiteral("PRAGMA query_only = 1"));
        return true;
    } catch (const QSqlError &) {
        close(name);
        return false;
    }
}

bool LibraryIndexFile::run(QSqlQuery &q, const QVariantList &values)
{
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values[i]);
    return q.exec();
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

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QVariantList>

class QSqlQuery;

// The index file: SQLite through Qt SQL, in WAL mode, its schema version in
// PRAGMA user_version. Each thread opens its own connection by name. The
// index is a cache of what the preset files hold, plus the user's
// favourites and tags: a damaged one is moved aside and built again with
// the marks that can still be read from it, one that is only locked, full
// or read-only is left as it is, and no preset file is ever touched.
class LibraryIndexFile {
public:
    // The schema this program writes; every older one is migrated step by
    // step, after a copy of the file is kept beside it.
    static constexpr int Version = 5;

    // How long a connection waits for another's lock before it gives up.
    static constexpr int BusyTimeoutMs = 5000;
    // For every connection opened from now on in this process (tests).
    static void setBusyTimeout(int ms);

    struct Opened {
        QString path;           // the file in use: the one asked for, or a stand-in
        QString notice;         // what the user should hear of (empty: nothing)
        bool temporary = false; // a stand-in in the temporary folder; remove when done
        bool ok = false;        // false: not open (see busy)
        bool busy = false;      // another program holds the index: try again later
    };

    // "library.sqlite" in the per-user data folder.
    static QString defaultPath();

    // Opens the index at path as connection `name` on the calling thread,
    // creating or migrating it as needed. Only damage replaces it:
    //   damaged (the database says so, or its tables are not those of its
    //     version): rebuild();
    //   made by a newer version: left alone, "<base>.v<Version>.sqlite"
    //     beside it is used instead;
    //   locked by another program past BusyTimeoutMs: left alone, not
    //     opened, busy set;
    //   not writable (read-only, a full disk, a size limit, an I/O error)
    //     or not openable: left alone; a stand-in with an unguessable name in
    //     the temporary folder holds the library for this session, with the
    //     favourites, tags and added folders read from it.
    // The notice says what was done. Never throws.
    static Opened open(const QString &path, const QString &name);
    // Damage: moves the index (and SQLite's side files) aside to
    // "<path>.damaged-<time>" and makes a new one at path with every mark
    // that can still be read from the old one; the notice says which could
    // not. The connection `name` is closed first. Never throws.
    static Opened rebuild(const QString &path, const QString &name);
    // Another connection to an index open() has prepared; false when it
    // cannot be opened. A read-only one refuses every write.
    static bool attach(const QString &path, const QString &name, bool readOnly = false);

    // What an index holds, looked at without changing it.
    enum class State {
        Current,    // this version's schema
        Empty,      // no tables at all (a new or 0-byte file)
        Older,      // an older version's schema, to be migrated
        Newer,      // made by a newer version
        Damaged,    // not a sound database, or its tables are not its version's
        Unreadable, // could not be read now: see error (locked, I/O ...)
    };
    struct Inspection {
        State state;
        int version = 0;
        QSqlError error; // Unreadable: why
    };
    static Inspection inspect(QSqlDatabase db);

    // Removes an index and SQLite's side files (a stand-in, once closed).
    static void remove(const QString &path);
    // Closes and forgets the connection `name`.
    static void close(const QString &name);
    // The indexes searches go through (by name, model, cabinet and
    // modulation, hash, and the words' index) are left out while a whole
    // library goes into an empty index, and made at once at the end: kept
    // up row by row they would cost many times more. Meanwhile searches
    // read every row. Each throws the QSqlError; the caller holds the
    // transaction.
    static bool searchIndexesDeferred(QSqlDatabase db);
    static void deferSearchIndexes(QSqlDatabase db);
    static void makeDeferredSearchIndexes(QSqlDatabase db);

    // Binds values to a prepared query's '?' in order and runs it.
    static bool run(QSqlQuery &q, const QVariantList &values);

    // The numbered steps from version `from` to `to`, each in a transaction
    // with its new version number; *error says why one failed.
    static bool migrate(QSqlDatabase db, int from, int to, QSqlError *error = nullptr);
    static int version(QSqlDatabase db, bool *ok = nullptr);
    // Whether an error means the file is not a sound database (a lock, a
    // full disk, an I/O error or a read-only file do not).
    static bool isDamage(const QSqlError &error);
    // Whether an error means another connection holds the lock.
    static bool isBusy(const QSqlError &error);
    // The SQLite result code of an error (its primary code), 0 for none.
    static int resultCode(const QSqlError &error);
};

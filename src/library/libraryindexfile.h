// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QVariantList>

class QSqlQuery;

// The index file: SQLite through Qt SQL, in WAL mode, its schema version in
// PRAGMA user_version. Each thread opens its own connection by name. The
// index is only a cache of what the preset files hold (plus favourites and
// tags): whatever is wrong with it, it is moved aside and built again, and
// no preset file is ever touched.
class LibraryIndexFile {
public:
    // The schema this program writes; every older one is migrated step by
    // step, after a copy of the file is kept beside it.
    static constexpr int Version = 2;

    struct Opened {
        QString path;      // the file in use: the one asked for, or a stand-in
        QString notice;    // what the user should hear of (empty: nothing)
        bool temporary = false; // a stand-in in the temporary folder; remove when done
        bool ok = false;        // false: not even a stand-in could be made
    };

    // "library.sqlite" in the per-user data folder.
    static QString defaultPath();

    // Opens the index at path as connection `name` on the calling thread,
    // creating, migrating or replacing it as needed:
    //   damaged (not a database, truncated, garbage, tables not those of
    //     its version): moved aside to "<path>.damaged-<time>", a new one
    //     made;
    //   made by a newer version: left alone, "<base>.v<Version>.sqlite"
    //     beside it is used instead;
    //   read-only: moved aside to "<path>.read-only-<time>" when the folder
    //     allows, else a stand-in in the temporary folder is used.
    // The notice says what was done. Never throws.
    static Opened open(const QString &path, const QString &name);
    // Another connection to an index open() has prepared; false when it
    // cannot be opened. A read-only one refuses every write.
    static bool attach(const QString &path, const QString &name, bool readOnly = false);
    // Moves a damaged index (and SQLite's side files) to
    // "<path>.damaged-<time>"; the new name, or empty when it is not there
    // or could not be moved.
    static QString setAside(const QString &path);
    // What the user hears when a damaged index was set aside as `aside`.
    static QString damagedNotice(const QString &aside);
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

    // Closes and forgets the connection `name`.
    static void close(const QString &name);
    // Binds values to a prepared query's '?' in order and runs it.
    static bool run(QSqlQuery &q, const QVariantList &values);

    // The numbered steps from version `from` to `to`, each in a transaction
    // with its new version number; *error says why one failed.
    static bool migrate(QSqlDatabase db, int from, int to, QSqlError *error = nullptr);
    static int version(QSqlDatabase db, bool *ok = nullptr);
    // Whether an error means the file is not a sound database.
    static bool isDamage(const QSqlError &error);
    // The SQLite result code of an error (its primary code), 0 for none.
    static int resultCode(const QSqlError &error);
};

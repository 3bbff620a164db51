// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/libraryroots.h"

class LibraryRowWriter;

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// Brings the index in line with the files, reading only what changed: a
// file whose size and modification time (and those of its note) are what
// the index holds is not read again. Plans are made from a listing of the
// folders, then applied a batch at a time, each batch one transaction, so
// a caller on a worker thread can stop between batches. Every file is
// read through the files/ codec; one that cannot be read is indexed with
// the reason, and nothing else is affected.
class LibraryScanner {
public:
    // Not looked at yet: a new file's stamps are taken when it is read.
    static constexpr qint64 Unknown = -2;
    struct Stamp {
        qint64 size = -1, mtime = -1;
        qint64 noteSize = -1, noteMtime = -1; // -1: no note
        friend bool operator==(const Stamp &, const Stamp &) = default;
    };
    struct Work {
        QString path;
        Stamp stamp; // as found before reading; Unknown for a new file
        bool known;  // the index has rows for it
    };
    struct Plan {
        std::vector<Work> read;
        QStringList gone;    // files the index holds that are no more
        QStringList folders; // every folder listed, for watching
        int unchanged = 0;
        std::size_t next = 0;
        bool dropped = false;
        bool done() const { return dropped && next >= read.size(); }
        int total() const { return int(read.size()); }
    };

    // Uses the open connection `connection` of the calling thread.
    explicit LibraryScanner(const QString &connection);
    ~LibraryScanner();

    void setRoots(const LibraryRoots &roots) { roots_ = roots; }

    // Every root with its subfolders; rows outside the roots are dropped.
    Plan planAll();
    // One folder: its files, subfolders that appeared (whole), and those
    // that went (their rows dropped).
    Plan planFolder(const QString &folder);
    // Single files, found or gone.
    Plan planFiles(const QStringList &paths);

    // Drops what is gone and reads and writes up to `count` files of the
    // plan, in one transaction. Throws the QSqlError of a failed statement
    // (the transaction is then rolled back).
    void apply(Plan &plan, int count);

    // Files that changed while they were read since the last call: the
    // index holds what was read under the stamp listed before, so the next
    // pass reads them again.
    QStringList takeUnsettled();

private:
    struct Listing;
    void list(const QString &folder, bool recursive, Listing &out) const;
    void listEntries(const QString &folder, bool recursive, Listing &out) const;
    QHash<QString, Stamp> known(const QString &where, const QVariantList &values) const;
    void plan(Listing &listing, const QHash<QString, Stamp> &known, Plan &out) const;
    void write(const Work &work);

    QSqlDatabase db_;
    LibraryRoots roots_;
    std::unique_ptr<LibraryRowWriter> writer_;
    QStringList unsettled_;
};

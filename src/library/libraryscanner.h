// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/safefile.h"
#include "library/libraryroots.h"
#include "library/libraryrowwriter.h"

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <future>
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
        quint64 id = newId(); // which plan a batch read ahead belongs to
        bool full = false;    // every root: the deferred search indexes are made at its end
        bool bulk = false;    // fills an empty index: the search indexes wait for its end
        bool done() const { return dropped && next >= read.size(); }
        int total() const { return int(read.size()); }
        static quint64 newId();
    };

    // An empty index that is to take this many files or more at once gets
    // its search indexes at the end (LibraryIndexFile::deferSearchIndexes).
    static constexpr int BulkFiles = 5000;

    // Uses the open connection `connection` of the calling thread.
    explicit LibraryScanner(const QString &connection, int bulkFiles = BulkFiles);
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
    // What reading a file gives, away from the index: on a thread of its
    // own, a batch ahead of the one written.
    struct Read {
        LibraryRowWriter::FileRow row; // all but backup
        files::Bytes data;
        bool unsettled = false; // it changed while it was read
    };
    static Read readWork(const Work &work);
    static std::vector<Read> readWorks(std::vector<Work> works);
    // The reads of plan.read[plan.next, end): those read ahead, or read now.
    std::vector<Read> takeReads(const Plan &plan, std::size_t end);
    void readAhead(const Plan &plan, std::size_t from, std::size_t to);
    void store(const Work &work, Read &read);

    QSqlDatabase db_;
    int bulkFiles_;
    bool deferred_ = false; // the search indexes wait for the end of a full pass
    LibraryRoots roots_;
    std::unique_ptr<LibraryRowWriter> writer_;
    QStringList unsettled_;
    std::future<std::vector<Read>> ahead_;
    quint64 aheadPlan_ = 0;
    std::size_t aheadFrom_ = 0, aheadTo_ = 0;
};

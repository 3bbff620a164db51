// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/librarycolumns.h"
#include "library/libraryreader.h"
#include "library/libraryroots.h"
#include "library/librarysearch.h"

#include <QObject>
#include <QThread>

#include <atomic>

class LibraryWorker;

// The library as the UI thread sees it: every preset under the roots,
// searchable. The index is written on a worker thread (LibraryWorker);
// searches read it here through a connection of this thread's own, which
// never waits for the writer (WAL). Results and progress arrive by queued
// signals, so the window never waits for the indexing. The reading
// connections and the search thread come at the first read: a session that
// never looks at the library does not carry them.
class Library : public QObject {
    Q_OBJECT
public:
    // indexPath empty: LibraryIndexFile::defaultPath().
    explicit Library(const QString &indexPath = {}, QObject *parent = nullptr);
    ~Library() override;

    // Opens the index on the worker and brings it up to date with the
    // roots; nothing happens before this.
    void start();
    // Searches can run (the index is open).
    bool isOpen() const { return open_; }
    bool isBusy() const { return busy_; }
    // The file in use, once open.
    QString indexPath() const { return path_; }

    LibraryRoots roots() const { return roots_; }
    void setDataFolder(const QString &folder);
    void setBackupsFolder(const QString &folder);
    void addFolder(const QString &folder);

    // Reads again what changed under every root.
    void refresh();
    // These files changed, appeared or went (a save, a delete).
    void filesChanged(const QStringList &paths);

    void setFavourite(const QList<qint64> &hashes, bool on);
    void setTags(const QList<qint64> &hashes, const QStringList &tags);

    // At once, on this thread.
    LibrarySearch::Result search(const QString &query) const;
    // On the search thread, sorted; answered by found() with the token
    // returned (twice when it finds more than a screenful: the first rows,
    // then every row's key), unless a newer search was asked for meanwhile.
    quint64 searchLater(const QString &query, LibraryColumns::Column column = LibraryColumns::Name,
                        bool descending = false);
    // The rows of keys a search found, at once, on this thread; a row no
    // longer there comes back with file 0.
    std::vector<LibraryEntry> rows(std::span<const LibrarySearch::Key> keys) const;
    QStringList allTags() const;
    // How many presets of the library hold one of these records (marks go
    // by record: a favourite or tag reaches every one of them).
    int presetsHolding(const QList<qint64> &hashes) const;

    // Runs the event loop until the worker has done everything asked of it
    // so far; false after timeoutMs. For tests and tools.
    bool waitUntilIdle(int timeoutMs = 30000);

signals:
    // A full pass: done of total files read. The pass ends with busy false.
    void progress(int done, int total);
    void busyChanged(bool busy);
    // Rows or marks changed: search again.
    void changed();
    // Something the user should hear of: the index was damaged and rebuilt,
    // a folder could not be added...
    void notice(const QString &text);
    void found(quint64 token, LibraryReader::Found result);

private:
    void workerOpened(const QString &path, bool ok, const QString &why);
    // What a search says while the index is not open.
    QString closedText() const;
    // This thread's connection, attached at the first read; false when the
    // index is not open or cannot be read.
    bool attached() const;
    QSqlDatabase db() const;
    void startReader();
    template <class F>
    void post(F &&call);

    QString requestedPath_;
    QString path_;
    QString connection_;
    QThread thread_;
    LibraryWorker *worker_;
    QThread readerThread_;
    std::atomic<quint64> newestSearch_{0};
    LibraryReader *reader_;
    LibraryRoots roots_;
    bool started_ = false;
    bool open_ = false;
    mutable bool attached_ = false;
    mutable bool unreadable_ = false; // attaching failed
    QString closedWhy_;               // the worker could not open the index: why
    bool busy_ = false;
    quint64 pings_ = 0;
    quint64 answered_ = 0;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/libraryindexfile.h"
#include "library/libraryroots.h"
#include "library/libraryscanner.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class QFileSystemWatcher;
class QSqlError;

// The library's writer, on a thread of its own with its own connection:
// it opens the index, keeps it in line with the files under the roots
// (watching their folders) and stores the user's marks. Its slots are
// invoked queued from the UI thread; its work goes in short batches, one
// transaction each, so queued requests and changes get their turn, and
// changes of single folders go before the rest of a full pass.
class LibraryWorker : public QObject {
    Q_OBJECT
public:
    // Files read in one batch of a full pass.
    static constexpr int BatchFiles = 1000;
    // At most this often the UI hears that rows changed during a pass.
    static constexpr int ChangedEveryMs = 500;
    // Watching more folders than this costs more than it is worth; they are
    // still read on every full pass.
    static constexpr int MaxWatched = 4000;

    explicit LibraryWorker(const QString &indexPath);
    ~LibraryWorker() override;

    // All invoked queued.
    void open();
    void close();
    void setDataFolder(const QString &folder);
    void setBackupsFolder(const QString &folder);
    void addFolder(const QString &folder);
    void rescan();
    void folderChanged(const QString &folder);
    void filesChanged(const QStringList &paths);
    void setFavourite(const QList<qint64> &hashes, bool on);
    void setTags(const QList<qint64> &hashes, const QStringList &tags);
    // Answered with idle(token) once nothing is left to do.
    void ping(quint64 token);

signals:
    // ok false: why says what keeps it shut (another program's lock ...).
    void opened(const QString &path, bool ok, const QString &why);
    void notice(const QString &text);
    void rootsChanged(const LibraryRoots &roots);
    // A full pass: files read so far of those to read. busy false: done.
    void progress(int done, int total);
    void busyChanged(bool busy);
    void changed();
    void idle(quint64 token);

private:
    // Writes a favourite or tag change; false with the error when not.
    using Mark = std::function<bool(QSqlDatabase, QSqlError *)>;

    void openWith(const std::function<LibraryIndexFile::Opened()> &how);
    void adopt(const LibraryIndexFile::Opened &opened);
    void openFailed(const QString &reason);
    void retryLocked();
    void waitForLock();
    void mark(const Mark &write);
    void writeWaitingMarks();
    bool hasWork() const;    // now or when a timer fires
    bool hasWorkNow() const; // the next step has something to do
    void schedule();
    void step();
    void stepChanges();
    void stepFull();
    void failed(const QSqlError &error);
    void watch(const QStringList &folders);
    void rootsEdited();
    void announceChanged(bool now);
    void setBusy(bool on);

    QString requestedPath_;
    QString path_;
    QString connection_;
    bool temporary_ = false;
    LibraryRoots roots_;
    std::unique_ptr<LibraryScanner> scanner_;
    std::optional<LibraryScanner::Plan> full_;
    bool fullWanted_ = false;
    QSet<QString> dirtyFolders_;
    QSet<QString> dirtyFiles_;
    QStringList unsettled_;
    QTimer stepTimer_;
    QTimer changeTimer_; // gathers a burst of folder changes
    QTimer settleTimer_; // files that changed while read are read again
    QTimer lockTimer_;   // another program's lock is tried again
    bool locked_ = false;
    QList<Mark> waitingMarks_;
    QFileSystemWatcher *watcher_ = nullptr;
    QElapsedTimer sinceChanged_;
    bool changedPending_ = false;
    bool busy_ = false;
    int recoveries_ = 0;
    QList<quint64> waiting_;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/libraryworker.h"

#include "library/libraryindexfile.h"
#include "library/librarymarks.h"
#include "library/librarysearch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QSqlError>
#include <QSqlQuery>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// Long enough to gather the create and rename of one safe write.
constexpr int ChangeDelayMs = 10;
// A file caught while it was being written is read again after this.
constexpr int SettleMs = 200;
// An index another program holds locked is tried again after this.
constexpr int LockedRetryMs = 10000;

} // namespace

LibraryWorker::LibraryWorker(const QString &indexPath)
    : requestedPath_(indexPath), connection_(QStringLiteral("quorvex-library-writer-%1").arg(quintptr(this))),
      stepTimer_(this), changeTimer_(this), settleTimer_(this), lockTimer_(this)
{
    lockTimer_.setSingleShot(true);
    lockTimer_.setInterval(LockedRetryMs);
    connect(&lockTimer_, &QTimer::timeout, this, &LibraryWorker::retryLocked);
    stepTimer_.setSingleShot(true);
    stepTimer_.setInterval(0);
    changeTimer_.setSingleShot(true);
    changeTimer_.setInterval(ChangeDelayMs);
    settleTimer_.setSingleShot(true);
    settleTimer_.setInterval(SettleMs);
    connect(&stepTimer_, &QTimer::timeout, this, &LibraryWorker::step);
    connect(&changeTimer_, &QTimer::timeout, this, &LibraryWorker::schedule);
    connect(&settleTimer_, &QTimer::timeout, this, [this] {
        for (const QString &p : std::exchange(unsettled_, {}))
            dirtyFiles_.insert(p);
        schedule();
    });
}

LibraryWorker::~LibraryWorker()
{
    close();
}

void LibraryWorker::open()
{
    openWith([this] { return LibraryIndexFile::open(requestedPath_, connection_); });
}

void LibraryWorker::openWith(const std::function<LibraryIndexFile::Opened()> &how)
{
    // Nothing may leave a slot: an exception here would end the program.
    try {
        adopt(how());
    } catch (const QSqlError &e) {
        openFailed(e.text());
    } catch (const std::exception &e) {
        openFailed(QString::fromLocal8Bit(e.what()));
    }
}

void LibraryWorker::openFailed(const QString &reason)
{
    scanner_.reset();
    LibraryIndexFile::close(connection_);
    const QString why =
        QCoreApplication::translate("LibraryWorker", "The library index could not be opened: %1").arg(reason);
    emit notice(why);
    emit opened(path_, false, why);
}

void LibraryWorker::adopt(const LibraryIndexFile::Opened &o)
{
    path_ = o.path;
    temporary_ = o.temporary;
    if (!o.notice.isEmpty() && !(o.busy && locked_))
        emit notice(o.notice);
    locked_ = o.busy;
    if (!o.ok) {
        if (o.busy)
            lockTimer_.start();
        emit opened(path_, false, o.notice);
        return;
    }
    if (!watcher_) {
        watcher_ = new QFileSystemWatcher(this);
        connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &LibraryWorker::folderChanged);
    }
    scanner_ = std::make_unique<LibraryScanner>(connection_);
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    const QStringList added = LibrarySearch::addedFolders(db);
    // Folders added before the index was open are kept for the next start too.
    for (const QString &f : std::as_const(roots_.added))
        if (!added.contains(f) && !LibraryMarks::addFolder(db, f))
            emit notice(QCoreApplication::translate("LibraryWorker", "The folder %1 could not be added to the library.")
                            .arg(QDir::toNativeSeparators(f)));
    for (const QString &f : added)
        if (!roots_.added.contains(f))
            roots_.added << f;
    scanner_->setRoots(roots_);
    emit opened(path_, true, {});
    emit rootsChanged(roots_);
    rescan();
    writeWaitingMarks();
}

void LibraryWorker::retryLocked()
{
    if (!scanner_) {
        open();
        return;
    }
    locked_ = false;
    writeWaitingMarks();
    schedule();
}

void LibraryWorker::waitForLock()
{
    if (!locked_)
        emit notice(QCoreApplication::translate(
            "LibraryWorker", "The library index is in use by another program; the library waits until it is "
                             "free."));
    locked_ = true;
    lockTimer_.start();
}

void LibraryWorker::writeWaitingMarks()
{
    while (!waitingMarks_.isEmpty() && !locked_) {
        const Mark write = waitingMarks_.takeFirst();
        mark(write);
    }
}

void LibraryWorker::mark(const Mark &write)
{
    if (!scanner_ && !locked_) {
        emit notice(QCoreApplication::translate(
            "LibraryWorker", "A favourite or tag could not be saved: the library is not available."));
        return;
    }
    if (locked_) {
        waitingMarks_ << write; // written once the index is open and free
        return;
    }
    QSqlError error;
    if (write(QSqlDatabase::database(connection_, false), &error)) {
        announceChanged(true);
    } else if (LibraryIndexFile::isBusy(error)) {
        waitingMarks_.prepend(write);
        waitForLock();
    } else {
        emit notice(QCoreApplication::translate("LibraryWorker", "A favourite or tag could not be saved: %1")
                        .arg(error.text()));
    }
}

void LibraryWorker::close()
{
    lockTimer_.stop();
    stepTimer_.stop();
    changeTimer_.stop();
    settleTimer_.stop();
    full_.reset();
    scanner_.reset();
    LibraryIndexFile::close(connection_);
    if (temporary_)
        LibraryIndexFile::remove(path_);
    temporary_ = false;
}

bool LibraryWorker::hasWorkNow() const
{
    const bool changes = (!dirtyFolders_.isEmpty() || !dirtyFiles_.isEmpty()) && !changeTimer_.isActive();
    return scanner_ && !locked_ && (fullWanted_ || full_ || changes);
}

// Waiting for another program's lock is not work: the worker is idle then.
bool LibraryWorker::hasWork() const
{
    return hasWorkNow() || (scanner_ && !locked_ && (changeTimer_.isActive() || settleTimer_.isActive()));
}

void LibraryWorker::schedule()
{
    if (scanner_ && !stepTimer_.isActive())
        stepTimer_.start();
}

void LibraryWorker::ping(quint64 token)
{
    if (hasWork())
        waiting_ << token;
    else
        emit idle(token);
}

void LibraryWorker::rootsEdited()
{
    if (scanner_)
        scanner_->setRoots(roots_);
    emit rootsChanged(roots_);
    rescan();
}

void LibraryWorker::setDataFolder(const QString &folder)
{
    const QString clean = LibraryRoots::clean(folder);
    if (clean == roots_.data)
        return;
    roots_.data = clean;
    rootsEdited();
}

void LibraryWorker::setBackupsFolder(const QString &folder)
{
    const QString clean = LibraryRoots::clean(folder);
    if (clean == roots_.backups)
        return;
    roots_.backups = clean;
    rootsEdited();
}

void LibraryWorker::addFolder(const QString &folder)
{
    const QString clean = LibraryRoots::clean(folder);
    if (clean.isEmpty() || roots_.added.contains(clean))
        return;
    if (scanner_ && !LibraryMarks::addFolder(QSqlDatabase::database(connection_, false), clean))
        emit notice(QCoreApplication::translate("LibraryWorker", "The folder %1 could not be added to the library.")
                        .arg(QDir::toNativeSeparators(clean)));
    roots_.added << clean;
    rootsEdited();
}

void LibraryWorker::rescan()
{
    // Asked again while the index was locked: try now.
    if (locked_) {
        lockTimer_.stop();
        retryLocked();
        if (!scanner_)
            return;
    }
    // A pass under way starts again from a new listing; what it has read
    // so far is in the index and is not read again.
    full_.reset();
    fullWanted_ = true;
    schedule();
}

void LibraryWorker::folderChanged(const QString &folder)
{
    dirtyFolders_.insert(folder);
    changeTimer_.start();
}

void LibraryWorker::filesChanged(const QStringList &paths)
{
    for (const QString &p : paths)
        dirtyFiles_.insert(p);
    schedule();
}

void LibraryWorker::setFavourite(const QList<qint64> &hashes, bool on)
{
    mark([hashes, on](QSqlDatabase db, QSqlError *error) { return LibraryMarks::setFavourite(db, hashes, on, error); });
}

void LibraryWorker::setTags(const QList<qint64> &hashes, const QStringList &tags)
{
    mark([hashes, tags](QSqlDatabase db, QSqlError *error) { return LibraryMarks::setTags(db, hashes, tags, error); });
}

void LibraryWorker::step()
{
    if (!scanner_ || locked_)
        return;
    try {
        // A change the user just made goes before the rest of a long pass.
        if (!changeTimer_.isActive() && (!dirtyFiles_.isEmpty() || !dirtyFolders_.isEmpty()))
            stepChanges();
        else if (fullWanted_ || full_)
            stepFull();
        const QStringList unsettled = scanner_->takeUnsettled();
        if (!unsettled.isEmpty()) {
            unsettled_ += unsettled;
            settleTimer_.start();
        }
    } catch (const QSqlError &e) {
        failed(e);
    } catch (const std::exception &e) {
        failed(QSqlError(QString::fromLocal8Bit(e.what()), {}, QSqlError::UnknownError));
    }
    if (hasWork()) {
        setBusy(true);
        // Waiting for a timer schedules the next step when it fires.
        if (hasWorkNow())
            schedule();
        return;
    }
    announceChanged(true);
    if (busy_) {
        // The pages a pass read would stay cached for nothing until the next
        // change: give them back, and the heap they were in to the system.
        QSqlQuery(QSqlDatabase::database(connection_, false)).exec(QStringLiteral("PRAGMA shrink_memory"));
#ifdef __GLIBC__
        malloc_trim(0);
#endif
    }
    setBusy(false);
    for (quint64 token : std::exchange(waiting_, {}))
        emit idle(token);
}

void LibraryWorker::stepChanges()
{
    LibraryScanner::Plan plan = scanner_->planFiles(QStringList(dirtyFiles_.begin(), dirtyFiles_.end()));
    dirtyFiles_.clear();
    // A file saved into a changed folder is in both plans; read twice, a new
    // one would be added twice and fail the whole batch.
    QSet<QString> planned;
    for (const LibraryScanner::Work &w : plan.read)
        planned.insert(w.path);
    for (const QString &folder : std::exchange(dirtyFolders_, {})) {
        LibraryScanner::Plan more = scanner_->planFolder(folder);
        plan.gone += more.gone;
        plan.folders += more.folders;
        for (auto &w : more.read) {
            if (planned.contains(w.path))
                continue;
            planned.insert(w.path);
            plan.read.push_back(std::move(w));
        }
    }
    plan.gone.removeDuplicates();
    const bool anything = !plan.gone.isEmpty() || !plan.read.empty();
    try {
        while (!plan.done())
            scanner_->apply(plan, BatchFiles);
    } catch (const QSqlError &) {
        // Asked for again: a lock may go, and the changes are still there.
        for (const LibraryScanner::Work &w : plan.read)
            dirtyFiles_.insert(w.path);
        for (const QString &p : std::as_const(plan.gone))
            dirtyFiles_.insert(p);
        throw;
    }
    watch(plan.folders);
    if (anything)
        announceChanged(true);
}

void LibraryWorker::stepFull()
{
    if (fullWanted_) {
        fullWanted_ = false;
        full_ = scanner_->planAll();
        watch(full_->folders);
        emit progress(0, full_->total());
        return;
    }
    if (!full_)
        return;
    scanner_->apply(*full_, BatchFiles);
    emit progress(int(full_->next), full_->total());
    const bool done = full_->done();
    announceChanged(done);
    if (done)
        full_.reset();
}

void LibraryWorker::announceChanged(bool now)
{
    changedPending_ = true;
    if (!now && sinceChanged_.isValid() && sinceChanged_.elapsed() < ChangedEveryMs)
        return;
    changedPending_ = false;
    sinceChanged_.start();
    emit changed();
}

void LibraryWorker::setBusy(bool on)
{
    if (on == busy_)
        return;
    busy_ = on;
    emit busyChanged(on);
}

void LibraryWorker::failed(const QSqlError &error)
{
    // Locked by another program: the work stays, and is done once it is free.
    if (LibraryIndexFile::isBusy(error)) {
        waitForLock();
        return;
    }
    full_.reset();
    dirtyFiles_.clear();
    dirtyFolders_.clear();
    // A full disk, an I/O error or a read-only file: said, and the index
    // kept as it is.
    if (!LibraryIndexFile::isDamage(error) || recoveries_ >= 2) {
        emit notice(QCoreApplication::translate("LibraryWorker", "The library index could not be updated: %1")
                        .arg(error.text()));
        return;
    }
    // Damage found in use: set the file aside and build a new one with the
    // marks that can still be read.
    ++recoveries_;
    const bool temporary = temporary_;
    const QString path = path_;
    temporary_ = false; // kept aside now, not removed
    close();
    if (temporary) {
        LibraryIndexFile::remove(path); // a stand-in holds nothing worth keeping
        open();
    } else {
        openWith([&] { return LibraryIndexFile::rebuild(path, connection_); });
    }
}

void LibraryWorker::watch(const QStringList &folders)
{
    if (!watcher_)
        return;
    const QStringList watched = watcher_->directories();
    const QSet<QString> have(watched.begin(), watched.end());
    QStringList add;
    for (const QString &f : folders)
        if (!have.contains(f) && !add.contains(f) && have.size() + add.size() < MaxWatched)
            add << f;
    if (!add.isEmpty())
        watcher_->addPaths(add);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library.h"

#include "library/libraryindexfile.h"
#include "library/libraryworker.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QSqlQuery>
#include <QTimer>

Library::Library(const QString &indexPath, QObject *parent)
    : QObject(parent), requestedPath_(indexPath.isEmpty() ? LibraryIndexFile::defaultPath() : indexPath),
      connection_(QStringLiteral("quorvex-library-reader-%1").arg(quintptr(this))),
      worker_(new LibraryWorker(requestedPath_)), reader_(new LibraryReader(newestSearch_))
{
    qRegisterMetaType<LibraryRoots>();
    qRegisterMetaType<LibraryReader::Found>();
    readerThread_.setObjectName(QStringLiteral("Library search"));
    reader_->moveToThread(&readerThread_);
    connect(&readerThread_, &QThread::finished, reader_, &QObject::deleteLater);
    connect(reader_, &LibraryReader::found, this, [this](quint64 token, const LibraryReader::Found &result) {
        if (token == newestSearch_.load())
            emit found(token, result);
    });
    thread_.setObjectName(QStringLiteral("Library"));
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    connect(worker_, &LibraryWorker::opened, this, &Library::workerOpened);
    connect(worker_, &LibraryWorker::notice, this, &Library::notice);
    connect(worker_, &LibraryWorker::rootsChanged, this, [this](const LibraryRoots &r) { roots_ = r; });
    connect(worker_, &LibraryWorker::progress, this, &Library::progress);
    connect(worker_, &LibraryWorker::busyChanged, this, [this](bool on) {
        busy_ = on;
        emit busyChanged(on);
    });
    connect(worker_, &LibraryWorker::changed, this, &Library::changed);
    connect(worker_, &LibraryWorker::idle, this, [this](quint64 token) { answered_ = std::max(answered_, token); });
}

Library::~Library()
{
    // Every connection goes before the worker removes a stand-in index.
    LibraryIndexFile::close(connection_);
    if (readerThread_.isRunning()) {
        QMetaObject::invokeMethod(reader_, &LibraryReader::close, Qt::BlockingQueuedConnection);
        readerThread_.quit();
        readerThread_.wait();
    } else {
        delete reader_;
    }
    if (thread_.isRunning()) {
        QMetaObject::invokeMethod(worker_, &LibraryWorker::close, Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    } else {
        delete worker_;
    }
}

template <class F>
void Library::post(F &&call)
{
    QMetaObject::invokeMethod(worker_, std::forward<F>(call), Qt::QueuedConnection);
}

void Library::start()
{
    if (started_)
        return;
    started_ = true;
    thread_.start(QThread::LowPriority);
    post([w = worker_] { w->open(); });
}

void Library::workerOpened(const QString &path, bool ok, const QString &why)
{
    closedWhy_ = ok ? QString() : why;
    LibraryIndexFile::close(connection_);
    attached_ = false;
    unreadable_ = false;
    path_ = path;
    open_ = ok;
    if (open_) {
        if (readerThread_.isRunning())
            QMetaObject::invokeMethod(
                reader_, [r = reader_, path] { r->attach(path); }, Qt::QueuedConnection);
        emit changed();
    }
}

bool Library::attached() const
{
    if (open_ && !attached_ && !unreadable_) {
        // This connection only reads; the worker writes.
        attached_ = LibraryIndexFile::attach(path_, connection_, true);
        unreadable_ = !attached_;
    }
    return attached_;
}

QSqlDatabase Library::db() const
{
    return QSqlDatabase::database(connection_, false);
}

void Library::startReader()
{
    if (readerThread_.isRunning())
        return;
    readerThread_.start();
    if (open_)
        QMetaObject::invokeMethod(
            reader_, [r = reader_, path = path_] { r->attach(path); }, Qt::QueuedConnection);
}

void Library::setDataFolder(const QString &folder)
{
    roots_.data = LibraryRoots::clean(folder);
    post([w = worker_, folder] { w->setDataFolder(folder); });
}

void Library::setBackupsFolder(const QString &folder)
{
    roots_.backups = LibraryRoots::clean(folder);
    post([w = worker_, folder] { w->setBackupsFolder(folder); });
}

void Library::addFolder(const QString &folder)
{
    post([w = worker_, folder] { w->addFolder(folder); });
}

void Library::refresh()
{
    post([w = worker_] { w->rescan(); });
}

void Library::filesChanged(const QStringList &paths)
{
    post([w = worker_, paths] { w->filesChanged(paths); });
}

void Library::setFavourite(const QList<qint64> &hashes, bool on)
{
    post([w = worker_, hashes, on] { w->setFavourite(hashes, on); });
}

void Library::setTags(const QList<qint64> &hashes, const QStringList &tags)
{
    post([w = worker_, hashes, tags] { w->setTags(hashes, tags); });
}

LibrarySearch::Result Library::search(const QString &query) const
{
    if (!attached()) {
        LibrarySearch::Result r;
        r.error = closedText();
        return r;
    }
    return LibrarySearch::run(db(), query);
}

int Library::presetsHolding(const QList<qint64> &hashes) const
{
    if (hashes.isEmpty() || !attached())
        return 0;
    QStringList marks;
    for (qsizetype i = 0; i < hashes.size(); ++i)
        marks << QStringLiteral("?");
    QSqlQuery q(db());
    q.prepare(QStringLiteral("SELECT COUNT(*) FROM presets WHERE hash IN (%1)").arg(marks.join(QLatin1Char(','))));
    for (qint64 h : hashes)
        q.addBindValue(h);
    return q.exec() && q.next() ? q.value(0).toInt() : 0;
}

QString Library::closedText() const
{
    if (unreadable_)
        return QCoreApplication::translate("Library", "The library index %1 cannot be read.")
            .arg(QDir::toNativeSeparators(path_));
    return closedWhy_.isEmpty() ? QCoreApplication::translate("Library", "The library is being opened.") : closedWhy_;
}

quint64 Library::searchLater(const QString &query, LibraryColumns::Column column, bool descending)
{
    const quint64 token = ++newestSearch_;
    if (!open_ && !closedWhy_.isEmpty()) {
        // Not being opened: the reader would only say that it is.
        auto result = std::make_shared<LibraryReader::Answer>();
        result->first.error = closedWhy_;
        result->complete = true;
        QMetaObject::invokeMethod(
            this,
            [this, token, result] {
                if (token == newestSearch_.load())
                    emit found(token, result);
            },
            Qt::QueuedConnection);
        return token;
    }
    startReader();
    QMetaObject::invokeMethod(
        reader_, [r = reader_, token, query, column, descending] { r->search(token, query, int(column), descending); },
        Qt::QueuedConnection);
    return token;
}

std::vector<LibraryEntry> Library::rows(std::span<const LibrarySearch::Key> keys) const
{
    return attached() ? LibrarySearch::rows(db(), keys) : std::vector<LibraryEntry>(keys.size());
}

QStringList Library::allTags() const
{
    return attached() ? LibrarySearch::allTags(db()) : QStringList();
}

bool Library::waitUntilIdle(int timeoutMs)
{
    if (!started_)
        return true;
    const quint64 token = ++pings_;
    QEventLoop loop;
    const QMetaObject::Connection answered = connect(
        worker_, &LibraryWorker::idle, &loop,
        [&](quint64 t) {
            if (t >= token)
                loop.quit();
        },
        Qt::QueuedConnection);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    post([w = worker_, token] { w->ping(token); });
    loop.exec();
    disconnect(answered);
    // The signals sent before the answer have been delivered too.
    QCoreApplication::processEvents();
    return answered_ >= token;
}

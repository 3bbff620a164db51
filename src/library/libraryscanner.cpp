// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/libraryscanner.h"

#include "files/notefile.h"
#include "files/presetfile.h"
#include "files/safefile.h"
#include "library/libraryentry.h"
#include "library/libraryindexfile.h"
#include "library/libraryrowwriter.h"
#include "library/presetcolumns.h"
#include "model/presetparams.h"
#include "model/quorvexerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <atomic>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// Names only: a file is looked at (stat) when the index knows it and must
// be compared, otherwise its stamps come from reading it.
struct LibraryScanner::Listing {
    QStringList files;
    QSet<QString> notes;
    QStringList folders;
};

namespace {

#ifdef Q_OS_UNIX
qint64 msecsOf(const struct timespec &t)
{
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}
#endif

// The size and modification time of the file at path (links followed), as
// stampOf() tells them of an open file; false (and 0, 0) when there is none.
// Straight from the system: a QDateTime in local time costs more than the
// look-up itself.
bool statAt(const QString &path, qint64 &size, qint64 &mtime)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        size = st.st_size;
        mtime = msecsOf(st.st_mtim);
        return true;
    }
    size = mtime = 0;
    return false;
#else
    const QFileInfo fi(path);
    size = fi.size();
    mtime = fi.exists() ? fi.lastModified().toMSecsSinceEpoch() : 0;
    return fi.exists();
#endif
}

// The folder rows of `folder` and everything below it, without a LIKE
// pattern to escape: "a/b/..." sorts between "a/b/" and "a/b0".
QString underFolder()
{
    return QStringLiteral("(folder = ? OR (folder >= ? AND folder < ?))");
}
QVariantList underFolderValues(const QString &folder)
{
    return {folder, folder + QLatin1Char('/'), folder + QLatin1Char('0')};
}

// Why a listed file cannot be opened, in the words a user knows.
QString cannotOpen(const QString &path, const QString &reason)
{
    const QFileInfo fi(path);
    if (fi.isSymLink() && !fi.exists())
        return QCoreApplication::translate("LibraryScanner", "Broken link");
    if (!fi.exists() && path.contains(QChar::ReplacementCharacter))
        return QCoreApplication::translate("LibraryScanner", "The file name is not valid UTF-8");
    return reason;
}

// The size and modification time of an open file.
void stampOf(const QFile &file, LibraryScanner::Stamp &stamp)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (::fstat(file.handle(), &st) == 0) {
        stamp.size = st.st_size;
        stamp.mtime = msecsOf(st.st_mtim);
    }
#else
    statAt(file.fileName(), stamp.size, stamp.mtime);
#endif
}

// Reads a file the listing found and tells its size and modification time
// as they are once it has been read, from the open file: one look-up of
// the path instead of three, which is most of the cost of a file this
// small. The bytes go to the codec as they are. A FIFO put in the file's
// place is refused without waiting.
files::Bytes readListed(const QString &path, LibraryScanner::Stamp &before, LibraryScanner::Stamp &after)
{
#ifdef Q_OS_UNIX
    // The common case in five calls to the system, where QFile makes a
    // dozen: a regular file of the size it had when opened. Anything else
    // goes the careful way below, which says what is wrong.
    if (const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); fd >= 0) {
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= files::MaxReadSize) {
            // One byte more than its size: a file that grew is read again.
            files::Bytes bytes(std::size_t(st.st_size) + 1);
            std::size_t got = 0;
            ssize_t n = 0;
            while (got < bytes.size() && (n = ::read(fd, bytes.data() + got, bytes.size() - got)) != 0) {
                if (n < 0 && errno != EINTR)
                    break;
                got += n > 0 ? std::size_t(n) : 0;
            }
            struct stat end;
            if (n == 0 && ::fstat(fd, &end) == 0) {
                ::close(fd);
                before.size = st.st_size;
                before.mtime = msecsOf(st.st_mtim);
                after.size = end.st_size;
                after.mtime = msecsOf(end.st_mtim);
                bytes.resize(got);
                return bytes;
            }
        }
        ::close(fd);
    }
#endif
    QFile file;
    QString reason;
    if (!files::openRegularFile(file, path, &reason))
        throw QuorvexError(cannotOpen(path, reason));
    stampOf(file, before);
    files::Bytes bytes = files::readOpenFile(file, path);
    stampOf(file, after);
    return bytes;
}

QString firstLine(const QString &text)
{
    const qsizetype end = text.indexOf(QLatin1Char('\n'));
    const QString line = (end < 0 ? text : text.left(end)).trimmed();
    return line.isNull() ? QStringLiteral("") : line; // a null string would go in as NULL
}

} // namespace

quint64 LibraryScanner::Plan::newId()
{
    static std::atomic<quint64> last{0};
    return ++last;
}

LibraryScanner::LibraryScanner(const QString &connection, int bulkFiles)
    : db_(QSqlDatabase::database(connection, false)), bulkFiles_(bulkFiles),
      deferred_(LibraryIndexFile::searchIndexesDeferred(db_)), writer_(std::make_unique<LibraryRowWriter>(db_))
{
    writer_->setWordsIndexed(!deferred_);
}

LibraryScanner::~LibraryScanner() = default;

void LibraryScanner::list(const QString &folder, bool recursive, Listing &out) const
{
    if (!QFileInfo(folder).isDir())
        return;
    out.folders << folder;
#ifdef Q_OS_UNIX
    listEntries(folder, recursive, out);
#else
    // Hidden folders and links to folders are not entered: no loops, no
    // wandering out of the roots. FIFOs, devices and broken links are
    // listed (System), to be shown as files that cannot be read.
    QDirIterator it(folder, QDir::Files | QDir::System | QDir::Dirs | QDir::NoDotAndDotDot,
                    recursive ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo fi = it.fileInfo();
        if (fi.isDir()) {
            if (!fi.isSymLink())
                out.folders << path;
            continue;
        }
        const QString name = it.fileName();
        if (name.endsWith(QLatin1String(".syx"), Qt::CaseInsensitive))
            out.files << path;
        else if (name.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive))
            out.notes.insert(path);
    }
#endif
}

#ifdef Q_OS_UNIX
// One reading of each folder, where QDirIterator and the look for names
// that are not UTF-8 took two, and a look at a file only when the folder
// does not say what it is. Hidden names are left out, folders and links to
// folders are not entered (no loops, no wandering out of the roots); FIFOs,
// devices and broken links are listed, to be shown as files that cannot be
// read; names that are not valid UTF-8 get U+FFFD in their place (and
// cannot be opened under it).
void LibraryScanner::listEntries(const QString &folder, bool recursive, Listing &out) const
{
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return;
    QStringList subfolders;
    const QString prefix = folder + QLatin1Char('/');
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name = QByteArray::fromRawData(entry->d_name, qsizetype(qstrlen(entry->d_name)));
        if (name.startsWith('.'))
            continue; // hidden, "." and ".."
        const QString decoded = QFile::decodeName(name);
        const bool decodable = QFile::encodeName(decoded) == name;
        const QString path = prefix + decoded;
        unsigned char type = entry->d_type;
        struct stat st;
        if (type == DT_UNKNOWN) // a file system that does not say
            type = ::lstat(QFile::encodeName(path).constData(), &st) != 0 ? DT_REG
                   : S_ISLNK(st.st_mode)                                  ? DT_LNK
                   : S_ISDIR(st.st_mode)                                  ? DT_DIR
                                                                          : DT_REG;
        if (type == DT_LNK) {
            // A link to a folder is not entered; any other is a file.
            if (::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode))
                continue;
            type = DT_REG;
        }
        if (type == DT_DIR) {
            if (decodable)
                subfolders << path;
            continue;
        }
        if (name.size() > 4 && qstrnicmp(name.constData() + name.size() - 4, ".syx", 4) == 0)
            out.files << path;
        else if (decodable && name.size() > 4 && qstrnicmp(name.constData() + name.size() - 4, ".txt", 4) == 0)
            out.notes.insert(path);
    }
    ::closedir(dir);
    for (const QString &sub : std::as_const(subfolders)) {
        out.folders << sub;
        if (recursive)
            listEntries(sub, true, out);
    }
}
#endif

QHash<QString, LibraryScanner::Stamp> LibraryScanner::known(const QString &where, const QVariantList &values) const
{
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT path, size, mtime, note_size, note_mtime FROM files WHERE ") + where);
    if (!LibraryIndexFile::run(q, values))
        throw q.lastError();
    QHash<QString, Stamp> stamps;
    while (q.next())
        stamps.insert(q.value(0).toString(), Stamp{q.value(1).toLongLong(), q.value(2).toLongLong(),
                                                   q.value(3).toLongLong(), q.value(4).toLongLong()});
    return stamps;
}

void LibraryScanner::plan(Listing &listing, const QHash<QString, Stamp> &known, Plan &out) const
{
    // In order of their paths, as they are read.
    std::sort(listing.files.begin(), listing.files.end());
    listing.files.erase(std::unique(listing.files.begin(), listing.files.end()), listing.files.end());
    qsizetype stillThere = 0;
    for (const QString &path : std::as_const(listing.files)) {
        const auto k = known.constFind(path);
        if (k == known.cend()) {
            // New: its stamps come from reading it (its note's, when there is one).
            const qint64 note =
                !listing.notes.isEmpty() && listing.notes.contains(files::noteFileName(path)) ? Unknown : -1;
            out.read.push_back(Work{path, Stamp{Unknown, Unknown, note, note}, false});
            continue;
        }
        ++stillThere;
        Stamp now;
        statAt(path, now.size, now.mtime);
        if (const QString note = files::noteFileName(path); listing.notes.contains(note))
            statAt(note, now.noteSize, now.noteMtime);
        if (*k == now)
            ++out.unchanged;
        else
            out.read.push_back(Work{path, now, true});
    }
    if (stillThere < known.size()) {
        const QSet<QString> listed(listing.files.begin(), listing.files.end());
        for (auto k = known.cbegin(); k != known.cend(); ++k)
            if (!listed.contains(k.key()))
                out.gone << k.key();
    }
    out.folders += listing.folders;
}

LibraryScanner::Plan LibraryScanner::planAll()
{
    Listing listing;
    for (const QString &root : roots_.all())
        list(root, true, listing);
    Plan out;
    const QHash<QString, Stamp> indexed = known(QStringLiteral("1"), {});
    plan(listing, indexed, out);
    out.folders.removeDuplicates();
    out.full = true;
    out.bulk = indexed.isEmpty() && out.total() >= bulkFiles_;
    return out;
}

LibraryScanner::Plan LibraryScanner::planFolder(const QString &folderPath)
{
    const QString folder = LibraryRoots::clean(folderPath);
    Listing listing;
    list(folder, false, listing);
    // Every row under the folder; a row's folder is its path's.
    const QHash<QString, Stamp> all = known(underFolder(), underFolderValues(folder));
    QSet<QString> indexedFolders;
    for (auto it = all.cbegin(); it != all.cend(); ++it)
        indexedFolders.insert(QFileInfo(it.key()).absolutePath());
    // Subfolders that came with a move or a copy are read whole.
    for (const QString &sub : QStringList(listing.folders.mid(1)))
        if (!indexedFolders.contains(sub))
            list(sub, true, listing);

    // Rows of folders listed now are compared; rows of folders that are no
    // more are dropped; the rest stay as they are.
    const QSet<QString> listed(listing.folders.begin(), listing.folders.end());
    QHash<QString, bool> exists;
    QHash<QString, Stamp> compared;
    for (auto it = all.cbegin(); it != all.cend(); ++it) {
        const QString f = QFileInfo(it.key()).absolutePath();
        if (!exists.contains(f))
            exists.insert(f, QFileInfo(f).isDir());
        if (listed.contains(f) || !exists.value(f))
            compared.insert(it.key(), *it);
    }
    Plan out;
    plan(listing, compared, out);
    // A file outside every root (a folder removed from the roots) is not
    // taken in by a change beside it.
    std::erase_if(out.read, [&](const Work &w) { return !roots_.covers(w.path); });
    return out;
}

LibraryScanner::Plan LibraryScanner::planFiles(const QStringList &paths)
{
    Listing listing;
    QHash<QString, Stamp> compared;
    for (const QString &p : paths) {
        const QString path = LibraryRoots::clean(p);
        const QFileInfo fi(path);
        if (fi.isFile() && roots_.covers(path) && path.endsWith(QLatin1String(".syx"), Qt::CaseInsensitive)) {
            listing.files << path;
            const QString note = files::noteFileName(path);
            if (QFileInfo::exists(note))
                listing.notes.insert(note);
        }
        compared.insert(known(QStringLiteral("path = ?"), {path}));
    }
    Plan out;
    plan(listing, compared, out);
    return out;
}

void LibraryScanner::apply(Plan &plan, int count)
{
    writer_->begin();
    // Where this batch began: a batch that fails is done again as a whole.
    const std::size_t first = plan.next;
    const bool dropped = plan.dropped;
    try {
        if (plan.bulk && !deferred_ && !plan.dropped) {
            LibraryIndexFile::deferSearchIndexes(db_);
            deferred_ = true;
            writer_->setWordsIndexed(false);
        }
        if (!plan.dropped) {
            for (const QString &path : std::as_const(plan.gone))
                writer_->removeFile(path);
            if (!plan.gone.isEmpty())
                writer_->dropEmptyFolders();
            plan.dropped = true;
        }
        const std::size_t end = std::min(plan.read.size(), plan.next + std::size_t(std::max(count, 0)));
        std::vector<Read> reads = takeReads(plan, end);
        // The next batch is read while this one is written.
        readAhead(plan, end, std::min(plan.read.size(), end + std::size_t(std::max(count, 0))));
        for (std::size_t i = 0; plan.next < end; ++plan.next, ++i)
            store(plan.read[plan.next], reads[i]);
        writer_->commit();
    } catch (const QSqlError &) {
        writer_->rollback();
        plan.next = first;
        plan.dropped = dropped;
        deferred_ = LibraryIndexFile::searchIndexesDeferred(db_);
        writer_->setWordsIndexed(!deferred_);
        throw;
    }
    if (plan.full && plan.done() && deferred_) {
        writer_->begin();
        try {
            LibraryIndexFile::makeDeferredSearchIndexes(db_);
            writer_->commit();
        } catch (const QSqlError &) {
            writer_->rollback();
            throw;
        }
        deferred_ = false;
        writer_->setWordsIndexed(true);
    }
}

std::vector<LibraryScanner::Read> LibraryScanner::takeReads(const Plan &plan, std::size_t end)
{
    const std::vector<Work> works(plan.read.begin() + std::ptrdiff_t(plan.next),
                                  plan.read.begin() + std::ptrdiff_t(end));
    if (ahead_.valid()) {
        const bool ours = aheadPlan_ == plan.id && aheadFrom_ == plan.next && aheadTo_ == end;
        std::vector<Read> reads = ahead_.get();
        if (ours)
            return reads;
    }
    return readWorks(works);
}

void LibraryScanner::readAhead(const Plan &plan, std::size_t from, std::size_t to)
{
    if (from >= to)
        return;
    aheadPlan_ = plan.id;
    aheadFrom_ = from;
    aheadTo_ = to;
    ahead_ =
        std::async(std::launch::async, &LibraryScanner::readWorks,
                   std::vector<Work>(plan.read.begin() + std::ptrdiff_t(from), plan.read.begin() + std::ptrdiff_t(to)));
}

QStringList LibraryScanner::takeUnsettled()
{
    return std::exchange(unsettled_, {});
}

LibraryScanner::Read LibraryScanner::readWork(const Work &work)
{
    Read read;
    LibraryEntry::Kind kind = LibraryEntry::Unreadable;
    QString error;
    // What the index will hold: as listed, or as found on opening a new file.
    Stamp stamp = work.stamp;
    Stamp opened = stamp, after = stamp;
    try {
        const files::Bytes bytes = readListed(work.path, opened, after);
        const files::Kind k = files::classify(bytes, work.path, false);
        kind = k == files::Kind::Group    ? LibraryEntry::Group
               : k == files::Kind::Single ? LibraryEntry::Single
                                          : LibraryEntry::Global;
        if (kind != LibraryEntry::Global) {
            read.data = files::decode(k, bytes);
            // Listed as the editor shows them: made valid as the editor makes them.
            for (std::size_t at = 0; at + preset::RecordSize <= read.data.size(); at += preset::RecordSize)
                presetparams::makeValid(
                    std::span<std::uint8_t, preset::RecordSize>(read.data.data() + at, preset::RecordSize));
        }
    } catch (const QuorvexError &e) {
        kind = LibraryEntry::Unreadable;
        // The row says where the file is; the reason alone is kept
        // ("Incorrect File Format:\n<path>" -> "Incorrect File Format").
        error = QString(e.message()).remove(work.path).trimmed();
        if (error.endsWith(QLatin1Char(':')))
            error.chop(1);
    }
    if (stamp.size == Unknown) {
        stamp.size = opened.size;
        stamp.mtime = opened.mtime;
    }
    if (stamp.size == Unknown) {
        // Never opened: stamped as a listing sees it, so the next pass
        // does not try again while nothing changed.
        statAt(work.path, stamp.size, stamp.mtime);
    }
    if (stamp.noteSize == Unknown && !statAt(files::noteFileName(work.path), stamp.noteSize, stamp.noteMtime))
        stamp.noteSize = stamp.noteMtime = -1;
    QString note;
    if (stamp.noteSize >= 0) {
        try {
            note = files::readNote(files::noteFileName(work.path));
        } catch (const QuorvexError &) {
            // A note that cannot be read is no reason to leave the preset out.
        }
    }
    read.unsettled = after.size != stamp.size || after.mtime != stamp.mtime;
    const qsizetype slash = work.path.lastIndexOf(QLatin1Char('/'));
    LibraryRowWriter::FileRow &row = read.row;
    row.path = work.path;
    row.folder = slash > 0 ? work.path.left(slash) : QStringLiteral("/");
    row.name = work.path.mid(slash + 1);
    row.size = stamp.size;
    row.mtime = stamp.mtime;
    row.noteSize = stamp.noteSize;
    row.noteMtime = stamp.noteMtime;
    row.kind = int(kind);
    row.backup = false;
    row.error = error.isEmpty() ? QString() : error;
    row.note = firstLine(note);
    row.words = presetcolumns::words(row.name, note, error);
    row.nameKey = presetcolumns::sortKey(row.name);
    // What the note column shows: the note, or why the file cannot be read.
    row.noteKey =
        presetcolumns::sortKey(kind == LibraryEntry::Single || kind == LibraryEntry::Group ? row.note : row.error);
    return read;
}

std::vector<LibraryScanner::Read> LibraryScanner::readWorks(std::vector<Work> works)
{
    std::vector<Read> reads;
    reads.reserve(works.size());
    for (const Work &w : works)
        reads.push_back(readWork(w));
    return reads;
}

void LibraryScanner::store(const Work &work, Read &read)
{
    if (read.unsettled)
        unsettled_ << work.path;
    const qint64 id = work.known ? writer_->removeFile(work.path) : 0;
    read.row.backup = roots_.isBackup(work.path);
    const qint64 file = writer_->addFile(read.row, id);
    if (read.row.kind == LibraryEntry::Group) {
        writer_->addGroup(file, read.data);
    } else if (read.row.kind == LibraryEntry::Single) {
        writer_->addPreset(file, -1,
                           std::span<const std::uint8_t, preset::RecordSize>(read.data.data(), preset::RecordSize));
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/libraryscanner.h"

#include "files/notefile.h"
#include "files/presetfile.h"
#include "library/libraryentry.h"
#include "library/libraryindexfile.h"
#include "library/libraryrowwriter.h"
#include "library/presetcolumns.h"
#include "model/presetparams.h"
#include "model/quorvexerror.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

#ifdef Q_OS_UNIX
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

qint64 mtimeOf(const QFileInfo &fi) { return fi.lastModified().toMSecsSinceEpoch(); }

// The folder rows of `folder` and everything below it, without a LIKE
// pattern to escape: "a/b/..." sorts between "a/b/" and "a/b0".
QString underFolder() { return QStringLiteral("(folder = ? OR (folder >= ? AND folder < ?))"); }
QVariantList underFolderValues(const QString &folder)
{
    return {folder, folder + QLatin1Char('/'), folder + QLatin1Char('0')};
}

// Reads a file the listing found and tells its size and modification time
// as they are once it has been read, from the open file: one look-up of
// the path instead of three, which is most of the cost of a file this
// small. The bytes go to the codec as they are.
files::Bytes readListed(const QString &path, LibraryScanner::Stamp &before, LibraryScanner::Stamp &after)
{
#ifdef Q_OS_UNIX
    const QString cantOpen = QStringLiteral("Can't open file:\n") + path;
    // Not blocking: a FIFO put in the file's place must not hold the worker.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st;
    if (fd < 0)
        throw QuorvexError(cantOpen);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw QuorvexError(cantOpen);
    }
    before.size = st.st_size;
    before.mtime = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    QFile file;
    // Unbuffered: a file this small is one read, and one more to see its end.
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw QuorvexError(cantOpen);
    }
    files::Bytes bytes = files::readOpenFile(file, path);
    if (::fstat(fd, &st) == 0) {
        after.size = st.st_size;
        after.mtime = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    }
    return bytes;
#else
    const QFileInfo fi(path);
    before.size = fi.size();
    before.mtime = mtimeOf(fi);
    files::Bytes bytes = files::readWholeFile(path);
    const QFileInfo now(path);
    after.size = now.exists() ? now.size() : -1;
    after.mtime = mtimeOf(now);
    return bytes;
#endif
}

QString firstLine(const QString &text)
{
    const qsizetype end = text.indexOf(QLatin1Char('\n'));
    const QString line = (end < 0 ? text : text.left(end)).trimmed();
    return line.isNull() ? QStringLiteral("") : line; // a null string would go in as NULL
}

} // namespace

LibraryScanner::LibraryScanner(const QString &connection)
    : db_(QSqlDatabase::database(connection, false)), writer_(std::make_unique<LibraryRowWriter>(db_))
{
}

LibraryScanner::~LibraryScanner() = default;

void LibraryScanner::list(const QString &folder, bool recursive, Listing &out) const
{
    if (!QFileInfo(folder).isDir())
        return;
    out.folders << folder;
    // Hidden folders and links to folders are not entered: no loops, no
    // wandering out of the roots.
    QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
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
}

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
    listing.files.removeDuplicates();
    const QSet<QString> listed(listing.files.begin(), listing.files.end());
    for (const QString &path : std::as_const(listing.files)) {
        const auto k = known.constFind(path);
        if (k == known.cend()) {
            // New: its stamps come from reading it (its note's, when there is one).
            const qint64 note = listing.notes.contains(files::noteFileName(path)) ? Unknown : -1;
            out.read.push_back(Work{path, Stamp{Unknown, Unknown, note, note}, false});
            continue;
        }
        Stamp now;
        const QFileInfo fi(path);
        now.size = fi.size();
        now.mtime = mtimeOf(fi);
        if (const QString note = files::noteFileName(path); listing.notes.contains(note)) {
            const QFileInfo ni(note);
            now.noteSize = ni.size();
            now.noteMtime = mtimeOf(ni);
        }
        if (*k == now)
            ++out.unchanged;
        else
            out.read.push_back(Work{path, now, true});
    }
    for (auto k = known.cbegin(); k != known.cend(); ++k)
        if (!listed.contains(k.key()))
            out.gone << k.key();
    std::sort(out.read.begin(), out.read.end(), [](const Work &a, const Work &b) { return a.path < b.path; });
    out.folders += listing.folders;
}

LibraryScanner::Plan LibraryScanner::planAll()
{
    Listing listing;
    for (const QString &root : roots_.all())
        list(root, true, listing);
    Plan out;
    plan(listing, known(QStringLiteral("1"), {}), out);
    out.folders.removeDuplicates();
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
        if (!plan.dropped) {
            for (const QString &path : std::as_const(plan.gone))
                writer_->removeFile(path);
            plan.dropped = true;
        }
        const std::size_t end = std::min(plan.read.size(), plan.next + std::size_t(std::max(count, 0)));
        for (; plan.next < end; ++plan.next)
            write(plan.read[plan.next]);
        writer_->commit();
    } catch (const QSqlError &) {
        writer_->rollback();
        plan.next = first;
        plan.dropped = dropped;
        throw;
    }
}

QStringList LibraryScanner::takeUnsettled()
{
    return std::exchange(unsettled_, {});
}

void LibraryScanner::write(const Work &work)
{
    LibraryEntry::Kind kind = LibraryEntry::Unreadable;
    QString error;
    files::Bytes data;
    // What the index will hold: as listed, or as found on opening a new file.
    Stamp stamp = work.stamp;
    Stamp opened = stamp, after = stamp;
    try {
        const files::Bytes bytes = readListed(work.path, opened, after);
        const files::Kind k = files::classify(bytes, work.path, false);
        kind = k == files::Kind::Group ? LibraryEntry::Group
               : k == files::Kind::Single ? LibraryEntry::Single
                                          : LibraryEntry::Global;
        if (kind != LibraryEntry::Global) {
            data = files::decode(k, bytes);
            // Listed as the editor shows them: made valid as the editor makes them.
            for (std::size_t at = 0; at + preset::RecordSize <= data.size(); at += preset::RecordSize)
                presetparams::makeValid(std::span<std::uint8_t, preset::RecordSize>(data.data() + at, preset::RecordSize));
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
    if (stamp.noteSize == Unknown) {
        const QFileInfo ni(files::noteFileName(work.path));
        const bool there = ni.exists();
        stamp.noteSize = there ? ni.size() : -1;
        stamp.noteMtime = there ? mtimeOf(ni) : -1;
    }
    QString note;
    if (stamp.noteSize >= 0) {
        try {
            note = files::readNote(files::noteFileName(work.path));
        } catch (const QuorvexError &) {
            // A note that cannot be read is no reason to leave the preset out.
        }
    }
    if (after.size != stamp.size || after.mtime != stamp.mtime)
        unsettled_ << work.path;

    if (work.known)
        writer_->removeFile(work.path);
    const QFileInfo info(work.path);
    LibraryRowWriter::FileRow row{work.path, info.absolutePath(), info.fileName(), stamp.size, stamp.mtime,
                                  stamp.noteSize, stamp.noteMtime, int(kind), roots_.isBackup(work.path),
                                  error.isEmpty() ? QString() : error, firstLine(note), {}};
    row.words = presetcolumns::words(row.name, note, error);
    const qint64 file = writer_->addFile(row);
    if (kind == LibraryEntry::Group) {
        for (int slot = 0; slot < preset::SlotCount; ++slot)
            writer_->addPreset(file, slot, preset::groupRecord(data, slot));
    } else if (kind == LibraryEntry::Single) {
        writer_->addPreset(file, -1, std::span<const std::uint8_t, preset::RecordSize>(data.data(), preset::RecordSize));
    }
}

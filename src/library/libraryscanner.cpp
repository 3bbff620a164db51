// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/libraryscanner.h"

#include "files/notefile.h"
#include "files/presetfile.h"
#include "library/libraryentry.h"
#include "library/presetcolumns.h"
#include "model/quorvexerror.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>

#include <algorithm>

struct LibraryScanner::Listing {
    QHash<QString, Stamp> files;
    QHash<QString, Stamp> notes;
    QStringList folders;
};

namespace {

qint64 mtimeOf(const QFileInfo &fi) { return fi.lastModified().toMSecsSinceEpoch(); }

QString insertStatement()
{
    QStringList columns{QStringLiteral("path"), QStringLiteral("slot"), QStringLiteral("folder"),
                        QStringLiteral("name"), QStringLiteral("size"), QStringLiteral("mtime"),
                        QStringLiteral("note_size"), QStringLiteral("note_mtime"), QStringLiteral("kind"),
                        QStringLiteral("backup"), QStringLiteral("error"), QStringLiteral("record"),
                        QStringLiteral("hash"), QStringLiteral("note"), QStringLiteral("words")};
    for (const auto &c : presetcolumns::lists())
        columns << QLatin1String(c.name);
    for (const auto &c : presetcolumns::numbers())
        columns << QLatin1String(c.name);
    QStringList marks;
    for (int i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("INSERT INTO presets(%1) VALUES (%2)").arg(columns.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
}

// The folder rows of `folder` and everything below it, without a LIKE
// pattern to escape: "a/b/..." sorts between "a/b/" and "a/b0".
QString underFolder() { return QStringLiteral("(folder = ? OR (folder >= ? AND folder < ?))"); }
QVariantList underFolderValues(const QString &folder)
{
    return {folder, folder + QLatin1Char('/'), folder + QLatin1Char('0')};
}

QString firstLine(const QString &text)
{
    const qsizetype end = text.indexOf(QLatin1Char('\n'));
    const QString line = (end < 0 ? text : text.left(end)).trimmed();
    return line.isNull() ? QStringLiteral("") : line; // a null string would go in as NULL
}

} // namespace

LibraryScanner::LibraryScanner(const QString &connection)
    : db_(QSqlDatabase::database(connection, false)), insert_(db_), remove_(db_)
{
    insert_.prepare(insertStatement());
    remove_.prepare(QStringLiteral("DELETE FROM presets WHERE path = ?"));
}

void LibraryScanner::exec(QSqlQuery &q)
{
    if (!q.exec())
        throw q.lastError();
}

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
            out.files.insert(path, Stamp{fi.size(), mtimeOf(fi)});
        else if (name.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive))
            out.notes.insert(path, Stamp{fi.size(), mtimeOf(fi)});
    }
}

QHash<QString, LibraryScanner::Stamp> LibraryScanner::known(const QString &where, const QVariantList &values) const
{
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT path, size, mtime, note_size, note_mtime FROM presets WHERE slot <= 0 AND ") + where);
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values[i]);
    if (!q.exec())
        throw q.lastError();
    QHash<QString, Stamp> stamps;
    while (q.next())
        stamps.insert(q.value(0).toString(), Stamp{q.value(1).toLongLong(), q.value(2).toLongLong(),
                                                   q.value(3).toLongLong(), q.value(4).toLongLong()});
    return stamps;
}

void LibraryScanner::plan(Listing &listing, const QHash<QString, Stamp> &known, Plan &out) const
{
    for (auto it = listing.files.begin(); it != listing.files.end(); ++it) {
        const Stamp note = listing.notes.value(files::noteFileName(it.key()));
        it->noteSize = note.size;
        it->noteMtime = note.mtime;
        const auto k = known.constFind(it.key());
        if (k != known.cend() && *k == *it)
            ++out.unchanged;
        else
            out.read.push_back(Work{it.key(), *it, k != known.cend()});
    }
    for (auto k = known.cbegin(); k != known.cend(); ++k)
        if (!listing.files.contains(k.key()))
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
    // Subfolders that came with a move or a copy are read whole.
    const QSet<QString> indexedFolders = [&] {
        QSet<QString> set;
        QSqlQuery q(db_);
        q.prepare(QStringLiteral("SELECT DISTINCT folder FROM presets WHERE ") + underFolder());
        const QVariantList values = underFolderValues(folder);
        for (int i = 0; i < values.size(); ++i)
            q.bindValue(i, values[i]);
        if (!q.exec())
            throw q.lastError();
        while (q.next())
            set.insert(q.value(0).toString());
        return set;
    }();
    for (const QString &sub : QStringList(listing.folders.mid(1)))
        if (!indexedFolders.contains(sub))
            list(sub, true, listing);

    // Rows of folders listed now are compared; rows of folders that are no
    // more are dropped; the rest stay as they are.
    const QSet<QString> listed(listing.folders.begin(), listing.folders.end());
    QHash<QString, bool> exists;
    QHash<QString, Stamp> compared;
    const QHash<QString, Stamp> all = known(underFolder(), underFolderValues(folder));
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
            listing.files.insert(path, Stamp{fi.size(), mtimeOf(fi)});
            const QFileInfo note(files::noteFileName(path));
            if (note.exists())
                listing.notes.insert(note.filePath(), Stamp{note.size(), mtimeOf(note)});
        }
        compared.insert(known(QStringLiteral("path = ?"), {path}));
    }
    Plan out;
    plan(listing, compared, out);
    return out;
}

void LibraryScanner::apply(Plan &plan, int count)
{
    if (!db_.transaction())
        throw db_.lastError();
    try {
        if (!plan.dropped) {
            for (const QString &path : std::as_const(plan.gone)) {
                remove_.bindValue(0, path);
                exec(remove_);
            }
            plan.dropped = true;
        }
        const std::size_t end = std::min(plan.read.size(), plan.next + std::size_t(std::max(count, 0)));
        for (; plan.next < end; ++plan.next)
            write(plan.read[plan.next]);
        if (!db_.commit())
            throw db_.lastError();
    } catch (const QSqlError &) {
        db_.rollback();
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
    try {
        const files::Bytes bytes = files::readWholeFile(work.path);
        const files::Kind k = files::classify(bytes, work.path, false);
        kind = k == files::Kind::Group ? LibraryEntry::Group
               : k == files::Kind::Single ? LibraryEntry::Single
                                          : LibraryEntry::Global;
        if (kind != LibraryEntry::Global)
            data = files::decode(k, bytes);
    } catch (const QuorvexError &e) {
        kind = LibraryEntry::Unreadable;
        // The row says where the file is; the reason alone is kept.
        error = QString(e.message()).remove(work.path).trimmed();
    }
    QString note;
    if (work.stamp.noteSize >= 0) {
        try {
            note = files::readNote(files::noteFileName(work.path));
        } catch (const QuorvexError &) {
            // A note that cannot be read is no reason to leave the preset out.
        }
    }
    const QFileInfo after(work.path);
    if (!after.exists() || after.size() != work.stamp.size || mtimeOf(after) != work.stamp.mtime)
        unsettled_ << work.path;

    if (work.known) {
        remove_.bindValue(0, work.path);
        exec(remove_);
    }
    const QFileInfo info(work.path);
    const QString name = info.fileName();
    const QString head = firstLine(note);
    int i = 0;
    auto bind = [&](const QVariant &v) { insert_.bindValue(i++, v); };
    auto row = [&](int slot, const std::uint8_t *record) {
        i = 0;
        bind(work.path);
        bind(slot);
        bind(info.absolutePath());
        bind(name);
        bind(work.stamp.size);
        bind(work.stamp.mtime);
        bind(work.stamp.noteSize);
        bind(work.stamp.noteMtime);
        bind(int(kind));
        bind(roots_.isBackup(work.path) ? 1 : 0);
        bind(error.isEmpty() ? QVariant() : QVariant(error));
        if (!record) {
            bind(QVariant(QMetaType::fromType<QByteArray>()));
            bind(QVariant(QMetaType::fromType<QString>()));
            bind(head);
            bind((name + QLatin1Char('\n') + note + QLatin1Char('\n') + error).toLower());
            const int blanks = int(presetcolumns::lists().size() + presetcolumns::numbers().size());
            for (int b = 0; b < blanks; ++b)
                bind(QVariant(QMetaType::fromType<int>()));
        } else {
            const std::span<const std::uint8_t, preset::RecordSize> r(record, preset::RecordSize);
            bind(QByteArray(reinterpret_cast<const char *>(record), preset::RecordSize));
            bind(presetcolumns::hashOf(r));
            bind(head);
            const QString shown = slot < 0 ? name : name + QLatin1Char(' ') + preset::slotName(slot);
            bind(presetcolumns::words(shown, note, r));
            for (const auto &c : presetcolumns::lists())
                bind(c.value(r));
            for (const auto &c : presetcolumns::numbers())
                bind(c.value(r));
        }
        exec(insert_);
    };
    if (kind == LibraryEntry::Group) {
        for (int slot = 0; slot < preset::SlotCount; ++slot)
            row(slot, data.data() + slot * preset::RecordSize);
    } else {
        row(-1, kind == LibraryEntry::Single ? data.data() : nullptr);
    }
}

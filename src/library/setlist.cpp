// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/setlist.h"

#include "files/presetfile.h"
#include "files/safefile.h"
#include "library/presetcolumns.h"
#include "model/presetparams.h"
#include "model/quorvexerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>

namespace setlistfile {

namespace {

QuorvexError refused(const QString &why, const QString &path)
{
    return QuorvexError(QStringLiteral("%1:\n%2").arg(why, path));
}

// "A1".."D4" -> 0..15; -1 otherwise.
int slotOf(const QString &name)
{
    if (name.size() != 2)
        return -1;
    const int bank = name[0].toUpper().unicode() - 'A';
    const int number = name[1].unicode() - '1';
    return bank >= 0 && bank < 4 && number >= 0 && number < 4 ? bank * 4 + number : -1;
}

} // namespace

QString slotName(int slot)
{
    return slot >= 0 && slot < preset::SlotCount ? preset::slotName(slot) : QString();
}

Read read(const QString &path)
{
    QFile file;
    QString reason;
    if (!files::openRegularFile(file, path, &reason))
        throw refused(QCoreApplication::translate("Setlist", "Can't open setlist"), path);
    if (file.size() > Setlist::MaxFileBytes)
        throw refused(QCoreApplication::translate("Setlist", "Setlist too large (over 16 MiB)"), path);
    // One byte past the cap tells a file that grew since it was looked at.
    const QByteArray json = file.read(Setlist::MaxFileBytes + 1);
    if (json.size() > Setlist::MaxFileBytes)
        throw refused(QCoreApplication::translate("Setlist", "Setlist too large (over 16 MiB)"), path);
    if (file.error() != QFileDevice::NoError)
        throw QuorvexError(
            QCoreApplication::translate("Setlist", "Can't read setlist:\n%1\n%2").arg(path, file.errorString()));
    return parse(json, path);
}

Read parse(const QByteArray &json, const QString &path)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw refused(QCoreApplication::translate("Setlist", "Not a setlist (not JSON: %1 at byte %2)")
                          .arg(error.errorString())
                          .arg(error.offset),
                      path);
    const QJsonObject top = doc.object();
    if (!doc.isObject() || !top.value(QStringLiteral("entries")).isArray())
        throw refused(QCoreApplication::translate("Setlist", "Not a setlist (no list of entries)"), path);
    const int version = top.value(QStringLiteral("version")).toInt(0);
    if (version < 1)
        throw refused(QCoreApplication::translate("Setlist", "Not a setlist (no version)"), path);
    if (version > Setlist::Version)
        throw refused(
            QCoreApplication::translate("Setlist", "A setlist of a newer version of Quorvex (%1, this one reads %2)")
                .arg(version)
                .arg(Setlist::Version),
            path);

    Read out;
    const QJsonArray entries = top.value(QStringLiteral("entries")).toArray();
    out.list.entries.reserve(std::size_t(std::min<qsizetype>(entries.size(), Setlist::MaxEntries)));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString number = QCoreApplication::translate("Setlist", "Entry %1").arg(i + 1);
        if (qsizetype(out.list.entries.size()) == Setlist::MaxEntries) {
            out.problems << QCoreApplication::translate(
                                "Setlist", "%1 and the %2 after it: a setlist holds at most %3 entries; they are "
                                           "left out")
                                .arg(number)
                                .arg(entries.size() - i - 1)
                                .arg(Setlist::MaxEntries);
            break;
        }
        const QJsonObject o = entries[i].toObject();
        SetlistEntry e;
        e.file = o.value(QStringLiteral("file")).toString();
        e.song = o.value(QStringLiteral("song")).toString();
        e.note = o.value(QStringLiteral("note")).toString();
        const QJsonValue slot = o.value(QStringLiteral("slot"));
        if (!slot.isUndefined() && !slot.isNull()) {
            e.slot = slotOf(slot.toString());
            if (e.slot < 0) {
                out.problems << QCoreApplication::translate("Setlist", "%1: \"%2\" is not a slot A1..D4; left out")
                                    .arg(number, slot.toString());
                continue;
            }
        }
        const QString hash = o.value(QStringLiteral("hash")).toString();
        if (!hash.isEmpty()) {
            bool ok = false;
            const quint64 h = hash.toULongLong(&ok, 16);
            if (ok && hash.size() == 16)
                e.hash = qint64(h);
            else
                out.problems << QCoreApplication::translate(
                                    "Setlist", "%1: \"%2\" is not a preset's hash; found by its path alone")
                                    .arg(number, files::elidedMiddle(hash, 40));
        }
        if (!entries[i].isObject() || (e.file.isEmpty() && !e.hash)) {
            out.problems << QCoreApplication::translate("Setlist", "%1: names no preset; left out").arg(number);
            continue;
        }
        out.list.entries.push_back(std::move(e));
    }
    return out;
}

QByteArray toJson(const Setlist &list)
{
    QJsonArray entries;
    for (const SetlistEntry &e : list.entries) {
        QJsonObject o{{QStringLiteral("file"), e.file}};
        if (e.slot >= 0)
            o.insert(QStringLiteral("slot"), slotName(e.slot));
        if (e.hash)
            o.insert(QStringLiteral("hash"), presetcolumns::hashText(*e.hash));
        if (!e.song.isEmpty())
            o.insert(QStringLiteral("song"), e.song);
        if (!e.note.isEmpty())
            o.insert(QStringLiteral("note"), e.note);
        entries.append(o);
    }
    return QJsonDocument(
               QJsonObject{{QStringLiteral("version"), Setlist::Version}, {QStringLiteral("entries"), entries}})
        .toJson(QJsonDocument::Indented);
}

void write(const QString &path, const Setlist &list)
{
    const QByteArray json = toJson(list);
    files::writeWholeFile(
        path, std::span(reinterpret_cast<const std::uint8_t *>(json.constData()), std::size_t(json.size())));
}

} // namespace setlistfile

SetlistResolver::SetlistResolver(QSqlDatabase db, LibraryRoots roots) : db_(std::move(db)), roots_(std::move(roots)) {}

std::vector<SetlistPlace> SetlistResolver::resolve(const Setlist &list, const QString &setlistPath) const
{
    const QString folder = QFileInfo(setlistPath).absolutePath();
    std::vector<SetlistPlace> places;
    places.reserve(list.entries.size());
    for (const SetlistEntry &e : list.entries)
        places.push_back(resolve(e, folder));
    return places;
}

bool SetlistResolver::mayRead(const QString &path, const QString &setlistFolder) const
{
    if (roots_.covers(path) || LibraryRoots::contains(LibraryRoots::clean(setlistFolder), path))
        return true;
    // A file the library lists is one of its own, wherever it is.
    if (!db_.isValid() || !db_.isOpen())
        return false;
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("SELECT 1 FROM files WHERE path = ?"));
    q.addBindValue(path);
    return q.exec() && q.next();
}

SetlistPlace SetlistResolver::resolve(const SetlistEntry &entry, const QString &setlistFolder) const
{
    SetlistPlace place;
    place.slot = entry.slot;
    QString why;
    std::optional<preset::Record> there;
    if (!entry.file.isEmpty()) {
        const QString path = QDir::cleanPath(QDir(setlistFolder).absoluteFilePath(entry.file));
        if (!mayRead(path, setlistFolder)) {
            why =
                QStringLiteral("\"%1\" lies outside the library's folders and the setlist's; not read").arg(entry.file);
        } else {
            try {
                const files::PresetFile file = files::readPresetFile(path, false);
                const bool group = file.kind == files::Kind::Group;
                if (file.kind == files::Kind::Global)
                    why = QCoreApplication::translate("Setlist", "\"%1\" holds global settings, not a preset")
                              .arg(entry.file);
                else if (group != (entry.slot >= 0))
                    why = group ? QCoreApplication::translate("Setlist",
                                                              "\"%1\" is a group file and the entry names no slot")
                                      .arg(entry.file)
                                : QCoreApplication::translate("Setlist", "\"%1\" is a single preset, not a group file")
                                      .arg(entry.file);
                else {
                    preset::Record r;
                    const auto from = preset::groupRecord(file.data, group ? entry.slot : 0);
                    std::copy(from.begin(), from.end(), r.begin());
                    presetparams::makeValid(r);
                    place.path = path;
                    there = r;
                }
            } catch (const QuorvexError &e) {
                why = QString(e.message()).replace(QLatin1Char('\n'), QLatin1Char(' ')).trimmed();
            }
        }
    }
    if (there && (!entry.hash || presetcolumns::hashOf(*there) == *entry.hash)) {
        place.state = SetlistPlace::Found;
        place.record = *there;
        return place;
    }
    if (entry.hash) {
        if (std::optional<SetlistPlace> moved = byHash(*entry.hash))
            return *moved;
    }
    if (there) {
        place.state = SetlistPlace::Changed;
        place.record = *there;
        place.why =
            QCoreApplication::translate("Setlist", "\"%1\" was changed since it was added; its preset now is used")
                .arg(entry.file);
        return place;
    }
    place.path.clear();
    place.state = SetlistPlace::Missing;
    if (why.isEmpty())
        why = entry.file.isEmpty() ? QCoreApplication::translate("Setlist", "the preset is not in the library")
                                   : QCoreApplication::translate("Setlist", "\"%1\" is gone").arg(entry.file);
    else if (entry.hash)
        why += QCoreApplication::translate("Setlist", ", and the preset is nowhere else in the library");
    place.why = why;
    return place;
}

std::optional<SetlistPlace> SetlistResolver::byHash(qint64 hash) const
{
    if (!db_.isValid() || !db_.isOpen())
        return std::nullopt;
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    // A preset kept in the data folder before one among the backups.
    q.prepare(QStringLiteral("SELECT f.path, p.slot, p.record FROM presets p JOIN files f ON f.id = p.file"
                             " WHERE p.hash = ? ORDER BY f.backup, f.path, p.slot LIMIT 1"));
    q.addBindValue(hash);
    if (!q.exec() || !q.next())
        return std::nullopt;
    const QByteArray bytes = q.value(2).toByteArray();
    if (bytes.size() != preset::RecordSize)
        return std::nullopt;
    SetlistPlace place;
    place.state = SetlistPlace::Moved;
    place.path = q.value(0).toString();
    place.slot = q.value(1).toInt();
    std::copy(bytes.begin(), bytes.end(), place.record.begin());
    return place;
}

SetlistEntry SetlistResolver::entryFor(const QString &file, int slot, const preset::Record &record,
                                       const QString &setlistPath)
{
    SetlistEntry e;
    e.file = QDir(QFileInfo(setlistPath).absolutePath()).relativeFilePath(file);
    e.slot = slot;
    e.hash = presetcolumns::hashOf(record);
    return e;
}

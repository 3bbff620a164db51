// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/libraryroots.h"
#include "model/presetrecord.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// A setlist: presets from the library in the order of a gig, the same one
// as often as it is played. Kept as a small JSON file (.qvset) beside the
// presets or anywhere: each entry names its file relative to the setlist and
// the record's hash, so a preset whose file was moved or renamed is found
// again by its content.
struct SetlistEntry {
    QString file;               // relative to the setlist's folder, '/' separated
    int slot = -1;              // a group file's slot 0..15 (A1..D4); -1 a single file
    std::optional<qint64> hash; // presetcolumns::hashOf() of the made-valid record
    QString song;
    QString note;

    friend bool operator==(const SetlistEntry &, const SetlistEntry &) = default;
};

struct Setlist {
    static constexpr int Version = 1;
    // More than any gig plays; a larger file is opened this far and says so.
    static constexpr int MaxEntries = 10000;
    // A setlist of MaxEntries with long notes stays well under this.
    static constexpr qint64 MaxFileBytes = 16 * 1024 * 1024;

    std::vector<SetlistEntry> entries;

    friend bool operator==(const Setlist &, const Setlist &) = default;
};

namespace setlistfile {

inline const QString Suffix = QStringLiteral("qvset");

struct Read {
    Setlist list;
    // "Entry 3: ..." for each entry left out or cut, in order; the file's
    // path is in the caller's message.
    QStringList problems;
};

// Throws QuorvexError naming path when nothing of it can be used: not
// readable, not JSON, not a setlist, a newer version.
Read read(const QString &path);
Read parse(const QByteArray &json, const QString &path);
QByteArray toJson(const Setlist &list);
// Through the checked save; throws QuorvexError as writeWholeFile().
void write(const QString &path, const Setlist &list);

// "B2" for 5; "" for -1.
QString slotName(int slot);

} // namespace setlistfile

// Where each entry's preset is now. By its path first (when the record
// there is the one the entry was made from, or the entry has no hash), then
// by its hash through the library index, then the file at its path even
// though it changed. A path that leads out of every library folder and out
// of the setlist's own folder, to a file the index does not list, is never
// read.
struct SetlistPlace {
    enum State {
        Found,   // at its path, the same record
        Moved,   // found by its hash in another file (path says where)
        Changed, // at its path, but the record differs and is nowhere else
        Missing, // neither its path nor its hash: why says which
    };
    State state = Missing;
    QString path; // absolute, the file the record came from (empty: missing)
    int slot = -1;
    preset::Record record{};
    QString why; // for Missing and Changed: what the user reads
};

class SetlistResolver {
public:
    // db: an open library index, or an invalid one (paths only). roots: the
    // library's folders.
    SetlistResolver(QSqlDatabase db, LibraryRoots roots);

    std::vector<SetlistPlace> resolve(const Setlist &list, const QString &setlistPath) const;
    SetlistPlace resolve(const SetlistEntry &entry, const QString &setlistFolder) const;

    // The entry a library preset makes in a setlist saved at setlistPath.
    static SetlistEntry entryFor(const QString &file, int slot, const preset::Record &record,
                                 const QString &setlistPath);

private:
    std::optional<SetlistPlace> byHash(qint64 hash) const;
    bool mayRead(const QString &path, const QString &setlistFolder) const;

    QSqlDatabase db_;
    LibraryRoots roots_;
};

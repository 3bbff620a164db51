// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/duplicatereport.h"

#include "library/duplicatefinder.h"
#include "library/libraryindexfile.h"
#include "library/librarysearch.h"
#include "library/presetcompare.h"

#include <QCoreApplication>
#include <QHash>
#include <QThread>

std::vector<DuplicateReport::Group> DuplicateReport::build(const std::vector<LibraryEntry> &rows, int maxDifferences,
                                                           const std::atomic_bool *cancel)
{
    // One record each, with the rows that hold it.
    std::vector<DuplicateFinder::Record> records;
    std::vector<std::vector<const LibraryEntry *>> holders;
    QHash<qint64, std::size_t> byHash;
    for (const LibraryEntry &e : rows) {
        if (!e.readable())
            continue;
        const auto found = byHash.constFind(e.hash);
        if (found != byHash.cend() && records[*found].bytes == e.record) {
            ++records[*found].presets;
            holders[*found].push_back(&e);
            continue;
        }
        byHash.insert(e.hash, records.size());
        records.push_back({e.hash, e.record, 1});
        holders.push_back({&e});
    }
    std::vector<Group> groups;
    for (const DuplicateFinder::Group &g : DuplicateFinder::find(records, maxDifferences, cancel)) {
        Group out{g.members.size() == 1, {}, {}};
        const preset::Record &first = records[std::size_t(g.members.front())].bytes;
        for (int m : g.members) {
            const QString differs = PresetCompare::differenceNames(first, records[std::size_t(m)].bytes);
            for (const LibraryEntry *e : holders[std::size_t(m)]) {
                out.presets.push_back(*e);
                out.differences.push_back(differs);
            }
        }
        groups.push_back(std::move(out));
    }
    return groups;
}

DuplicateReport::Found DuplicateReport::fromIndex(const QString &indexPath, int maxDifferences,
                                                  const std::atomic_bool *cancel)
{
    Found found;
    // An empty path would open an empty temporary database, which finds nothing.
    if (indexPath.isEmpty()) {
        found.error = QCoreApplication::translate("Library", "The library is being opened.");
        return found;
    }
    const QString name = QStringLiteral("quorvex-duplicates-%1").arg(quintptr(QThread::currentThreadId()));
    if (LibraryIndexFile::attach(indexPath, name)) {
        const LibrarySearch::Result all = LibrarySearch::run(QSqlDatabase::database(name, false), QString());
        found.error = all.error;
        if (found.error.isEmpty())
            found.groups = build(all.rows, maxDifferences, cancel);
    } else {
        found.error = QCoreApplication::translate("Library", "The library index cannot be opened.");
    }
    LibraryIndexFile::close(name);
    return found;
}

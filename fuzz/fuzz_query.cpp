// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary text to the library's search language and runs what it
// compiles to on an empty index with the real schema. The compiler must
// never throw, must explain every refusal, must bind every value it takes
// from the text (no quote of the user's text reaches the SQL), and what it
// accepts must run.
#include "library/libraryindexfile.h"
#include "library/libraryquery.h"
#include "library/librarysearch.h"

#include <QCoreApplication>
#include <QSqlDatabase>

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

QSqlDatabase &index()
{
    static QSqlDatabase db = [] {
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fuzz"));
        d.setDatabaseName(QStringLiteral(":memory:"));
        check(d.open() && LibraryIndexFile::migrate(d, 0, LibraryIndexFile::Version));
        return d;
    }();
    return db;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_query";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    CompiledQuery q;
    try {
        q = LibraryQuery::compile(text);
    } catch (...) {
        std::abort();
    }
    if (!q.ok()) {
        check(q.where.isEmpty() && q.values.isEmpty());
        return 0;
    }
    // Every '?' has its value; the only quotes are the LIKE escape's own.
    check(q.where.count(QLatin1Char('?')) == q.values.size());
    check(!q.where.contains(QLatin1Char('"')));
    check(q.where.count(QLatin1Char('\'')) == 2 * q.where.count(QStringLiteral("ESCAPE '\\'")));
    for (const QVariant &v : std::as_const(q.values))
        check(v.typeId() == QMetaType::QString || v.typeId() == QMetaType::Int);

    const LibrarySearch::Result r = LibrarySearch::run(index(), text);
    check(r.error.isEmpty() && r.rows.empty());
    return 0;
}

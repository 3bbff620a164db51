// SPDX-License-Identifier: GPL-3.0-or-later
#include "syx/syxsearch.h"

#include "library/duplicatereport.h"
#include "library/librarycolumns.h"
#include "library/libraryindexfile.h"
#include "library/libraryscanner.h"
#include "library/librarysearch.h"
#include "library/presetcolumns.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

const QString Connection = QStringLiteral("quorvex-syx");

QJsonObject json(const LibraryEntry &e)
{
    const char *kinds[] = {"unreadable", "single", "group", "global"};
    auto text = [&](LibraryColumns::Column c) {
        return e.readable() ? QJsonValue(LibraryColumns::text(e, c)) : QJsonValue();
    };
    auto number = [&](LibraryColumns::Column c) {
        return e.readable() ? QJsonValue(LibraryColumns::numberKey(e, c)) : QJsonValue();
    };
    return QJsonObject{
        {QStringLiteral("path"), e.path},
        {QStringLiteral("slot"), e.slot >= 0 ? QJsonValue(preset::slotName(e.slot)) : QJsonValue()},
        {QStringLiteral("name"), e.name()},
        {QStringLiteral("kind"), QLatin1String(kinds[e.kind])},
        {QStringLiteral("hash"), e.readable() ? QJsonValue(presetcolumns::hashText(e.hash)) : QJsonValue()},
        {QStringLiteral("model"), text(LibraryColumns::Model)},
        {QStringLiteral("cabinet"), text(LibraryColumns::Cabinet)},
        {QStringLiteral("modulation"), text(LibraryColumns::Modulation)},
        {QStringLiteral("gain"), number(LibraryColumns::Gain)},
        {QStringLiteral("delay"), number(LibraryColumns::Delay)},
        {QStringLiteral("reverb"), number(LibraryColumns::Reverb)},
        {QStringLiteral("favourite"), e.favourite},
        {QStringLiteral("tags"), QJsonArray::fromStringList(e.tags)},
        {QStringLiteral("note"), e.note},
        {QStringLiteral("error"), e.error.isEmpty() ? QJsonValue() : QJsonValue(e.error)},
    };
}

QString line(const LibraryEntry &e)
{
    const QString where = e.slot >= 0 ? e.path + QLatin1Char(' ') + preset::slotName(e.slot) : e.path;
    if (!e.readable())
        return where + QStringLiteral(": cannot be read: ") + LibraryColumns::text(e, LibraryColumns::Note);
    QString text =
        QStringLiteral("%1: %2, %3, %4, gain %5")
            .arg(where, LibraryColumns::text(e, LibraryColumns::Model),
                 LibraryColumns::text(e, LibraryColumns::Cabinet), LibraryColumns::text(e, LibraryColumns::Modulation),
                 LibraryColumns::text(e, LibraryColumns::Gain));
    if (!e.note.isEmpty())
        text += QStringLiteral(" - ") + e.note;
    return text;
}

} // namespace

SyxSearch::SyxSearch(QTextStream &out, QTextStream &err, const SyxTool::Options &options)
    : out_(out), err_(err), options_(options)
{}

int SyxSearch::fail(const QString &message, const QString &path)
{
    LibraryIndexFile::close(Connection);
    return SyxTool::trouble(err_, message, path);
}

SyxSearch::~SyxSearch()
{
    LibraryIndexFile::close(Connection);
}

QSqlDatabase SyxSearch::db() const
{
    return QSqlDatabase::database(Connection, false);
}

int SyxSearch::open()
{
    // fail() closes the connection: no handle to it may be alive then.
    if (!options_.dir.isEmpty()) {
        QTemporaryDir &scratch = scratch_;
        // A folder: indexed here and now, into an index of its own.
        if (!QFileInfo(options_.dir).isDir())
            return fail(QStringLiteral("not a folder"), options_.dir);
        if (!scratch.isValid() ||
            !LibraryIndexFile::open(scratch.filePath(QStringLiteral("scan.sqlite")), Connection).ok)
            return fail(QStringLiteral("no room for an index of the folder in the temporary folder"));
        QString failed;
        try {
            LibraryScanner scanner(Connection);
            scanner.setRoots(LibraryRoots{options_.dir, {}, {}});
            LibraryScanner::Plan plan = scanner.planAll();
            while (!plan.done())
                scanner.apply(plan, 1000);
        } catch (const QSqlError &e) {
            failed = e.text();
        }
        if (!failed.isEmpty())
            return fail(failed);
    } else {
        const QString path = options_.index.isEmpty() ? LibraryIndexFile::defaultPath() : options_.index;
        if (!QFileInfo(path).isFile())
            return fail(QStringLiteral("no library index here; Quorvex makes it as it runs, or use --dir DIR"), path);
        if (!LibraryIndexFile::attach(path, Connection, true))
            return fail(QStringLiteral("the library index cannot be opened"), path);
        const LibraryIndexFile::Inspection seen = LibraryIndexFile::inspect(QSqlDatabase::database(Connection, false));
        const QString versions =
            QStringLiteral("(%1, this one reads %2)").arg(seen.version).arg(LibraryIndexFile::Version);
        switch (seen.state) {
        case LibraryIndexFile::State::Current: break;
        case LibraryIndexFile::State::Empty:
            return fail(QStringLiteral("the library index is empty; Quorvex fills it as it runs, or use --dir DIR"),
                        path);
        case LibraryIndexFile::State::Older:
            return fail(QStringLiteral("a library index of an older version of Quorvex %1; Quorvex brings it up to "
                                       "date as it starts")
                            .arg(versions),
                        path);
        case LibraryIndexFile::State::Newer:
            return fail(QStringLiteral("a library index of a newer version of Quorvex %1").arg(versions), path);
        case LibraryIndexFile::State::Damaged:
            return fail(QStringLiteral("not a library index, or a damaged one; Quorvex rebuilds it as it starts"),
                        path);
        case LibraryIndexFile::State::Unreadable:
            return fail(QStringLiteral("the library index cannot be read: %1").arg(seen.error.text()), path);
        }
    }
    return -1;
}

int SyxSearch::run(const QString &query)
{
    if (const int bad = open(); bad >= 0)
        return bad;
    const LibrarySearch::Result result = LibrarySearch::run(QSqlDatabase::database(Connection, false), query);
    if (!result.error.isEmpty())
        return fail(result.error);
    if (!result.hint.isEmpty())
        err_ << "quorvex-syx: " << result.hint << '\n';
    if (options_.json) {
        QJsonArray rows;
        for (const LibraryEntry &e : result.rows)
            rows.append(json(e));
        out_ << QJsonDocument(QJsonObject{{QStringLiteral("query"), query}, {QStringLiteral("rows"), rows}}).toJson();
    } else {
        for (const LibraryEntry &e : result.rows)
            out_ << line(e) << '\n';
    }
    LibraryIndexFile::close(Connection);
    return SyxTool::Done;
}

int SyxSearch::duplicates(int within)
{
    if (const int bad = open(); bad >= 0)
        return bad;
    const LibrarySearch::Result all = LibrarySearch::run(db(), QString());
    if (!all.error.isEmpty())
        return fail(all.error);
    const std::vector<DuplicateReport::Group> groups = DuplicateReport::build(all.rows, within);
    if (options_.json) {
        QJsonArray out;
        for (const DuplicateReport::Group &g : groups) {
            QJsonArray presets;
            for (const LibraryEntry &e : g.presets)
                presets.append(QJsonObject{
                    {QStringLiteral("path"), e.path},
                    {QStringLiteral("slot"), e.slot >= 0 ? QJsonValue(preset::slotName(e.slot)) : QJsonValue()},
                    {QStringLiteral("name"), e.name()}});
            out.append(QJsonObject{{QStringLiteral("identical"), g.identical}, {QStringLiteral("presets"), presets}});
        }
        out_ << QJsonDocument(QJsonObject{{QStringLiteral("groups"), out}}).toJson();
    } else {
        for (const DuplicateReport::Group &g : groups) {
            out_ << (g.identical ? QStringLiteral("Identical: %1 presets") : QStringLiteral("Alike: %1 presets"))
                        .arg(g.presets.size())
                 << '\n';
            for (std::size_t i = 0; i < g.presets.size(); ++i) {
                const LibraryEntry &e = g.presets[i];
                out_ << "  " << e.path << (e.slot >= 0 ? QStringLiteral(" ") + preset::slotName(e.slot) : QString());
                if (!g.differences[i].isEmpty())
                    out_ << "  (" << g.differences[i] << ')';
                out_ << '\n';
            }
        }
    }
    LibraryIndexFile::close(Connection);
    return SyxTool::Done;
}

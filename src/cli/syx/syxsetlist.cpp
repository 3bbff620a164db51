// SPDX-License-Identifier: GPL-3.0-or-later
#include "syx/syxsetlist.h"

#include "files/presetfile.h"
#include "library/libraryindexfile.h"
#include "library/setlist.h"
#include "model/quorvexerror.h"
#include "syx/syxsearch.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <optional>

namespace {

const char *stateName(SetlistPlace::State state)
{
    switch (state) {
    case SetlistPlace::Found: return "found";
    case SetlistPlace::Moved: return "moved";
    case SetlistPlace::Changed: return "changed";
    case SetlistPlace::Missing: break;
    }
    return "missing";
}

// A name the file systems people copy setlists to all take.
QString fileSafe(QString name)
{
    for (QChar &c : name)
        if (c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    return name.trimmed().left(80);
}

} // namespace

SyxSetlist::SyxSetlist(QTextStream &out, QTextStream &err, const SyxTool::Options &options)
    : out_(out), err_(err), options_(options)
{}

int SyxSetlist::check(const QString &setlist)
{
    return run(setlist, {});
}

int SyxSetlist::exportTo(const QString &setlist, const QString &dir)
{
    return run(setlist, dir);
}

int SyxSetlist::run(const QString &setlistPath, const QString &dir)
{
    setlistfile::Read read;
    try {
        read = setlistfile::read(setlistPath);
    } catch (const QuorvexError &e) {
        return SyxTool::trouble(err_, e.message(), setlistPath);
    }
    for (const QString &problem : std::as_const(read.problems))
        err_ << SyxTool::troubleText(problem, setlistPath) << '\n';

    // Quorvex's own index when there is one; without it, entries are found
    // by their paths alone.
    SyxSearch index(out_, err_, options_);
    const bool ownIndex = options_.dir.isEmpty() && options_.index.isEmpty();
    if (ownIndex && !QFileInfo(LibraryIndexFile::defaultPath()).isFile()) {
        err_ << "quorvex-syx: no library index; entries are found by their paths alone\n";
    } else if (const int bad = index.open(); bad >= 0) {
        return bad;
    }
    LibraryRoots roots;
    if (!options_.dir.isEmpty())
        roots.data = LibraryRoots::clean(QFileInfo(options_.dir).absoluteFilePath());
    const std::vector<SetlistPlace> places = SetlistResolver(index.db(), roots).resolve(read.list, setlistPath);

    if (!dir.isEmpty() && !QDir().mkpath(dir))
        return SyxTool::trouble(err_, QStringLiteral("the folder cannot be made"), dir);
    int missing = 0;
    QJsonArray entries;
    for (std::size_t i = 0; i < places.size(); ++i) {
        const SetlistEntry &e = read.list.entries[i];
        const SetlistPlace &p = places[i];
        const int number = int(i) + 1;
        std::optional<QString> written;
        if (p.state == SetlistPlace::Missing) {
            ++missing;
        } else if (!dir.isEmpty()) {
            const QString base = e.song.isEmpty() ? QFileInfo(p.path).completeBaseName() : e.song;
            const QString slot = p.slot >= 0 ? QStringLiteral(" ") + setlistfile::slotName(p.slot) : QString();
            const QString target = QDir(dir).filePath(QStringLiteral("%1 %2%3.syx")
                                                          .arg(number, places.size() > 99 ? 4 : 2, 10, QLatin1Char('0'))
                                                          .arg(fileSafe(base), slot));
            if (QFileInfo::exists(target) && !options_.force)
                return SyxTool::trouble(err_, QStringLiteral("exists; --force replaces it"), target);
            try {
                files::writeSingleFile(target, p.record);
            } catch (const QuorvexError &error) {
                return SyxTool::trouble(err_, error.message(), target);
            }
            written = target;
        }
        if (options_.json) {
            QJsonObject o{{QStringLiteral("number"), number},
                          {QStringLiteral("song"), e.song},
                          {QStringLiteral("state"), QLatin1String(stateName(p.state))}};
            if (!p.path.isEmpty())
                o.insert(QStringLiteral("path"), p.path);
            if (p.slot >= 0)
                o.insert(QStringLiteral("slot"), setlistfile::slotName(p.slot));
            if (!p.why.isEmpty())
                o.insert(QStringLiteral("why"), p.why);
            if (written)
                o.insert(QStringLiteral("written"), *written);
            entries.append(o);
            continue;
        }
        QString line = QStringLiteral("%1 ").arg(number);
        if (!e.song.isEmpty())
            line += e.song + QStringLiteral(": ");
        line += QLatin1String(stateName(p.state));
        if (!p.path.isEmpty())
            line += QStringLiteral(" ") + p.path +
                    (p.slot >= 0 ? QStringLiteral(" ") + setlistfile::slotName(p.slot) : QString());
        if (!p.why.isEmpty())
            line += QStringLiteral(" (") + p.why + QLatin1Char(')');
        if (written)
            line += QStringLiteral(" -> ") + *written;
        out_ << line << '\n';
    }
    if (options_.json)
        out_ << QJsonDocument(QJsonObject{{QStringLiteral("setlist"), setlistPath},
                                          {QStringLiteral("entries"), entries},
                                          {QStringLiteral("missing"), missing}})
                    .toJson();
    out_.flush();
    return missing > 0 ? SyxTool::Differ : SyxTool::Done;
}

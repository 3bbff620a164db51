// SPDX-License-Identifier: GPL-3.0-or-later
#include "syx/syxtool.h"

#include "files/presetfile.h"
#include "library/presetcolumns.h"
#include "library/presetcompare.h"
#include "model/presetparams.h"
#include "model/quorvexerror.h"
#include "syx/syxgroupfiles.h"
#include "syx/syxsearch.h"
#include "syx/syxsetlist.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <span>

namespace {

using RecordView = std::span<const std::uint8_t, preset::RecordSize>;

RecordView recordAt(const files::PresetFile &f, int slot)
{
    return preset::groupRecord(f.data, std::max(slot, 0));
}

int slotsOf(const files::PresetFile &f)
{
    return f.kind == files::Kind::Group ? preset::SlotCount : f.kind == files::Kind::Single ? 1 : 0;
}

QString kindText(files::Kind k)
{
    switch (k) {
    case files::Kind::Group: return QStringLiteral("group");
    case files::Kind::Single: return QStringLiteral("single");
    case files::Kind::Global: return QStringLiteral("global");
    }
    return {};
}

QJsonValue slotValue(const files::PresetFile &f, int slot)
{
    return f.kind == files::Kind::Group ? QJsonValue(preset::slotName(slot)) : QJsonValue();
}

QString padded(const QString &text, int width)
{
    return text.size() >= width ? text + QLatin1Char(' ') : text.leftJustified(width);
}

constexpr int NameWidth = 44;

} // namespace

SyxTool::SyxTool(QTextStream &out, QTextStream &err) : out_(out), err_(err) {}

QString SyxTool::helpText()
{
    return QStringLiteral(
        "Usage: quorvex-syx [OPTIONS] COMMAND [ARGUMENTS]\n"
        "\n"
        "Reads and writes the Amp's preset and group files (.syx).\n"
        "\n"
        "Commands:\n"
        "  info FILE...              each preset's parameters by name, slot by slot for a group\n"
        "  diff A B                  the parameters that differ; exit status 1 when they differ\n"
        "  split GROUP DIR           the group's sixteen presets as \"<group> A1.syx\" ... \"<group> D4.syx\"\n"
        "  join FILE... GROUP        sixteen single preset files, in A1..D4 order, into a group file\n"
        "  search QUERY              the library's search language over Quorvex's library index\n"
        "  duplicates                the groups of identical and alike presets Find Duplicates shows\n"
        "  setlist check FILE        where each preset of a setlist (.qvset) is now; exit status 1\n"
        "                            when some are missing\n"
        "  setlist export FILE DIR   the setlist's presets as numbered single preset files\n"
        "\n"
        "Options:\n"
        "  --json                    output for scripts, as JSON\n"
        "  --dir DIR                 search, duplicates, setlist: scan DIR and its subfolders instead of the index\n"
        "  --index FILE              search, duplicates, setlist: use this library index instead of Quorvex's own\n"
        "  --within N                duplicates: alike presets differ in at most N parameters\n"
        "                            (0..10, 2 if not given)\n"
        "  --force                   split, join, setlist export: replace files that exist\n"
        "  -h, --help                show this help\n"
        "  --version                 show the version\n"
        "\n"
        "Exit status: 0 done (diff: the same), 1 diff: they differ, setlist: some are missing,\n"
        "2 trouble.\n");
}

QString SyxTool::troubleText(const QString &message, const QString &path)
{
    QString text = message;
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text = text.trimmed();
    if (!path.isEmpty() && !text.contains(path))
        text = path + QStringLiteral(": ") + text;
    return QStringLiteral("quorvex-syx: ") + text;
}

int SyxTool::trouble(QTextStream &err, const QString &message, const QString &path)
{
    err << troubleText(message, path) << '\n';
    err.flush();
    return Trouble;
}

int SyxTool::fail(const QString &message, const QString &path)
{
    return trouble(err_, message, path);
}

int SyxTool::run(const QStringList &arguments)
{
    QStringList words;
    bool optionsEnd = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (optionsEnd || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
            words << a;
        } else if (a == QLatin1String("--")) {
            optionsEnd = true;
        } else if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            out_ << helpText();
            return Done;
        } else if (a == QLatin1String("--version")) {
            out_ << "quorvex-syx " << QStringLiteral(QUORVEX_VERSION) << '\n';
            return Done;
        } else if (a == QLatin1String("--json")) {
            options_.json = true;
        } else if (a == QLatin1String("--force")) {
            options_.force = true;
        } else if (a == QLatin1String("--within")) {
            bool ok = false;
            options_.within = i + 1 < arguments.size() ? arguments[++i].toInt(&ok) : -1;
            if (!ok || options_.within < 0 || options_.within > 10)
                return fail(QStringLiteral("--within needs a number of parameters from 0 to 10; see --help"));
        } else if (a == QLatin1String("--dir") || a == QLatin1String("--index")) {
            if (i + 1 >= arguments.size())
                return fail(QStringLiteral("%1 needs a value; see --help").arg(a));
            (a == QLatin1String("--dir") ? options_.dir : options_.index) = arguments[++i];
        } else {
            return fail(QStringLiteral("unknown option %1; see --help").arg(a));
        }
    }
    if (words.isEmpty())
        return fail(QStringLiteral("no command given; see --help"));
    const QString command = words.takeFirst();
    auto needs = [&](bool ok, const char *usage) {
        return ok ? -1 : fail(QStringLiteral("usage: quorvex-syx %1").arg(QLatin1String(usage)));
    };
    if (command == QLatin1String("info")) {
        if (const int bad = needs(!words.isEmpty(), "info FILE..."); bad >= 0)
            return bad;
        return info(words);
    }
    if (command == QLatin1String("diff")) {
        if (const int bad = needs(words.size() == 2, "diff A B"); bad >= 0)
            return bad;
        return diff(words[0], words[1]);
    }
    if (command == QLatin1String("split") || command == QLatin1String("join")) {
        SyxGroupFiles groups(out_, err_, options_);
        if (command == QLatin1String("split")) {
            if (const int bad = needs(words.size() == 2, "split GROUP DIR"); bad >= 0)
                return bad;
            return groups.split(words[0], words[1]);
        }
        if (const int bad = needs(words.size() == preset::SlotCount + 1, "join FILE... GROUP (sixteen files)");
            bad >= 0)
            return bad;
        return groups.join(words.mid(0, preset::SlotCount), words.last());
    }
    if (command == QLatin1String("search")) {
        if (const int bad = needs(words.size() == 1, "search QUERY [--dir DIR] (quote a query of several words)");
            bad >= 0)
            return bad;
        return SyxSearch(out_, err_, options_).run(words[0]);
    }
    if (command == QLatin1String("duplicates")) {
        if (const int bad = needs(words.isEmpty(), "duplicates [--within N] [--dir DIR]"); bad >= 0)
            return bad;
        return SyxSearch(out_, err_, options_).duplicates(options_.within);
    }
    if (command == QLatin1String("setlist")) {
        const QString what = words.value(0);
        if (what == QLatin1String("check") && words.size() == 2)
            return SyxSetlist(out_, err_, options_).check(words[1]);
        if (what == QLatin1String("export") && words.size() == 3)
            return SyxSetlist(out_, err_, options_).exportTo(words[1], words[2]);
        return fail(QStringLiteral("usage: quorvex-syx setlist check FILE | setlist export FILE DIR"));
    }
    return fail(QStringLiteral("unknown command %1; see --help").arg(command));
}

int SyxTool::info(const QStringList &paths)
{
    int status = Done;
    QJsonArray filesJson;
    for (const QString &path : paths) {
        files::PresetFile f;
        try {
            f = files::readPresetFile(path, false);
        } catch (const QuorvexError &e) {
            status = fail(e.message(), path);
            continue;
        }
        QJsonArray presets;
        if (!options_.json) {
            out_ << path << ": "
                 << (f.kind == files::Kind::Group    ? QStringLiteral("group of 16 presets")
                     : f.kind == files::Kind::Single ? QStringLiteral("single preset")
                                                     : QStringLiteral("global settings, no presets"))
                 << '\n';
        }
        for (int slot = 0; slot < slotsOf(f); ++slot) {
            const RecordView r = recordAt(f, slot);
            if (!options_.json && f.kind == files::Kind::Group)
                out_ << preset::slotName(slot) << '\n';
            QJsonArray parameters;
            for (const presetparams::Parameter &p : presetparams::all()) {
                if (options_.json)
                    parameters.append(QJsonObject{{QStringLiteral("key"), QLatin1String(p.key)},
                                                  {QStringLiteral("name"), presetparams::fullName(p)},
                                                  {QStringLiteral("value"), presetparams::value(p, r)},
                                                  {QStringLiteral("text"), presetparams::valueText(p, r)}});
                else
                    out_ << "  " << padded(presetparams::fullName(p), NameWidth) << presetparams::valueText(p, r)
                         << '\n';
            }
            presets.append(QJsonObject{{QStringLiteral("slot"), slotValue(f, slot)},
                                       {QStringLiteral("hash"), presetcolumns::hashText(presetcolumns::hashOf(r))},
                                       {QStringLiteral("parameters"), parameters}});
        }
        filesJson.append(QJsonObject{{QStringLiteral("path"), path},
                                     {QStringLiteral("kind"), kindText(f.kind)},
                                     {QStringLiteral("presets"), presets}});
    }
    if (options_.json)
        out_ << QJsonDocument(QJsonObject{{QStringLiteral("files"), filesJson}}).toJson();
    return status;
}

int SyxTool::diff(const QString &pathA, const QString &pathB)
{
    files::PresetFile a, b;
    for (auto [path, file] : {std::pair{&pathA, &a}, std::pair{&pathB, &b}}) {
        try {
            *file = files::readPresetFile(*path, false);
        } catch (const QuorvexError &e) {
            return fail(e.message(), *path);
        }
        if (file->kind == files::Kind::Global)
            return fail(QStringLiteral("a global settings file holds no presets to compare"), *path);
    }
    if (a.kind != b.kind)
        return fail(QStringLiteral("%1 is a %2 file and %3 a %4 file; compare like with like")
                        .arg(pathA, kindText(a.kind), pathB, kindText(b.kind)));
    QJsonArray differences;
    int count = 0;
    for (int slot = 0; slot < slotsOf(a); ++slot) {
        for (const PresetCompare::Line &line : PresetCompare::compare(recordAt(a, slot), recordAt(b, slot))) {
            if (!line.differs)
                continue;
            const presetparams::Parameter &p = *line.parameter;
            ++count;
            if (options_.json) {
                differences.append(
                    QJsonObject{{QStringLiteral("slot"), slotValue(a, slot)},
                                {QStringLiteral("key"), QLatin1String(p.key)},
                                {QStringLiteral("name"), presetparams::fullName(p)},
                                {QStringLiteral("a"),
                                 QJsonObject{{QStringLiteral("value"), presetparams::value(p, recordAt(a, slot))},
                                             {QStringLiteral("text"), line.a}}},
                                {QStringLiteral("b"),
                                 QJsonObject{{QStringLiteral("value"), presetparams::value(p, recordAt(b, slot))},
                                             {QStringLiteral("text"), line.b}}}});
            } else {
                const QString where =
                    a.kind == files::Kind::Group ? preset::slotName(slot) + QLatin1Char(' ') : QString();
                out_ << padded(where + presetparams::fullName(p), NameWidth) << line.a << " | " << line.b << '\n';
            }
        }
    }
    if (options_.json)
        out_ << QJsonDocument(QJsonObject{{QStringLiteral("a"), pathA},
                                          {QStringLiteral("b"), pathB},
                                          {QStringLiteral("same"), count == 0},
                                          {QStringLiteral("differences"), differences}})
                    .toJson();
    return count == 0 ? Done : Differ;
}

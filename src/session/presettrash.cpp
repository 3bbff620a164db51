// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/presettrash.h"

#include "files/notefile.h"
#include "files/safefile.h"
#include "session/prompter.h"

#include <QDir>
#include <QFile>

QStringList PresetTrash::filesOf(const std::vector<LibraryEntry> &entries)
{
    QStringList paths;
    for (const LibraryEntry &e : entries)
        if (!paths.contains(e.path))
            paths << e.path;
    return paths;
}

QString PresetTrash::question(const std::vector<LibraryEntry> &entries)
{
    const QStringList paths = filesOf(entries);
    bool group = false;
    for (const LibraryEntry &e : entries)
        group = group || e.kind == LibraryEntry::Group;
    const QString groups = group ? tr(" A group file goes with all its sixteen presets.") : QString();
    if (paths.size() == 1)
        return tr("Move '%1' and its note to the trash?%2").arg(QDir::toNativeSeparators(paths[0]), groups);
    QStringList shown;
    for (const QString &p : paths.mid(0, 10))
        shown << QDir::toNativeSeparators(p);
    if (paths.size() > 10)
        shown << QStringLiteral("...");
    return tr("Move these %1 files and their notes to the trash?%2\n\n%3")
        .arg(paths.size())
        .arg(groups, shown.join(QLatin1Char('\n')));
}

QStringList PresetTrash::moveToTrash(Prompter &prompter, const QString &title, const std::vector<LibraryEntry> &entries)
{
    const QStringList paths = filesOf(entries);
    if (paths.isEmpty() || prompter.question(tr("Confirm File Delete"), question(entries),
                                             {Prompter::Button::Yes, Prompter::Button::No}) != Prompter::Button::Yes)
        return {};
    QStringList moved, failed;
    for (const QString &p : paths) {
        if (!files::moveToTrash(p)) {
            failed << QDir::toNativeSeparators(p);
            continue;
        }
        moved << p;
        const QString note = files::noteFileName(p);
        if (QFile::exists(note) && !files::moveToTrash(note))
            failed << QDir::toNativeSeparators(note);
    }
    if (!failed.isEmpty())
        prompter.errorBox(title, tr("Could not move to the trash:\n%1").arg(failed.join(QLatin1Char('\n'))));
    return moved;
}

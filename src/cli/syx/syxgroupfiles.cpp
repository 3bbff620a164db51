// SPDX-License-Identifier: GPL-3.0-or-later
#include "syx/syxgroupfiles.h"

#include "files/presetfile.h"
#include "model/quorvexerror.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

SyxGroupFiles::SyxGroupFiles(QTextStream &out, QTextStream &err, const SyxTool::Options &options)
    : out_(out), err_(err), options_(options)
{}

int SyxGroupFiles::fail(const QString &message, const QString &path)
{
    return SyxTool::trouble(err_, message, path);
}

void SyxGroupFiles::wrote(const QStringList &paths)
{
    if (options_.json) {
        out_ << QJsonDocument(QJsonObject{{QStringLiteral("written"), QJsonArray::fromStringList(paths)}}).toJson();
        return;
    }
    for (const QString &p : paths)
        out_ << p << '\n';
}

QStringList SyxGroupFiles::splitNames(const QString &group)
{
    const QString base = QFileInfo(group).completeBaseName();
    QStringList names;
    for (int slot = 0; slot < preset::SlotCount; ++slot)
        names << QStringLiteral("%1 %2.syx").arg(base, preset::slotName(slot));
    return names;
}

int SyxGroupFiles::split(const QString &group, const QString &dir)
{
    files::PresetFile file;
    try {
        file = files::readPresetFile(group, false);
    } catch (const QuorvexError &e) {
        return fail(e.message(), group);
    }
    if (file.kind != files::Kind::Group)
        return fail(QStringLiteral("not a group file"), group);
    if (!QDir().mkpath(dir))
        return fail(QStringLiteral("the folder cannot be made"), dir);
    QStringList targets;
    for (const QString &name : splitNames(group)) {
        const QString target = QDir(dir).filePath(name);
        if (QFileInfo::exists(target) && !options_.force)
            return fail(QStringLiteral("exists; --force replaces it"), target);
        targets << target;
    }
    try {
        for (int slot = 0; slot < preset::SlotCount; ++slot)
            files::writeSingleFile(targets[slot], preset::groupRecord(file.data, slot));
    } catch (const QuorvexError &e) {
        return fail(e.message());
    }
    wrote(targets);
    return SyxTool::Done;
}

int SyxGroupFiles::join(const QStringList &singles, const QString &group)
{
    std::array<std::uint8_t, preset::GroupSize> bytes{};
    for (int slot = 0; slot < preset::SlotCount; ++slot) {
        files::PresetFile file;
        try {
            // As the editor imports into a tab: a group file is refused.
            file = files::readPresetFile(singles[slot], true);
        } catch (const QuorvexError &e) {
            return fail(e.message(), singles[slot]);
        }
        if (file.kind != files::Kind::Single)
            return fail(QStringLiteral("a global settings file, not a preset"), singles[slot]);
        std::copy(file.data.begin(), file.data.end(), bytes.begin() + slot * preset::RecordSize);
    }
    if (QFileInfo::exists(group) && !options_.force)
        return fail(QStringLiteral("exists; --force replaces it"), group);
    try {
        files::writeGroupFile(group, bytes);
    } catch (const QuorvexError &e) {
        return fail(e.message());
    }
    wrote({group});
    return SyxTool::Done;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/librarycolumns.h"

#include "library/presetcolumns.h"
#include "model/presetparams.h"

#include <QCollator>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>

#include <algorithm>
#include <numeric>

namespace {

int number(const LibraryEntry &e, const char *column)
{
    if (!e.readable())
        return -1;
    return presetcolumns::number(QLatin1String(column))->value(e.record);
}

QString listText(const LibraryEntry &e, const char *key)
{
    if (!e.readable())
        return {};
    return presetparams::valueText(*presetparams::find(QLatin1String(key)), e.record);
}

bool numeric(LibraryColumns::Column c)
{
    return c == LibraryColumns::Gain || c == LibraryColumns::Delay || c == LibraryColumns::Reverb ||
           c == LibraryColumns::Date || c == LibraryColumns::Favourite;
}

} // namespace

qint64 LibraryColumns::numberKey(const LibraryEntry &e, Column c)
{
    switch (c) {
    case Gain: return number(e, "gain");
    case Delay: return number(e, "delay");
    case Reverb: return number(e, "reverb");
    case Date: return e.modified;
    case Favourite: return e.favourite ? 1 : 0;
    default: return 0;
    }
}

QString LibraryColumns::header(Column c)
{
    switch (c) {
    case Name: return QCoreApplication::translate("LibraryColumns", "Name");
    case Folder: return QCoreApplication::translate("LibraryColumns", "Folder");
    case Model: return QCoreApplication::translate("LibraryColumns", "Amp Model");
    case Cabinet: return QCoreApplication::translate("LibraryColumns", "Cabinet");
    case Gain: return QCoreApplication::translate("LibraryColumns", "Gain");
    case Modulation: return QCoreApplication::translate("LibraryColumns", "Modulation");
    case Delay: return QCoreApplication::translate("LibraryColumns", "Delay");
    case Reverb: return QCoreApplication::translate("LibraryColumns", "Reverb");
    case Date: return QCoreApplication::translate("LibraryColumns", "Date");
    case Favourite: return QCoreApplication::translate("LibraryColumns", "Favourite");
    case Tags: return QCoreApplication::translate("LibraryColumns", "Tags");
    case Note: return QCoreApplication::translate("LibraryColumns", "Note");
    case Count: break;
    }
    return {};
}

QString LibraryColumns::text(const LibraryEntry &e, Column c)
{
    switch (c) {
    case Name: return e.name();
    case Folder: return QDir::toNativeSeparators(e.folder);
    case Model: return listText(e, "AmpModel");
    case Cabinet: return listText(e, "Cabinet");
    case Modulation: return listText(e, "ModType");
    case Gain:
    case Delay:
    case Reverb: return e.readable() ? QString::number(numberKey(e, c)) : QString();
    case Date: return QDateTime::fromMSecsSinceEpoch(e.modified).toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    case Favourite: return e.favourite ? QStringLiteral("\u2605") : QString();
    case Tags: return e.tags.join(QStringLiteral(", "));
    case Note: return e.readable() ? e.note : QString(e.error).replace(QLatin1Char('\n'), QLatin1Char(' '));
    case Count: break;
    }
    return {};
}

void LibraryColumns::sort(std::vector<LibraryEntry> &rows, Column c, bool descending)
{
    // Rows come by path and slot; a stable sort keeps that among equals.
    std::vector<std::size_t> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    if (numeric(c)) {
        std::vector<qint64> keys(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            keys[i] = numberKey(rows[i], c);
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return descending ? keys[a] > keys[b] : keys[a] < keys[b];
        });
    } else {
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        collator.setNumericMode(true);
        std::vector<QCollatorSortKey> keys;
        keys.reserve(rows.size());
        for (const LibraryEntry &e : rows)
            keys.push_back(collator.sortKey(c == Name ? e.fileName : text(e, c)));
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            const int cmp = keys[a].compare(keys[b]);
            if (cmp == 0 && c == Name)
                return descending ? rows[a].slot > rows[b].slot : rows[a].slot < rows[b].slot;
            return descending ? cmp > 0 : cmp < 0;
        });
    }
    std::vector<LibraryEntry> sorted;
    sorted.reserve(rows.size());
    for (std::size_t i : order)
        sorted.push_back(std::move(rows[i]));
    rows = std::move(sorted);
}

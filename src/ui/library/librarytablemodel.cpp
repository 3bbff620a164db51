// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/librarytablemodel.h"

#include "controls/presettabs.h"
#include "library/libraryhooks.h"

#include <QBrush>
#include <QFont>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>
#include <QPalette>
#include <QSet>

#include <algorithm>

LibraryTableModel::LibraryTableModel(Fetch fetch, QObject *parent)
    : QAbstractTableModel(parent), fetch_(std::move(fetch)), pages_(KeptPages)
{}

void LibraryTableModel::setRows(LibraryReader::Found rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    pages_.clear();
    endResetModel();
}

void LibraryTableModel::addRows(LibraryReader::Found rows)
{
    const int shown = rowCount();
    const int all = rows ? int(rows->size()) : 0;
    if (all < shown) {
        setRows(std::move(rows));
        return;
    }
    if (all > shown)
        beginInsertRows({}, shown, all - 1);
    rows_ = std::move(rows);
    pages_.clear();
    if (all > shown)
        endInsertRows();
}

const LibraryEntry *LibraryTableModel::entry(int row) const
{
    if (!rows_ || row < 0 || row >= rowCount())
        return nullptr;
    const std::vector<LibraryEntry> &first = rows_->first.rows;
    if (row < int(first.size()))
        return &first[std::size_t(row)];
    const int page = row / PageRows;
    std::vector<LibraryEntry> *rows = pages_.object(page);
    if (!rows) {
        const std::size_t begin = std::size_t(page) * PageRows;
        const std::span<const LibrarySearch::Key> keys(rows_->keys.data() + begin,
                                                       std::min<std::size_t>(PageRows, rows_->keys.size() - begin));
        rows = new std::vector<LibraryEntry>(fetch_ ? fetch_(keys) : std::vector<LibraryEntry>(keys.size()));
        rows->resize(keys.size());
        pages_.insert(page, rows);
    }
    const LibraryEntry &e = (*rows)[std::size_t(row % PageRows)];
    return e.file != 0 ? &e : nullptr;
}

LibrarySearch::Key LibraryTableModel::key(int row) const
{
    if (!rows_ || row < 0 || row >= rowCount())
        return {};
    if (!rows_->keys.empty())
        return rows_->keys[std::size_t(row)];
    return LibrarySearch::keyOf(rows_->first.rows[std::size_t(row)]);
}

QList<int> LibraryTableModel::rowsOf(const QSet<QPair<qint64, int>> &keys, int from) const
{
    QList<int> rows;
    if (keys.isEmpty())
        return rows;
    for (int r = from, n = rowCount(); r < n; ++r) {
        const LibrarySearch::Key k = key(r);
        if (keys.contains({k.file, k.slot}))
            rows << r;
    }
    return rows;
}

int LibraryTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !rows_ ? 0 : int(rows_->size());
}

int LibraryTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : LibraryColumns::Count;
}

QVariant LibraryTableModel::data(const QModelIndex &index, int role) const
{
    const LibraryEntry *e = entry(index.row());
    if (!e)
        return {};
    const auto column = LibraryColumns::Column(index.column());
    switch (role) {
    case Qt::DisplayRole: return LibraryColumns::text(*e, column);
    case Qt::ToolTipRole:
        if (column == LibraryColumns::Name || column == LibraryColumns::Folder)
            return e->path;
        if (column == LibraryColumns::Note)
            return e->readable() ? e->note : e->error;
        return {};
    case Qt::ForegroundRole:
        // A file that cannot be read stands out; its reason is in the note.
        if (!e->readable())
            return QBrush(Qt::darkRed);
        return {};
    case Qt::TextAlignmentRole:
        if (column == LibraryColumns::Gain || column == LibraryColumns::Delay || column == LibraryColumns::Reverb ||
            column == LibraryColumns::Favourite)
            return int(Qt::AlignCenter);
        return {};
    default: return {};
    }
}

QVariant LibraryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return LibraryColumns::header(LibraryColumns::Column(section));
    return {};
}

Qt::ItemFlags LibraryTableModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (const LibraryEntry *e = entry(index.row()); e && e->readable())
        f |= Qt::ItemIsDragEnabled;
    return f;
}

QStringList LibraryTableModel::mimeTypes() const
{
    return {QLatin1String(PresetTabs::PresetMimeType), QLatin1String(LibraryRowsMimeType)};
}

QMimeData *LibraryTableModel::mimeData(const QModelIndexList &indexes) const
{
    QMimeData *mime = nullptr;
    QJsonArray rows;
    QSet<int> seen;
    for (const QModelIndex &i : indexes) {
        const LibraryEntry *e = entry(i.row());
        if (!e || !e->readable() || seen.contains(i.row()))
            continue;
        seen.insert(i.row());
        if (!mime) {
            // One preset goes onto one tab: the first row dragged.
            mime = new QMimeData;
            mime->setData(QLatin1String(PresetTabs::PresetMimeType),
                          QByteArray(reinterpret_cast<const char *>(e->record.data()), preset::RecordSize));
            mime->setText(e->name());
        }
        // Every row, with where it is, goes into a setlist.
        rows.append(QJsonObject{
            {QStringLiteral("path"), e->path},
            {QStringLiteral("slot"), e->slot},
            {QStringLiteral("record"),
             QString::fromLatin1(
                 QByteArray(reinterpret_cast<const char *>(e->record.data()), preset::RecordSize).toHex())}});
    }
    if (mime)
        mime->setData(QLatin1String(LibraryRowsMimeType), QJsonDocument(rows).toJson(QJsonDocument::Compact));
    return mime;
}

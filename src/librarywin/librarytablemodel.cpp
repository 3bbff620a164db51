// SPDX-License-Identifier: GPL-3.0-or-later
#include "librarywin/librarytablemodel.h"

#include "controls/ttabcontrol.h"

#include <QBrush>
#include <QFont>
#include <QMimeData>
#include <QPalette>

LibraryTableModel::LibraryTableModel(QObject *parent) : QAbstractTableModel(parent) {}

void LibraryTableModel::setRows(LibraryReader::Found rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

const LibraryEntry *LibraryTableModel::entry(int row) const
{
    if (!rows_ || row < 0 || row >= int(rows_->rows.size()))
        return nullptr;
    return &rows_->rows[std::size_t(row)];
}

int LibraryTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !rows_ ? 0 : int(rows_->rows.size());
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
    case Qt::DisplayRole:
        return LibraryColumns::text(*e, column);
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
    default:
        return {};
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
    return {QLatin1String(TTabControl::PresetMimeType)};
}

QMimeData *LibraryTableModel::mimeData(const QModelIndexList &indexes) const
{
    // One preset goes onto one tab: the first row dragged.
    for (const QModelIndex &i : indexes) {
        const LibraryEntry *e = entry(i.row());
        if (!e || !e->readable())
            continue;
        auto *mime = new QMimeData;
        mime->setData(QLatin1String(TTabControl::PresetMimeType),
                      QByteArray(reinterpret_cast<const char *>(e->record.data()), preset::RecordSize));
        mime->setText(e->name());
        return mime;
    }
    return nullptr;
}

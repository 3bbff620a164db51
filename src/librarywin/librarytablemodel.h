// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/librarycolumns.h"
#include "library/libraryreader.h"

#include <QAbstractTableModel>

// The library's rows as a table: LibraryColumns' columns and texts. A row
// of a readable preset drags its record (TTabControl::PresetMimeType) onto
// a tab of the editor.
class LibraryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit LibraryTableModel(QObject *parent = nullptr);

    void setRows(LibraryReader::Found rows);
    const LibraryEntry *entry(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

private:
    LibraryReader::Found rows_;
};

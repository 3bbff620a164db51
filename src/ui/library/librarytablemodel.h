// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/librarycolumns.h"
#include "library/libraryreader.h"

#include <QAbstractTableModel>
#include <QCache>

#include <functional>
#include <span>

// The library's rows as a table: LibraryColumns' columns and texts. A
// search's first rows come with it; the others are read from the index by
// their keys a page at a time as they are shown, and only the pages seen
// last are kept. A row of a readable preset drags its record
// (PresetTabs::PresetMimeType) onto a tab of the editor.
class LibraryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Rows read at once past the first ones, and how many such pages are kept.
    static constexpr int PageRows = 100;
    static constexpr int KeptPages = 64;

    // Reads the rows of keys (Library::rows).
    using Fetch = std::function<std::vector<LibraryEntry>(std::span<const LibrarySearch::Key>)>;

    explicit LibraryTableModel(Fetch fetch = {}, QObject *parent = nullptr);

    // A search's rows, in place of those shown.
    void setRows(LibraryReader::Found rows);
    // The same search with all its rows: those shown stay where they are
    // (and selected), the rest are added after them.
    void addRows(LibraryReader::Found rows);
    // The row's preset; nullptr past the end, or when its file has left the
    // index since the search. Valid until the model is asked for another
    // row.
    const LibraryEntry *entry(int row) const;
    LibrarySearch::Key key(int row) const;
    // The rows with these keys (from `from` on), in order.
    QList<int> rowsOf(const QSet<QPair<qint64, int>> &keys, int from = 0) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

private:
    Fetch fetch_;
    LibraryReader::Found rows_;
    mutable QCache<int, std::vector<LibraryEntry>> pages_;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/librarycolumns.h"
#include "library/librarysearch.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

// Runs the window's searches on a thread of its own, with its own
// connection, so neither the query nor sorting tens of thousands of rows
// holds the window up. Only the newest request is answered; older ones
// still waiting are dropped.
class LibraryReader : public QObject {
    Q_OBJECT
public:
    using Found = std::shared_ptr<const LibrarySearch::Result>;

    // The newest token asked for, set by the asking thread before the
    // request is posted.
    explicit LibraryReader(const std::atomic<quint64> &newest);
    ~LibraryReader() override;

    // Invoked queued.
    void attach(const QString &path);
    void search(quint64 token, const QString &query, int column, bool descending);
    void close();

signals:
    void found(quint64 token, LibraryReader::Found result);

private:
    const std::atomic<quint64> &newest_;
    QString connection_;
    bool open_ = false;
};
Q_DECLARE_METATYPE(LibraryReader::Found)

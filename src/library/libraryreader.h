// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/librarycolumns.h"
#include "library/librarysearch.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

// Runs the window's searches on a thread of its own, with its own
// connection, so no query holds the window up. Each is answered twice when
// it finds more than a screenful: the first rows at once, then every row's
// key (a moment later when it finds hundreds of thousands). Only the
// newest request is answered; older ones still waiting are dropped, and one
// still gathering its keys stops when a newer one is asked for.
class LibraryReader : public QObject {
    Q_OBJECT
public:
    // The rows shown at once: a screenful and then some.
    static constexpr int FirstRows = 200;

    struct Answer {
        LibrarySearch::Result first;          // the first rows (or all), what the query means or why it failed
        std::vector<LibrarySearch::Key> keys; // every row's, in order, once known; empty when first has them all
        bool complete = false;                // every row is known (in first or by its key)
        std::size_t size() const { return keys.empty() ? first.rows.size() : keys.size(); }
    };
    using Found = std::shared_ptr<const Answer>;

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

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/presetrecord.h"

#include <QSqlDatabase>
#include <QString>

#include <memory>
#include <span>

// The index's rows as the scanner writes them, tens of thousands at a
// time. Qt SQL spends far more per value bound than SQLite itself does, so
// where Qt's driver runs on this program's own SQLite library the
// statements go to it directly through the driver's handle; elsewhere they
// go through Qt SQL. Every failure throws the QSqlError, with SQLite's
// result code as its native code.
class LibraryRowWriter {
public:
    struct FileRow {
        QString path, folder, name;
        qint64 size, mtime, noteSize, noteMtime;
        int kind;
        bool backup;
        QString error; // null: none
        QString note;  // its first line
        QString words;
    };

    explicit LibraryRowWriter(QSqlDatabase db);
    ~LibraryRowWriter();

    void begin();
    void commit();
    void rollback();
    // The file's row and its presets' rows.
    void removeFile(const QString &path);
    // The new file row's id.
    qint64 addFile(const FileRow &f);
    void addPreset(qint64 file, int slot, std::span<const std::uint8_t, preset::RecordSize> record);

private:
    class Statement;
    QSqlDatabase db_;
    std::unique_ptr<Statement> removePresets_, removeFile_, addFile_, addPreset_;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/presetrecord.h"

#include <QSqlDatabase>
#include <QString>

#include <memory>
#include <span>

class LibraryStatement;

// The index's rows as the scanner writes them, tens of thousands at a
// time, through LibraryStatement (on SQLite directly where it can). Every
// failure throws the QSqlError, with SQLite's result code as its native
// code.
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
        QByteArray nameKey, noteKey; // presetcolumns::sortKey of the name and of what the note column shows
    };

    explicit LibraryRowWriter(QSqlDatabase db);
    ~LibraryRowWriter();

    // Whether the words' index is written with the rows (not while the
    // search indexes are deferred).
    void setWordsIndexed(bool on) { wordsIndexed_ = on; }

    void begin();
    void commit();
    void rollback();
    // The file's row and its presets' rows; the row's id, 0 when there was
    // none.
    qint64 removeFile(const QString &path);
    // The new file row's id: `id` when not 0 (a file read again keeps its
    // row's id, so a search's keys keep pointing at it).
    qint64 addFile(const FileRow &f, qint64 id = 0);
    void addPreset(qint64 file, int slot, std::span<const std::uint8_t, preset::RecordSize> record);
    // Every slot of a group file's decoded records.
    void addGroup(qint64 file, std::span<const std::uint8_t> group);
    // Forgets the folders no file is in any more.
    void dropEmptyFolders();

private:
    QSqlDatabase db_;
    std::unique_ptr<LibraryStatement> fileId_, removePresets_, removeFile_, removeWords_, addWords_, addFile_,
        addPreset_, addGroup_, addFolder_, dropFolders_;
    // The folder last written to the folders of files, in this
    // transaction: most files follow one of their own folder.
    QString folder_;
    bool wordsIndexed_ = true;
};

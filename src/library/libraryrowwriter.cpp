// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/libraryrowwriter.h"

#include "library/librarystatement.h"
#include "library/presetcolumns.h"

#include <QSqlError>
#include <QStringList>

namespace {

QString placeholders(int n)
{
    QStringList marks;
    for (int i = 0; i < n; ++i)
        marks << QStringLiteral("?");
    return marks.join(QLatin1Char(','));
}

} // namespace

LibraryRowWriter::LibraryRowWriter(QSqlDatabase db) : db_(db)
{
    QStringList presetColumns{QStringLiteral("file"), QStringLiteral("slot"), QStringLiteral("record"),
                              QStringLiteral("hash")};
    for (const auto &c : presetcolumns::lists())
        presetColumns << QLatin1String(c.name);
    for (const auto &c : presetcolumns::numbers())
        presetColumns << QLatin1String(c.name);
    auto statement = [&](const QString &sql) { return std::make_unique<LibraryStatement>(db, sql); };
    fileId_ = statement(QStringLiteral("SELECT id, words FROM files WHERE path = ?"));
    // The word index takes out what it was given for the row: the same words.
    removeWords_ = statement(QStringLiteral("INSERT INTO files_fts(files_fts, rowid, words) VALUES ('delete', ?, ?)"));
    addWords_ = statement(QStringLiteral("INSERT INTO files_fts(rowid, words) VALUES (?, ?)"));
    removePresets_ = statement(QStringLiteral("DELETE FROM presets WHERE file = ?"));
    removeFile_ = statement(QStringLiteral("DELETE FROM files WHERE id = ?"));
    // A null id is a new one.
    addFile_ = statement(QStringLiteral("INSERT INTO files(id, path, folder, name, size, mtime, note_size, note_mtime,"
                                        " kind, backup, error, note, words, name_key, note_key) VALUES (%1)")
                             .arg(placeholders(15)));
    // A group's presets in one statement: a sixth less work than one each.
    auto addPresets = [&](int rows) {
        QStringList values;
        for (int r = 0; r < rows; ++r)
            values << QStringLiteral("(%1)").arg(placeholders(int(presetColumns.size())));
        return statement(QStringLiteral("INSERT INTO presets(%1) VALUES %2")
                             .arg(presetColumns.join(QLatin1Char(',')), values.join(QLatin1Char(','))));
    };
    addPreset_ = addPresets(1);
    addGroup_ = addPresets(preset::SlotCount);
    addFolder_ =
        statement(QStringLiteral("INSERT OR IGNORE INTO file_folders(path, folded, sort_key) VALUES (?, ?, ?)"));
    dropFolders_ = statement(QStringLiteral("DELETE FROM file_folders WHERE path NOT IN (SELECT folder FROM files)"));
}

LibraryRowWriter::~LibraryRowWriter() = default;

void LibraryRowWriter::begin()
{
    folder_.clear();
    if (!db_.transaction())
        throw db_.lastError();
}

void LibraryRowWriter::commit()
{
    if (!db_.commit())
        throw db_.lastError();
}

void LibraryRowWriter::rollback()
{
    folder_.clear();
    db_.rollback();
}

qint64 LibraryRowWriter::removeFile(const QString &path)
{
    qint64 id = 0;
    QString words;
    fileId_->bind(0, path);
    while (fileId_->next()) {
        id = fileId_->integer(0);
        words = fileId_->text(1);
    }
    if (id == 0)
        return 0;
    if (wordsIndexed_) {
        removeWords_->bind(0, id);
        removeWords_->bind(1, words);
        removeWords_->run();
    }
    removePresets_->bind(0, id);
    removePresets_->run();
    removeFile_->bind(0, id);
    removeFile_->run();
    return id;
}

qint64 LibraryRowWriter::addFile(const FileRow &f, qint64 id)
{
    if (f.folder != folder_ || folder_.isNull()) {
        addFolder_->bind(0, f.folder);
        addFolder_->bind(1, presetcolumns::folded(f.folder));
        addFolder_->bind(2, presetcolumns::sortKey(f.folder));
        addFolder_->run();
        folder_ = f.folder;
    }
    LibraryStatement &s = *addFile_;
    int i = 0;
    if (id != 0)
        s.bind(i++, id);
    else
        s.bind(i++, QString()); // NULL
    s.bind(i++, f.path);
    s.bind(i++, f.folder);
    s.bind(i++, f.name);
    s.bind(i++, f.size);
    s.bind(i++, f.mtime);
    s.bind(i++, f.noteSize);
    s.bind(i++, f.noteMtime);
    s.bind(i++, qint64(f.kind));
    s.bind(i++, qint64(f.backup ? 1 : 0));
    s.bind(i++, f.error);
    s.bind(i++, f.note);
    s.bind(i++, f.words);
    s.bind(i++, f.nameKey);
    s.bind(i++, f.noteKey);
    const qint64 row = s.run();
    if (wordsIndexed_) {
        addWords_->bind(0, row);
        addWords_->bind(1, f.words);
        addWords_->run();
    }
    return row;
}

namespace {

// One preset's values from index i on; the index after them.
int bindPreset(LibraryStatement &s, int i, qint64 file, int slot,
               std::span<const std::uint8_t, preset::RecordSize> record)
{
    s.bind(i++, file);
    s.bind(i++, qint64(slot));
    s.bind(i++, std::span<const std::uint8_t>(record));
    s.bind(i++, presetcolumns::hashOf(record));
    for (const auto &c : presetcolumns::lists())
        s.bind(i++, qint64(c.value(record)));
    for (const auto &c : presetcolumns::numbers())
        s.bind(i++, qint64(c.value(record)));
    return i;
}

} // namespace

void LibraryRowWriter::addPreset(qint64 file, int slot, std::span<const std::uint8_t, preset::RecordSize> record)
{
    bindPreset(*addPreset_, 0, file, slot, record);
    addPreset_->run();
}

void LibraryRowWriter::addGroup(qint64 file, std::span<const std::uint8_t> group)
{
    for (int slot = 0, i = 0; slot < preset::SlotCount; ++slot)
        i = bindPreset(*addGroup_, i, file, slot, preset::groupRecord(group, slot));
    addGroup_->run();
}

void LibraryRowWriter::dropEmptyFolders()
{
    dropFolders_->run();
    folder_.clear();
}

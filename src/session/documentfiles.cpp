// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/documentfiles.h"

#include "files/notefile.h"
#include "files/presetfile.h"
#include "model/presetparams.h"
#include "model/quorvexerror.h"
#include "session/preseteditor.h"
#include "session/prompter.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString folderOf(const QString &path)
{
    return QFileInfo(path).absolutePath();
}

Document::Kind shownKind(const PresetEditor &editor)
{
    return editor.isGroupView() ? Document::Kind::Group : Document::Kind::Single;
}

// The corrections of a file's records, one line each, the slot named in a
// group; a long list ends with how many more there are.
QStringList correctionLines(files::Kind kind, files::Bytes &data)
{
    constexpr int MostLines = 12;
    QStringList lines;
    int more = 0;
    const int records = kind == files::Kind::Group ? preset::SlotCount : 1;
    for (int slot = 0; slot < records; ++slot) {
        const std::span<std::uint8_t, preset::RecordSize> record(data.data() + slot * preset::RecordSize,
                                                                 preset::RecordSize);
        for (const presetparams::Correction &c : presetparams::makeValid(record)) {
            if (lines.size() == MostLines) {
                ++more;
                continue;
            }
            const QString text = presetparams::describe(c);
            lines << (kind == files::Kind::Group ? preset::slotName(slot) + QLatin1Char(' ') + text : text);
        }
    }
    if (more > 0)
        lines << DocumentFiles::tr("and %1 more").arg(more);
    return lines;
}

} // namespace

DocumentFiles::DocumentFiles(PresetEditor &editor, Document &document, Prompter &prompter, QObject *parent)
    : QObject(parent), editor_(editor), document_(document), prompter_(prompter)
{
    connect(&editor_, &PresetEditor::viewChanged, this, &DocumentFiles::viewChanged);
    // The modified flag is the history's clean state, and only that: every
    // change of the presets is a step, and undoing back to what was saved
    // leaves nothing unsaved. (This object is the context: the history
    // outlives it.)
    connect(&editor_.history(), &EditHistory::cleanChanged, this,
            [this](bool clean) { document_.setModified(!clean); });
    document_.setModified(!editor_.history().isClean());
}

void DocumentFiles::viewChanged()
{
    // A group file shown in single view (or a preset file in group view) is
    // no longer what its file holds: Save must not write one over the other.
    if (!document_.filePath().isEmpty() && !document_.fileMatchesView(editor_.isGroupView()))
        document_.dropFile(tr("Amp Preset"), true);
}

void DocumentFiles::askToSave(const QString &text)
{
    // Whatever comes next replaces or saves the presets: the edits, not the
    // stored version Compare shows, are what it is about.
    editor_.setComparing(false);
    if (!document_.isModified())
        return;
    const auto answer = prompter_.question(QStringLiteral("Quorvex"), text,
                                           {Prompter::Button::Yes, Prompter::Button::No, Prompter::Button::Cancel},
                                           Prompter::Icon::Question);
    if (answer == Prompter::Button::No)
        return;
    // Yes: the command goes on only once the presets are safe. A cancelled
    // Save As abandons it like Cancel; a failed write is reported and
    // abandons it too.
    if (answer != Prompter::Button::Yes || !save())
        throw Abort();
}

void DocumentFiles::newDocument(bool group)
{
    askToSave();
    document_.makeNew();
    editor_.showDefaults(group ? PresetEditor::View::Group : PresetEditor::View::Single);
    editor_.startHistory(false, false);
}

std::optional<Document::Kind> DocumentFiles::readFile(const QString &name, bool importing, int slot)
{
    corrections_.clear();
    const QString path = files::unquotedPath(name);
    const files::Bytes bytes = files::readWholeFile(path);
    const files::Kind kind = files::classify(bytes, path, importing);
    if (kind == files::Kind::Global) {
        const auto answer = prompter_.question(tr("File Open"), tr("This is a Global File. Open it?"),
                                               {Prompter::Button::Yes, Prompter::Button::No});
        // The globals window reads it; the main window's document stays.
        if (answer == Prompter::Button::Yes)
            emit globalFileChosen(path);
        return std::nullopt;
    }
    // Read whole before anything changes: a file that proves damaged
    // leaves the document, its view and the Amp as they were.
    files::Bytes data = files::decode(kind, bytes, path);
    const QStringList corrected = correctionLines(kind, data);
    const QString fileName = QFileInfo(path).fileName();
    if (importing) {
        preset::Record record;
        std::copy_n(data.begin(), preset::RecordSize, record.begin());
        editor_.importRecord(-1, record, tr("Import %1 to %2").arg(fileName, preset::slotName(editor_.currentSlot())));
    } else {
        editor_.setView(kind == files::Kind::Group ? PresetEditor::View::Group : PresetEditor::View::Single);
        if (kind == files::Kind::Group && slot >= 0)
            editor_.selectSlotQuietly(slot);
        if (kind == files::Kind::Group)
            editor_.storeGroup(std::span<const std::uint8_t, preset::GroupSize>(data.data(), preset::GroupSize));
        else
            editor_.storeRecord(editor_.currentSlot(),
                                std::span<const std::uint8_t, preset::RecordSize>(data.data(), preset::RecordSize));
        editor_.sendEditorData();
    }
    // Told once, when the command has shown the file; from then on the
    // values are valid.
    if (!corrected.isEmpty())
        corrections_ = tr("Some values in %1 are outside what the Amp takes; each was set to the "
                          "nearest value it takes:\n%2")
                           .arg(fileName, corrected.join(QLatin1Char('\n')));
    return kind == files::Kind::Group ? Document::Kind::Group : Document::Kind::Single;
}

void DocumentFiles::open()
{
    askToSave();
    const QString path = prompter_.openFileName(tr("Open"), document_.openDialogDirectory(), tr(OpenFilter));
    if (!path.isEmpty())
        openChosen(path);
}

void DocumentFiles::openDropped(const QString &path)
{
    askToSave();
    openChosen(path);
}

std::optional<QString> DocumentFiles::load(const QString &path, int slot)
{
    const auto kind = readFile(path, false, slot);
    if (!kind)
        return std::nullopt;
    const QString clean = files::unquotedPath(path);
    editor_.startHistory(false);
    document_.setFile(clean, *kind);
    tellCorrections();
    return clean;
}

void DocumentFiles::openChosen(const QString &path)
{
    const auto clean = load(path);
    if (!clean)
        return;
    const QString folder = folderOf(*clean);
    document_.setSaveDialogDirectory(folder);
    // The file list moves to the file's folder.
    document_.setWorkingDirectory(folder);
    document_.setOpenDialogDirectory(folder);
}

void DocumentFiles::openFromList(const QString &path)
{
    askToSave();
    const auto clean = load(path);
    if (!clean)
        return;
    document_.setSaveDialogDirectory(folderOf(*clean));
    document_.setOpenDialogDirectory(folderOf(*clean));
}

bool DocumentFiles::openNamed(const QString &path, int slot)
{
    // Save asks where to when the file lies outside the list's folder.
    return load(path, slot).has_value();
}

void DocumentFiles::tellCorrections()
{
    if (!corrections_.isEmpty())
        prompter_.notice(tr("File Open"), std::exchange(corrections_, QString()), Prompter::Icon::Warning);
}

void DocumentFiles::importFromList(const QString &path)
{
    readFile(path, true);
    tellCorrections();
}

void DocumentFiles::importSingleToTab()
{
    const QString path =
        prompter_.openFileName(tr("Import Single to Tab"), document_.openDialogDirectory(), tr(OpenFilter));
    if (!path.isEmpty()) {
        readFile(path, true);
        tellCorrections();
    }
}

bool DocumentFiles::save()
{
    if (document_.filePath().isEmpty() || document_.saveElsewhere() ||
        !document_.fileMatchesView(editor_.isGroupView()))
        return saveAs();
    write(WriteMode::Save, document_.filePath());
    editor_.markSaved();
    return true;
}

QString DocumentFiles::chooseSavePath(const QString &suggestedName)
{
    return prompter_.saveFileName(tr("Save As"), document_.saveDialogDirectory(), tr(SaveFilter), suggestedName);
}

bool DocumentFiles::saveAs()
{
    const QString path = chooseSavePath(document_.fileName());
    if (path.isEmpty() || !write(WriteMode::SaveAs, path))
        return false;
    document_.setFile(path, shownKind(editor_));
    document_.setSaveDialogDirectory(folderOf(path));
    editor_.markSaved();
    emit listRefreshWanted();
    return true;
}

void DocumentFiles::saveBack()
{
    const QString remembered = document_.saveDialogDirectory();
    document_.setSaveDialogDirectory(document_.originDirectory());
    // Whatever Save As does, the dialog starts where it did and Save Back
    // stays available.
    struct Restore {
        Document &doc;
        QString dir;
        ~Restore()
        {
            doc.setSaveDialogDirectory(dir);
            doc.setSaveElsewhere(true);
        }
    } restore{document_, remembered};
    saveAs();
}

void DocumentFiles::saveCurrentTab()
{
    const QString path = chooseSavePath(QString());
    if (path.isEmpty())
        return;
    write(WriteMode::CurrentTab, path);
    emit listRefreshWanted();
}

bool DocumentFiles::write(WriteMode mode, const QString &path)
{
    if (mode != WriteMode::Save && !prompter_.mayReplace(path))
        return false;
    const DeviceImage &image = editor_.image();
    if (mode == WriteMode::CurrentTab)
        files::writeSingleFile(path, image.record(editor_.currentSlot()));
    else if (editor_.isGroupView())
        files::writeGroupFile(path, image.group);
    else
        files::writeSingleFile(path, image.record(0));
    return true;
}

QString DocumentFiles::notePath() const
{
    if (document_.filePath().isEmpty())
        return {};
    // Beside the document's own file, wherever the list has gone.
    return QDir(document_.originDirectory()).filePath(files::noteFileName(document_.fileName()));
}

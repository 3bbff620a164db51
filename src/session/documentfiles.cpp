// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/documentfiles.h"

#include "files/notefile.h"
#include "files/presetfile.h"
#include "model/quorvexerror.h"
#include "session/document.h"
#include "session/preseteditor.h"
#include "session/prompter.h"

#include <QDir>
#include <QFileInfo>

const QString DocumentFiles::OpenFilter = QStringLiteral("Sysex files (*.syx)|*.syx|All files|*.*");
const QString DocumentFiles::SaveFilter = QStringLiteral("Sysex (*.syx)|*.syx|All Files|*.*");

namespace {

QString folderOf(const QString &path)
{
    return QFileInfo(path).absolutePath();
}

} // namespace

DocumentFiles::DocumentFiles(PresetEditor &editor, Document &document, Prompter &prompter, QObject *parent)
    : QObject(parent), editor_(editor), document_(document), prompter_(prompter)
{
    connect(&editor_, &PresetEditor::edited, &document_, [this] { document_.setModified(true); });
}

void DocumentFiles::askToSave(const QString &text)
{
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
}

bool DocumentFiles::readFile(const QString &name, bool importing)
{
    const QString path = files::unquotedPath(name);
    const files::Bytes bytes = files::readWholeFile(path);
    const files::Kind kind = files::classify(bytes, path, importing);
    if (kind == files::Kind::Global) {
        const auto answer = prompter_.question(QStringLiteral("File Open"),
                                                         QStringLiteral("This is a Global File. Open it?"),
                                                         {Prompter::Button::Yes, Prompter::Button::No});
        // The globals window reads it; the main window's document stays.
        if (answer == Prompter::Button::Yes)
            emit globalFileChosen(path);
        return false;
    }
    // The view follows the file's kind even when it then proves too short.
    if (kind == files::Kind::Group)
        editor_.setView(PresetEditor::View::Group);
    else if (!importing)
        editor_.setView(PresetEditor::View::Single);
    const files::Bytes data = files::decode(kind, bytes);
    if (kind == files::Kind::Group)
        editor_.storeGroup(std::span<const std::uint8_t, preset::GroupSize>(data.data(), preset::GroupSize));
    else
        editor_.storeRecord(editor_.currentSlot(),
                             std::span<const std::uint8_t, preset::RecordSize>(data.data(), preset::RecordSize));
    editor_.sendEditorData();
    return true;
}

void DocumentFiles::open()
{
    askToSave();
    const QString path = prompter_.openFileName(QStringLiteral("Open"),
                                                          document_.openDialogDirectory(), OpenFilter);
    if (!path.isEmpty())
        openChosen(path);
}

void DocumentFiles::openFrom(const QString &folder)
{
    askToSave();
    QDir().mkpath(folder);
    const QString path = prompter_.openFileName(QStringLiteral("Open"), folder, OpenFilter);
    if (!path.isEmpty())
        openChosen(path);
}

void DocumentFiles::openDropped(const QString &path)
{
    askToSave();
    openChosen(path);
}

void DocumentFiles::openChosen(const QString &path)
{
    Document &doc = document_;
    if (!readFile(path, false))
        return;
    const QString clean = files::unquotedPath(path);
    const QString folder = folderOf(clean);
    doc.setModified(false);
    doc.setSaveElsewhere(false);
    doc.setTitle(clean);
    doc.setFileName(QFileInfo(clean).fileName());
    doc.setSaveDialogDirectory(folder);
    // The file list moves to the file's folder.
    doc.setWorkingDirectory(folder);
    doc.setOpenDialogDirectory(folder);
}

void DocumentFiles::openFromList(const QString &path)
{
    Document &doc = document_;
    askToSave();
    if (!readFile(path, false))
        return;
    const QString clean = files::unquotedPath(path);
    doc.setModified(false);
    doc.setSaveElsewhere(false);
    doc.setFileName(QFileInfo(clean).fileName());
    doc.setSaveDialogDirectory(folderOf(clean));
    doc.setOpenDialogDirectory(folderOf(clean));
    doc.setTitle(clean);
}

bool DocumentFiles::openNamed(const QString &path)
{
    if (!readFile(path, false))
        return false;
    opened(QFileInfo(files::unquotedPath(path)).absoluteFilePath());
    return true;
}

void DocumentFiles::opened(const QString &path)
{
    Document &doc = document_;
    doc.setModified(false);
    // Save asks where to when the file lies outside the list's folder.
    doc.openedAt(path);
}

void DocumentFiles::importFromList(const QString &path)
{
    if (readFile(path, true))
        document_.setModified(true);
}

void DocumentFiles::importSingleToTab()
{
    const QString path = prompter_.openFileName(
        QStringLiteral("Import Single to Tab"), document_.openDialogDirectory(), OpenFilter);
    if (!path.isEmpty() && readFile(path, true))
        document_.setModified(true);
}

bool DocumentFiles::save()
{
    Document &doc = document_;
    if (doc.fileName().isEmpty() || doc.saveElsewhere())
        return saveAs();
    write(WriteMode::Save, doc.currentPath());
    doc.setModified(false);
    return true;
}

QString DocumentFiles::chooseSavePath(const QString &suggestedName)
{
    return prompter_.saveFileName(QStringLiteral("Save As"), document_.saveDialogDirectory(),
                                            SaveFilter, suggestedName);
}

bool DocumentFiles::saveAs()
{
    Document &doc = document_;
    const QString path = chooseSavePath(doc.fileName());
    if (path.isEmpty() || !write(WriteMode::SaveAs, path))
        return false;
    const QString folder = folderOf(path);
    doc.setTitle(QFileInfo(path).absoluteFilePath());
    doc.setSaveDialogDirectory(folder);
    doc.setFileName(QFileInfo(path).fileName());
    doc.setModified(false);
    // The name is kept without its folder and Save writes it into the list's
    // folder: a file saved elsewhere must send the next Save through Save As,
    // or it would land beside the list's files instead of on itself.
    doc.setOrigin(folder);
    doc.setSaveElsewhere(!doc.isInWorkingDirectory(folder));
    emit listRefreshWanted();
    return true;
}

void DocumentFiles::saveBack()
{
    Document &doc = document_;
    const QString remembered = doc.saveDialogDirectory();
    doc.setSaveDialogDirectory(doc.originDirectory());
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
    } restore{doc, remembered};
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
    if (mode != WriteMode::Save && QFileInfo::exists(path)) {
        const auto answer = prompter_.question(QStringLiteral("File Save"),
                                                         QStringLiteral("File Exists. Overwrite?"),
                                                         {Prompter::Button::Yes, Prompter::Button::No});
        if (answer != Prompter::Button::Yes)
            return false;
    }
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
    const Document &doc = document_;
    if (doc.fileName().isEmpty())
        return {};
    // Beside the document's own file, wherever that lies.
    const QString folder = doc.saveElsewhere() ? doc.originDirectory() : doc.workingDirectory();
    return QDir(folder).filePath(files::noteFileName(doc.fileName()));
}

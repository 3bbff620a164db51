// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/document.h"

#include <QObject>
#include <QString>

#include <optional>

class PresetEditor;
class Prompter;

// The File commands: the editor's presets to and from .syx files, with the
// document's file, title and modified flag kept as each command leaves
// them. Dialogs and questions go through the Prompter (these are user
// commands); a failed read or write throws QuorvexError and changes nothing
// it has not already changed.
class DocumentFiles : public QObject {
    Q_OBJECT
public:
    static constexpr const char *OpenFilter = QT_TR_NOOP("Sysex files (*.syx)|*.syx|All files|*.*");
    static constexpr const char *SaveFilter = QT_TR_NOOP("Sysex (*.syx)|*.syx|All Files|*.*");

    DocumentFiles(PresetEditor &editor, Document &document, Prompter &prompter, QObject *parent = nullptr);

    Document &document() { return document_; }

    // The ask-to-save step: nothing when unmodified; else the question, and
    // on Yes a save. Throws Abort when the user cancels (or the save did
    // not happen), so the calling command ends silently.
    void askToSave(const QString &text = tr("Save Changes?"));
    // New Preset (single view) and New Group: ask to save, then sixteen
    // default presets, shown and sent.
    void newDocument(bool group);

    // The file reader: loads a preset or group file into the editor (or, when
    // importing, one preset into the selected tab), shows it and sends the
    // current slot to the Amp. The kind loaded; none when nothing was (a
    // global file).
    std::optional<Document::Kind> readFile(const QString &path, bool importing, int slot = -1);

    // Open from the dialog; the file list moves to the file's folder.
    void open();
    // A file dropped on the window opens as from the dialog.
    void openDropped(const QString &path);
    // Open the file selected in the file list; the list stays.
    void openFromList(const QString &path);
    // A file named on the command line or handed over by a second start, or
    // dropped on the window: it may lie anywhere. A group file shows `slot`
    // (-1: the tab it had), and only that slot goes to the Amp.
    bool openNamed(const QString &path, int slot = -1);
    void importFromList(const QString &path);
    void importSingleToTab();

    // Save: the document's own file, as its own kind; through Save As when
    // there is none, it lies outside the list's folder, or the view no
    // longer shows its kind. False when nothing was written (the user
    // cancelled the dialog or declined to overwrite).
    bool save();
    bool saveAs();
    void saveBack();
    void saveCurrentTab();

    // The note file of the current document, beside its file; empty when the
    // document has no file.
    QString notePath() const;

signals:
    // A global file was chosen and the user wants it opened.
    void globalFileChosen(const QString &path);
    // A file was written to the working folder: the file list shows it.
    void listRefreshWanted();

private:
    enum class WriteMode { Save, SaveAs, CurrentTab };
    // False when nothing was written (overwrite declined).
    bool write(WriteMode mode, const QString &path);
    QString chooseSavePath(const QString &suggestedName);
    // Reads the file into the editor as the document: a fresh history, unmodified.
    // The path as given, unquoted; nothing when it could not be read.
    std::optional<QString> load(const QString &path, int slot = -1);
    void openChosen(const QString &path);
    void viewChanged();
    // What readFile made valid, told once the command has shown the file.
    void tellCorrections();

    PresetEditor &editor_;
    Document &document_;
    Prompter &prompter_;
    QString corrections_;
};

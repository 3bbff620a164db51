// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

// What the editor's data is as a document: the file it belongs to (full
// path and kind), its title, and whether it changed since it was last
// opened, made new or saved. Save writes only that file, and only its kind.
class Document : public QObject {
    Q_OBJECT
public:
    static const QString Untitled;
    enum class Kind { None, Single, Group };

    explicit Document(QObject *parent = nullptr);

    // ---- The file

    // Full path; empty for a new document or presets from the Amp.
    QString filePath() const { return filePath_; }
    Kind fileKind() const { return kind_; }
    // The name part of the file; empty without a file.
    QString fileName() const;
    // The folder of the file last opened or saved here; Save Back's dialog
    // starts there.
    QString originDirectory() const { return originDirectory_; }
    // A file was opened or saved at this path as this kind: title, origin
    // and the save-elsewhere flag follow it.
    void setFile(const QString &path, Kind kind);
    // The data no longer is the file's (it came from the Amp, or the view
    // no longer matches the file's kind): no file, this title, and Save Back
    // offered when wanted.
    void dropFile(const QString &title, bool saveElsewhere);
    // The Amp's user slot the shown preset came from (-1: none known, a
    // file, a group or a factory preset); dropping the file forgets it.
    int ampSlot() const { return ampSlot_; }
    void setAmpSlot(int slot) { ampSlot_ = slot; }
    // Whether Save may write the file as it is shown: in this view.
    bool fileMatchesView(bool groupView) const { return kind_ == (groupView ? Kind::Group : Kind::Single); }
    // New Preset, New Group: untitled.
    void makeNew();

    // Set when Save must ask where (the file lies outside the list's folder,
    // or the data came from the Amp); "Save Back (original path)" is enabled
    // exactly while it is set.
    bool saveElsewhere() const { return saveElsewhere_; }
    void setSaveElsewhere(bool on);

    // Changed since last opened, made new or saved: the edit history is away
    // from its clean state (which data never saved, a group fetched, lacks).
    // The document's files keep it so, and nothing else writes it.
    bool isModified() const { return modified_; }

    // ---- The title: the name as shown ("untitled", a full path, "Amp
    // Preset"); the caption adds " - Quorvex", the application title is the
    // name's file-name part with the same suffix.
    void setTitle(const QString &name);
    QString titleName() const { return titleName_; }
    // As the title bar shows it: "untitled" in the user's language.
    QString shownTitleName() const { return titleName_ == Untitled ? tr("untitled") : titleName_; }
    QString caption() const;
    // "Quorvex" until a title is set; the error box's caption.
    QString applicationTitle() const { return applicationTitle_; }
    // "Info" needs a file to keep a note beside.
    bool hasName() const { return titleName_ != Untitled; }

    // ---- The folders

    // The directory the file list shows. Moving it never moves the
    // document's file; a file left outside it is saved through Save As.
    QString workingDirectory() const { return workingDirectory_; }
    // False (and nothing changes) when the directory cannot be entered.
    bool setWorkingDirectory(const QString &dir);
    bool isInWorkingDirectory(const QString &dir) const { return sameFolder(dir, workingDirectory_); }
    static bool sameFolder(const QString &a, const QString &b);

    // Where the open and save dialogs start.
    QString openDialogDirectory() const { return openDialogDirectory_; }
    void setOpenDialogDirectory(const QString &dir) { openDialogDirectory_ = dir; }
    QString saveDialogDirectory() const { return saveDialogDirectory_; }
    void setSaveDialogDirectory(const QString &dir) { saveDialogDirectory_ = dir; }

signals:
    // The title or the file changed.
    void titleChanged();
    void modifiedChanged(bool modified);
    void saveElsewhereChanged(bool on);
    void workingDirectoryChanged(const QString &dir);

private:
    friend class DocumentFiles;
    void setModified(bool on)
    {
        if (on != modified_)
            changeModified(on);
    }
    void changeModified(bool on);

    QString filePath_;
    Kind kind_ = Kind::None;
    QString originDirectory_;
    bool saveElsewhere_ = false;
    int ampSlot_ = -1;
    bool modified_ = false;
    QString titleName_ = Untitled;
    QString applicationTitle_ = QStringLiteral("Quorvex");
    QString workingDirectory_;
    QString openDialogDirectory_;
    QString saveDialogDirectory_;
};

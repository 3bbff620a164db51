// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

// What the editor's data is as a document: its name and title, where its
// file came from, and whether it changed since it was last opened, made new
// or saved.
class Document : public QObject {
    Q_OBJECT
public:
    static const QString Untitled;

    explicit Document(QObject *parent = nullptr);

    // The current file name: the name part only; empty for a document that
    // came from the Amp or is new. Resolved against the working directory.
    QString fileName() const { return fileName_; }
    void setFileName(const QString &name);
    // The directory of the file last opened or saved.
    QString originDirectory() const { return originDirectory_; }
    void setOrigin(const QString &dir) { originDirectory_ = dir; }
    // Set when the document's file lies outside the working directory (or the
    // data came from the Amp); it enables "Save Back (original path)".
    bool saveElsewhere() const { return saveElsewhere_; }
    void setSaveElsewhere(bool on);

    bool isModified() const { return modified_; }
    void setModified(bool on)
    {
        if (on != modified_)
            changeModified(on);
    }

    // The window title operation: the name as shown ("untitled", a full path,
    // "Amp Preset"); the caption adds " - Quorvex", the application title is
    // the name's file-name part with the same suffix.
    void setTitle(const QString &name);
    QString titleName() const { return titleName_; }
    QString caption() const;
    // "Quorvex" until a title is set; the error box's caption.
    QString applicationTitle() const { return applicationTitle_; }
    // "Info" needs a file to keep a note beside.
    bool hasName() const { return titleName_ != Untitled; }

    // The directory the file list shows; bare file names resolve against it.
    QString workingDirectory() const { return workingDirectory_; }
    // False (and nothing changes) when the directory cannot be entered.
    bool setWorkingDirectory(const QString &dir);
    // Whether dir is the working directory: the same folder, however written.
    bool isInWorkingDirectory(const QString &dir) const { return sameFolder(dir, workingDirectory_); }
    static bool sameFolder(const QString &a, const QString &b);
    // The current file's full path: the file name in the working directory;
    // empty without a file name.
    QString currentPath() const;

    // Where the open and save dialogs start.
    QString openDialogDirectory() const { return openDialogDirectory_; }
    void setOpenDialogDirectory(const QString &dir) { openDialogDirectory_ = dir; }
    QString saveDialogDirectory() const { return saveDialogDirectory_; }
    void setSaveDialogDirectory(const QString &dir) { saveDialogDirectory_ = dir; }

    // A file was opened or saved at this full path: title, file name, origin
    // and the save-elsewhere flag follow it.
    void openedAt(const QString &path);
    // New Preset, New Group: untitled and unmodified.
    void makeNew();

signals:
    // The title or the file name changed.
    void titleChanged();
    void modifiedChanged(bool modified);
    void saveElsewhereChanged(bool on);
    void workingDirectoryChanged(const QString &dir);

private:
    void changeModified(bool on);

    QString fileName_;
    QString originDirectory_;
    bool saveElsewhere_ = false;
    bool modified_ = false;
    QString titleName_ = Untitled;
    QString applicationTitle_ = QStringLiteral("Quorvex");
    QString workingDirectory_;
    QString openDialogDirectory_;
    QString saveDialogDirectory_;
};

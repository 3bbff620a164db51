// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileSystemWatcher>
#include <QFutureWatcher>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

class Document;
class Prompter;
class QAction;
class QLabel;
class QListView;
class QMenu;
class QStringListModel;

// The file list beside the editor: the working directory's .syx files with
// a caption naming the directory. It follows changes other programs make to
// the directory (read on a worker thread, so a slow disk never holds the
// window up), deletes files (to the trash, or for good after a question)
// and moves to other directories. Opening and importing are the main
// window's business: the panel only says which file.
class FileListPanel : public QWidget {
    Q_OBJECT
public:
    // How long a burst of directory changes is gathered before the list is
    // read again.
    static constexpr int ChangeDelayMs = 100;

    FileListPanel(Document &document, Prompter &prompter, QWidget *parent = nullptr);
    ~FileListPanel() override;

    // Reads the working directory again, now; the caption shows it. Nothing
    // in the view changes when the files are the same.
    void refresh();
    // Reads it again on a worker thread; the list changes when the reading
    // is done, unless the list was read or moved meanwhile. What the list
    // does when another program changes the directory.
    void refreshInBackground();
    // The set-path operation: dialogs' initial directories, list and
    // caption follow text; an empty text leaves the list where it is.
    // Throws QuorvexError when text names a directory that cannot be entered.
    void setPath(const QString &text);

    bool importEnabled() const { return importEnabled_; }
    void setImportEnabled(bool on);

    // The directory the list was last read from, and its files in the order
    // shown: the user's locale's collation (English for the C locale),
    // without regard to case, numbers by value.
    QString directory() const { return directory_; }
    QStringList files() const { return files_; }
    // The selected file's name and full path; empty when none is selected.
    QString selectedFile() const;
    QString selectedPath() const;
    // Selects a listed file; false (and nothing selected) when not listed.
    bool selectFile(const QString &name);

    // A directory's .syx files (no folders, no hidden files) in the list's
    // order; empty when it cannot be read. Safe on any thread.
    static QStringList readDirectory(const QString &dir);

    // Handlers; each runs through the error box.
    void openSelected();
    void importSelected();
    // Delete: to the trash. Shift+Delete: for good, after a question.
    void deleteSelected(bool permanently);
    void usePathOfCurrentFile();
    void resetPathFromIni();
    void setPathToProgramDirectory();

    QLabel *LabelList;
    QListView *fileList;
    QMenu *PopupMenuList;
    QMenu *PopupMenuPath;
    QAction *openFileAction, *importAction, *refreshAction;
    QAction *usePathOfCurrentFileAction, *resetPathFromIniAction, *setPathToProgramDirectoryAction;

signals:
    // The user asked to open or import this file; empty when nothing was
    // selected.
    void openRequested(const QString &path);
    void importRequested(const QString &path);
    // The user asked for the stored data directory; answer with setPath.
    void resetPathFromIniRequested();
    // The listed files changed (read again and found different).
    void filesChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool run(const std::function<void()> &body);
    void workingDirectoryChanged();
    void watch(const QString &dir);
    void backgroundReadDone();
    void apply(const QStringList &names);

    Document &document_;
    Prompter &prompter_;
    QStringListModel *model_;
    QFileSystemWatcher watcher_;
    QTimer changeTimer_;
    QFutureWatcher<QStringList> reading_;
    // Each reading on the UI thread makes older background readings stale.
    quint64 generation_ = 0;
    quint64 readingGeneration_ = 0;
    QString readingDirectory_;
    bool readAgain_ = false;
    QString directory_;
    QStringList files_;
    bool importEnabled_ = false;
    bool moving_ = false;
};

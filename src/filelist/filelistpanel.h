#pragma once

#include <QCollator>
#include <QFileSystemWatcher>
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
// the directory, deletes files (to the trash, or for good after a question)
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

    // Reads the working directory again; the caption shows it. Nothing in
    // the view changes when the files are the same.
    void refresh();
    // The set-path operation: dialogs' initial directories, list and
    // caption follow text; an empty text leaves the list where it is.
    // Throws QuorvexError when text names a directory that cannot be entered.
    void setPath(const QString &text);

    bool importEnabled() const { return importEnabled_; }
    void setImportEnabled(bool on);

    // The directory the list was last read from, and its files in the order
    // shown (case-insensitive, numbers by value).
    QString directory() const { return directory_; }
    QStringList files() const { return files_; }
    // The selected file's name and full path; empty when none is selected.
    QString selectedFile() const;
    QString selectedPath() const;
    // Selects a listed file; false (and nothing selected) when not listed.
    bool selectFile(const QString &name);

    // The directory part of a window title: up to its last '/' ("/" for a
    // file in the root); empty for a title without one ("untitled").
    static QString titleDirectory(const QString &titleName);

    // Handlers; each runs through the error box.
    void openSelected();
    void importSelected();
    // Delete: to the trash. Shift+Delete: for good, after a question.
    void deleteSelected(bool permanently);
    void usePathOfCurrentFile();
    void resetPathFromIni();
    void setPathToProgramDirectory();

    QLabel *LabelList;
    QListView *FileListBox1;
    QMenu *PopupMenuList;
    QMenu *PopupMenuPath;
    QAction *OpenFile1, *Import1, *RefreshFileList2;
    QAction *UsePathofCurrentFile1, *ResetPathfromINI1, *SetPathtoProgramDirectory1;

signals:
    // The user asked to open or import this file; empty when nothing was
    // selected.
    void openRequested(const QString &path);
    void importRequested(const QString &path);
    // The list moved to the current file's directory: saving back to the
    // original path no longer applies.
    void saveBackDisabled();
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
    QStringList readDirectory(const QString &dir);
    void apply(const QStringList &names);

    Document &document_;
    Prompter &prompter_;
    QStringListModel *model_;
    QFileSystemWatcher watcher_;
    QTimer changeTimer_;
    QCollator collator_;
    QString directory_;
    QStringList files_;
    bool importEnabled_ = false;
    bool moving_ = false;
};

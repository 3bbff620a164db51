// SPDX-License-Identifier: GPL-3.0-or-later
#include "filelist/filelistpanel.h"

#include "files/safefile.h"
#include "model/quorvexerror.h"
#include "session/document.h"
#include "session/guard.h"
#include "session/prompter.h"

#include <QAction>
#include <QCollator>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPromise>
#include <QScopedValueRollback>
#include <QStringListModel>
#include <QThreadPool>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#else
#include <QDirIterator>
#endif

namespace {

// Two texts name the same directory when both lead to the same existing
// place, links and "." and ".." resolved; letter case counts, as it does on
// the file system.
bool sameDirectory(const QString &a, const QString &b)
{
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

// The names of a directory's visible regular files (or links to them) that
// end in ".syx" in any case.
QStringList presetNames(const QString &dir)
{
    QStringList names;
#ifdef Q_OS_UNIX
    // Straight from the directory entries: the file type comes with the
    // name, where QDirIterator builds a QFileInfo for each entry and takes
    // twice as long.
    DIR *entries = ::opendir(QFile::encodeName(dir).constData());
    if (!entries)
        return names;
    while (const dirent *entry = ::readdir(entries)) {
        const char *name = entry->d_name;
        const std::size_t length = std::strlen(name);
        if (name[0] == '.' || length < 5 || ::strncasecmp(name + length - 4, ".syx", 4) != 0)
            continue;
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat info;
            regular = ::fstatat(::dirfd(entries), name, &info, 0) == 0 && S_ISREG(info.st_mode);
        }
        if (regular)
            names.append(QFile::decodeName(name));
    }
    ::closedir(entries);
#else
    QDirIterator it(dir, QDir::Files);
    while (it.hasNext()) {
        it.next();
        QString name = it.fileName();
        if (name.endsWith(QLatin1String(".syx"), Qt::CaseInsensitive))
            names.append(std::move(name));
    }
#endif
    return names;
}

bool isDeleteKey(const QKeyEvent *key)
{
    return key->key() == Qt::Key_Delete;
}

bool isEnterKey(const QKeyEvent *key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

} // namespace

FileListPanel::FileListPanel(Document &document, Prompter &prompter, QWidget *parent)
    : QWidget(parent), document_(document), prompter_(prompter)
{
    setObjectName(QStringLiteral("PanelList"));

    LabelList = new QLabel(tr("File Path"), this);
    LabelList->setObjectName(QStringLiteral("LabelList"));
    LabelList->setToolTip(tr("Change with File Open, or right click for more"));
    LabelList->setWordWrap(true);
    // A long path has no place to wrap; it must not hold the panel wide.
    LabelList->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    LabelList->setContextMenuPolicy(Qt::CustomContextMenu);

    model_ = new QStringListModel(this);
    fileList = new QListView(this);
    fileList->setObjectName(QStringLiteral("FileListBox1"));
    fileList->setModel(model_);
    // One line per file: the view lays out ten thousand rows without
    // measuring each.
    fileList->setUniformItemSizes(true);
    fileList->setSelectionMode(QAbstractItemView::SingleSelection);
    fileList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fileList->setContextMenuPolicy(Qt::CustomContextMenu);
    fileList->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(LabelList);
    layout->addWidget(fileList, 1);

    auto item = [](QMenu *menu, const char *name, const QString &caption) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    PopupMenuList = new QMenu(this);
    PopupMenuList->setObjectName(QStringLiteral("PopupMenuList"));
    openFileAction = item(PopupMenuList, "OpenFile1", tr("&Open File"));
    importAction = item(PopupMenuList, "Import1", tr("&Import File"));
    PopupMenuList->addSeparator();
    refreshAction = item(PopupMenuList, "RefreshFileList2", tr("&Refresh File List"));
    importAction->setEnabled(importEnabled_);

    PopupMenuPath = new QMenu(this);
    PopupMenuPath->setObjectName(QStringLiteral("PopupMenuPath"));
    usePathOfCurrentFileAction = item(PopupMenuPath, "UsePathofCurrentFile1", tr("&Use Path of Current File"));
    resetPathFromIniAction = item(PopupMenuPath, "ResetPathfromINI1", tr("&Reset Path from INI"));
    setPathToProgramDirectoryAction =
        item(PopupMenuPath, "SetPathtoProgramDirectory1", tr("&Set Path to program directory"));

    connect(openFileAction, &QAction::triggered, this, &FileListPanel::openSelected);
    connect(importAction, &QAction::triggered, this, &FileListPanel::importSelected);
    connect(refreshAction, &QAction::triggered, this, &FileListPanel::refresh);
    connect(usePathOfCurrentFileAction, &QAction::triggered, this, &FileListPanel::usePathOfCurrentFile);
    // Only a document with a file has a path to use.
    auto hasFile = [this] { usePathOfCurrentFileAction->setEnabled(!document_.filePath().isEmpty()); };
    connect(&document_, &Document::titleChanged, this, hasFile);
    hasFile();
    connect(resetPathFromIniAction, &QAction::triggered, this, &FileListPanel::resetPathFromIni);
    connect(setPathToProgramDirectoryAction, &QAction::triggered, this, &FileListPanel::setPathToProgramDirectory);

    connect(fileList, &QListView::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenuList->popup(fileList->viewport()->mapToGlobal(pos)); });
    connect(LabelList, &QLabel::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenuPath->popup(LabelList->mapToGlobal(pos)); });
    connect(fileList, &QListView::doubleClicked, this, [this](const QModelIndex &index) {
        emit openRequested(QDir(directory_).filePath(index.data().toString()));
    });

    // Other programs copy files in by the thousand: a burst of changes is
    // gathered and read once, and a long copy is read again at most every
    // ChangeDelayMs, on a worker thread.
    changeTimer_.setSingleShot(true);
    changeTimer_.setInterval(ChangeDelayMs);
    connect(&changeTimer_, &QTimer::timeout, this, &FileListPanel::refreshInBackground);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (!changeTimer_.isActive())
            changeTimer_.start();
    });
    connect(&reading_, &QFutureWatcher<QStringList>::finished, this, &FileListPanel::backgroundReadDone);
    connect(&document_, &Document::workingDirectoryChanged, this, &FileListPanel::workingDirectoryChanged);
}

FileListPanel::~FileListPanel() = default;

bool FileListPanel::run(const std::function<void()> &body)
{
    return guarded(prompter_, document_.applicationTitle(), body);
}

void FileListPanel::setImportEnabled(bool on)
{
    importEnabled_ = on;
    importAction->setEnabled(on);
}

QString FileListPanel::selectedFile() const
{
    const QModelIndexList selected = fileList->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? QString() : selected.first().data().toString();
}

QString FileListPanel::selectedPath() const
{
    const QString name = selectedFile();
    return name.isEmpty() ? QString() : QDir(directory_).filePath(name);
}

bool FileListPanel::selectFile(const QString &name)
{
    const qsizetype row = name.isEmpty() ? -1 : files_.indexOf(name);
    if (row < 0) {
        fileList->clearSelection();
        return false;
    }
    fileList->selectionModel()->setCurrentIndex(model_->index(int(row)), QItemSelectionModel::ClearAndSelect);
    return true;
}

// ---- Reading the directory

void FileListPanel::refresh()
{
    // What the timer or a background reading would bring is read here.
    changeTimer_.stop();
    readAgain_ = false;
    ++generation_;
    directory_ = document_.workingDirectory();
    // Watched before it is read, so no change falls between the two.
    watch(directory_);
    LabelList->setText(directory_);
    const QStringList names = readDirectory(directory_);
    if (names != files_)
        apply(names);
}

void FileListPanel::watch(const QString &dir)
{
    const QStringList watched = watcher_.directories();
    if (watched.size() == 1 && watched.first() == dir)
        return;
    if (!watched.isEmpty())
        watcher_.removePaths(watched);
    // A directory that was removed is watched again once it is back.
    if (QFileInfo(dir).isDir())
        watcher_.addPath(dir);
}

void FileListPanel::refreshInBackground()
{
    // One reading at a time; changes meanwhile are read after it.
    if (reading_.isRunning()) {
        readAgain_ = true;
        return;
    }
    readingGeneration_ = generation_;
    readingDirectory_ = directory_;
    auto promise = std::make_shared<QPromise<QStringList>>();
    reading_.setFuture(promise->future());
    promise->start();
    QThreadPool::globalInstance()->start([promise, dir = directory_] {
        promise->addResult(readDirectory(dir));
        promise->finish();
    });
}

void FileListPanel::backgroundReadDone()
{
    const QFuture<QStringList> future = reading_.future();
    if (future.resultCount() > 0 && readingGeneration_ == generation_ && readingDirectory_ == directory_) {
        const QStringList names = future.result();
        if (names != files_)
            apply(names);
    }
    if (readAgain_) {
        readAgain_ = false;
        changeTimer_.start();
    }
}

QStringList FileListPanel::readDirectory(const QString &dir)
{
    const QStringList names = presetNames(dir);

    // Numbers by value ("Preset 9" before "Preset 10"). The C locale has no
    // collation rules at all, so it falls back to English ones. One collator
    // per reading: readings run on more than one thread.
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);

    // Sort keys are made once per name; comparing them is a byte compare.
    std::vector<std::pair<QCollatorSortKey, qsizetype>> keys;
    keys.reserve(std::size_t(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i)
        keys.emplace_back(collator.sortKey(names[i]), i);
    std::sort(keys.begin(), keys.end(), [&names](const auto &a, const auto &b) {
        const int order = a.first.compare(b.first);
        // Names equal but for case ("a.syx", "A.syx") still get one order.
        return order != 0 ? order < 0 : names[a.second] < names[b.second];
    });
    QStringList sorted;
    sorted.reserve(names.size());
    for (const auto &key : keys)
        sorted.append(names[key.second]);
    return sorted;
}

void FileListPanel::apply(const QStringList &names)
{
    const QString selected = selectedFile();
    const QModelIndex top = fileList->indexAt(QPoint(0, 0));
    const QString topName = top.data().toString();

    files_ = names;
    model_->setStringList(names);

    if (!selected.isEmpty())
        selectFile(selected);
    // The first visible file stays first; when it went, the same row does.
    if (top.isValid()) {
        qsizetype row = names.indexOf(topName);
        if (row < 0)
            row = std::min<qsizetype>(top.row(), names.size() - 1);
        if (row >= 0)
            fileList->scrollTo(model_->index(int(row)), QAbstractItemView::PositionAtTop);
    }
    emit filesChanged();
}

void FileListPanel::workingDirectoryChanged()
{
    // setPath reads the directory once at its end.
    if (!moving_)
        refresh();
}

// ---- Moving to another directory

void FileListPanel::setPath(const QString &text)
{
    document_.setSaveDialogDirectory(text);
    if (!text.isEmpty() && !sameDirectory(text, document_.workingDirectory())) {
        const QScopedValueRollback<bool> moving(moving_, true);
        if (!document_.setWorkingDirectory(text))
            throw QuorvexError(tr("Can't open the folder '%1'").arg(text));
    }
    LabelList->setText(text);
    document_.setOpenDialogDirectory(text);
    refresh();
}

void FileListPanel::usePathOfCurrentFile()
{
    // The document's file is then in the list's folder: Save writes it
    // again and Save Back is no longer offered (the document says so).
    run([this] {
        if (!document_.filePath().isEmpty())
            setPath(document_.originDirectory());
    });
}

void FileListPanel::resetPathFromIni()
{
    emit resetPathFromIniRequested();
}

void FileListPanel::setPathToProgramDirectory()
{
    run([this] { setPath(QCoreApplication::applicationDirPath()); });
}

// ---- Entries

void FileListPanel::openSelected()
{
    emit openRequested(selectedPath());
}

void FileListPanel::importSelected()
{
    if (importEnabled_)
        emit importRequested(selectedPath());
}

void FileListPanel::deleteSelected(bool permanently)
{
    run([this, permanently] {
        const QString path = selectedPath();
        QString failure;
        if (permanently) {
            const Prompter::Button answer =
                prompter_.question(tr("Confirm File Delete"), tr("Are you sure you want to delete '%1'?").arg(path),
                                   {Prompter::Button::Yes, Prompter::Button::No});
            QFile file(path);
            if (answer == Prompter::Button::Yes && !path.isEmpty() && !file.remove())
                failure = tr("Can't delete file:\n%1\n%2").arg(path, file.errorString());
        } else if (!path.isEmpty()) {
            QString reason;
            if (!files::moveToTrash(path, &reason)) {
                failure = tr("Can't move file to the trash:\n%1").arg(path);
                if (!reason.isEmpty())
                    failure += QLatin1Char('\n') + reason;
            }
        }
        refresh();
        if (!failure.isEmpty())
            throw QuorvexError(failure);
    });
}

bool FileListPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != fileList)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::ShortcutOverride) {
        // The list's keys win over the window's shortcuts while it has focus.
        const auto *key = static_cast<QKeyEvent *>(event);
        if (isDeleteKey(key) || isEnterKey(key)) {
            event->accept();
            return true;
        }
    } else if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (isEnterKey(key)) {
            openSelected();
            return true;
        }
        // Shift decides; Ctrl, Alt and the keypad's Delete change nothing.
        if (isDeleteKey(key)) {
            deleteSelected(key->modifiers().testFlag(Qt::ShiftModifier));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

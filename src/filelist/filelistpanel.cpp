#include "filelist/filelistpanel.h"

#include "model/quorvexerror.h"
#include "session/document.h"
#include "session/guard.h"
#include "session/prompter.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QScopedValueRollback>
#include <QStandardPaths>
#include <QStringListModel>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

const QString Suffix = QStringLiteral(".syx");

// Two texts name the same directory when both lead to the same existing
// place, links and "." and ".." resolved; letter case counts, as it does on
// the file system.
bool sameDirectory(const QString &a, const QString &b)
{
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
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

    LabelList = new QLabel(QStringLiteral("File Path"), this);
    LabelList->setObjectName(QStringLiteral("LabelList"));
    LabelList->setToolTip(QStringLiteral("Change with File Open, or right click for more"));
    LabelList->setWordWrap(true);
    // A long path has no place to wrap; it must not hold the panel wide.
    LabelList->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    LabelList->setContextMenuPolicy(Qt::CustomContextMenu);

    model_ = new QStringListModel(this);
    FileListBox1 = new QListView(this);
    FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
    FileListBox1->setModel(model_);
    // One line per file: the view lays out ten thousand rows without
    // measuring each.
    FileListBox1->setUniformItemSizes(true);
    FileListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    FileListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FileListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    FileListBox1->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(LabelList);
    layout->addWidget(FileListBox1, 1);

    auto item = [](QMenu *menu, const char *name, const QString &caption) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    PopupMenuList = new QMenu(this);
    PopupMenuList->setObjectName(QStringLiteral("PopupMenuList"));
    OpenFile1 = item(PopupMenuList, "OpenFile1", QStringLiteral("Open File"));
    Import1 = item(PopupMenuList, "Import1", QStringLiteral("Import File"));
    PopupMenuList->addSeparator();
    RefreshFileList2 = item(PopupMenuList, "RefreshFileList2", QStringLiteral("Refresh File List"));
    Import1->setEnabled(importEnabled_);

    PopupMenuPath = new QMenu(this);
    PopupMenuPath->setObjectName(QStringLiteral("PopupMenuPath"));
    UsePathofCurrentFile1 = item(PopupMenuPath, "UsePathofCurrentFile1", QStringLiteral("Use Path of Current File"));
    ResetPathfromINI1 = item(PopupMenuPath, "ResetPathfromINI1", QStringLiteral("Reset Path from INI"));
    SetPathtoProgramDirectory1 =
        item(PopupMenuPath, "SetPathtoProgramDirectory1", QStringLiteral("Set Path to program directory"));

    connect(OpenFile1, &QAction::triggered, this, &FileListPanel::openSelected);
    connect(Import1, &QAction::triggered, this, &FileListPanel::importSelected);
    connect(RefreshFileList2, &QAction::triggered, this, &FileListPanel::refresh);
    connect(UsePathofCurrentFile1, &QAction::triggered, this, &FileListPanel::usePathOfCurrentFile);
    connect(ResetPathfromINI1, &QAction::triggered, this, &FileListPanel::resetPathFromIni);
    connect(SetPathtoProgramDirectory1, &QAction::triggered, this, &FileListPanel::setPathToProgramDirectory);

    connect(FileListBox1, &QListView::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenuList->popup(FileListBox1->viewport()->mapToGlobal(pos)); });
    connect(LabelList, &QLabel::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenuPath->popup(LabelList->mapToGlobal(pos)); });
    connect(FileListBox1, &QListView::doubleClicked, this, [this](const QModelIndex &index) {
        emit openRequested(QDir(directory_).filePath(index.data().toString()));
    });

    // Other programs copy files in by the thousand: a burst of changes is
    // gathered and read once, and a long copy refreshes at most every
    // ChangeDelayMs.
    changeTimer_.setSingleShot(true);
    changeTimer_.setInterval(ChangeDelayMs);
    connect(&changeTimer_, &QTimer::timeout, this, &FileListPanel::refresh);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (!changeTimer_.isActive())
            changeTimer_.start();
    });
    connect(&document_, &Document::workingDirectoryChanged, this, &FileListPanel::workingDirectoryChanged);

    // Numbers by value ("Preset 9" before "Preset 10"). The C locale has no
    // collation rules at all, so it falls back to English ones.
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    collator_ = QCollator(locale);
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
    collator_.setNumericMode(true);
}

FileListPanel::~FileListPanel() = default;

bool FileListPanel::run(const std::function<void()> &body)
{
    return guarded(prompter_, document_.applicationTitle(), body);
}

void FileListPanel::setImportEnabled(bool on)
{
    importEnabled_ = on;
    Import1->setEnabled(on);
}

QString FileListPanel::selectedFile() const
{
    const QModelIndexList selected = FileListBox1->selectionModel()->selectedIndexes();
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
        FileListBox1->clearSelection();
        return false;
    }
    FileListBox1->selectionModel()->setCurrentIndex(model_->index(int(row)), QItemSelectionModel::ClearAndSelect);
    return true;
}

QString FileListPanel::titleDirectory(const QString &titleName)
{
    const qsizetype slash = titleName.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return {};
    return slash == 0 ? QStringLiteral("/") : titleName.left(slash);
}

// ---- Reading the directory

void FileListPanel::refresh()
{
    // What the timer would read now is read here.
    changeTimer_.stop();
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

QStringList FileListPanel::readDirectory(const QString &dir)
{
    // Filtered and sorted here rather than by QDir, which builds and sorts
    // a QFileInfo per entry and takes three times as long.
    QStringList names;
    QDirIterator it(dir, QDir::Files);
    while (it.hasNext()) {
        it.next();
        QString name = it.fileName();
        if (name.endsWith(Suffix, Qt::CaseInsensitive))
            names.append(std::move(name));
    }

    std::vector<std::pair<QCollatorSortKey, qsizetype>> keys;
    keys.reserve(std::size_t(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i)
        keys.emplace_back(collator_.sortKey(names[i]), i);
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
    const QModelIndex top = FileListBox1->indexAt(QPoint(0, 0));
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
            FileListBox1->scrollTo(model_->index(int(row)), QAbstractItemView::PositionAtTop);
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
            throw QuorvexError(QStringLiteral("Can't open the folder '") + text + QLatin1Char('\''));
    }
    LabelList->setText(text);
    document_.setOpenDialogDirectory(text);
    refresh();
}

void FileListPanel::usePathOfCurrentFile()
{
    run([this] {
        setPath(titleDirectory(document_.titleName()));
        emit saveBackDisabled();
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
            const Prompter::Button answer = prompter_.question(
                QStringLiteral("Confirm File Delete"),
                QStringLiteral("Are you sure you want to delete '") + path + QStringLiteral("'?"),
                {Prompter::Button::Yes, Prompter::Button::No});
            QFile file(path);
            if (answer == Prompter::Button::Yes && !path.isEmpty() && !file.remove())
                failure = QStringLiteral("Can't delete file:\n") + path + QLatin1Char('\n') + file.errorString();
        } else if (!path.isEmpty()) {
            // Without the per-user data directory, Qt 6.4 makes the trash's
            // files/ and info/ in the current directory and moves the file
            // there.
            const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
            QFile file(path);
            if (data.isEmpty() || !QDir().mkpath(data) || !file.moveToTrash()) {
                failure = QStringLiteral("Can't move file to the trash:\n") + path;
                if (!file.errorString().isEmpty() && file.error() != QFileDevice::NoError)
                    failure += QLatin1Char('\n') + file.errorString();
            }
        }
        refresh();
        if (!failure.isEmpty())
            throw QuorvexError(failure);
    });
}

bool FileListPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != FileListBox1)
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/setlistwindow.h"

#include "files/presetfile.h"
#include "library/library.h"
#include "library/libraryindexfile.h"
#include "midi/midibackend.h"
#include "model/quorvexerror.h"
#include "session/commandqueue.h"
#include "session/document.h"
#include "session/documentfiles.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { Number, Song, Preset, Note, Found, ColumnCount };
enum Role { FileRole = Qt::UserRole, SlotRole, HashRole };

const QString Connection = QStringLiteral("setlist-window");

// The list: rows move by drag inside it, presets come in by drag from the
// library and the file list.
class SetlistTree : public QTreeWidget {
public:
    std::function<void(const QByteArray &rows, const QList<QUrl> &urls, int before)> dropped;

    explicit SetlistTree(QWidget *parent) : QTreeWidget(parent)
    {
        setRootIsDecorated(false);
        setDragDropMode(QAbstractItemView::DragDrop);
        setDefaultDropAction(Qt::MoveAction);
        setSelectionMode(QAbstractItemView::ExtendedSelection);
        setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                        QAbstractItemView::AnyKeyPressed);
        setAlternatingRowColors(true);
    }

protected:
    bool fromOutside(const QMimeData *mime) const
    {
        return mime->hasFormat(QLatin1String(LibraryRowsMimeType)) || mime->hasUrls();
    }
    void dragEnterEvent(QDragEnterEvent *event) override
    {
        if (event->source() != this && fromOutside(event->mimeData()))
            event->acceptProposedAction();
        else
            QTreeWidget::dragEnterEvent(event);
    }
    void dragMoveEvent(QDragMoveEvent *event) override
    {
        if (event->source() != this && fromOutside(event->mimeData()))
            event->acceptProposedAction();
        else
            QTreeWidget::dragMoveEvent(event);
    }
    void dropEvent(QDropEvent *event) override
    {
        if (event->source() == this) {
            QTreeWidget::dropEvent(event);
            return;
        }
        const QModelIndex at = indexAt(event->position().toPoint());
        int before = at.isValid() ? at.row() : topLevelItemCount();
        if (at.isValid() && dropIndicatorPosition() == QAbstractItemView::BelowItem)
            ++before;
        if (dropped)
            dropped(event->mimeData()->data(QLatin1String(LibraryRowsMimeType)), event->mimeData()->urls(), before);
        event->acceptProposedAction();
    }
};

QLabel *bigLabel(int pointSize, bool bold, QWidget *parent)
{
    auto *label = new QLabel(parent);
    QFont font = label->font();
    font.setPointSize(pointSize);
    font.setBold(bold);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

} // namespace

SetlistWindow::SetlistWindow(Library &library, Prompter &prompter, LibraryHooks hooks, Ports ports, QWidget *parent)
    : QMainWindow(parent), library_(library), prompter_(prompter), hooks_(std::move(hooks)), ports_(std::move(ports))
{
    setObjectName(QStringLiteral("SetlistWindow"));
    player_ = std::make_unique<SetlistPlayer>([this](const SetlistPlace &place, bool ask, SetlistPlayer::Done done) {
        if (!hooks_.play) {
            done(false, false);
            return;
        }
        hooks_.play(place.path, place.slot, ask, std::move(done));
    });
    connect(player_.get(), &SetlistPlayer::positionChanged, this, &SetlistWindow::updatePlayView);
    connect(player_.get(), &SetlistPlayer::shown, this, &SetlistWindow::updatePlayView);
    connect(player_.get(), &SetlistPlayer::learned, this, [this] { updatePlayView(); });
    pages_ = new QStackedWidget(this);
    setCentralWidget(pages_);
    buildEditor();
    buildPlayView();
    status_ = new QLabel(this);
    statusBar()->addWidget(status_, 1);
    resize(720, 480);
    updateTitle();
}

decltype(LibraryHooks::play) SetlistWindow::playThrough(CommandQueue &queue, const Document &document,
                                                        DocumentFiles &files)
{
    return [&queue, &document, &files](const QString &path, int slot, bool ask, std::function<void(bool, bool)> done) {
        queue.post(QStringLiteral("setlist step"), CommandQueue::Needs::NoDialog,
                   [&queue, &document, &files, path, slot, ask, done] {
                       const bool unsaved = document.isModified();
                       bool shown = false;
                       queue.run([&] {
                           if (ask)
                               files.askToSave();
                           shown = files.openNamed(path, slot);
                       });
                       done(shown, ask && unsaved);
                   });
    };
}

SetlistWindow::~SetlistWindow()
{
    player_.reset();
    LibraryIndexFile::close(Connection);
}

void SetlistWindow::buildEditor()
{
    auto *page = new QWidget(pages_);
    auto *layout = new QVBoxLayout(page);
    tree_ = new SetlistTree(page);
    tree_->setObjectName(QStringLiteral("SetlistEntries"));
    tree_->setHeaderLabels({QStringLiteral("#"), tr("Song"), tr("Preset"), tr("Note"), tr("Found")});
    tree_->header()->setSectionResizeMode(Number, QHeaderView::ResizeToContents);
    tree_->header()->setSectionResizeMode(Song, QHeaderView::Stretch);
    tree_->header()->setSectionResizeMode(Preset, QHeaderView::Stretch);
    static_cast<SetlistTree *>(tree_)->dropped = [this](const QByteArray &rows, const QList<QUrl> &urls, int before) {
        takeDrop(rows, urls, before);
    };
    // A move by drag, or a name typed in place.
    connect(tree_->model(), &QAbstractItemModel::rowsMoved, this, [this] {
        renumber();
        setModified(true);
    });
    connect(tree_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *, int column) {
        if (column == Song || column == Note)
            setModified(true);
    });
    layout->addWidget(tree_);

    auto *buttons = new QHBoxLayout;
    auto button = [&](const QString &text, auto slot) {
        auto *b = new QPushButton(text, page);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        return b;
    };
    button(tr("Add Editor's Preset"), [this] {
        // The file the editor shows, as the library names it.
        if (!hooks_.currentRecord || !hooks_.currentFile)
            return;
        const auto record = hooks_.currentRecord();
        const auto [file, slot] = hooks_.currentFile();
        if (!record || file.isEmpty() || !addPreset(file, slot, *record))
            status_->setText(tr("The editor's preset is not saved in a file: save it first."));
    });
    button(tr("Remove"), [this] {
        const QList<QTreeWidgetItem *> items = tree_->selectedItems();
        for (QTreeWidgetItem *item : items)
            delete item;
        if (!items.isEmpty()) {
            renumber();
            setModified(true);
        }
    });
    button(tr("Check"), [this] {
        const QStringList missing = check();
        status_->setText(missing.isEmpty() ? tr("Every preset is found.") : tr("%1 not found.").arg(missing.size()));
        if (!missing.isEmpty())
            prompter_.notice(tr("Check"), missing.join(QLatin1Char('\n')), Prompter::Icon::Warning);
    });
    buttons->addStretch();
    button(tr("Play"), [this] {
        const QList<QTreeWidgetItem *> items = tree_->selectedItems();
        play(items.isEmpty() ? 0 : tree_->indexOfTopLevelItem(items.first()));
    });
    layout->addLayout(buttons);
    pages_->addWidget(page);

    QMenu *file = menuBar()->addMenu(tr("&Setlist"));
    file->addAction(tr("&New"), QKeySequence::New, this, [this] {
        if (askToSave())
            setSetlist({}, {});
    });
    file->addAction(tr("&Open..."), QKeySequence::Open, this, &SetlistWindow::openChosen);
    file->addAction(tr("&Save"), QKeySequence::Save, this, &SetlistWindow::save);
    file->addAction(tr("Save &As..."), QKeySequence::SaveAs, this, &SetlistWindow::saveAs);
    file->addSeparator();
    file->addAction(tr("&Close"), QKeySequence::Close, this, &QWidget::close);
}

void SetlistWindow::buildPlayView()
{
    auto *page = new QWidget(pages_);
    page->setObjectName(QStringLiteral("SetlistPlayView"));
    auto *layout = new QVBoxLayout(page);
    position_ = bigLabel(14, false, page);
    song_ = bigLabel(44, true, page);
    preset_ = bigLabel(28, false, page);
    next_ = bigLabel(20, false, page);
    next_->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(position_);
    layout->addStretch();
    layout->addWidget(song_);
    layout->addWidget(preset_);
    layout->addStretch();
    layout->addWidget(next_);

    auto *foot = new QHBoxLayout;
    foot->addWidget(new QLabel(tr("Foot controller:"), page));
    footPort_ = new QComboBox(page);
    footPort_->setFocusPolicy(Qt::NoFocus);
    // Port names are long and alike at the start: keep room for their ends.
    footPort_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    footPort_->setMinimumContentsLength(24);
    connect(footPort_, &QComboBox::activated, this, &SetlistWindow::chooseFootPort);
    foot->addWidget(footPort_, 1);
    for (const auto &[text, what] : {std::pair{tr("Learn Next"), SetlistPlayer::Learning::Next},
                                     std::pair{tr("Learn Previous"), SetlistPlayer::Learning::Previous}}) {
        auto *learn = new QPushButton(text, page);
        learn->setFocusPolicy(Qt::NoFocus);
        connect(learn, &QPushButton::clicked, this, [this, what = what] {
            player_->learn(what);
            updatePlayView();
        });
        foot->addWidget(learn);
    }
    footTriggers_ = new QLabel(page);
    foot->addWidget(footTriggers_, 1);
    auto *back = new QPushButton(tr("Stop"), page);
    back->setFocusPolicy(Qt::NoFocus);
    connect(back, &QPushButton::clicked, this, &SetlistWindow::stopPlaying);
    foot->addWidget(back);
    layout->addLayout(foot);
    pages_->addWidget(page);
}

Setlist SetlistWindow::setlist() const
{
    Setlist list;
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = tree_->topLevelItem(i);
        SetlistEntry e;
        e.file = item->data(Preset, FileRole).toString();
        e.slot = item->data(Preset, SlotRole).toInt();
        const QVariant hash = item->data(Preset, HashRole);
        if (hash.isValid())
            e.hash = hash.toLongLong();
        e.song = item->text(Song);
        e.note = item->text(Note);
        list.entries.push_back(std::move(e));
    }
    return list;
}

void SetlistWindow::setSetlist(const Setlist &list, const QString &path)
{
    stopPlaying();
    const QSignalBlocker block(tree_);
    tree_->clear();
    path_ = path;
    for (const SetlistEntry &e : list.entries) {
        auto *item = new QTreeWidgetItem(tree_);
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemIsDragEnabled);
        item->setText(Song, e.song);
        item->setText(Note, e.note);
        item->setText(Preset, QFileInfo(e.file).fileName() +
                                  (e.slot >= 0 ? QLatin1Char(' ') + setlistfile::slotName(e.slot) : QString()));
        item->setToolTip(Preset, e.file);
        item->setData(Preset, FileRole, e.file);
        item->setData(Preset, SlotRole, e.slot);
        if (e.hash)
            item->setData(Preset, HashRole, *e.hash);
    }
    renumber();
    setModified(false);
}

SetlistEntry SetlistWindow::entryFor(const QString &file, int slot, const preset::Record &record) const
{
    // Relative to the setlist's file; absolute until it has one, made
    // relative when it is saved.
    SetlistEntry e = SetlistResolver::entryFor(file, slot, record, path_.isEmpty() ? file : path_);
    if (path_.isEmpty())
        e.file = file;
    return e;
}

bool SetlistWindow::addPreset(const QString &file, int slot, const preset::Record &record)
{
    if (file.isEmpty())
        return false;
    Setlist list = setlist();
    const SetlistEntry e = entryFor(file, slot, record);
    list.entries.push_back(e);
    setSetlist(list, QString(path_));
    setModified(true);
    tree_->setCurrentItem(tree_->topLevelItem(tree_->topLevelItemCount() - 1));
    return true;
}

void SetlistWindow::takeDrop(const QByteArray &rows, const QList<QUrl> &urls, int before)
{
    Setlist list = setlist();
    std::vector<SetlistEntry> added;
    QStringList refused;
    for (const QJsonValue v : QJsonDocument::fromJson(rows).array()) {
        const QJsonObject o = v.toObject();
        const QByteArray bytes = QByteArray::fromHex(o.value(QStringLiteral("record")).toString().toLatin1());
        if (bytes.size() != preset::RecordSize)
            continue;
        preset::Record record;
        std::copy(bytes.begin(), bytes.end(), record.begin());
        added.push_back(
            entryFor(o.value(QStringLiteral("path")).toString(), o.value(QStringLiteral("slot")).toInt(-1), record));
    }
    for (const QUrl &url : urls) {
        const QString file = url.toLocalFile();
        try {
            const files::PresetFile f = files::readPresetFile(file, false);
            if (f.kind != files::Kind::Single) {
                refused << QFileInfo(file).fileName();
                continue;
            }
            preset::Record record;
            std::copy_n(f.data.begin(), preset::RecordSize, record.begin());
            added.push_back(entryFor(file, -1, record));
        } catch (const QuorvexError &) {
            refused << QFileInfo(file).fileName();
        }
    }
    before = std::clamp(before, 0, int(list.entries.size()));
    list.entries.insert(list.entries.begin() + before, added.begin(), added.end());
    setSetlist(list, path_);
    setModified(!added.empty() || modified_);
    if (!refused.isEmpty())
        status_->setText(
            tr("Not added (drag a group's presets from the library): %1").arg(refused.join(QStringLiteral(", "))));
}

void SetlistWindow::renumber()
{
    for (int i = 0; i < tree_->topLevelItemCount(); ++i)
        tree_->topLevelItem(i)->setText(Number, QString::number(i + 1));
}

void SetlistWindow::setModified(bool modified)
{
    modified_ = modified;
    updateTitle();
}

void SetlistWindow::updateTitle()
{
    const QString name = path_.isEmpty() ? tr("New Setlist") : QFileInfo(path_).fileName();
    setWindowTitle(tr("Setlist - %1%2").arg(name, modified_ ? QStringLiteral(" *") : QString()));
}

std::vector<SetlistPlace> SetlistWindow::resolve(const Setlist &list)
{
    QSqlDatabase db = QSqlDatabase::database(Connection, false);
    if (!db.isOpen() && library_.isOpen() && LibraryIndexFile::attach(library_.indexPath(), Connection, true))
        db = QSqlDatabase::database(Connection, false);
    const QString where = path_.isEmpty() ? library_.roots().data + QStringLiteral("/x.qvset") : path_;
    return SetlistResolver(db, library_.roots()).resolve(list, where);
}

QString SetlistWindow::placeName(const SetlistPlace &place) const
{
    if (place.state == SetlistPlace::Missing)
        return tr("(not found)");
    const QString name = QFileInfo(place.path).completeBaseName();
    return place.slot >= 0 ? name + QLatin1Char(' ') + setlistfile::slotName(place.slot) : name;
}

QStringList SetlistWindow::check()
{
    const Setlist list = setlist();
    const std::vector<SetlistPlace> places = resolve(list);
    QStringList missing;
    const QSignalBlocker block(tree_);
    for (std::size_t i = 0; i < places.size(); ++i) {
        const SetlistPlace &p = places[i];
        QTreeWidgetItem *item = tree_->topLevelItem(int(i));
        static const char *const states[] = {QT_TR_NOOP("Yes"), QT_TR_NOOP("Moved"), QT_TR_NOOP("Changed"),
                                             QT_TR_NOOP("Missing")};
        item->setText(Found, tr(states[p.state]));
        item->setToolTip(Found, p.state == SetlistPlace::Moved ? p.path : p.why);
        item->setForeground(Found, p.state == SetlistPlace::Missing ? QBrush(Qt::red) : QBrush());
        if (p.state == SetlistPlace::Missing)
            missing << QStringLiteral("%1 %2: %3").arg(i + 1).arg(list.entries[i].song, p.why);
    }
    return missing;
}

void SetlistWindow::play(int at)
{
    const Setlist list = setlist();
    if (list.entries.empty())
        return;
    check();
    player_->start(resolve(list), at);
    if (ports_.names && footPort_->count() == 0) {
        footPort_->addItem(tr("(none)"));
        footPort_->addItems(ports_.names());
    }
    pages_->setCurrentIndex(1);
    setFocus();
    updatePlayView();
    player_->go(at);
}

void SetlistWindow::stopPlaying()
{
    if (!player_->isPlaying())
        return;
    player_->stop();
    if (isFullScreen())
        showNormal();
    pages_->setCurrentIndex(0);
    if (QTreeWidgetItem *item = tree_->topLevelItem(player_->position()))
        tree_->setCurrentItem(item);
}

bool SetlistWindow::isPlaying() const
{
    return player_->isPlaying();
}

void SetlistWindow::updatePlayView()
{
    const int at = player_->position();
    const Setlist list = setlist();
    auto song = [&](int i) {
        const QString s = i < int(list.entries.size()) ? list.entries[std::size_t(i)].song : QString();
        return s.isEmpty() ? tr("Song %1").arg(i + 1) : s;
    };
    position_->setText(tr("%1 of %2").arg(at + 1).arg(player_->count()));
    if (const SetlistPlace *p = player_->place(at)) {
        song_->setText(song(at));
        preset_->setText(placeName(*p));
    }
    if (const SetlistPlace *p = player_->place(at + 1))
        next_->setText(tr("Next: %1 - %2").arg(song(at + 1), placeName(*p)));
    else
        next_->setText(tr("End of the setlist"));
    QString triggers;
    switch (player_->learning()) {
    case SetlistPlayer::Learning::Next: triggers = tr("Press the switch for Next..."); break;
    case SetlistPlayer::Learning::Previous: triggers = tr("Press the switch for Previous..."); break;
    case SetlistPlayer::Learning::Nothing: {
        const QString next = player_->nextTrigger().text(), previous = player_->previousTrigger().text();
        if (!next.isEmpty() || !previous.isEmpty())
            triggers = tr("Next: %1  Previous: %2")
                           .arg(next.isEmpty() ? QStringLiteral("-") : next,
                                previous.isEmpty() ? QStringLiteral("-") : previous);
        break;
    }
    }
    footTriggers_->setText(triggers);
}

void SetlistWindow::chooseFootPort(int index)
{
    if (!ports_.open)
        return;
    QString why;
    if (index <= 0) {
        player_->listen(nullptr, 0);
        return;
    }
    if (!player_->listen(ports_.open(), index - 1, &why)) {
        status_->setText(why);
        footPort_->setCurrentIndex(0);
    }
}

void SetlistWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F11) {
        isFullScreen() ? showNormal() : showFullScreen();
        return;
    }
    if (!player_->isPlaying()) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_PageDown: player_->step(1); break;
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_PageUp:
    case Qt::Key_Backspace: player_->step(-1); break;
    case Qt::Key_Escape: stopPlaying(); break;
    default: QMainWindow::keyPressEvent(event);
    }
}

bool SetlistWindow::openFile(const QString &path)
{
    try {
        const setlistfile::Read read = setlistfile::read(path);
        setSetlist(read.list, path);
        updateTitle();
        const QStringList missing = check();
        QStringList problems = read.problems;
        problems << missing;
        status_->setText(missing.isEmpty() ? QString() : tr("%1 not found.").arg(missing.size()));
        if (!problems.isEmpty())
            prompter_.notice(tr("Open Setlist"),
                             QStringLiteral("%1:\n%2").arg(path, problems.mid(0, 30).join(QLatin1Char('\n'))) +
                                 (problems.size() > 30 ? tr("\n... and %1 more").arg(problems.size() - 30) : QString()),
                             Prompter::Icon::Warning);
        return true;
    } catch (const QuorvexError &e) {
        prompter_.notice(tr("Open Setlist"), e.message(), Prompter::Icon::Warning);
        return false;
    }
}

void SetlistWindow::openChosen()
{
    if (!askToSave())
        return;
    const QString path = prompter_.openFileName(tr("Open Setlist"), library_.roots().data, tr("Setlists (*.qvset)"));
    if (!path.isEmpty())
        openFile(path);
}

bool SetlistWindow::saveTo(const QString &path)
{
    Setlist list = setlist();
    // Entries added before the setlist had a place go relative to it now.
    for (SetlistEntry &e : list.entries)
        if (QFileInfo(e.file).isAbsolute())
            e.file = QDir(QFileInfo(path).absolutePath()).relativeFilePath(e.file);
    try {
        setlistfile::write(path, list);
    } catch (const QuorvexError &e) {
        prompter_.notice(tr("Save Setlist"), e.message(), Prompter::Icon::Warning);
        return false;
    }
    setSetlist(list, path);
    return true;
}

bool SetlistWindow::save()
{
    return path_.isEmpty() ? saveAs() : saveTo(path_);
}

bool SetlistWindow::saveAs()
{
    QString path = prompter_.saveFileName(
        tr("Save Setlist"), path_.isEmpty() ? library_.roots().data : QFileInfo(path_).absolutePath(),
        tr("Setlists (*.qvset)"), path_.isEmpty() ? QStringLiteral("Setlist.qvset") : QFileInfo(path_).fileName());
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".qvset");
    return saveTo(path);
}

bool SetlistWindow::askToSave()
{
    if (!modified_)
        return true;
    const auto answer = prompter_.question(tr("Setlist"), tr("Save changes to the setlist?"),
                                           {Prompter::Button::Yes, Prompter::Button::No, Prompter::Button::Cancel});
    return answer == Prompter::Button::No || (answer == Prompter::Button::Yes && save());
}

void SetlistWindow::closeEvent(QCloseEvent *event)
{
    if (!askToSave()) {
        event->ignore();
        return;
    }
    stopPlaying();
    event->accept();
}

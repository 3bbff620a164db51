// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/librarywindow.h"

#include "library/comparewindow.h"
#include "library/duplicateswindow.h"
#include "library/library.h"
#include "library/librarytablemodel.h"
#include "library/tagsdialog.h"
#include "session/presettrash.h"
#include "session/prompter.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QTableView>
#include <QVBoxLayout>

namespace {

using Key = QPair<qint64, int>; // file and slot in the index: a row across searches

QString title()
{
    return LibraryWindow::tr("Library");
}

} // namespace

LibraryWindow::LibraryWindow(Library &library, Prompter &prompter, const LibraryHooks &hooks, QWidget *parent)
    : QWidget(parent, Qt::Window), library_(library), prompter_(prompter), hooks_(hooks),
      model_(new LibraryTableModel([&library](std::span<const LibrarySearch::Key> keys) { return library.rows(keys); },
                                   this))
{
    setObjectName(QStringLiteral("LibraryWindow"));
    setWindowTitle(title());

    EditSearch = new QLineEdit(this);
    EditSearch->setObjectName(QStringLiteral("EditSearch"));
    EditSearch->setPlaceholderText(tr("Search: words, \"a phrase\", model:clean cab:4x12 gain>20 "
                                      "delay:on tag:blues is:fav in:backups -word"));
    EditSearch->setClearButtonEnabled(true);
    ButtonAddFolder = new QPushButton(tr("Add Folder..."), this);
    ButtonAddFolder->setObjectName(QStringLiteral("ButtonAddFolder"));
    ButtonDuplicates = new QPushButton(tr("Find Duplicates"), this);
    ButtonDuplicates->setObjectName(QStringLiteral("ButtonDuplicates"));
    LabelExplanation = new QLabel(this);
    LabelExplanation->setObjectName(QStringLiteral("LabelExplanation"));
    LabelExplanation->setWordWrap(true);

    TablePresets = new QTableView(this);
    TablePresets->setObjectName(QStringLiteral("TablePresets"));
    TablePresets->setModel(model_);
    TablePresets->setSelectionBehavior(QAbstractItemView::SelectRows);
    TablePresets->setSelectionMode(QAbstractItemView::ExtendedSelection);
    TablePresets->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TablePresets->setDragEnabled(true);
    TablePresets->setDragDropMode(QAbstractItemView::DragOnly);
    TablePresets->setWordWrap(false);
    TablePresets->verticalHeader()->hide();
    TablePresets->verticalHeader()->setDefaultSectionSize(TablePresets->fontMetrics().height() + 6);
    TablePresets->horizontalHeader()->setSectionsClickable(true);
    TablePresets->horizontalHeader()->setSortIndicatorShown(true);
    TablePresets->horizontalHeader()->setSortIndicator(sortColumn_, Qt::AscendingOrder);
    TablePresets->horizontalHeader()->setStretchLastSection(true);
    TablePresets->setContextMenuPolicy(Qt::CustomContextMenu);
    TablePresets->installEventFilter(this);
    const int widths[LibraryColumns::Count] = {170, 150, 120, 110, 45, 80, 45, 50, 120, 70, 90, 150};
    for (int c = 0; c < LibraryColumns::Count; ++c)
        TablePresets->setColumnWidth(c, widths[c]);

    PopupMenuPresets = new QMenu(this);
    PopupMenuPresets->setObjectName(QStringLiteral("PopupMenuPresets"));
    auto action = [this](const char *name, const QString &caption, void (LibraryWindow::*handler)()) {
        QAction *a = PopupMenuPresets->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    ActionOpen = action("ActionOpen", tr("&Open"), &LibraryWindow::openSelected);
    ActionCompareCurrent =
        action("ActionCompareCurrent", tr("Compare &With Current"), &LibraryWindow::compareWithCurrent);
    ActionCompare = action("ActionCompare", tr("&Compare"), &LibraryWindow::compareSelected);
    ActionHear = action("ActionHear", tr("&Hear on Amp"), &LibraryWindow::hearSelected);
    ActionImport = action("ActionImport", tr("&Import to Tab"), &LibraryWindow::importSelected);
    ActionShowInFileList =
        action("ActionShowInFileList", tr("&Show in File List"), &LibraryWindow::showSelectedInFileList);
    actionAddToSetlist_ = action("ActionAddToSetlist", tr("&Add to Setlist"), &LibraryWindow::addToSetlist);
    PopupMenuPresets->addSeparator();
    ActionFavourite = action("ActionFavourite", tr("&Favourite"), &LibraryWindow::toggleFavourite);
    ActionFavourite->setCheckable(true);
    ActionTags = action("ActionTags", tr("&Tags..."), &LibraryWindow::editTags);
    PopupMenuPresets->addSeparator();
    ActionDelete = action("ActionDelete", tr("&Delete"), &LibraryWindow::deleteSelected);

    auto *top = new QHBoxLayout;
    top->addWidget(EditSearch, 1);
    top->addWidget(ButtonAddFolder);
    top->addWidget(ButtonDuplicates);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(LabelExplanation);
    layout->addWidget(TablePresets, 1);
    resize(1100, 560);

    typing_.setSingleShot(true);
    typing_.setInterval(TypingDelayMs);
    connect(&typing_, &QTimer::timeout, this, &LibraryWindow::search);
    connect(EditSearch, &QLineEdit::textChanged, this, [this] {
        markNote_.clear();
        typing_.start();
    });
    connect(EditSearch, &QLineEdit::returnPressed, this, &LibraryWindow::search);
    connect(TablePresets->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
            [this](int column, Qt::SortOrder order) {
                sortColumn_ = LibraryColumns::Column(column);
                descending_ = order == Qt::DescendingOrder;
                search();
            });
    connect(TablePresets, &QTableView::doubleClicked, this, &LibraryWindow::openSelected);
    connect(TablePresets, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        updateActions();
        PopupMenuPresets->popup(TablePresets->viewport()->mapToGlobal(pos));
    });
    connect(ButtonAddFolder, &QPushButton::clicked, this, &LibraryWindow::addLibraryFolder);
    connect(ButtonDuplicates, &QPushButton::clicked, this, &LibraryWindow::showDuplicates);
    connect(&library_, &Library::found, this, &LibraryWindow::found);
    // A selection the user makes replaces the one a search is bringing back.
    connect(TablePresets->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!restoring_)
            keep_.clear();
    });
    connect(&library_, &Library::changed, this, &LibraryWindow::search);
    // The line under the field says whether indexing still goes on. The
    // rows need no new search: the end of a pass comes with changed().
    connect(&library_, &Library::busyChanged, this, [this] {
        if (shown_)
            explain(*shown_);
    });
    updateActions();
    search();
}

void LibraryWindow::search()
{
    typing_.stop();
    library_.searchLater(EditSearch->text(), sortColumn_, descending_);
}

void LibraryWindow::found(quint64 token, const LibraryReader::Found &result)
{
    restoring_ = true;
    // Library answers only the newest search: the rest of its rows, and
    // the presets selected before it that are among them.
    if (token == shownToken_ && shown_ && !shown_->complete) {
        const int before = model_->rowCount();
        model_->addRows(result);
        shown_ = result;
        selectRows(model_->rowsOf(keep_, before), QItemSelectionModel::Select);
        keep_.clear();
        restoring_ = false;
        explain(*result);
        updateActions();
        emit shown();
        return;
    }
    // The same presets stay selected, wherever the new rows put them.
    for (const QModelIndex &i : TablePresets->selectionModel()->selectedRows()) {
        const LibrarySearch::Key k = model_->key(i.row());
        keep_.insert({k.file, k.slot});
    }
    model_->setRows(result);
    shown_ = result;
    shownToken_ = token;
    selectRows(model_->rowsOf(keep_));
    if (result->complete)
        keep_.clear();
    restoring_ = false;
    explain(*result);
    updateActions();
    emit shown();
}

void LibraryWindow::explain(const LibraryReader::Answer &answer)
{
    const LibrarySearch::Result &result = answer.first;
    QPalette palette = LabelExplanation->palette();
    palette.setColor(QPalette::WindowText,
                     result.error.isEmpty() ? this->palette().color(QPalette::WindowText) : Qt::darkRed);
    LabelExplanation->setPalette(palette);
    if (!result.error.isEmpty()) {
        LabelExplanation->setText(result.error);
        return;
    }
    const std::size_t n = answer.size();
    QString text = !answer.complete ? tr("At least %1 presets").arg(n)
                   : n == 1         ? tr("1 preset")
                                    : tr("%1 presets").arg(n);
    if (!result.hint.isEmpty())
        text += QStringLiteral(". ") + result.hint;
    if (library_.isBusy())
        text += tr(" (the library is being indexed)");
    if (!markNote_.isEmpty())
        text += QStringLiteral(". ") + markNote_;
    LabelExplanation->setText(text);
}

std::vector<LibraryEntry> LibraryWindow::selection() const
{
    QModelIndexList rows = TablePresets->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    std::vector<LibraryEntry> entries;
    for (const QModelIndex &i : rows)
        if (const LibraryEntry *e = model_->entry(i.row()))
            entries.push_back(*e);
    return entries;
}

void LibraryWindow::selectRows(const QList<int> &rows, QItemSelectionModel::SelectionFlags how)
{
    // Rows next to each other in one range: a long selection stays cheap.
    QItemSelection selection;
    for (qsizetype i = 0; i < rows.size();) {
        qsizetype last = i;
        while (last + 1 < rows.size() && rows[last + 1] == rows[last] + 1)
            ++last;
        selection.select(model_->index(rows[i], 0), model_->index(rows[last], LibraryColumns::Count - 1));
        i = last + 1;
    }
    TablePresets->selectionModel()->select(selection, how);
    if (!rows.isEmpty() && how == QItemSelectionModel::ClearAndSelect)
        TablePresets->selectionModel()->setCurrentIndex(model_->index(rows.first(), 0), QItemSelectionModel::NoUpdate);
}

void LibraryWindow::updateActions()
{
    const std::vector<LibraryEntry> chosen = selection();
    int readable = 0, favourites = 0;
    for (const LibraryEntry &e : chosen) {
        readable += e.readable() ? 1 : 0;
        favourites += e.readable() && e.favourite ? 1 : 0;
    }
    const bool one = chosen.size() == 1 && readable == 1;
    ActionOpen->setEnabled(one && bool(hooks_.open));
    ActionCompareCurrent->setEnabled(one && bool(hooks_.currentRecord));
    ActionCompare->setEnabled(chosen.size() == 2 && readable == 2);
    ActionHear->setEnabled(one && bool(hooks_.hear));
    ActionImport->setEnabled(one && hooks_.importToSlot && hooks_.groupView && hooks_.groupView());
    ActionShowInFileList->setEnabled(chosen.size() == 1 && bool(hooks_.showInFileList));
    actionAddToSetlist_->setEnabled(readable > 0 && bool(hooks_.addToSetlist));
    ActionFavourite->setEnabled(readable > 0);
    ActionFavourite->setChecked(readable > 0 && favourites == readable);
    ActionTags->setEnabled(readable > 0);
    ActionDelete->setEnabled(!chosen.empty());
}

void LibraryWindow::openSelected()
{
    const std::vector<LibraryEntry> chosen = selection();
    if (chosen.size() == 1 && chosen[0].readable() && hooks_.open)
        hooks_.open(chosen[0].path, chosen[0].slot);
}

void LibraryWindow::compare(const QString &nameA, const preset::Record &a, const QString &nameB,
                            const preset::Record &b)
{
    auto *window = new CompareWindow(hooks_, nameA, a, nameB, b, this);
    window->show();
}

void LibraryWindow::compareWithCurrent()
{
    const std::vector<LibraryEntry> chosen = selection();
    if (chosen.size() != 1 || !chosen[0].readable() || !hooks_.currentRecord)
        return;
    if (const std::optional<preset::Record> current = hooks_.currentRecord())
        compare(chosen[0].name(), chosen[0].record, hooks_.currentName ? hooks_.currentName() : tr("Current preset"),
                *current);
}

void LibraryWindow::compareSelected()
{
    const std::vector<LibraryEntry> chosen = selection();
    if (chosen.size() == 2 && chosen[0].readable() && chosen[1].readable())
        compare(chosen[0].name(), chosen[0].record, chosen[1].name(), chosen[1].record);
}

void LibraryWindow::hearSelected()
{
    const std::vector<LibraryEntry> chosen = selection();
    if (chosen.size() == 1 && chosen[0].readable())
        hearing_.hear(hooks_, chosen[0].record);
}

void LibraryWindow::importSelected()
{
    const std::vector<LibraryEntry> chosen = selection();
    if (chosen.size() == 1 && chosen[0].readable() && hooks_.importToSlot)
        hooks_.importToSlot(-1, chosen[0].record);
}

void LibraryWindow::showSelectedInFileList()
{
    const std::vector<LibraryEntry> chosen = selection();
    if (chosen.size() == 1 && hooks_.showInFileList)
        hooks_.showInFileList(chosen[0].path);
}

void LibraryWindow::addToSetlist()
{
    if (!hooks_.addToSetlist)
        return;
    for (const LibraryEntry &e : selection())
        if (e.readable())
            hooks_.addToSetlist(e.path, e.slot, e.record);
}

void LibraryWindow::toggleFavourite()
{
    QList<qint64> hashes;
    bool all = true;
    for (const LibraryEntry &e : selection()) {
        if (!e.readable())
            continue;
        hashes << e.hash;
        all = all && e.favourite;
    }
    if (hashes.isEmpty())
        return;
    library_.setFavourite(hashes, !all);
    tellMarked(hashes, int(selection().size()), all ? tr("Favourite taken away") : tr("Favourite"));
}

void LibraryWindow::tellMarked(const QList<qint64> &hashes, int chosen, const QString &what)
{
    // Marks go by content: every copy of these presets elsewhere gets them
    // too. Said under the count until the next search is typed.
    const int others = library_.presetsHolding(hashes) - chosen;
    markNote_ = others == 1  ? tr("%1: also marks 1 identical preset elsewhere.").arg(what)
                : others > 0 ? tr("%1: also marks %2 identical presets elsewhere.").arg(what).arg(others)
                             : QString();
}

void LibraryWindow::editTags()
{
    // The tags all chosen presets share are shown; what is added or taken
    // away there is added to or taken from each, their other tags kept.
    std::vector<LibraryEntry> chosen = selection();
    std::erase_if(chosen, [](const LibraryEntry &e) { return !e.readable(); });
    if (chosen.empty())
        return;
    QStringList common = chosen[0].tags;
    for (const LibraryEntry &e : chosen)
        common.removeIf([&](const QString &t) { return !e.tags.contains(t, Qt::CaseInsensitive); });
    TagsDialog dialog(common, library_.allTags(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QStringList wanted = dialog.tags();
    QHash<QString, QPair<QStringList, QList<qint64>>> byResult;
    for (const LibraryEntry &e : chosen) {
        QStringList tags = e.tags;
        tags.removeIf([&](const QString &t) {
            return common.contains(t, Qt::CaseInsensitive) && !wanted.contains(t, Qt::CaseInsensitive);
        });
        for (const QString &t : wanted)
            if (!tags.contains(t, Qt::CaseInsensitive))
                tags << t;
        auto &group = byResult[tags.join(QLatin1Char('\n'))];
        group.first = tags;
        if (!group.second.contains(e.hash))
            group.second << e.hash;
    }
    QList<qint64> hashes;
    for (const auto &group : std::as_const(byResult)) {
        library_.setTags(group.second, group.first);
        hashes << group.second;
    }
    tellMarked(hashes, int(chosen.size()), tr("Tags"));
}

void LibraryWindow::deleteSelected()
{
    const QStringList moved = PresetTrash::moveToTrash(prompter_, title(), selection());
    if (!moved.isEmpty())
        library_.filesChanged(moved);
}

void LibraryWindow::addLibraryFolder()
{
    const QString folder = prompter_.folderName(tr("Add Folder"), QDir::homePath());
    if (!folder.isEmpty())
        library_.addFolder(folder);
}

void LibraryWindow::showDuplicates()
{
    auto *window = new DuplicatesWindow(library_, prompter_, hooks_, this);
    window->show();
}

bool LibraryWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == TablePresets && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            openSelected();
            return true;
        }
        if (key->key() == Qt::Key_Delete) {
            updateActions();
            if (ActionDelete->isEnabled())
                deleteSelected();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void LibraryWindow::closeEvent(QCloseEvent *event)
{
    // A preset heard from here leaves the Amp playing the editor's again.
    hearing_.restore(hooks_);
    event->accept();
}

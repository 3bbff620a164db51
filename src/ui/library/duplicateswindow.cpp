// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/duplicateswindow.h"

#include "library/duplicatefinder.h"
#include "library/library.h"
#include "session/presettrash.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace {
// Where a preset's item keeps its place in groups_.
constexpr int GroupRole = Qt::UserRole, PresetRole = Qt::UserRole + 1;
} // namespace

DuplicatesWindow::DuplicatesWindow(Library &library, Prompter &prompter, const LibraryHooks &hooks, QWidget *parent)
    : QWidget(parent, Qt::Window), library_(library), prompter_(prompter), hooks_(hooks)
{
    setObjectName(QStringLiteral("DuplicatesWindow"));
    setWindowTitle(tr("Duplicates"));
    setAttribute(Qt::WA_DeleteOnClose);

    SpinDifferences = new QSpinBox(this);
    SpinDifferences->setObjectName(QStringLiteral("SpinDifferences"));
    SpinDifferences->setRange(0, DuplicateFinder::MostDifferences);
    SpinDifferences->setValue(DuplicateFinder::DefaultMaxDifferences);
    ButtonFind = new QPushButton(tr("Find"), this);
    ButtonFind->setObjectName(QStringLiteral("ButtonFind"));
    ButtonOpen = new QPushButton(tr("Open"), this);
    ButtonOpen->setObjectName(QStringLiteral("ButtonOpen"));
    ButtonDelete = new QPushButton(tr("Delete..."), this);
    ButtonDelete->setObjectName(QStringLiteral("ButtonDelete"));
    LabelStatus = new QLabel(this);
    LabelStatus->setObjectName(QStringLiteral("LabelStatus"));
    TreeGroups = new QTreeWidget(this);
    TreeGroups->setObjectName(QStringLiteral("TreeGroups"));
    TreeGroups->setHeaderLabels({tr("Name"), tr("Folder"), tr("Differs in")});
    TreeGroups->setSelectionMode(QAbstractItemView::ExtendedSelection);

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Parameters that may differ:"), this));
    top->addWidget(SpinDifferences);
    top->addWidget(ButtonFind);
    top->addStretch(1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(LabelStatus, 1);
    bottom->addWidget(ButtonOpen);
    bottom->addWidget(ButtonDelete);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(TreeGroups, 1);
    layout->addLayout(bottom);
    resize(640, 480);
    auto *escape = new QShortcut(QKeySequence::Cancel, this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    connect(ButtonFind, &QPushButton::clicked, this, &DuplicatesWindow::findDuplicates);
    connect(ButtonOpen, &QPushButton::clicked, this, &DuplicatesWindow::openChosen);
    connect(ButtonDelete, &QPushButton::clicked, this, &DuplicatesWindow::deleteChosen);
    connect(TreeGroups, &QTreeWidget::itemSelectionChanged, this, &DuplicatesWindow::selectionChanged);
    connect(TreeGroups, &QTreeWidget::itemDoubleClicked, this, [this] { openChosen(); });
    connect(&watcher_, &QFutureWatcher<DuplicateReport::Found>::finished, this, &DuplicatesWindow::found);
    selectionChanged();
    findDuplicates();
}

DuplicatesWindow::~DuplicatesWindow()
{
    cancel_ = true;
    watcher_.waitForFinished();
}

void DuplicatesWindow::findDuplicates()
{
    if (watcher_.isRunning())
        return;
    cancel_ = false;
    ButtonFind->setEnabled(false);
    LabelStatus->setText(tr("Looking for duplicates..."));
    // Before the index is open its path may name a file that is not an index.
    const QString index = library_.isOpen() ? library_.indexPath() : QString();
    watcher_.setFuture(QtConcurrent::run(&DuplicateReport::fromIndex, index, SpinDifferences->value(), &cancel_));
}

void DuplicatesWindow::found()
{
    ButtonFind->setEnabled(true);
    const DuplicateReport::Found result = watcher_.result();
    groups_ = result.groups;
    TreeGroups->clear();
    int presets = 0;
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        const DuplicateReport::Group &group = groups_[g];
        auto *top = new QTreeWidgetItem(TreeGroups);
        top->setText(0, group.identical ? tr("Identical: %1 presets").arg(group.presets.size())
                                        : tr("Alike: %1 presets").arg(group.presets.size()));
        top->setFlags(Qt::ItemIsEnabled);
        for (std::size_t p = 0; p < group.presets.size(); ++p) {
            const LibraryEntry &e = group.presets[p];
            auto *item = new QTreeWidgetItem(top, {e.name(), QDir::toNativeSeparators(e.folder), group.differences[p]});
            item->setData(0, GroupRole, int(g));
            item->setData(0, PresetRole, int(p));
            item->setToolTip(0, e.path);
        }
        presets += int(group.presets.size());
    }
    TreeGroups->expandAll();
    TreeGroups->resizeColumnToContents(0);
    if (!result.error.isEmpty())
        LabelStatus->setText(result.error);
    else if (groups_.empty())
        LabelStatus->setText(tr("No duplicates."));
    else
        LabelStatus->setText(tr("%1 groups, %2 presets.").arg(groups_.size()).arg(presets));
    selectionChanged();
    emit shown();
}

std::vector<LibraryEntry> DuplicatesWindow::selected() const
{
    std::vector<LibraryEntry> entries;
    for (const QTreeWidgetItem *item : TreeGroups->selectedItems()) {
        const QVariant g = item->data(0, GroupRole);
        if (!g.isValid())
            continue;
        entries.push_back(groups_[std::size_t(g.toInt())].presets[std::size_t(item->data(0, PresetRole).toInt())]);
    }
    return entries;
}

void DuplicatesWindow::selectionChanged()
{
    const std::size_t n = selected().size();
    ButtonOpen->setEnabled(n == 1 && bool(hooks_.open));
    ButtonDelete->setEnabled(n >= 1);
}

void DuplicatesWindow::openChosen()
{
    const std::vector<LibraryEntry> entries = selected();
    if (entries.size() == 1 && hooks_.open)
        hooks_.open(entries[0].path, entries[0].slot);
}

void DuplicatesWindow::deleteChosen()
{
    const QStringList moved = PresetTrash::moveToTrash(prompter_, windowTitle(), selected());
    if (moved.isEmpty())
        return;
    library_.filesChanged(moved);
    // What is left is looked at again once the library has the change.
    connect(&library_, &Library::changed, this, &DuplicatesWindow::findDuplicates, Qt::SingleShotConnection);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/editmenu.h"

#include "session/session.h"

#include <QAction>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QToolBar>
#include <QUndoView>
#include <QVBoxLayout>

EditMenu::EditMenu(Session &session, QMenu *menu, QToolBar *toolBar, QWidget *window)
    : QObject(window), session_(session), window_(window)
{
    auto item = [menu](const char *name, const QString &caption) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    undoAction = item("Undo1", tr("&Undo"));
    undoAction->setShortcuts(QKeySequence::Undo);
    redoAction = item("Redo1", tr("&Redo"));
    // The desktop's own Redo keys first, then both that users bring from
    // elsewhere.
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    for (const QKeySequence &key : {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)})
        if (!redoKeys.contains(key))
            redoKeys << key;
    redoAction->setShortcuts(redoKeys);
    menu->addSeparator();
    historyAction = item("History1", tr("&History"));
    menu->addSeparator();
    compareAction = item("Compare1", tr("&Compare"));
    compareAction->setCheckable(true);
    compareAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    // "A|B": the stored and the edited preset side by side. Drawn ahead of
    // time: painting it here loaded a bold font face before the window could
    // show, only for these two letters.
    compareAction->setIcon(QIcon(QStringLiteral(":/app/compare.png")));
    compareAction->setToolTip(tr("Compare: play the stored preset instead of the edited one"));
    if (toolBar) {
        toolBar->addSeparator();
        toolBar->addAction(compareAction);
        if (QWidget *w = toolBar->widgetForAction(compareAction))
            w->setFixedWidth(25);
    }

    connect(undoAction, &QAction::triggered, this, [this] { session_.run([this] { undo(); }); });
    connect(redoAction, &QAction::triggered, this, [this] { session_.run([this] { redo(); }); });
    connect(historyAction, &QAction::triggered, this, [this] { session_.run([this] { showHistory(); }); });
    connect(compareAction, &QAction::triggered, this, [this] { session_.run([this] { toggleCompare(); }); });

    QUndoStack &stack = session_.editor().history().stack();
    // Every push (a merge too), undo, redo and clear tells its index.
    connect(&stack, &QUndoStack::indexChanged, this, &EditMenu::refresh);
    connect(&session_.editor(), &PresetEditor::comparingChanged, this, &EditMenu::refresh);
    connect(&session_.editor(), &PresetEditor::storedVersionChanged, this, &EditMenu::refresh);
    connect(&session_.transfers(), &AmpTransfers::busyChanged, this, &EditMenu::refresh);
    refresh();
}

EditMenu::~EditMenu() = default;

void EditMenu::refresh()
{
    const QUndoStack &stack = session_.editor().history().stack();
    const bool comparing = session_.editor().comparing();
    undoAction->setText(stack.canUndo() ? tr("&Undo %1").arg(stack.undoText()) : tr("&Undo"));
    redoAction->setText(stack.canRedo() ? tr("&Redo %1").arg(stack.redoText()) : tr("&Redo"));
    // While comparing the panel shows the stored preset: nothing to undo there.
    undoAction->setEnabled(stack.canUndo() && !comparing);
    redoAction->setEnabled(stack.canRedo() && !comparing);
    compareAction->setEnabled(session_.editor().hasStoredVersion());
    compareAction->setChecked(comparing);
    // A click in the history puts values back at once: not while the Amp
    // answers a request, as Undo and Redo refuse then too.
    if (history_)
        history_->setEnabled(!comparing && !session_.transfers().busy());
}

bool EditMenu::ampBusy()
{
    // Putting a value back while the Amp answers a request would land in
    // the middle of it.
    if (!session_.transfers().busy())
        return false;
    emit statusMessage(tr("Not undone: the Amp has not answered yet"));
    return true;
}

void EditMenu::undo()
{
    if (session_.editor().comparing() || ampBusy())
        return;
    session_.editor().history().stack().undo();
}

void EditMenu::redo()
{
    if (session_.editor().comparing() || ampBusy())
        return;
    session_.editor().history().stack().redo();
}

void EditMenu::showHistory()
{
    if (!history_) {
        // A window of its own beside the main one, made when first asked for.
        history_ = std::make_unique<QWidget>(window_, Qt::Tool);
        history_->setObjectName(QStringLiteral("FormHistory"));
        history_->setWindowTitle(tr("History"));
        EditHistory &steps = session_.editor().history();
        auto *view = new QUndoView(&steps.stack(), history_.get());
        view->setObjectName(QStringLiteral("HistoryView"));
        // The history is bounded; say so, and where its oldest steps went.
        auto *bound = new QLabel(tr("Keeps the last %L1 steps, up to %2 KB; older ones are dropped.")
                                     .arg(EditHistory::MaxSteps)
                                     .arg(EditHistory::MaxBytes >> 10),
                                 history_.get());
        bound->setObjectName(QStringLiteral("HistoryBound"));
        bound->setWordWrap(true);
        bound->setContentsMargins(4, 2, 4, 2);
        auto showDropped = [view](bool dropped) {
            view->setEmptyLabel(dropped ? tr("<older steps dropped>") : tr("<as opened>"));
            view->viewport()->update();
        };
        showDropped(steps.droppedOldest());
        connect(&steps, &EditHistory::droppedOldestChanged, view, showDropped);
        auto *layout = new QVBoxLayout(history_.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
        layout->addWidget(bound);
        history_->resize(260, 320);
        refresh();
    }
    history_->show();
    history_->raise();
}

void EditMenu::toggleCompare()
{
    session_.editor().setComparing(compareAction->isChecked());
    refresh();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <memory>

class QAction;
class QMenu;
class QToolBar;
class QWidget;
class Session;

// The Edit menu: Undo and Redo of the preset edits (named after the step,
// "Undo PreGain 12 → 20"), the History of steps, and Compare, which plays
// the stored preset instead of the edited one until it is pressed again.
class EditMenu : public QObject {
    Q_OBJECT
public:
    EditMenu(Session &session, QMenu *menu, QToolBar *toolBar, QWidget *window);
    ~EditMenu() override;

    QAction *Undo1;
    QAction *Redo1;
    QAction *History1;
    QAction *Compare1; // the menu item and the tool button, checked while comparing

    void UndoClick();
    void RedoClick();
    void HistoryClick();
    void CompareClick();


signals:
    // Why an Undo or Redo did not happen, for the status bar.
    void statusMessage(const QString &text);

private:
    void refresh();
    bool ampBusy();

    Session &session_;
    QWidget *window_;
    std::unique_ptr<QWidget> history_;
};

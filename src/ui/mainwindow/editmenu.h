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

    QAction *undoAction;
    QAction *redoAction;
    QAction *historyAction;
    QAction *compareAction; // the menu item and the tool button, checked while comparing

    void undo();
    void redo();
    void showHistory();
    void toggleCompare();

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

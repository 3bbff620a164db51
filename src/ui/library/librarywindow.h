// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/librarycolumns.h"
#include "library/libraryhooks.h"
#include "library/libraryreader.h"

#include <QItemSelectionModel>
#include <QSet>
#include <QTimer>
#include <QWidget>

#include <vector>

class Library;
class LibraryTableModel;
class Prompter;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;

// The library window (View "Library"): a search field with what the query
// means (or why it cannot run) under it, and every preset it finds in a
// table sorted by any column. Searches run on the library's search thread,
// so typing and indexing never hold the window up. What reaches the editor
// goes through the hooks.
class LibraryWindow : public QWidget {
    Q_OBJECT
public:
    // How long typing pauses before the search runs.
    static constexpr int TypingDelayMs = 150;

    LibraryWindow(Library &library, Prompter &prompter, const LibraryHooks &hooks, QWidget *parent = nullptr);

    // Searches now for what the field holds.
    void search();
    const LibraryTableModel &model() const { return *model_; }
    // The selected rows' presets, in the table's order.
    std::vector<LibraryEntry> selection() const;
    void selectRows(const QList<int> &rows,
                    QItemSelectionModel::SelectionFlags how = QItemSelectionModel::ClearAndSelect);
    // Sets each action's state for the selection (the context menu does this
    // before it shows).
    void updateActions();

    // Handlers.
    void openSelected();
    void compareWithCurrent();
    void compareSelected();
    void hearSelected();
    void importSelected();
    void showSelectedInFileList();
    void addToSetlist();
    void tellMarked(const QList<qint64> &hashes, int chosen, const QString &what);
    void toggleFavourite();
    void editTags();
    void deleteSelected();
    void addLibraryFolder();
    void showDuplicates();

    QLineEdit *EditSearch;
    QLabel *LabelExplanation;
    QTableView *TablePresets;
    QPushButton *ButtonAddFolder, *ButtonDuplicates;
    QMenu *PopupMenuPresets;
    QAction *actionAddToSetlist_ = nullptr;
    QString markNote_; // what a mark just set also reached
    QAction *ActionOpen, *ActionCompareCurrent, *ActionCompare, *ActionHear, *ActionImport, *ActionShowInFileList,
        *ActionFavourite, *ActionTags, *ActionDelete;

signals:
    // A search's rows are shown: its first ones, then, when it finds more
    // than a screenful, all of them.
    void shown();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void found(quint64 token, const LibraryReader::Found &result);
    void explain(const LibraryReader::Answer &answer);
    void compare(const QString &nameA, const preset::Record &a, const QString &nameB, const preset::Record &b);

    Library &library_;
    Prompter &prompter_;
    LibraryHooks hooks_;
    LibraryTableModel *model_;
    QTimer typing_;
    LibraryReader::Found shown_; // the rows in the table, with what they mean
    quint64 shownToken_ = 0;     // the search they answer
    // The presets selected before the search, while its rows are on their way.
    QSet<QPair<qint64, int>> keep_;
    bool restoring_ = false;
    LibraryColumns::Column sortColumn_ = LibraryColumns::Name;
    bool descending_ = false;
    Hearing hearing_;
};

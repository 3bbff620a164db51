// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/duplicatereport.h"
#include "library/libraryhooks.h"

#include <QFutureWatcher>
#include <QWidget>

#include <atomic>
#include <vector>

class Library;
class Prompter;
class QLabel;
class QPushButton;
class QSpinBox;
class QTreeWidget;

// "Find Duplicates": groups of presets with identical records, whatever
// their names or folders, and of presets that differ in at most N
// parameters. The search runs on a worker thread; presets can be opened or
// deleted from the list.
class DuplicatesWindow : public QWidget {
    Q_OBJECT
public:
    DuplicatesWindow(Library &library, Prompter &prompter, const LibraryHooks &hooks, QWidget *parent = nullptr);
    ~DuplicatesWindow() override;

    // Looks again with the number of parameters chosen.
    void findDuplicates();
    void openChosen();
    void deleteChosen();
    bool searching() const { return watcher_.isRunning(); }
    const std::vector<DuplicateReport::Group> &groups() const { return groups_; }

    QSpinBox *SpinDifferences;
    QPushButton *ButtonFind, *ButtonOpen, *ButtonDelete;
    QLabel *LabelStatus;
    QTreeWidget *TreeGroups;

signals:
    // A search finished and the list shows it.
    void shown();

private:
    void found();
    void selectionChanged();
    std::vector<LibraryEntry> selected() const;

    Library &library_;
    Prompter &prompter_;
    LibraryHooks hooks_;
    std::atomic_bool cancel_{false};
    QFutureWatcher<DuplicateReport::Found> watcher_;
    std::vector<DuplicateReport::Group> groups_;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/libraryhooks.h"

#include <QObject>

#include <functional>

class Session;
class FileListPanel;
class QAction;
class PresetTabs;

// Where the library's windows and the group's tabs meet the editor: each
// hook and each drop as the editor's own commands do it (opening as a file
// handed over, a record into a tab as an import, marking the presets
// modified).
class LibraryLink : public QObject {
    Q_OBJECT
public:
    using Runner = std::function<bool(const std::function<void()> &)>;

    // run: the error wrapper every command goes through.
    LibraryLink(Session &session, FileListPanel &fileList, QAction *fileListView, Runner run);

    LibraryHooks hooks();
    // Tabs dragged onto tabs, library rows dropped on tabs.
    void connectTabs(PresetTabs *tabs);

    // A record into a tab (-1: the selected one), as Import Single to Tab.
    void importRecord(int slot, const preset::Record &record);
    // Tab `from` onto tab `to`: swapped, or copied over it.
    void rearrangeSlots(int from, int to, bool copy);

private:
    Session &session_;
    FileListPanel &fileList_;
    QAction *fileListView_;
    Runner run_;
};

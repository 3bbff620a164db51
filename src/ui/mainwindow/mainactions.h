// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QKeySequence>

#include <vector>

class MainWindow;

// When a command may run (it always has a handler: a user must never click
// something that silently does nothing).
enum class EnabledWhen {
    Always,
    GroupView,
    NotComparing,
    GroupViewNotComparing,
    SaveElsewhereNotComparing,
    HasFile, // a note needs a file to lie beside
};

// One command of the main window's menus or tool bar.
struct MainAction {
    enum class Kind {
        Command,
        Separator,
        FetchSlotMenu, // "Preset from Amp": one item per slot
        WriteSlotMenu, // "Preset to Amp": one item per slot
    };
    Kind kind;
    // The object name: tests, scripts and the accessibility tree find the
    // item by it, so it keeps its old value.
    const char *id;
    // The menu's object name, or "ToolBar1".
    const char *place;
    // On screen; a tool button's hint.
    const char *caption;
    QKeySequence shortcut;
    EnabledWhen enabledWhen;
    void (MainWindow::*handler)();
    bool checkable;
    // Tool buttons: the picture under ":/app/".
    const char *image;
};

// The menu bar's menus in order: object name and caption. Edit is filled by
// EditMenu.
struct MainMenu {
    const char *id;
    const char *caption;
};

const std::vector<MainMenu> &mainMenus();
// Every command, menu by menu in the order they show, then the tool bar.
const std::vector<MainAction> &mainActions();

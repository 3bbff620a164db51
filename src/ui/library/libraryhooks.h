// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/presetrecord.h"

#include <QString>

#include <functional>
#include <optional>

// What the library's windows ask of the editor, and nothing more: the main
// window fills these in. An empty hook is a command the windows offer
// disabled.
struct LibraryHooks {
    // Opens the file as File Open does; a group at that slot's tab (-1: a
    // single preset file).
    std::function<void(const QString &path, int slot)> open;
    // Sends the record to the Amp as editor data; the editor keeps its own.
    std::function<void(const preset::Record &record)> hear;
    // Sends the editor's own preset back to the Amp.
    std::function<void()> hearEditor;
    // Whether the editor shows a group, so a record can go into a tab.
    std::function<bool()> groupView;
    // Into the given tab (-1: the selected one), as Import Single to Tab.
    std::function<void(int slot, const preset::Record &record)> importToSlot;
    // The editor's current preset and what to call it.
    std::function<std::optional<preset::Record>()> currentRecord;
    std::function<QString()> currentName;
    // Moves the file list to the file's folder and selects it.
    std::function<void(const QString &path)> showInFileList;
};

// A window that lets records be heard gives the Amp the editor's preset
// back when it closes, once, and only if something was heard.
struct Hearing {
    bool heard = false;
    void hear(const LibraryHooks &hooks, const preset::Record &record)
    {
        if (!hooks.hear)
            return;
        hooks.hear(record);
        heard = true;
    }
    void restore(const LibraryHooks &hooks)
    {
        if (heard && hooks.hearEditor)
            hooks.hearEditor();
        heard = false;
    }
};

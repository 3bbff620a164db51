// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/presetrecord.h"

#include <QString>

#include <functional>
#include <optional>
#include <utility>

// The drag format of library rows, for lists that keep where a preset is
// (a setlist): a JSON array of {path, slot, record (hex)}.
inline constexpr char LibraryRowsMimeType[] = "application/x-quorvex-library-rows";

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
    // The Amp, playing `from` as editor data, is moved to `to` by the
    // fewest messages the send queue can fold (a morph's steps).
    std::function<void(const preset::Record &from, const preset::Record &to)> hearChange;
    // The record becomes the editor's shown preset, as an undoable step.
    std::function<void(const preset::Record &record, const QString &what)> keep;
    // Whether the editor shows a group, so a record can go into a tab.
    std::function<bool()> groupView;
    // Into the given tab (-1: the selected one), as Import Single to Tab.
    std::function<void(int slot, const preset::Record &record)> importToSlot;
    // The editor's current preset and what to call it.
    std::function<std::optional<preset::Record>()> currentRecord;
    std::function<QString()> currentName;
    // The file the editor's current preset was opened from, and its slot in
    // a group (-1: a single file); an empty path when it has none.
    std::function<std::pair<QString, int>()> currentFile;
    // A setlist's step: opens the file (at the slot of a group) as the
    // editor's document and sends it to the Amp; unsaved work is asked about
    // first when ask is set, and otherwise let go. Runs from the one queue,
    // then calls done(shown, asked).
    std::function<void(const QString &path, int slot, bool ask, std::function<void(bool shown, bool asked)> done)> play;
    // Appends the library's preset (a group's slot, -1 a single file) to
    // the setlist window's list.
    std::function<void(const QString &path, int slot, const preset::Record &record)> addToSetlist;
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

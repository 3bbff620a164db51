// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/libraryentry.h"

#include <QCoreApplication>
#include <QStringList>

#include <vector>

class Prompter;

// Deleting presets from the library: their files go to the trash with the
// notes beside them, after a question. A slot of a group file takes the
// whole group file with it, and the question says so.
class PresetTrash {
    Q_DECLARE_TR_FUNCTIONS(PresetTrash)

public:
    // The files of the entries, each once.
    static QStringList filesOf(const std::vector<LibraryEntry> &entries);
    // The question asked before files go.
    static QString question(const std::vector<LibraryEntry> &entries);
    // Asks, then moves. Returns the files that went (empty when the user
    // said No); a file that could not be moved is reported in the error box
    // under `title`.
    static QStringList moveToTrash(Prompter &prompter, const QString &title, const std::vector<LibraryEntry> &entries);
};

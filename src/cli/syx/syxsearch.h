// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "syx/syxtool.h"

#include <QSqlDatabase>
#include <QTemporaryDir>

// quorvex-syx search: the library's search language over Quorvex's index
// (read only, as Quorvex last left it) or over a folder scanned there and
// then into an index of its own that is thrown away.
class SyxSearch {
public:
    SyxSearch(QTextStream &out, QTextStream &err, const SyxTool::Options &options);
    ~SyxSearch();
    int run(const QString &query);
    // quorvex-syx duplicates: the groups Find Duplicates shows, presets
    // within `within` parameters of each other.
    int duplicates(int within);

    // Opens the index (or scans --dir into one of its own): -1 when open,
    // otherwise the exit status, the message printed.
    int open();
    QSqlDatabase db() const;

private:
    int fail(const QString &message, const QString &path = {});

    QTextStream &out_;
    QTextStream &err_;
    const SyxTool::Options &options_;
    QTemporaryDir scratch_; // --dir: the index of the folder
};

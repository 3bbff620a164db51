// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "syx/syxtool.h"

// quorvex-syx setlist check|export: where a setlist's presets are now, and
// a copy of them as numbered files for a machine without the library.
class SyxSetlist {
public:
    SyxSetlist(QTextStream &out, QTextStream &err, const SyxTool::Options &options);
    // 0 every entry found, 1 some missing (export: the others written), 2 trouble.
    int check(const QString &setlist);
    int exportTo(const QString &setlist, const QString &dir);

private:
    int run(const QString &setlist, const QString &dir);

    QTextStream &out_;
    QTextStream &err_;
    const SyxTool::Options &options_;
};

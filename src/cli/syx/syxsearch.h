// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "syx/syxtool.h"

// quorvex-syx search: the library's search language over Quorvex's index
// (read only, as Quorvex last left it) or over a folder scanned there and
// then into an index of its own that is thrown away.
class SyxSearch {
public:
    SyxSearch(QTextStream &out, QTextStream &err, const SyxTool::Options &options);
    int run(const QString &query);

private:
    int fail(const QString &message, const QString &path = {});

    QTextStream &out_;
    QTextStream &err_;
    const SyxTool::Options &options_;
};

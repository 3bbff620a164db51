// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "syx/syxtool.h"

// quorvex-syx split and join: a group file into sixteen single preset
// files and back, each written through the codec's safe write. Nothing is
// written before every input has been read and every target checked.
class SyxGroupFiles {
public:
    SyxGroupFiles(QTextStream &out, QTextStream &err, const SyxTool::Options &options);

    // "<group> A1.syx" ... "<group> D4.syx" in dir (made when missing).
    int split(const QString &group, const QString &dir);
    // Sixteen single preset files, A1 first.
    int join(const QStringList &singles, const QString &group);

    // The file names split() writes for a group file's name.
    static QStringList splitNames(const QString &group);

private:
    int fail(const QString &message, const QString &path = {});
    void wrote(const QStringList &paths);

    QTextStream &out_;
    QTextStream &err_;
    const SyxTool::Options &options_;
};

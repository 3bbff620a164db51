// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// quorvex-syx: the Amp's preset and group files from the command line, on
// the same codec and library code as Quorvex. Runs one command and returns
// the exit status: 0 done (diff: the same), 1 diff: they differ, 2 trouble
// (a bad file, a bad query, bad arguments), with the message on err.
class SyxTool {
public:
    enum Status { Done = 0, Differ = 1, Trouble = 2 };

    SyxTool(QTextStream &out, QTextStream &err);

    // arguments: without the program's name.
    int run(const QStringList &arguments);

    static QString helpText();
    // "quorvex-syx: <message>", the message on one line, naming the path
    // unless it does already.
    static QString troubleText(const QString &message, const QString &path = {});
    // Prints troubleText() on err and returns Trouble.
    static int trouble(QTextStream &err, const QString &message, const QString &path = {});

    // Parsed options, for the commands.
    struct Options {
        bool json = false;
        bool force = false;
        QString dir;    // search: scan this folder instead of the index
        QString index;  // search: this index instead of Quorvex's own
        int within = 2; // duplicates: parameters alike presets may differ in
    };

private:
    int info(const QStringList &files);
    int diff(const QString &a, const QString &b);
    // Prints "quorvex-syx: <message>" with the path (once) and returns Trouble.
    int fail(const QString &message, const QString &path = {});

    QTextStream &out_;
    QTextStream &err_;
    Options options_;
};

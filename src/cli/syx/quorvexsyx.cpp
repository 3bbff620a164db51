// SPDX-License-Identifier: GPL-3.0-or-later
// quorvex-syx: the Amp's preset and group files from the command line.
#include "syx/syxtool.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The same per-user data folder as Quorvex's, where its library index is.
    QCoreApplication::setApplicationName(QStringLiteral("Quorvex"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    SyxTool tool(out, err);
    const int status = tool.run(app.arguments().mid(1));
    out.flush();
    err.flush();
    return status;
}

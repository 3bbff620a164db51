// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/handover.h"

#include "files/safefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <climits>

namespace handover {

namespace {

#ifdef PATH_MAX
constexpr qsizetype MaxPathBytes = PATH_MAX - 1; // without the closing zero
#else
constexpr qsizetype MaxPathBytes = 4095;
#endif

} // namespace

QString commandLine(const QStringList &arguments, const QString &workingDir)
{
    const QString text = arguments.join(QLatin1Char(' '));
    if (text.isEmpty())
        return text;
    // Judge the path as the receiver will see it.
    const QString bare = fileName(text);
    if (bare.isEmpty() || !QDir::isRelativePath(bare))
        return text;
    return QDir(workingDir).absoluteFilePath(bare);
}

QString fileName(const QString &commandLine)
{
    return files::unquotedPath(commandLine);
}

QString refusal(const QString &commandLine)
{
    // Each UTF-16 unit is one UTF-8 byte or more: a text longer than that
    // is refused before it is converted whole.
    if (commandLine.size() > MaxBytes || commandLine.toUtf8().size() > MaxBytes)
        return QCoreApplication::translate("handover",
                                           "The command line is too long to name a file (over %1 bytes):\n%2")
            .arg(MaxBytes)
            .arg(files::elidedMiddle(commandLine));
    const QString name = fileName(commandLine);
    if (QFile::encodeName(name).size() > MaxPathBytes)
        return QCoreApplication::translate("handover", "The file name is too long (over %1 bytes):\n%2")
            .arg(MaxPathBytes)
            .arg(files::elidedMiddle(name));
    return {};
}

} // namespace handover

// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/document.h"

#include <QDir>
#include <QFileInfo>

const QString Document::Untitled = QStringLiteral("untitled");

namespace {
const QString TitleSuffix = QStringLiteral(" - Quorvex");
}

Document::Document(QObject *parent)
    : QObject(parent), workingDirectory_(QDir::currentPath()), openDialogDirectory_(workingDirectory_),
      saveDialogDirectory_(workingDirectory_)
{
}

void Document::setFileName(const QString &name)
{
    if (name == fileName_)
        return;
    fileName_ = name;
    emit titleChanged();
}

bool Document::sameFolder(const QString &a, const QString &b)
{
    // Two spellings of one folder (a trailing slash, "..", a symbolic link)
    // are one folder; on a case-sensitive file system "Data" and "data" are two.
    auto canonical = [](const QString &dir) {
        const QString c = QFileInfo(dir).canonicalFilePath();
        return c.isEmpty() ? QDir::cleanPath(QFileInfo(dir).absoluteFilePath()) : c;
    };
    return canonical(a) == canonical(b);
}

void Document::setSaveElsewhere(bool on)
{
    if (on == saveElsewhere_)
        return;
    saveElsewhere_ = on;
    emit saveElsewhereChanged(on);
}

void Document::changeModified(bool on)
{
    modified_ = on;
    emit modifiedChanged(on);
}

void Document::setTitle(const QString &name)
{
    titleName_ = name;
    applicationTitle_ = QFileInfo(name).fileName() + TitleSuffix;
    emit titleChanged();
}

QString Document::caption() const
{
    return titleName_ + TitleSuffix;
}

bool Document::setWorkingDirectory(const QString &dir)
{
    const QFileInfo info(dir);
    if (dir.isEmpty() || !info.isDir() || !info.isExecutable())
        return false;
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    if (!sameFolder(clean, workingDirectory_)) {
        workingDirectory_ = clean;
        emit workingDirectoryChanged(clean);
    }
    return true;
}

QString Document::currentPath() const
{
    return fileName_.isEmpty() ? QString() : QDir(workingDirectory_).filePath(fileName_);
}

void Document::openedAt(const QString &path)
{
    const QFileInfo info(path);
    fileName_ = info.fileName();
    originDirectory_ = info.path();
    setSaveElsewhere(!isInWorkingDirectory(originDirectory_));
    setTitle(path);
}

void Document::makeNew()
{
    setModified(false);
    fileName_.clear();
    setTitle(Untitled);
    setSaveElsewhere(false);
}
